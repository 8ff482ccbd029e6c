#pragma once

// The datagrams between the chat client (127.0.0.1 port 2218) and the control
// center's relay (port 2217), and the record they share with the peer pings the
// relay carries on to servers and other players.
//
// Every one starts with a 29-byte record header: type, nickname[16] at 1, a
// short text[8] at 17 (channel name or filler; the ping answer carries the time
// in milliseconds at 17..20, and the relay keeps its tick count there), a 32-bit
// value at 25 (0, or an IPv4 address whose bytes stand in network order, as the
// shared block's own-address field holds it). A datagram longer than the header
// carries a 32-bit length at 29 and that many bytes. Text datagrams (240) carry
// lines separated by line feeds from byte 1 instead.
//
// Decoders never read past the received length; a string without its NUL ends
// at the end of its field or of the datagram.

#include "protocol/datagram.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ferry::datagrams {

// Types of the datagrams on the relay channel.
enum class RelayType : std::uint8_t {
    PingRequest = 5,       // ping record: a peer is pinged / pings this player
    PingAnswer = 6,        // ping record: the answer, with the measured time
    ServiceRequest = 224,  // chat command for the game service
    Text = 240,            // text lines for the Server window
};

inline constexpr std::size_t kRecordHeaderSize = 29;
inline constexpr std::size_t kRecordNicknameOffset = 1;
inline constexpr std::size_t kRecordNicknameField = 16;
inline constexpr std::size_t kRecordTextOffset = 17;
inline constexpr std::size_t kRecordTextField = 8;
inline constexpr std::size_t kRecordValueOffset = 25;
inline constexpr std::size_t kRecordLengthOffset = 29;
inline constexpr std::size_t kRecordPayloadOffset = 33;
static_assert(kRecordNicknameOffset + kRecordNicknameField == kRecordTextOffset);
static_assert(kRecordTextOffset + kRecordTextField == kRecordValueOffset);
static_assert(kRecordValueOffset + 4 == kRecordHeaderSize);
static_assert(kRecordLengthOffset + 4 == kRecordPayloadOffset);

struct ChatRecord {
    std::uint8_t type = typeByte(RelayType::PingRequest);
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
// Nickname and short text are cut so that a NUL always ends them inside their field.
QByteArray encodeChatRecord(const ChatRecord &record);
// Needs the full header; a payload length beyond the datagram refuses it.
std::optional<ChatRecord> decodeChatRecord(const QByteArray &datagram);
// The header alone (no payload); whatever follows it is ignored.
std::optional<ChatRecord> decodeChatRecordHeader(const QByteArray &datagram);

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
enum class ServiceCode : std::uint8_t {
    Users = 4,
    Whois = 12,
    Kill = 32,
    Ban = 33,
    Unban = 34,
    BanList = 35,
};
// True for the sub-codes above.
bool isServiceCode(std::uint8_t subCode);

// Payload fields of the service requests.
inline constexpr std::size_t kWhoisNameField = 17;  // at most 16 bytes and a NUL; only those travel
inline constexpr std::size_t kBanTextField = 17;    // likewise; the whole field travels
inline constexpr std::size_t kKillNameField = 16;   // at most 15 bytes and a NUL
inline constexpr std::size_t kKillReasonMax = 199;  // bytes of reason before its NUL

QByteArray encodeServiceRequest(const QByteArray &payload);
// The payload the relay forwards to the server.
std::optional<QByteArray> decodeServiceRequest(const QByteArray &datagram);

// A service payload as the server receives it (sub-code, then its arguments).
struct ServiceCommand {
    std::uint8_t subCode = 0;
    QByteArray name;    // whois, kill: the name; ban, unban: the text
    QByteArray reason;  // kill only
};
// Whois: the name and its NUL. Ban, unban: a 17-byte field. Kill: a 16-byte name
// field, the reason, its NUL and one more zero byte (the length counts one byte
// past the reason's NUL, as the service expects). Users, ban list: the code alone.
QByteArray encodeServicePayload(const ServiceCommand &command);
std::optional<ServiceCommand> decodeServicePayload(const QByteArray &payload);

// Text datagram (240): type, then text lines separated by line feeds, and a NUL.
QByteArray encodeText(const QByteArray &text);
// The text up to the first NUL or the datagram's end.
std::optional<QByteArray> decodeText(const QByteArray &datagram);
// The non-empty lines of a text datagram's body.
QList<QByteArray> textLines(const QByteArray &text);

} // namespace ferry::datagrams
