#pragma once

// Hands the chosen tunnelling server's chat server to the chat client: the
// registry values ChatServer (host) and ChatServerPort (number) under the chat
// client's key, which it reads when it starts.

#include <QString>

namespace ferry {

inline constexpr char kChatSettingsKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat";
inline constexpr quint32 kDefaultChatServerPort = 6667;

struct ChatServerAddress {
    QString host;
    quint32 port = 0;
    bool operator==(const ChatServerAddress &) const = default;
};

// "host:port" split at the first colon; a port that is no number is 0. Without a
// colon, a text starting with a number is a port alone (empty host) and any other
// text is a host name on port 6667.
ChatServerAddress splitChatServer(const QString &text);

// Writes the chat server for the chat client. Does nothing when the text is empty
// or the chat client's key does not exist yet (it is not created here). An empty
// host or a port outside 1..65535 is not written, so the value already there stays.
// True when everything that was to be written was written.
bool handOverChatServer(const QString &chatServerText);

} // namespace ferry
