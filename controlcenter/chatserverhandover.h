#pragma once

// Hands the chosen tunnelling server's chat server to the chat client: the
// registry values ChatServer (host) and ChatServerPort (number) under the chat
// client's key, which it reads when it starts.

#include <QString>

namespace ferry {

inline constexpr char kChatSettingsKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat";

struct ChatServerAddress {
    QString host;
    quint32 port = 0;
    bool operator==(const ChatServerAddress &) const = default;
};

// "host:port" split at the first colon. Without a colon the host is empty and the
// port is the number the whole text starts with; a port that is no number is 0.
ChatServerAddress splitChatServer(const QString &text);

// Writes the chat server for the chat client. Does nothing when the text is empty
// or the chat client's key does not exist yet (it is not created here). True when
// both values were written.
bool handOverChatServer(const QString &chatServerText);

} // namespace ferry
