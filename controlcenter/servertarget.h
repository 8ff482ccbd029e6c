#pragma once

// Which server the Connect button signs on to. The player's choice (the tree's
// local-server flag or its selected server) is turned into the target the
// connection works with: a dotted address, "Local", or nothing.

#include <QString>

#include <optional>

namespace ferry {

// What the player has chosen. Without a tree, the registry's server list gives it
// (chosenServerFromRegistry below).
struct ServerChoice {
    bool localServer = false;   // the local-server flag is set
    bool serverSelected = false;
    QString description;        // of the selected server
    QString address;            // its address text as listed
    QString chatServer;         // host:port it names, empty when none
};

struct ResolvedTarget {
    // A dotted address, "Local", or empty when the choice is not a valid server.
    QString target;
    QString description;
    QString chatServer;
    // True when the choice was a server without a dotted address (or no server at all).
    bool invalid = false;

    bool isLocal() const;
};

// The target for a choice. A server's chat server falls back to the ChatServer
// setting when the server names none.
ResolvedTarget resolveTarget(const ServerChoice &choice, const QString &defaultChatServer);

// The server the registry's server list offers: the first preferred entry with a
// dotted address or "local", else the first such entry; nothing when none is usable.
std::optional<ServerChoice> chosenServerFromRegistry();

} // namespace ferry
