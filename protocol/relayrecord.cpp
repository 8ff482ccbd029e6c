#include "protocol/relayrecord.h"

#include "protocol/bytes.h"

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

} // namespace

// --- the record --------------------------------------------------------------

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

namespace {

ChatRecord readHeader(Reader &r)
{
    ChatRecord rec;
    rec.type = r.u8();
    rec.nickname = r.cstr(kRecordNicknameField);
    rec.text = r.raw(kRecordTextField);
    rec.value = r.le32();
    return rec;
}

} // namespace

std::optional<ChatRecord> decodeChatRecordHeader(const QByteArray &datagram)
{
    if (std::size_t(datagram.size()) < kRecordHeaderSize)
        return std::nullopt;
    Reader r(datagram);
    return readHeader(r);
}

std::optional<ChatRecord> decodeChatRecord(const QByteArray &datagram)
{
    if (std::size_t(datagram.size()) < kRecordHeaderSize)
        return std::nullopt;
    Reader r(datagram);
    ChatRecord rec = readHeader(r);
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
    rec.type = typeByte(RelayType::PingRequest);
    rec.nickname = ownNickname;
    rec.setShortText(channel);
    rec.value = peerValue;
    return rec;
}

ChatRecord pingAnswer(const QByteArray &ownNickname, std::uint32_t requestValue)
{
    ChatRecord rec;
    rec.type = typeByte(RelayType::PingAnswer);
    rec.nickname = ownNickname;
    rec.setShortText("      ");
    rec.value = requestValue;
    return rec;
}

ChatRecord pingResult(const QByteArray &peerNickname, std::int32_t milliseconds)
{
    ChatRecord rec;
    rec.type = typeByte(RelayType::PingAnswer);
    rec.nickname = peerNickname;
    rec.setTime(milliseconds);
    return rec;
}

// --- service requests --------------------------------------------------------

bool isServiceCode(std::uint8_t subCode)
{
    switch (ServiceCode(subCode)) {
    case ServiceCode::Users:
    case ServiceCode::Whois:
    case ServiceCode::Kill:
    case ServiceCode::Ban:
    case ServiceCode::Unban:
    case ServiceCode::BanList:
        return true;
    }
    return false;
}

QByteArray encodeServiceRequest(const QByteArray &payload)
{
    ChatRecord rec;
    rec.type = typeByte(RelayType::ServiceRequest);
    rec.payload = payload;
    return encodeChatRecord(rec);
}

std::optional<QByteArray> decodeServiceRequest(const QByteArray &datagram)
{
    if (!isType(datagram, RelayType::ServiceRequest))
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
    switch (ServiceCode(command.subCode)) {
    case ServiceCode::Whois:
        w.raw(command.name.left(qsizetype(kWhoisNameField - 1)));
        w.u8(0);
        break;
    case ServiceCode::Ban:
    case ServiceCode::Unban:
        w.field(command.name, kBanTextField);
        break;
    case ServiceCode::Kill:
        w.field(command.name, kKillNameField);
        w.raw(command.reason.left(qsizetype(kKillReasonMax)));
        w.u8(0);
        w.u8(0);
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
    switch (ServiceCode(c.subCode)) {
    case ServiceCode::Whois:
    case ServiceCode::Ban:
    case ServiceCode::Unban:
        if (r.remaining() == 0)
            return std::nullopt;
        c.name = fieldOrRest(r, kWhoisNameField);
        break;
    case ServiceCode::Kill:
        if (r.remaining() < kKillNameField)
            return std::nullopt;
        c.name = r.cstr(kKillNameField);
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
    w.u8(typeByte(RelayType::Text));
    w.raw(text);
    w.u8(0);
    return out;
}

std::optional<QByteArray> decodeText(const QByteArray &datagram)
{
    if (!isType(datagram, RelayType::Text))
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

} // namespace ferry::datagrams
