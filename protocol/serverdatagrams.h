#pragma once

// The datagrams between a control center and a tunnelling server, UDP port 2210:
// sign-on, logoff, accept, refusals, notices, identification, peer pings and
// service replies. Little-endian records whose first byte is the type.
//
// Encoders return the complete datagram. Decoders take a received datagram and
// return std::nullopt when it is not of their type or shorter than the offsets its
// handler reads; they never read past the received length. Text fields are bytes
// (nicknames, addresses, notices travel as they are); a string without its
// terminating NUL ends at the end of its field or of the datagram.

#include "protocol/datagram.h"
#include "protocol/relayrecord.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ferry::datagrams {

// Types of the datagrams on the server port, both directions.
enum class ServerType : std::uint8_t {
    // control center -> server
    SignOn = 10,
    Logoff = 5,
    Identification = 134,   // answer to the identification probe

    // server -> control center
    Notice1 = 1,            // notices for the chat client (1, 2, 4, 9)
    Notice2 = 2,
    Notice4 = 4,
    Notice9 = 9,
    IdentificationProbe = 6,
    PeerPingRelayed = 7,    // peer ping as a server passes it on; handled as 8
    PeerPing = 8,           // peer ping as the control center sends it
    LogoffAcknowledged = 133,
    ServiceReply = 136,
    Accepted = 138,
    NicknameInUse = 241,
    ServerFull = 242,
    NoAccess = 243,
};
// Service requests travel to the server as their bare payload (relayrecord.h),
// whose first byte is the service sub-code.

// Marker byte of relayed peer pings and service replies.
inline constexpr std::uint8_t kMarker = 0x69;

// ---------------------------------------------------------------------------
// Sign-on (161 bytes): 10, nickname[16] at 1, zeros 17..80, e-mail[80] at 81.

inline constexpr std::size_t kSignOnSize = 161;
inline constexpr std::size_t kSignOnNicknameField = 16;
inline constexpr std::size_t kSignOnEmailOffset = 81;
inline constexpr std::size_t kSignOnEmailField = 80;
static_assert(kSignOnEmailOffset + kSignOnEmailField == kSignOnSize);

struct SignOn {
    QByteArray nickname;  // at most 15 bytes travel
    QByteArray email;     // at most 79 bytes travel
};
QByteArray encodeSignOn(const SignOn &signOn);
std::optional<SignOn> decodeSignOn(const QByteArray &datagram);

// Refusals of a sign-on (single bytes).
enum class Refusal : std::uint8_t {
    NicknameInUse = typeByte(ServerType::NicknameInUse),
    ServerFull = typeByte(ServerType::ServerFull),
    NoAccess = typeByte(ServerType::NoAccess),
};
QByteArray encodeRefusal(Refusal refusal);
std::optional<Refusal> decodeRefusal(const QByteArray &datagram);

// ---------------------------------------------------------------------------
// Sign-on accepted (7 bytes): 138, tunnel address word (network order) at 1..4,
// tunnel port (network order) at 5..6.

inline constexpr std::size_t kAcceptedSize = 7;

struct Accepted {
    std::uint32_t tunnelAddress = 0;  // host order: 127.0.0.1 is 0x7F000001
    std::uint16_t tunnelPort = 0;
};
QByteArray encodeAccepted(const Accepted &accepted);
std::optional<Accepted> decodeAccepted(const QByteArray &datagram);

// ---------------------------------------------------------------------------
// Notice for the chat client (types 1, 2, 4, 9): type, then text lines separated
// by line feeds, ended by a NUL or the datagram's end. The relay turns it into a
// text datagram (240) by replacing the type byte.

bool isNoticeType(std::uint8_t type);
QByteArray encodeNotice(ServerType type, const QByteArray &text);
struct Notice {
    ServerType type = ServerType::Notice1;
    QByteArray text;
};
std::optional<Notice> decodeNotice(const QByteArray &datagram);

// The notice as the chat client's text datagram: byte 0 becomes 240, the rest is kept.
QByteArray noticeAsText(const QByteArray &notice);

// ---------------------------------------------------------------------------
// Identification: the server probes with the single byte 6; the control center
// answers 134, "FerryCC" and its NUL (9 bytes).

inline constexpr std::size_t kIdentificationSize = 9;
inline constexpr const char *kIdentificationName = "FerryCC";
QByteArray encodeIdentification();
// The program name carried by an identification answer.
std::optional<QByteArray> decodeIdentification(const QByteArray &datagram);

// ---------------------------------------------------------------------------
// Peer ping carried between control centers and servers (types 7 and 8):
// type, sequence number (16 bits) at 1, four markers 0x69 at 3..6, then a chat
// record (relayrecord.h) from byte 7. Only markers at 3 and 4 are checked on receipt.

inline constexpr std::size_t kPeerPingHeaderSize = 7;
inline constexpr std::size_t kPeerPingTimeOffset = kPeerPingHeaderSize + kRecordTextOffset;  // 24
static_assert(kPeerPingTimeOffset == 24);

struct PeerPing {
    ServerType type = ServerType::PeerPing;
    std::uint16_t sequence = 0;
    ChatRecord record;
};
QByteArray encodePeerPing(const PeerPing &ping);
// The first seven bytes: type, sequence number and markers.
QByteArray encodePeerPingHeader(ServerType type, std::uint16_t sequence);
std::optional<PeerPing> decodePeerPing(const QByteArray &datagram);
// The chat client's datagram exactly as carried (bytes 7 to the end).
QByteArray peerPingRecordBytes(const QByteArray &datagram);

// ---------------------------------------------------------------------------
// Service reply (136): markers 0x69 at 10 and 11, the datagram for the chat
// client from byte 14. Bytes 1..9, 12 and 13 are sent as zero.

inline constexpr std::size_t kServiceReplyHeaderSize = 14;
QByteArray encodeServiceReply(const QByteArray &forChatClient);
std::optional<QByteArray> decodeServiceReply(const QByteArray &datagram);

} // namespace ferry::datagrams
