#pragma once

// The datagrams of the tunnelling network as explicit little-endian codecs:
//  - tunnelling server <-> control center, UDP port 2210 (sign-on, logoff, accept,
//    refusals, notices, identification, peer pings, service replies);
//  - the server directory and player lists: controlcenter/ferrydirectory.h;
//  - chat client <-> control center relay (service requests, ping records, text).
//
// Encoders return the complete datagram. Decoders take a received datagram and
// return std::nullopt when it is not of their type or shorter than the offsets its
// handler reads; they never read past the received length. Text fields are bytes
// (nicknames, addresses, notices travel as they are); a string without its
// terminating NUL ends at the end of its field or of the datagram.

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ferry::datagrams {

// First byte of every datagram.
enum Type : std::uint8_t {
    // chat client <-> relay
    kPingRequest = 5,       // ping record: a peer is pinged / pings this player
    kPingAnswer = 6,        // ping record: the answer, with the measured time
    kServiceRequest = 224,  // chat command for the game service
    kText = 240,            // text lines for the Server window

    // control center -> server
    kSignOn = 10,
    kLogoff = 5,
    kIdentification = 134,  // answer to the identification probe
    kPlayerListRequest = '?',

    // server -> control center
    kNotice1 = 1,           // notices for the chat client (1, 2, 4, 9)
    kNotice2 = 2,
    kNotice4 = 4,
    kNotice9 = 9,
    kIdentificationProbe = 6,
    kPeerPingRelayed = 7,   // peer ping as a server may pass it on; handled as 8
    kPeerPing = 8,          // peer ping as the control center sends it
    kLogoffAcknowledged = 133,
    kServiceReply = 136,
    kAccepted = 138,
    kNicknameInUse = 241,
    kServerFull = 242,
    kNoAccess = 243,
    kPlayerList = 191,

    // control center <-> tracker
    kDirectoryRequest = 'Q',
    kDirectory = 209,
};

// Marker byte of relayed peer pings and service replies.
inline constexpr std::uint8_t kMarker = 0x69;

// Largest datagram anyone reads.
inline constexpr std::size_t kMaxDatagram = 1500;

// The type byte of a datagram, or nullopt for an empty one.
std::optional<std::uint8_t> typeOf(const QByteArray &datagram);

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

// Single-byte datagrams: logoff (5), logoff acknowledged (133), identification
// probe (6), refusals (241, 242, 243), tracker request "Q", player list request "?".
QByteArray encodeSingle(std::uint8_t type);
// True when the datagram starts with the type; trailing bytes are tolerated.
bool isType(const QByteArray &datagram, std::uint8_t type);

// Refusals of a sign-on.
enum class Refusal : std::uint8_t {
    NicknameInUse = kNicknameInUse,
    ServerFull = kServerFull,
    NoAccess = kNoAccess,
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
QByteArray encodeNotice(std::uint8_t type, const QByteArray &text);
struct Notice {
    std::uint8_t type = kNotice1;
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
// Chat client datagrams share a 29-byte header: type, nickname[16] at 1, a short
// text[8] at 17 (channel name or filler; the ping answer carries the time in
// milliseconds at 17..20, and the relay keeps its tick count there), a 32-bit
// value at 25 (0, or an IPv4 address whose bytes stand in network order, as the
// shared block's own-address field holds it). A datagram longer than the header
// carries a 32-bit length at 29 and that many bytes.

inline constexpr std::size_t kRecordHeaderSize = 29;
inline constexpr std::size_t kRecordNicknameOffset = 1;
inline constexpr std::size_t kRecordNicknameField = 16;
inline constexpr std::size_t kRecordTextOffset = 17;
inline constexpr std::size_t kRecordTextField = 8;
inline constexpr std::size_t kRecordValueOffset = 25;
inline constexpr std::size_t kRecordLengthOffset = 29;
inline constexpr std::size_t kRecordPayloadOffset = 33;
static_assert(kRecordTextOffset + kRecordTextField == kRecordValueOffset);
static_assert(kRecordValueOffset + 4 == kRecordHeaderSize);

struct ChatRecord {
    std::uint8_t type = kPingRequest;
    QByteArray nickname;           // bytes 1..16 as a string
    QByteArray text = QByteArray(kRecordTextField, '\0');  // bytes 17..24, raw
    std::uint32_t value = 0;       // bytes 25..28, read little-endian
    std::optional<QByteArray> payload;  // length at 29 and the bytes after it

    // The short text as a string (channel name or filler).
    QByteArray shortText() const;
    void setShortText(const QByteArray &s);
    // The signed 32-bit number at 17..20 (ping time, or the relay's tick count).
    std::int32_t time() const;
    void setTime(std::int32_t ms);
    // The value as an IPv4 address in host order (127.0.0.1 is 0x7F000001).
    std::uint32_t address() const;
    void setAddress(std::uint32_t ipv4);
};
QByteArray encodeChatRecord(const ChatRecord &record);
// Needs the full header; a payload length beyond the datagram refuses it.
std::optional<ChatRecord> decodeChatRecord(const QByteArray &datagram);

// Ping records (types 5 and 6): the header only. `peerValue` is the number from
// the peer's UDP ping reply, stored as the record's value unchanged.
ChatRecord pingRequest(const QByteArray &ownNickname, const QByteArray &channel, std::uint32_t peerValue);
// The answer to a peer's ping request: own nickname, six blanks and a NUL, the
// request's value copied.
ChatRecord pingAnswer(const QByteArray &ownNickname, std::uint32_t requestValue);
// The ping answer the relay hands to the chat client: peer nickname and time.
ChatRecord pingResult(const QByteArray &peerNickname, std::int32_t milliseconds);

// Service request (224): header with value 0, length L at 29, the payload at 33;
// the payload's first byte is the sub-code.
enum ServiceCode : std::uint8_t {
    kServiceUsers = 4,
    kServiceWhois = 12,
    kServiceKill = 32,
    kServiceBan = 33,
    kServiceUnban = 34,
    kServiceBanList = 35,
};
QByteArray encodeServiceRequest(const QByteArray &payload);
// The payload the relay forwards to the server.
std::optional<QByteArray> decodeServiceRequest(const QByteArray &datagram);

// A service payload as the server receives it (sub-code, then its arguments).
struct ServiceCommand {
    std::uint8_t subCode = 0;
    QByteArray name;    // /swhois: the name; /skill: the name; /sban, /sunban: the text
    QByteArray reason;  // /skill only
};
QByteArray encodeServicePayload(const ServiceCommand &command);
std::optional<ServiceCommand> decodeServicePayload(const QByteArray &payload);

// Text datagram (240): type, then text lines separated by line feeds.
QByteArray encodeText(const QByteArray &text);
std::optional<QByteArray> decodeText(const QByteArray &datagram);
// The non-empty lines of a text datagram's body.
QList<QByteArray> textLines(const QByteArray &text);

// ---------------------------------------------------------------------------
// Peer ping carried between control centers and servers (types 7 and 8):
// type, sequence number (16 bits) at 1, four markers 0x69 at 3..6, then a chat
// record from byte 7. Only markers at 3 and 4 are checked on receipt.

inline constexpr std::size_t kPeerPingHeaderSize = 7;
inline constexpr std::size_t kPeerPingTimeOffset = kPeerPingHeaderSize + kRecordTextOffset;  // 24
static_assert(kPeerPingTimeOffset == 24);

struct PeerPing {
    std::uint8_t type = kPeerPing;
    std::uint16_t sequence = 0;
    ChatRecord record;
};
QByteArray encodePeerPing(const PeerPing &ping);
// The first seven bytes: type, sequence number and markers.
QByteArray encodePeerPingHeader(std::uint8_t type, std::uint16_t sequence);
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
