#pragma once

// Hands the chosen server's chat server to the chat client: the registry values
// ChatServer and ChatServerPort, which the chat client reads when it starts.

#include <QString>

#include <optional>

namespace ferry {

struct ChatServerAddress {
    QString host;
    quint32 port = 0;
    bool operator==(const ChatServerAddress &) const = default;
};

// Splits "host:port" at the first colon; the port is the leading decimal digits
// after it (0 when there are none). Text without a colon is taken as a host name
// on the default chat port. Empty text gives nothing.
std::optional<ChatServerAddress> splitChatServer(const QString &text);

// Writes the chat server for the chat client; creates the chat settings key when
// the chat client has never run. False when nothing was written.
bool handOverChatServer(const QString &chatServerText);

} // namespace ferry
