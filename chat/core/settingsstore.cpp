#include "chat/core/settingsstore.h"

#include "common/registry.h"

namespace tavern::settingsstore {

namespace {

// Opens the key for reading and writing values, creating it when missing.
bool openKey(CRegistry &reg, const char *path)
{
    return reg.Create(QString::fromLatin1(path));
}

void readNumber(CRegistry &reg, const char *name, quint32 &value)
{
    const QString key = QString::fromLatin1(name);
    quint32 stored = 0;
    if (reg.GetDoubleWordValue(key, stored))
        value = stored;
    else
        reg.SetDoubleWordValue(key, value);
}

void readNumber(CRegistry &reg, const char *name, int &value)
{
    quint32 number = quint32(value);
    readNumber(reg, name, number);
    value = int(number);
}

void readFlag(CRegistry &reg, const char *name, bool &flag)
{
    quint32 number = flag ? 1 : 0;
    readNumber(reg, name, number);
    flag = number != 0;
}

void readText(CRegistry &reg, const QString &name, QString &value)
{
    QString stored;
    if (reg.GetStringValue(name, stored))
        value = stored;
    else
        reg.SetStringValue(name, value);
}

void readText(CRegistry &reg, const char *name, QString &value)
{
    readText(reg, QString::fromLatin1(name), value);
}

bool loadColors(CChatSettings &s)
{
    CRegistry reg;
    if (!openKey(reg, kColorsKey))
        return false;
    readNumber(reg, "Action", s.Action);
    readNumber(reg, "Normal", s.Normal);
    readNumber(reg, "Private", s.Private);
    readNumber(reg, "Status", s.Status);
    readNumber(reg, "Background", s.Background);
    readNumber(reg, "URL", s.URL);
    return true;
}

bool loadFunctionKeys(CChatSettings &s)
{
    CRegistry reg;
    if (!openKey(reg, kFKeysKey))
        return false;
    const QStringList defaults = CChatSettings::DefaultFKeys();
    if (s.FKeys.size() < defaults.size())
        s.FKeys = defaults;
    for (int i = 0; i < defaults.size(); ++i)
        readText(reg, QStringLiteral("F%1").arg(i + 2), s.FKeys[i]);
    return true;
}

bool loadChat(CChatSettings &s)
{
    CRegistry reg;
    if (!openKey(reg, kChatKey))
        return false;
    readText(reg, "FontName", s.FontName);
    readNumber(reg, "FontSize", s.FontSize);
    readText(reg, "Channel", s.Channel);
    readText(reg, "QuitMsg", s.QuitMsg);
    readFlag(reg, "PrivateWindows", s.PrivateWindows);
    readFlag(reg, "SpamFilter", s.SpamFilter);
    readFlag(reg, "ShowJoinPart", s.ShowJoinPart);
    readFlag(reg, "AutoLog", s.AutoLog);
    readFlag(reg, "ShowChanList", s.ShowChanList);
    readText(reg, "ChatServer", s.ChatServer);
    readNumber(reg, "ChatServerPort", s.ChatServerPort);
    readFlag(reg, "BeepOnPrivate", s.BeepOnPrivate);
    return true;
}

} // namespace

void Load(CChatSettings &settings)
{
    if (loadColors(settings) && loadFunctionKeys(settings) && loadChat(settings))
        LoadHighlightWords(settings);
}

void LoadHighlightWords(CChatSettings &settings)
{
    settings.HighlightWords.clear();
    CRegistry reg;
    if (!openKey(reg, kFiltersKey) || !reg.QueryInfo())
        return;
    const int count = reg.GetNumberOfValues();
    for (int index = 0; index < count; ++index) {
        CHighlightWord entry;
        RegValueType type = REG_NONE;
        QByteArray data;
        if (!reg.EnumerateValues(index, entry.word, type, data))
            break; // another process removed values meanwhile
        quint32 colour = 0;
        reg.GetDoubleWordValue(entry.word, colour);
        entry.colour = colour;
        settings.HighlightWords.append(entry);
    }
}

void LoadFont(QString &fontName, int &fontSize)
{
    CRegistry reg;
    if (!openKey(reg, kChatKey))
        return;
    readText(reg, "FontName", fontName);
    readNumber(reg, "FontSize", fontSize);
}

bool SaveFont(const QString &fontName, int fontSize)
{
    CRegistry reg;
    return openKey(reg, kChatKey) && reg.SetStringValue(QStringLiteral("FontName"), fontName)
        && reg.SetDoubleWordValue(QStringLiteral("FontSize"), quint32(fontSize));
}

bool SaveShowChanList(bool showChanList)
{
    CRegistry reg;
    return openKey(reg, kChatKey) && reg.SetDoubleWordValue(QStringLiteral("ShowChanList"), showChanList ? 1 : 0);
}

} // namespace tavern::settingsstore
