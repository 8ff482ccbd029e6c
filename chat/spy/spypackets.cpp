#include "chat/spy/spypackets.h"

#include "protocol/bytes.h"

#include <algorithm>

namespace tavern::spy {

namespace {

using ferry::bytes::Reader;

constexpr int kNameField = 16;     // game names
constexpr int kMissionField = 26;  // mission titles
constexpr int kCallsignField = 9;  // player names

// Descent II full game information.
namespace d2 {
constexpr int kName = 9;
constexpr int kMission = 25;
constexpr int kLevel = 60;
constexpr int kMode = 64; // the games' own code keeps the mode here; 71 holds flags
constexpr int kRefusePlayers = 65;
constexpr int kDifficulty = 66;
constexpr int kPlayers = 68;
constexpr int kMaxPlayers = 69;
constexpr int kDeaths = 264;
constexpr int kKills = 280;
constexpr int kScores = 316;
constexpr int kPacketsPerSecond = 356;
constexpr int kShortPackets = 358;
// Players datagram: records of 26 bytes from offset 9.
constexpr int kRecords = 9;
constexpr int kRecordSize = 26;
constexpr int kRecordNode = 13;
constexpr int kRecordRank = 25;
} // namespace d2

// Descent I game information.
namespace d1 {
constexpr int kName = 5;
constexpr int kMode = 39;
constexpr int kDifficulty = 40;
constexpr int kPlayers = 42;
constexpr int kMaxPlayers = 43;
constexpr int kFlags = 44;
constexpr int kRecords = 45;
constexpr int kRecordSize = 22;
constexpr int kRecordNode = 13;
constexpr int kLevel = 381;
constexpr int kDeaths = 393;
constexpr int kKills = 409;
constexpr int kScores = 437;
constexpr int kMission = 486;
} // namespace d1

// Field readers over a stored datagram; anything outside it reads as zero or empty.
std::uint8_t u8At(const QByteArray &b, int at)
{
    Reader r(b);
    r.seek(std::size_t(at));
    return r.u8();
}
std::int16_t s16At(const QByteArray &b, int at)
{
    Reader r(b);
    r.seek(std::size_t(at));
    return std::int16_t(r.le16());
}
std::int32_t s32At(const QByteArray &b, int at)
{
    Reader r(b);
    r.seek(std::size_t(at));
    return std::int32_t(r.le32());
}
// A NUL-terminated string in a field of width bytes, cut where the datagram ends.
QByteArray stringAt(const QByteArray &b, int at, int width)
{
    if (at >= b.size())
        return {};
    Reader r(b);
    r.seek(std::size_t(at));
    return r.cstr(std::min<std::size_t>(std::size_t(width), r.remaining()));
}
std::array<std::uint8_t, 6> nodeAt(const QByteArray &b, int at)
{
    std::array<std::uint8_t, 6> node{};
    for (int i = 0; i < 6; ++i)
        node[std::size_t(i)] = u8At(b, at + i);
    return node;
}

RequestBuffer blankRequest(std::uint32_t packetNumber, std::uint8_t type)
{
    RequestBuffer r{};
    ferry::bytes::putLe32(r.data(), packetNumber);
    r[4] = type;
    return r;
}

void putName(RequestBuffer &r, int at)
{
    const QByteArray name(kSpyPlayerName);
    std::copy(name.cbegin(), name.cend(), r.begin() + at);
}

void putAddress(RequestBuffer &r, int at, const SpyAddress &own)
{
    std::copy(own.network.cbegin(), own.network.cend(), r.begin() + at);
    std::copy(own.node.cbegin(), own.node.cend(), r.begin() + at + 4);
}

} // namespace

std::uint16_t SpySocketNumber(SpyMode mode, int offset)
{
    const int base = mode == SpyMode::Descent2 ? kDescent2SocketBase : kDescent1SocketBase;
    return std::uint16_t(base + std::clamp(offset, kMinSocketOffset, kMaxSocketOffset));
}

SpyAddress BroadcastAddress(std::uint16_t socket)
{
    SpyAddress a;
    a.network.fill(0xFF);
    a.node.fill(0xFF);
    a.socket = socket;
    return a;
}

int ReceiveSize(SpyMode mode)
{
    return mode == SpyMode::Descent2 ? kDescent2ReceiveSize : kDescent1ReceiveSize;
}

RequestBuffer Descent2Request(const SpyAddress &own)
{
    RequestBuffer r = blankRequest(18, kD2GameListRequest);
    SetRequestSecurity(r, kInitialSecurity);
    putName(r, 12);
    putAddress(r, 21, own);
    r[31] = 134;
    r[32] = 51;
    r[33] = 16;
    r[34] = 5;
    return r;
}

RequestBuffer Descent1Request(const SpyAddress &own)
{
    RequestBuffer r = blankRequest(36, kD1Request);
    putName(r, 5);
    putAddress(r, 14, own);
    ferry::bytes::putLe16(r.data() + 24, kDescent1SocketBase);
    return r;
}

void SetRequestType(RequestBuffer &request, std::uint8_t type)
{
    request[4] = type;
}

void SetRequestSecurity(RequestBuffer &request, std::uint32_t security)
{
    ferry::bytes::putLe32(request.data() + 5, security);
}

std::uint32_t RequestSecurity(const RequestBuffer &request)
{
    return ferry::bytes::getLe32(request.data() + 5);
}

QByteArray RequestBytes(const RequestBuffer &request)
{
    return QByteArray(reinterpret_cast<const char *>(request.data()), kRequestSize);
}

QByteArray StoredDatagram(SpyMode mode, const QByteArray &payload)
{
    QByteArray stored = payload.left(ReceiveSize(mode));
    stored.append(QByteArray(ReceiveSize(mode) - stored.size(), '\0'));
    return stored;
}

std::optional<std::uint8_t> PacketType(const QByteArray &payload)
{
    if (payload.size() < 5)
        return std::nullopt;
    return std::uint8_t(payload[4]);
}

std::uint32_t SecurityOf(const QByteArray &stored)
{
    return std::uint32_t(s32At(stored, 5));
}

QByteArray AnnouncedName(SpyMode mode, const QByteArray &stored)
{
    return stringAt(stored, mode == SpyMode::Descent2 ? d2::kName : d1::kName, kNameField);
}

SpyGame DecodeDescent2Game(const QByteArray &b)
{
    SpyGame g;
    g.name = stringAt(b, d2::kName, kNameField);
    g.mission = stringAt(b, d2::kMission, kMissionField);
    g.level = s32At(b, d2::kLevel);
    g.mode = u8At(b, d2::kMode);
    g.restrictedOrClosed = u8At(b, d2::kRefusePlayers) != 0;
    g.difficulty = u8At(b, d2::kDifficulty);
    g.current = u8At(b, d2::kPlayers);
    g.maximum = u8At(b, d2::kMaxPlayers);
    g.packetsPerSecond = s16At(b, d2::kPacketsPerSecond);
    g.shortPackets = u8At(b, d2::kShortPackets) != 0;
    return g;
}

SpyGame DecodeDescent1Game(const QByteArray &b)
{
    SpyGame g;
    g.name = stringAt(b, d1::kName, kNameField);
    g.mission = stringAt(b, d1::kMission, kMissionField);
    g.level = s32At(b, d1::kLevel);
    g.mode = u8At(b, d1::kMode);
    g.difficulty = u8At(b, d1::kDifficulty);
    g.current = u8At(b, d1::kPlayers);
    g.maximum = u8At(b, d1::kMaxPlayers);
    g.restrictedOrClosed = (u8At(b, d1::kFlags) & 1) != 0;
    return g;
}

QList<QByteArray> Descent2PlayerNames(const QByteArray &block)
{
    QList<QByteArray> names;
    for (int i = 0; i < kDescent2Players; ++i)
        names << stringAt(block, d2::kRecords + i * d2::kRecordSize, kCallsignField);
    return names;
}

QList<QByteArray> Descent1PlayerNames(const QByteArray &stored)
{
    QList<QByteArray> names;
    for (int i = 0; i < kDetailedPlayers; ++i)
        names << stringAt(stored, d1::kRecords + i * d1::kRecordSize, kCallsignField);
    return names;
}

std::optional<SpyPlayer> FindDescent2Player(const QByteArray &block, const QByteArray &gameInfo,
                                            const QByteArray &name)
{
    const QList<QByteArray> names = Descent2PlayerNames(block);
    for (int i = 0; i < kDetailedPlayers; ++i) {
        if (names[i].isEmpty() || names[i] != name)
            continue;
        const int record = d2::kRecords + i * d2::kRecordSize;
        SpyPlayer p;
        p.name = names[i];
        p.node = nodeAt(block, record + d2::kRecordNode);
        p.rank = u8At(block, record + d2::kRecordRank);
        p.deaths = s16At(gameInfo, d2::kDeaths + 2 * i);
        p.kills = s16At(gameInfo, d2::kKills + 2 * i);
        p.score = s32At(gameInfo, d2::kScores + 4 * i);
        return p;
    }
    return std::nullopt;
}

std::optional<SpyPlayer> FindDescent1Player(const QByteArray &stored, const QByteArray &name)
{
    const QList<QByteArray> names = Descent1PlayerNames(stored);
    for (int i = 0; i < kDetailedPlayers; ++i) {
        if (names[i].isEmpty() || names[i] != name)
            continue;
        SpyPlayer p;
        p.name = names[i];
        p.node = nodeAt(stored, d1::kRecords + i * d1::kRecordSize + d1::kRecordNode);
        p.deaths = s16At(stored, d1::kDeaths + 2 * i);
        p.kills = s16At(stored, d1::kKills + 2 * i);
        p.score = s32At(stored, d1::kScores + 4 * i);
        return p;
    }
    return std::nullopt;
}

} // namespace tavern::spy
