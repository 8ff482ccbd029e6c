#pragma once

// The datagrams exchanged with the local game service (the control center's relay),
// built and read byte by byte in little-endian order.
//
// Every datagram starts with a 29-byte header:
//   0      type
//   1..16  a nickname, NUL-terminated within the field
//   17..24 a second short text (channel name or filler), NUL-terminated
//   25..28 a 32-bit value (an IPv4 address as a number, or 0)
// Service requests (type 224) add a 32-bit payload length at 29 and the payload,
// whose first byte is the sub-code. Ping records (types 5 and 6) are the header
// alone. Text answers (type 240) carry lines separated by line feeds from byte 1.
//
// Names are written as UTF-8 and cut, at a character boundary, so that they fit
// their field with the terminating NUL; nothing is ever written past a field.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace gamelink {

inline constexpr std::size_t kHeaderSize = 29;
inline constexpr std::size_t kNickField = 16;
inline constexpr std::size_t kShortTextField = 8;
inline constexpr std::size_t kRequestPrefixSize = kHeaderSize + 4; // header + payload length
static_assert(1 + kNickField + kShortTextField + 4 == kHeaderSize, "header layout");
static_assert(kRequestPrefixSize == 33, "service request prefix layout");

// The largest datagram read from the local socket.
inline constexpr std::size_t kMaxDatagram = 1500;

enum DatagramType : std::uint8_t {
    kPingRequest = 5,
    kPingAnswer = 6,
    kServiceRequest = 224,
    kServiceText = 240,
};

enum ServiceSubCode : std::uint8_t {
    kSubUsers = 4,
    kSubWhois = 12,
    kSubKill = 32,
    kSubBan = 33,
    kSubUnban = 34,
    kSubBanList = 35,
};

// Payload fields of the service requests.
inline constexpr std::size_t kWhoisNameField = 17;  // at most 16 characters and a NUL
inline constexpr std::size_t kBanTextField = 17;    // likewise; the whole field travels
inline constexpr std::size_t kKillNameField = 16;   // at most 15 characters and a NUL
inline constexpr std::size_t kKillReasonMax = 199;  // bytes of reason before its NUL

// `text` as UTF-8, at most maxBytes bytes, never ending inside a character.
QByteArray Utf8Prefix(const QString &text, std::size_t maxBytes);

// A service request: header with type 224 and value 0, the payload length, the payload.
QByteArray EncodeServiceRequest(const QByteArray &payload);

QByteArray BuildUsersRequest();
// The name (cut to 16 bytes) with its NUL; length = name length + 2.
QByteArray BuildWhoisRequest(const QString &name);
// The text in a 17-byte NUL-terminated field; length 18.
QByteArray BuildBanRequest(ServiceSubCode subCode, const QString &text);
QByteArray BuildBanListRequest();
// The name in a 16-byte field, then the reason (at most 199 bytes) and its NUL, then
// one more zero byte: the payload length is reason length + 19, as the service expects.
QByteArray BuildKillRequest(const QString &name, const QString &reason);

// The name and reason of the kill command's arguments: `name reason-word` or
// `name :whole reason`, or a double-quoted name that may hold blanks followed by a
// separator and the reason (one leading ':' removed). A quoted name without its
// closing quote runs to the end of the arguments.
struct KillArguments {
    QString name;
    QString reason;
};
KillArguments ParseKillArguments(const QString &arguments);

// A ping record (types 5 and 6), the header alone.
struct PingRecord {
    std::uint8_t type = 0;
    QByteArray nick;     // field 1..16, up to its NUL
    QByteArray text;     // field 17..24, up to its NUL
    std::uint32_t value = 0;
};
// The nick is cut to 15 bytes and the text to 7, each followed by NULs to the field's end.
QByteArray EncodePingRecord(std::uint8_t type, const QString &nick, const QString &text, std::uint32_t value);
// Nothing when the datagram is shorter than the header.
std::optional<PingRecord> DecodePingRecord(const QByteArray &datagram);

// The answer to a peer's ping: type 6 with the own nick, six blanks, and the value
// of the request copied.
QByteArray BuildPingAnswer(const QString &ownNick, std::uint32_t requestValue);

// A ping measurement reported by the service (type 6): the peer's nick from 1..16
// and the signed milliseconds from 17..20. Nothing when the datagram is shorter
// than 21 bytes.
struct PingResult {
    QString nick;
    std::int32_t milliseconds = 0;
};
std::optional<PingResult> DecodePingResult(const QByteArray &datagram);

// The lines of a text answer (type 240): the bytes from offset 1 up to the first
// NUL, split at line feeds; empty pieces are skipped and a CR ending a piece is dropped.
QStringList DecodeServiceText(const QByteArray &datagram);

} // namespace gamelink
