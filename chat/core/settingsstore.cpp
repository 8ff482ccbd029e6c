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

void readNumber(CRegistry &reg, const char *name, quint32 &value, quint32 fallback)
{
    value = fallback;
    readNumber(reg, name, value);
}

void readText(CRegistry &reg, const char *name, QString &value, const QString &fallback)
{
    value = fallback;
    readText(reg, name, value);
}

void writeFlag(CRegistry &reg, const char *name, bool flag, bool &ok)
{
    ok = reg.SetDoubleWordValue(QString::fromLatin1(name), flag ? 1 : 0) && ok;
}

void writeNumber(CRegistry &reg, const char *name, quint32 number, bool &ok)
{
    ok = reg.SetDoubleWordValue(QString::fromLatin1(name), number) && ok;
}

void writeText(CRegistry &reg, const char *name, const QString &text, bool &ok)
{
    ok = reg.SetStringValue(QString::fromLatin1(name), text) && ok;
}

QString functionKeyName(int index)
{
    return QStringLiteral("F%1").arg(index + 2);
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
        readText(reg, functionKeyName(i), s.FKeys[i]);
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
    readFlag(reg, "ChatServerTLS", s.ChatServerTLS);
    readFlag(reg, "AutoReconnect", s.AutoReconnect);
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

namespace tavern::settingsstore {

QString TrustedCertificate(const QString &host)
{
    CRegistry reg;
    QString fingerprint;
    if (host.isEmpty() || !reg.Open(QString::fromLatin1(kCertificatesKey))
        || !reg.GetStringValue(host.toLower(), fingerprint))
        return QString();
    return fingerprint;
}

bool TrustCertificate(const QString &host, const QString &fingerprint)
{
    CRegistry reg;
    return !host.isEmpty() && openKey(reg, kCertificatesKey) && reg.SetStringValue(host.toLower(), fingerprint);
}

bool LoadSetup(SetupValues &values, const CChatSettings &current)
{
    CRegistry reg;
    if (!openKey(reg, kChatKey))
        return false;
    const SetupValues defaults;
    readText(reg, "ProfanityFilter", values.profanityFilter, defaults.profanityFilter);
    readText(reg, "Channel", values.channel, defaults.channel);
    readText(reg, "QuitMsg", values.quitMsg, defaults.quitMsg);
    bool flag = current.PrivateWindows;
    readFlag(reg, "PrivateWindows", flag);
    flag = current.SpamFilter;
    readFlag(reg, "SpamFilter", flag);
    flag = current.ShowJoinPart;
    readFlag(reg, "ShowJoinPart", flag);
    flag = false;
    readFlag(reg, "AutoLog", flag);
    readText(reg, "FontName", values.fontName, defaults.fontName);
    quint32 size = 0;
    readNumber(reg, "FontSize", size, quint32(defaults.fontSize));
    values.fontSize = int(size);
    return true;
}

bool CanOpenChatKey()
{
    CRegistry reg;
    return openKey(reg, kChatKey);
}

bool SaveSetup(const CChatSettings &s)
{
    CRegistry reg;
    if (!openKey(reg, kChatKey))
        return false;
    bool ok = true;
    writeFlag(reg, "AutoLog", s.AutoLog, ok);
    writeText(reg, "QuitMsg", s.QuitMsg, ok);
    writeText(reg, "Channel", s.Channel, ok);
    writeFlag(reg, "PrivateWindows", s.PrivateWindows, ok);
    writeText(reg, "ProfanityFilter", s.ProfanityFilter, ok);
    writeFlag(reg, "ShowJoinPart", s.ShowJoinPart, ok);
    writeFlag(reg, "SpamFilter", s.SpamFilter, ok);
    writeFlag(reg, "BeepOnPrivate", s.BeepOnPrivate, ok);
    writeText(reg, "ChatServer", s.ChatServer, ok);
    writeNumber(reg, "ChatServerPort", quint32(s.ChatServerPort), ok);
    writeFlag(reg, "ChatServerTLS", s.ChatServerTLS, ok);
    writeFlag(reg, "AutoReconnect", s.AutoReconnect, ok);
    return ok;
}

bool LoadColors(CChatSettings &s)
{
    CRegistry reg;
    if (!openKey(reg, kColorsKey))
        return false;
    readNumber(reg, "Normal", s.Normal, 0x02000000);
    readNumber(reg, "Action", s.Action, 0x020000FF);
    readNumber(reg, "Private", s.Private, 0x02660000);
    readNumber(reg, "Status", s.Status, 0x020000FF);
    readNumber(reg, "Background", s.Background, 0x02FFFFFF);
    readNumber(reg, "URL", s.URL, 0x02FF0000);
    return true;
}

bool SaveColors(const CChatSettings &s)
{
    CRegistry reg;
    if (!openKey(reg, kColorsKey))
        return false;
    bool ok = true;
    writeNumber(reg, "Normal", s.Normal, ok);
    writeNumber(reg, "Action", s.Action, ok);
    writeNumber(reg, "Status", s.Status, ok);
    writeNumber(reg, "Private", s.Private, ok);
    writeNumber(reg, "Background", s.Background, ok);
    writeNumber(reg, "URL", s.URL, ok);
    return ok;
}

bool LoadFunctionKeys(QStringList &texts)
{
    CChatSettings s; // the start-up defaults
    if (!loadFunctionKeys(s))
        return false;
    texts = s.FKeys;
    return true;
}

bool SaveFunctionKeys(const QStringList &texts)
{
    CRegistry reg;
    if (!openKey(reg, kFKeysKey))
        return false;
    bool ok = true;
    for (int i = 0; i < texts.size(); ++i)
        ok = reg.SetStringValue(functionKeyName(i), texts.at(i)) && ok;
    return ok;
}

QStringList HighlightWordNames()
{
    CChatSettings s;
    LoadHighlightWords(s);
    QStringList words;
    for (const CHighlightWord &entry : s.HighlightWords)
        words << entry.word;
    return words;
}

std::optional<ChatColour> HighlightWordColour(const QString &word)
{
    CRegistry reg;
    quint32 colour = 0;
    if (!openKey(reg, kFiltersKey) || !reg.GetDoubleWordValue(word, colour))
        return std::nullopt;
    return colour;
}

bool SetHighlightWord(const QString &word, ChatColour colour)
{
    CRegistry reg;
    return openKey(reg, kFiltersKey) && reg.SetDoubleWordValue(word, colour);
}

bool DeleteHighlightWord(const QString &word)
{
    CRegistry reg;
    return openKey(reg, kFiltersKey) && reg.DeleteValue(word);
}

} // namespace tavern::settingsstore
