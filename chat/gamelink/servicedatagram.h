#pragma once

// The chat client's side of the datagrams exchanged with the local game service
// (the control center's relay): its commands and names turned into the shared
// record codec (protocol/relayrecord.h), and the service's answers turned into
// text for the Server window.
//
// Names are written as UTF-8 and cut, at a character boundary, so that they fit
// their field with the terminating NUL; nothing is ever written past a field.

#include "chat/core/ircline.h"
#include "protocol/relayrecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace gamelink {

using ferry::datagrams::RelayType;
using ferry::datagrams::ServiceCode;

using ::Utf8Prefix;

QByteArray BuildUsersRequest();
// The name (cut to 16 bytes) with its NUL; length = name length + 2.
QByteArray BuildWhoisRequest(const QString &name);
// The text in a 17-byte NUL-terminated field; length 18. `code` is Ban or Unban.
QByteArray BuildBanRequest(ServiceCode code, const QString &text);
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

// A ping record (types 5 and 6), the header alone: the nick is cut to 15 bytes
// and the text to 7, each followed by NULs to the field's end.
QByteArray EncodePingRecord(RelayType type, const QString &nick, const QString &text, std::uint32_t value);

// The answer to a peer's ping: type 6 with the own nick, six blanks, and the value
// of the request copied.
QByteArray BuildPingAnswer(const QString &ownNick, std::uint32_t requestValue);

// A ping measurement reported by the service (type 6): the peer's nick from 1..16
// and the signed milliseconds from 17..20. Nothing when the datagram is shorter
// than a record header.
struct PingResult {
    QString nick;
    std::int32_t milliseconds = 0;
};
std::optional<PingResult> DecodePingResult(const QByteArray &datagram);

// The lines of a text answer (type 240): the bytes from offset 1 up to the first
// NUL, split at line feeds; empty pieces are skipped and a CR ending a piece is dropped.
QStringList DecodeServiceText(const QByteArray &datagram);

} // namespace gamelink
