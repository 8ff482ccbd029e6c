#pragma once

// The server directory and the player lists: the control center asks the
// tracker (UDP port 2224) with "Q" and gets the directory (209); it asks a
// server (port 2210) with "?" and gets its player list (191). Both answers are
// lists of NUL-terminated strings after the type byte.

#include "protocol/datagram.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <optional>

namespace ferry::datagrams {

// Types of the directory and player-list datagrams.
enum class DirectoryType : std::uint8_t {
    DirectoryRequest = 'Q',   // control center -> tracker
    Directory = 209,          // tracker -> control center
    PlayerListRequest = '?',  // control center -> server
    PlayerList = 191,         // server -> control center
};

// Server directory (209) from the tracker: NUL-terminated "KEY=value" strings,
// ended by an empty string or the datagram's end. "IP=" starts a server.

struct ServerEntry {
    QByteArray address;      // IP=
    QByteArray description;  // NAME=
    int users = 0;           // USERS=
    QByteArray owner;        // OWNER=
    QByteArray cluster;      // CLUSTER=
    QByteArray http;         // HTTP=
    QByteArray chatServer;   // CHATSERVER= (host:port)

    bool operator==(const ServerEntry &) const = default;
};
QByteArray encodeDirectory(const QList<ServerEntry> &servers);
std::optional<QList<ServerEntry>> decodeDirectory(const QByteArray &datagram);

// Player list (191) from a server: groups of five NUL-terminated strings, ended
// by an empty nickname or the datagram's end. A group cut short is dropped.

struct PlayerEntry {
    QByteArray nickname;
    QByteArray address;
    QByteArray task;
    QByteArray status;
    QByteArray operatorText;

    bool operator==(const PlayerEntry &) const = default;
};
QByteArray encodePlayerList(const QList<PlayerEntry> &players);
std::optional<QList<PlayerEntry>> decodePlayerList(const QByteArray &datagram);

} // namespace ferry::datagrams
