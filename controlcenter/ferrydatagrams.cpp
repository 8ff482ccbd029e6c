#include "controlcenter/ferrydatagrams.h"

#include "common/bytes.h"

#include <algorithm>

namespace ferry::datagrams {

using bytes::Reader;
using bytes::Writer;

namespace {

// A NUL-terminated string in a field of up to n bytes; a datagram that ends
// inside the field ends the string there.
QByteArray fieldOrRest(Reader &r, std::size_t n)
{
    return r.cstr(std::min(n, r.remaining()));
}

QByteArray single(std::uint8_t type) { return QByteArray(1, char(type)); }

} // namespace

std::optional<std::uint8_t> typeOf(const QByteArray &datagram)
{
    if (datagram.isEmpty())
        return std::nullopt;
    return std::uint8_t(datagram.at(0));
}

bool isType(const QByteArray &datagram, std::uint8_t type)
{
    return typeOf(datagram) == type;
}

QByteArray encodeSingle(std::uint8_t type) { return single(type); }

// --- sign-on -----------------------------------------------------------------

QByteArray encodeSignOn(const SignOn &signOn)
{
    QByteArray out;
    Writer w(out);
    w.u8(kSignOn);
    w.field(signOn.nickname, kSignOnNicknameField);
    w.zeros(kSignOnEmailOffset - 1 - kSignOnNicknameField);
    w.field(signOn.email, kSignOnEmailField);
    Q_ASSERT(std::size_t(out.size()) == kSignOnSize);
    return out;
}

std::optional<SignOn> decodeSignOn(const QByteArray &datagram)
{
    if (!isType(datagram, kSignOn) || std::size_t(datagram.size()) < kSignOnSize)
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

QByteArray encodeRefusal(Refusal refusal) { return single(std::uint8_t(refusal)); }

std::optional<Refusal> decodeRefusal(const QByteArray &datagram)
{
    const auto t = typeOf(datagram);
    if (t == kNicknameInUse || t == kServerFull || t == kNoAccess)
        return Refusal(*t);
    return std::nullopt;
}

// --- accepted ----------------------------------------------------------------

QByteArray encodeAccepted(const Accepted &accepted)
{
    QByteArray out;
    Writer w(out);
    w.u8(kAccepted);
    w.be32(accepted.tunnelAddress);
    w.be16(accepted.tunnelPort);
    static_assert(kAcceptedSize == 1 + 4 + 2);
    return out;
}

std::optional<Accepted> decodeAccepted(const QByteArray &datagram)
{
    if (!isType(datagram, kAccepted) || std::size_t(datagram.size()) < kAcceptedSize)
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
    return type == kNotice1 || type == kNotice2 || type == kNotice4 || type == kNotice9;
}

QByteArray encodeNotice(std::uint8_t type, const QByteArray &text)
{
    QByteArray out;
    Writer w(out);
    w.u8(type);
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
    return Notice{*t, r.cstr()};
}

QByteArray noticeAsText(const QByteArray &notice)
{
    QByteArray out = notice;
    if (!out.isEmpty())
        out[0] = char(kText);
    return out;
}

// --- identification ----------------------------------------------------------

QByteArray encodeIdentification()
{
    QByteArray out;
    Writer w(out);
    w.u8(kIdentification);
    w.raw(QByteArray(kIdentificationName));
    w.u8(0);
    Q_ASSERT(std::size_t(out.size()) == kIdentificationSize);
    return out;
}

std::optional<QByteArray> decodeIdentification(const QByteArray &datagram)
{
    if (!isType(datagram, kIdentification))
        return std::nullopt;
    Reader r(datagram);
    r.skip(1);
    return r.cstr();
}

// --- chat client records -----------------------------------------------------

QByteArray ChatRecord::shortText() const
{
    Reader r(text);
    return r.cstr(std::size_t(text.size()));
}

void ChatRecord::setShortText(const QByteArray &s)
{
    text.clear();
    Writer(text).field(s, kRecordTextField);
}

std::int32_t ChatRecord::time() const
{
    if (text.size() < 4)
        return 0;
    return std::int32_t(bytes::getLe32(reinterpret_cast<const unsigned char *>(text.constData())));
}

void ChatRecord::setTime(std::int32_t ms)
{
    text.resize(kRecordTextField, '\0');
    bytes::putLe32(reinterpret_cast<unsigned char *>(text.data()), std::uint32_t(ms));
}

std::uint32_t ChatRecord::address() const
{
    unsigned char b[4];
    bytes::putLe32(b, value);
    return bytes::getBe32(b);
}

void ChatRecord::setAddress(std::uint32_t ipv4)
{
    unsigned char b[4];
    bytes::putBe32(b, ipv4);
    value = bytes::getLe32(b);
}

QByteArray encodeChatRecord(const ChatRecord &record)
{
    QByteArray out;
    Writer w(out);
    w.u8(record.type);
    w.field(record.nickname, kRecordNicknameField);
    QByteArray text = record.text.left(kRecordTextField);
    text.append(QByteArray(qsizetype(kRecordTextField) - text.size(), '\0'));
    w.raw(text);
    w.le32(record.value);
    if (record.payload) {
        w.le32(std::uint32_t(record.payload->size()));
        w.raw(*record.payload);
    }
    return out;
}

std::optional<ChatRecord> decodeChatRecord(const QByteArray &datagram)
{
    if (std::size_t(datagram.size()) < kRecordHeaderSize)
        return std::nullopt;
    Reader r(datagram);
    ChatRecord rec;
    rec.type = r.u8();
    rec.nickname = r.cstr(kRecordNicknameField);
    rec.text = r.raw(kRecordTextField);
    rec.value = r.le32();
    if (r.remaining() > 0) {
        const std::uint32_t length = r.le32();
        if (!r.ok() || length > r.remaining())
            return std::nullopt;
        rec.payload = r.raw(length);
    }
    return rec;
}

ChatRecord pingRequest(const QByteArray &ownNickname, const QByteArray &channel, std::uint32_t peerValue)
{
    ChatRecord rec;
    rec.type = kPingRequest;
    rec.nickname = ownNickname;
    rec.setShortText(channel);
    rec.value = peerValue;
    return rec;
}

ChatRecord pingAnswer(const QByteArray &ownNickname, std::uint32_t requestValue)
{
    ChatRecord rec;
    rec.type = kPingAnswer;
    rec.nickname = ownNickname;
    rec.setShortText("      ");
    rec.value = requestValue;
    return rec;
}

ChatRecord pingResult(const QByteArray &peerNickname, std::int32_t milliseconds)
{
    ChatRecord rec;
    rec.type = kPingAnswer;
    rec.nickname = peerNickname;
    rec.setTime(milliseconds);
    return rec;
}

// --- service requests --------------------------------------------------------

QByteArray encodeServiceRequest(const QByteArray &payload)
{
    ChatRecord rec;
    rec.type = kServiceRequest;
    rec.payload = payload;
    return encodeChatRecord(rec);
}

std::optional<QByteArray> decodeServiceRequest(const QByteArray &datagram)
{
    if (!isType(datagram, kServiceRequest))
        return std::nullopt;
    const auto rec = decodeChatRecord(datagram);
    if (!rec || !rec->payload)
        return std::nullopt;
    return rec->payload;
}

QByteArray encodeServicePayload(const ServiceCommand &command)
{
    QByteArray out;
    Writer w(out);
    w.u8(command.subCode);
    switch (command.subCode) {
    case kServiceWhois: {
        // The name in a 17-byte field of which only the name and its NUL travel.
        const QByteArray name = command.name.left(16);
        w.raw(name);
        w.u8(0);
        break;
    }
    case kServiceBan:
    case kServiceUnban:
        w.field(command.name, 17);
        break;
    case kServiceKill:
        w.field(command.name, 16);
        w.raw(command.reason.left(199));
        w.u8(0);
        w.u8(0);  // the length counts one byte past the reason's NUL
        break;
    default:
        break;
    }
    return out;
}

std::optional<ServiceCommand> decodeServicePayload(const QByteArray &payload)
{
    if (payload.isEmpty())
        return std::nullopt;
    Reader r(payload);
    ServiceCommand c;
    c.subCode = r.u8();
    switch (c.subCode) {
    case kServiceWhois:
    case kServiceBan:
    case kServiceUnban:
        if (r.remaining() == 0)
            return std::nullopt;
        c.name = fieldOrRest(r, 17);
        break;
    case kServiceKill:
        if (r.remaining() < 16)
            return std::nullopt;
        c.name = r.cstr(16);
        c.reason = r.cstr();
        break;
    default:
        break;
    }
    return c;
}

// --- text --------------------------------------------------------------------

QByteArray encodeText(const QByteArray &text)
{
    QByteArray out;
    Writer w(out);
    w.u8(kText);
    w.raw(text);
    w.u8(0);
    return out;
}

std::optional<QByteArray> decodeText(const QByteArray &datagram)
{
    if (!isType(datagram, kText))
        return std::nullopt;
    Reader r(datagram);
    r.skip(1);
    return r.cstr();
}

QList<QByteArray> textLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    for (const QByteArray &piece : text.split('\n')) {
        if (!piece.isEmpty())
            lines << piece;
    }
    return lines;
}

// --- peer pings --------------------------------------------------------------

QByteArray encodePeerPingHeader(std::uint8_t type, std::uint16_t sequence)
{
    QByteArray out;
    Writer w(out);
    w.u8(type);
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
    const auto t = typeOf(datagram);
    if (!t || (*t != kPeerPing && *t != kPeerPingRelayed))
        return std::nullopt;
    if (std::size_t(datagram.size()) < kPeerPingHeaderSize + kRecordHeaderSize)
        return std::nullopt;
    Reader r(datagram);
    PeerPing p;
    p.type = r.u8();
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
    w.u8(kServiceReply);
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
    if (!isType(datagram, kServiceReply) || std::size_t(datagram.size()) < kServiceReplyHeaderSize)
        return std::nullopt;
    if (std::uint8_t(datagram.at(10)) != kMarker || std::uint8_t(datagram.at(11)) != kMarker)
        return std::nullopt;
    return datagram.mid(qsizetype(kServiceReplyHeaderSize));
}

} // namespace ferry::datagrams
