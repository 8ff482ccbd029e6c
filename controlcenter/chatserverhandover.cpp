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
    if (colon >= 0)
        return {text.left(colon), leadingNumber(text.mid(colon + 1))};
    const quint32 number = leadingNumber(text);
    // A bare host name is a chat server on the protocol's usual port; only a bare
    // number stands for a port alone.
    if (number == 0)
        return {text.trimmed(), kDefaultChatServerPort};
    return {QString(), number};
}

bool handOverChatServer(const QString &chatServerText)
{
    if (chatServerText.isEmpty())
        return false;
    const ChatServerAddress address = splitChatServer(chatServerText);
    CRegistry chat;
    if (!chat.Open(QLatin1String(kChatSettingsKey)))
        return false;
    // An empty host or an impossible port would leave the chat client with no server
    // to reach; the value it has stays instead.
    const bool host = address.host.isEmpty() || chat.SetStringValue(QStringLiteral("ChatServer"), address.host);
    const bool portUsable = address.port >= 1 && address.port <= 65535;
    const bool port = !portUsable || chat.SetDoubleWordValue(QStringLiteral("ChatServerPort"), address.port);
    return host && port;
}

} // namespace ferry
