#include "chat/gamelink/servicedatagram.h"

#include "chat/core/ircline.h"

namespace gamelink {

namespace dg = ferry::datagrams;

namespace {

QByteArray serviceRequest(ServiceCode code, const QString &name = QString(), std::size_t nameMax = 0,
                          const QString &reason = QString())
{
    dg::ServiceCommand command;
    command.subCode = dg::typeByte(code);
    command.name = Utf8Prefix(name, nameMax);
    command.reason = Utf8Prefix(reason, dg::kKillReasonMax);
    return dg::encodeServiceRequest(dg::encodeServicePayload(command));
}

} // namespace

QByteArray BuildUsersRequest() { return serviceRequest(ServiceCode::Users); }

QByteArray BuildWhoisRequest(const QString &name)
{
    return serviceRequest(ServiceCode::Whois, name, dg::kWhoisNameField - 1);
}

QByteArray BuildBanRequest(ServiceCode code, const QString &text)
{
    return serviceRequest(code, text, dg::kBanTextField - 1);
}

QByteArray BuildBanListRequest() { return serviceRequest(ServiceCode::BanList); }

QByteArray BuildKillRequest(const QString &name, const QString &reason)
{
    return serviceRequest(ServiceCode::Kill, name, dg::kKillNameField - 1, reason);
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

QByteArray EncodePingRecord(RelayType type, const QString &nick, const QString &text, std::uint32_t value)
{
    dg::ChatRecord record;
    record.type = dg::typeByte(type);
    record.nickname = Utf8Prefix(nick, dg::kRecordNicknameField - 1);
    record.setShortText(Utf8Prefix(text, dg::kRecordTextField - 1));
    record.value = value;
    return dg::encodeChatRecord(record);
}

QByteArray BuildPingAnswer(const QString &ownNick, std::uint32_t requestValue)
{
    return EncodePingRecord(RelayType::PingAnswer, ownNick, QStringLiteral("      "), requestValue);
}

std::optional<PingResult> DecodePingResult(const QByteArray &datagram)
{
    const auto record = dg::decodeChatRecordHeader(datagram);
    if (!record)
        return std::nullopt;
    return PingResult{DecodeChatText(record->nickname), record->time()};
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
