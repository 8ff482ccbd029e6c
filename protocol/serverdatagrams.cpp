#include "protocol/serverdatagrams.h"

#include "protocol/bytes.h"

namespace ferry::datagrams {

using bytes::Reader;
using bytes::Writer;

// --- sign-on -----------------------------------------------------------------

QByteArray encodeSignOn(const SignOn &signOn)
{
    QByteArray out;
    Writer w(out);
    w.u8(typeByte(ServerType::SignOn));
    w.field(signOn.nickname, kSignOnNicknameField);
    w.zeros(kSignOnEmailOffset - 1 - kSignOnNicknameField);
    w.field(signOn.email, kSignOnEmailField);
    Q_ASSERT(std::size_t(out.size()) == kSignOnSize);
    return out;
}

std::optional<SignOn> decodeSignOn(const QByteArray &datagram)
{
    if (!isType(datagram, ServerType::SignOn) || std::size_t(datagram.size()) < kSignOnSize)
        return std::nullopt;
    Reader r(datagram);
    r.skip(1);
    SignOn s;
    s.nickname = r.cstr(kSignOnNicknameField);
    r.seek(kSignOnEmailOffset);
    s.email = r.cstr(kSignOnEmailField);
    return s;
}

// --- refusals ----------------------------------------------------------------

QByteArray encodeRefusal(Refusal refusal) { return encodeSingle(refusal); }

std::optional<Refusal> decodeRefusal(const QByteArray &datagram)
{
    for (Refusal r : {Refusal::NicknameInUse, Refusal::ServerFull, Refusal::NoAccess}) {
        if (isType(datagram, r))
            return r;
    }
    return std::nullopt;
}

// --- accepted ----------------------------------------------------------------

QByteArray encodeAccepted(const Accepted &accepted)
{
    QByteArray out;
    Writer w(out);
    w.u8(typeByte(ServerType::Accepted));
    w.be32(accepted.tunnelAddress);
    w.be16(accepted.tunnelPort);
    static_assert(kAcceptedSize == 1 + 4 + 2);
    return out;
}

std::optional<Accepted> decodeAccepted(const QByteArray &datagram)
{
    if (!isType(datagram, ServerType::Accepted) || std::size_t(datagram.size()) < kAcceptedSize)
        return std::nullopt;
    Reader r(datagram);
    r.skip(1);
    Accepted a;
    a.tunnelAddress = r.be32();
    a.tunnelPort = r.be16();
    return a;
}

// --- notices -----------------------------------------------------------------

bool isNoticeType(std::uint8_t type)
{
    switch (ServerType(type)) {
    case ServerType::Notice1:
    case ServerType::Notice2:
    case ServerType::Notice4:
    case ServerType::Notice9:
        return true;
    default:
        return false;
    }
}

QByteArray encodeNotice(ServerType type, const QByteArray &text)
{
    QByteArray out;
    Writer w(out);
    w.u8(typeByte(type));
    w.raw(text);
    w.u8(0);
    return out;
}

std::optional<Notice> decodeNotice(const QByteArray &datagram)
{
    const auto t = typeOf(datagram);
    if (!t || !isNoticeType(*t))
        return std::nullopt;
    Reader r(datagram);
    r.skip(1);
    return Notice{ServerType(*t), r.cstr()};
}

QByteArray noticeAsText(const QByteArray &notice)
{
    QByteArray out = notice;
    if (!out.isEmpty())
        out[0] = char(typeByte(RelayType::Text));
    return out;
}

// --- identification ----------------------------------------------------------

QByteArray encodeIdentification()
{
    QByteArray out;
    Writer w(out);
    w.u8(typeByte(ServerType::Identification));
    w.raw(QByteArray(kIdentificationName));
    w.u8(0);
    Q_ASSERT(std::size_t(out.size()) == kIdentificationSize);
    return out;
}

std::optional<QByteArray> decodeIdentification(const QByteArray &datagram)
{
    if (!isType(datagram, ServerType::Identification))
        return std::nullopt;
    Reader r(datagram);
    r.skip(1);
    return r.cstr();
}

// --- peer pings --------------------------------------------------------------

QByteArray encodePeerPingHeader(ServerType type, std::uint16_t sequence)
{
    QByteArray out;
    Writer w(out);
    w.u8(typeByte(type));
    w.le16(sequence);
    for (int i = 0; i < 4; ++i)
        w.u8(kMarker);
    return out;
}

QByteArray encodePeerPing(const PeerPing &ping)
{
    return encodePeerPingHeader(ping.type, ping.sequence) + encodeChatRecord(ping.record);
}

std::optional<PeerPing> decodePeerPing(const QByteArray &datagram)
{
    if (!isType(datagram, ServerType::PeerPing) && !isType(datagram, ServerType::PeerPingRelayed))
        return std::nullopt;
    if (std::size_t(datagram.size()) < kPeerPingHeaderSize + kRecordHeaderSize)
        return std::nullopt;
    Reader r(datagram);
    PeerPing p;
    p.type = ServerType(r.u8());
    p.sequence = r.le16();
    if (r.u8() != kMarker || r.u8() != kMarker)
        return std::nullopt;
    const auto rec = decodeChatRecord(peerPingRecordBytes(datagram));
    if (!rec)
        return std::nullopt;
    p.record = *rec;
    return p;
}

QByteArray peerPingRecordBytes(const QByteArray &datagram)
{
    return datagram.mid(qsizetype(kPeerPingHeaderSize));
}

// --- service replies ---------------------------------------------------------

QByteArray encodeServiceReply(const QByteArray &forChatClient)
{
    QByteArray out;
    Writer w(out);
    w.u8(typeByte(ServerType::ServiceReply));
    w.zeros(9);
    w.u8(kMarker);
    w.u8(kMarker);
    w.zeros(2);
    static_assert(kServiceReplyHeaderSize == 1 + 9 + 2 + 2);
    w.raw(forChatClient);
    return out;
}

std::optional<QByteArray> decodeServiceReply(const QByteArray &datagram)
{
    if (!isType(datagram, ServerType::ServiceReply) || std::size_t(datagram.size()) < kServiceReplyHeaderSize)
        return std::nullopt;
    if (std::uint8_t(datagram.at(10)) != kMarker || std::uint8_t(datagram.at(11)) != kMarker)
        return std::nullopt;
    return datagram.mid(qsizetype(kServiceReplyHeaderSize));
}

} // namespace ferry::datagrams
