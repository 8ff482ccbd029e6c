#include "controlcenter/chathandover.h"

#include "common/registry.h"
#include "platform/ports.h"

namespace ferry {

namespace {

constexpr char kChatKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat";

quint32 leadingDecimal(const QString &text)
{
    quint32 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + quint32(c.unicode() - '0');
        if (value > 0xFFFF)
            return 0;  // no port can be that large
    }
    return value;
}

} // namespace

std::optional<ChatServerAddress> splitChatServer(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return ChatServerAddress{text.trimmed(), kChatServerPort};
    return ChatServerAddress{text.left(colon).trimmed(), leadingDecimal(text.mid(colon + 1).trimmed())};
}

bool handOverChatServer(const QString &chatServerText)
{
    const auto address = splitChatServer(chatServerText);
    if (!address)
        return false;
    CRegistry registry;
    return registry.Create(QLatin1String(kChatKey))
        && registry.SetStringValue(QStringLiteral("ChatServer"), address->host)
        && registry.SetDoubleWordValue(QStringLiteral("ChatServerPort"), address->port);
}

} // namespace ferry
