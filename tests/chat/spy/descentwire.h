#pragma once

// Descent and Descent II netgame datagrams as the games themselves put them on
// the wire (their published network code): what the simulated game hosts of the
// spy's tests send. Offsets are wire offsets (a 4-byte packet number comes first).

#include <QByteArray>
#include <QList>

#include <array>
#include <cstdint>

namespace descentwire {

using Node = std::array<std::uint8_t, 6>;
using Network = std::array<std::uint8_t, 4>;

struct Player {
    QByteArray callsign;
    Network network{};
    Node node{};
    std::uint8_t rank = 0; // Descent II only
    std::int16_t kills = 0;
    std::int16_t deaths = 0;
    std::int32_t score = 0;
};

struct Game {
    std::uint32_t security = 0;
    QByteArray name;
    QByteArray mission;
    QByteArray missionFile;
    std::int32_t level = 1;
    std::uint8_t mode = 0;
    std::uint8_t refusePlayers = 0; // Descent II: restricted
    std::uint8_t difficulty = 0;
    std::uint8_t status = 0;
    std::uint8_t maxPlayers = 8;
    std::uint8_t flags = 0;         // Descent II game flags; Descent I: bit 0 closed
    std::int16_t packetsPerSecond = 10;
    std::uint8_t shortPackets = 0;
    QList<Player> players;
};

inline void put(QByteArray &b, int at, const QByteArray &bytes)
{
    if (b.size() < at + bytes.size())
        b.resize(at + bytes.size(), '\0');
    b.replace(at, bytes.size(), bytes);
}
inline void putField(QByteArray &b, int at, const QByteArray &s, int width)
{
    QByteArray f = s.left(width);
    f.resize(width, '\0');
    put(b, at, f);
}
inline void putLe(QByteArray &b, int at, std::uint32_t v, int width)
{
    QByteArray f;
    for (int i = 0; i < width; ++i)
        f.append(char((v >> (8 * i)) & 0xFF));
    put(b, at, f);
}
inline QByteArray blank(int size, std::uint32_t packetNumber, std::uint8_t type)
{
    QByteArray b(size, '\0');
    putLe(b, 0, packetNumber, 4);
    b[4] = char(type);
    return b;
}

// The fields Descent II's "lite" and full game information share.
inline void putDescent2Head(QByteArray &b, const Game &g)
{
    putLe(b, 5, g.security, 4);
    putField(b, 9, g.name, 16);
    putField(b, 25, g.mission, 26);
    putField(b, 51, g.missionFile, 9);
    putLe(b, 60, std::uint32_t(g.level), 4);
    b[64] = char(g.mode);
    b[65] = char(g.refusePlayers);
    b[66] = char(g.difficulty);
    b[67] = char(g.status);
    b[68] = char(g.players.size());
    b[69] = char(g.maxPlayers);
    b[70] = char(g.players.size());
    b[71] = char(g.flags);
}

// Type 43: the answer to a game list request.
inline QByteArray descent2Announcement(const Game &g)
{
    QByteArray b = blank(73, 7, 43);
    putDescent2Head(b, g);
    return b;
}

// Type 57: the full game information (the games send more than the spy reads).
inline QByteArray descent2GameInfo(const Game &g)
{
    QByteArray b = blank(512, 8, 57);
    putDescent2Head(b, g);
    for (int i = 0; i < g.players.size() && i < 8; ++i) {
        putLe(b, 264 + 2 * i, std::uint16_t(g.players[i].deaths), 2);
        putLe(b, 280 + 2 * i, std::uint16_t(g.players[i].kills), 2);
        putLe(b, 316 + 4 * i, std::uint32_t(g.players[i].score), 4);
    }
    putLe(b, 356, std::uint16_t(g.packetsPerSecond), 2);
    b[358] = char(g.shortPackets);
    return b;
}

// Type 45: 12 player records of 26 bytes.
inline QByteArray descent2Players(const Game &g)
{
    QByteArray b = blank(9 + 12 * 26, 9, 45);
    putLe(b, 5, g.security, 4);
    for (int i = 0; i < g.players.size() && i < 12; ++i) {
        const int r = 9 + 26 * i;
        const Player &p = g.players[i];
        putField(b, r, p.callsign, 9);
        put(b, r + 9, QByteArray(reinterpret_cast<const char *>(p.network.data()), 4));
        put(b, r + 13, QByteArray(reinterpret_cast<const char *>(p.node.data()), 6));
        b[r + 19] = 1; // version 1.2
        b[r + 20] = 2;
        b[r + 22] = 1; // connected
        b[r + 25] = char(p.rank);
    }
    return b;
}

// Type 37: Descent I's game information, players inside.
inline QByteArray descent1GameInfo(const Game &g)
{
    QByteArray b = blank(512, 11, 37);
    putField(b, 5, g.name, 16);
    b[39] = char(g.mode);
    b[40] = char(g.difficulty);
    b[41] = char(g.status);
    b[42] = char(g.players.size());
    b[43] = char(g.maxPlayers);
    b[44] = char(g.flags);
    for (int i = 0; i < g.players.size() && i < 8; ++i) {
        const int r = 45 + 22 * i;
        const Player &p = g.players[i];
        putField(b, r, p.callsign, 9);
        put(b, r + 9, QByteArray(reinterpret_cast<const char *>(p.network.data()), 4));
        put(b, r + 13, QByteArray(reinterpret_cast<const char *>(p.node.data()), 6));
        putLe(b, 393 + 2 * i, std::uint16_t(p.deaths), 2);
        putLe(b, 409 + 2 * i, std::uint16_t(p.kills), 2);
        putLe(b, 437 + 4 * i, std::uint32_t(p.score), 4);
    }
    putLe(b, 381, std::uint32_t(g.level), 4);
    putField(b, 486, g.mission, 26);
    return b;
}

// A node whose bytes 3,2,1,0 read as the dotted address a.b.c.d.
inline Node nodeOf(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d, std::uint16_t n = 1)
{
    return Node{d, c, b, a, std::uint8_t(n >> 8), std::uint8_t(n & 0xFF)};
}

} // namespace descentwire
