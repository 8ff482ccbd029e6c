#include "controlcenter/chatserverhandover.h"

#include "common/registry.h"

namespace ferry {

namespace {

// The decimal number the text starts with (after blanks), as the C library reads it.
quint32 leadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == QLatin1Char('+') || t[end] == QLatin1Char('-')))
        ++end;
    while (end < t.size() && t[end].isDigit() && t[end].unicode() < 128)
        ++end;
    bool ok = false;
    const qint64 n = t.left(end).toLongLong(&ok);
    return ok ? quint32(n) : 0;
}

} // namespace

ChatServerAddress splitChatServer(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return {QString(), leadingNumber(text)};
    return {text.left(colon), leadingNumber(text.mid(colon + 1))};
}

bool handOverChatServer(const QString &chatServerText)
{
    if (chatServerText.isEmpty())
        return false;
    const ChatServerAddress address = splitChatServer(chatServerText);
    CRegistry chat;
    if (!chat.Open(QLatin1String(kChatSettingsKey)))
        return false;
    const bool host = chat.SetStringValue(QStringLiteral("ChatServer"), address.host);
    const bool port = chat.SetDoubleWordValue(QStringLiteral("ChatServerPort"), address.port);
    return host && port;
}

} // namespace ferry
