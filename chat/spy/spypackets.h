#pragma once

// The Descent and Descent II netgame datagrams the game spy sends and reads, as
// pure functions over bytes. Every payload begins with a 4-byte packet number and
// the packet type at offset 4; numbers inside are little-endian. Received payloads
// are copied into a zeroed buffer of the mode's receive size first (what the spy
// always read), so every field offset lies inside the stored bytes and a short
// datagram reads as zeros; strings never run past their field.

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace tavern::spy {

enum class SpyMode { Descent1, Descent2 };

// IPX socket numbers: base + the user's offset, -100..100.
inline constexpr std::uint16_t kDescent1SocketBase = 0x5100;
inline constexpr std::uint16_t kDescent2SocketBase = 0x5130;
inline constexpr int kMinSocketOffset = -100;
inline constexpr int kMaxSocketOffset = 100;
std::uint16_t SpySocketNumber(SpyMode mode, int offset);

// Where a datagram came from or goes to on the IPX network.
struct SpyAddress {
    std::array<std::uint8_t, 4> network{};
    std::array<std::uint8_t, 6> node{};
    std::uint16_t socket = 0;
    bool operator==(const SpyAddress &) const = default;
};
SpyAddress BroadcastAddress(std::uint16_t socket);

inline constexpr int kRequestSize = 38;
inline constexpr int kDescent2ReceiveSize = 359;
inline constexpr int kDescent1ReceiveSize = 508;
inline constexpr int kPlayerBlockSize = 321; // 9 + 12 records of 26 bytes
int ReceiveSize(SpyMode mode);

// Packet types.
inline constexpr std::uint8_t kD2GameListRequest = 56;
inline constexpr std::uint8_t kD2GameInfoRequest = 44;
inline constexpr std::uint8_t kD2Announcement = 43;
inline constexpr std::uint8_t kD2GameInfo = 57;
inline constexpr std::uint8_t kD2Players = 45;
inline constexpr std::uint8_t kD1Request = 36;
inline constexpr std::uint8_t kD1GameInfo = 37;

inline constexpr std::uint32_t kInitialSecurity = 29606;
inline constexpr const char *kSpyPlayerName = "Dspy";
inline constexpr int kDescent2Players = 12; // records in a players datagram
inline constexpr int kDetailedPlayers = 8;  // players with kills, deaths and score

using RequestBuffer = std::array<std::uint8_t, kRequestSize>;

// The request datagrams, filled with the spy's own network and node.
RequestBuffer Descent2Request(const SpyAddress &own);
RequestBuffer Descent1Request(const SpyAddress &own);
// The Descent II request's type (56 broadcast, 44 per game) and security value.
void SetRequestType(RequestBuffer &request, std::uint8_t type);
void SetRequestSecurity(RequestBuffer &request, std::uint32_t security);
std::uint32_t RequestSecurity(const RequestBuffer &request);
QByteArray RequestBytes(const RequestBuffer &request);

// A received payload as the mode stores it: the first ReceiveSize bytes, zero-padded.
QByteArray StoredDatagram(SpyMode mode, const QByteArray &payload);
// The type byte; nullopt for a payload too short to have one.
std::optional<std::uint8_t> PacketType(const QByteArray &payload);
// Bytes 5-8 of a Descent II datagram.
std::uint32_t SecurityOf(const QByteArray &stored);

// The game name an announcement carries (Descent II type 43, Descent I type 37),
// from its 16-byte field.
QByteArray AnnouncedName(SpyMode mode, const QByteArray &stored);

// The details of one game as both games' information datagrams give them.
struct SpyGame {
    QByteArray name;
    QByteArray mission;
    std::int32_t level = 0;
    std::uint8_t difficulty = 0;
    std::uint8_t mode = 0;
    bool restrictedOrClosed = false; // Descent II refuse-players flag, Descent I flags bit 0
    std::uint8_t current = 0;
    std::uint8_t maximum = 0;
    std::optional<std::int16_t> packetsPerSecond; // Descent II only
    bool shortPackets = false;
};
SpyGame DecodeDescent2Game(const QByteArray &stored);
SpyGame DecodeDescent1Game(const QByteArray &stored);

// One player's entries: name, rank (Descent II), node, kills, deaths, score.
struct SpyPlayer {
    QByteArray name;
    std::optional<std::uint8_t> rank;
    std::array<std::uint8_t, 6> node{};
    std::int16_t kills = 0;
    std::int16_t deaths = 0;
    std::int32_t score = 0;
};

// Names of the 12 records of a Descent II players block, or of the 8 records of a
// Descent I game, empty ones included.
QList<QByteArray> Descent2PlayerNames(const QByteArray &playerBlock);
QList<QByteArray> Descent1PlayerNames(const QByteArray &stored);
// The player of that exact name among the first 8 records; nullopt when none.
// Descent II takes name, node and rank from the players block and kills, deaths and
// score from the game information; Descent I takes all from its game datagram.
std::optional<SpyPlayer> FindDescent2Player(const QByteArray &playerBlock, const QByteArray &gameInfo,
                                            const QByteArray &name);
std::optional<SpyPlayer> FindDescent1Player(const QByteArray &stored, const QByteArray &name);

} // namespace tavern::spy
