#include "chat/gamelink/servicedatagram.h"

#include "chat/core/ircline.h"
#include "common/bytes.h"

namespace gamelink {

using ferry::bytes::Reader;
using ferry::bytes::Writer;

QByteArray Utf8Prefix(const QString &text, std::size_t maxBytes)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype step = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QByteArray piece = text.mid(i, step).toUtf8();
        if (std::size_t(out.size() + piece.size()) > maxBytes)
            break;
        out += piece;
        i += step;
    }
    return out;
}

QByteArray EncodeServiceRequest(const QByteArray &payload)
{
    QByteArray out;
    Writer w(out);
    w.u8(kServiceRequest);
    w.zeros(kNickField + kShortTextField);
    w.le32(0);
    w.le32(std::uint32_t(payload.size()));
    w.raw(payload);
    return out;
}

QByteArray BuildUsersRequest()
{
    return EncodeServiceRequest(QByteArray(1, char(kSubUsers)));
}

QByteArray BuildWhoisRequest(const QString &name)
{
    QByteArray payload(1, char(kSubWhois));
    payload += Utf8Prefix(name, kWhoisNameField - 1);
    payload += '\0';
    return EncodeServiceRequest(payload);
}

QByteArray BuildBanRequest(ServiceSubCode subCode, const QString &text)
{
    QByteArray payload(1, char(subCode));
    Writer(payload).field(Utf8Prefix(text, kBanTextField - 1), kBanTextField);
    return EncodeServiceRequest(payload);
}

QByteArray BuildBanListRequest()
{
    return EncodeServiceRequest(QByteArray(1, char(kSubBanList)));
}

QByteArray BuildKillRequest(const QString &name, const QString &reason)
{
    QByteArray payload(1, char(kSubKill));
    Writer w(payload);
    w.field(Utf8Prefix(name, kKillNameField - 1), kKillNameField);
    w.raw(Utf8Prefix(reason, kKillReasonMax));
    w.zeros(2);
    return EncodeServiceRequest(payload);
}

KillArguments ParseKillArguments(const QString &arguments)
{
    if (!arguments.startsWith(u'"'))
        return {GetWord(0, arguments), GetWord(1, arguments)};
    const qsizetype close = arguments.indexOf(u'"', 1);
    if (close < 0)
        return {arguments.mid(1), QString()};
    // The closing quote and the one separator after it introduce the reason.
    return {arguments.mid(1, close - 1), StripColon(arguments.mid(close + 2))};
}

QByteArray EncodePingRecord(std::uint8_t type, const QString &nick, const QString &text, std::uint32_t value)
{
    QByteArray out;
    Writer w(out);
    w.u8(type);
    w.field(Utf8Prefix(nick, kNickField - 1), kNickField);
    w.field(Utf8Prefix(text, kShortTextField - 1), kShortTextField);
    w.le32(value);
    return out;
}

std::optional<PingRecord> DecodePingRecord(const QByteArray &datagram)
{
    Reader r(datagram);
    PingRecord p;
    p.type = r.u8();
    p.nick = r.cstr(kNickField);
    p.text = r.cstr(kShortTextField);
    p.value = r.le32();
    if (!r.ok())
        return std::nullopt;
    return p;
}

QByteArray BuildPingAnswer(const QString &ownNick, std::uint32_t requestValue)
{
    return EncodePingRecord(kPingAnswer, ownNick, QStringLiteral("      "), requestValue);
}

std::optional<PingResult> DecodePingResult(const QByteArray &datagram)
{
    Reader r(datagram);
    r.skip(1);
    PingResult result;
    result.nick = DecodeChatText(r.cstr(kNickField));
    result.milliseconds = std::int32_t(r.le32());
    if (!r.ok())
        return std::nullopt;
    return result;
}

QStringList DecodeServiceText(const QByteArray &datagram)
{
    QByteArray text = datagram.mid(1);
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    QStringList lines;
    for (QByteArray piece : text.split('\n')) {
        if (piece.endsWith('\r'))
            piece.chop(1);
        if (!piece.isEmpty())
            lines << DecodeChatText(piece);
    }
    return lines;
}

} // namespace gamelink
