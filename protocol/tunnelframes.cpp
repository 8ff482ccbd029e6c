#include "protocol/tunnelframes.h"

#include "protocol/bytes.h"

namespace ferry::tunnel {

using bytes::Reader;
using bytes::Writer;
using datagrams::isType;
using datagrams::typeByte;

QByteArray encodeHello(const Hello &hello)
{
    QByteArray out;
    Writer w(out);
    w.u8(typeByte(TunnelType::Hello));
    w.be32(hello.ownAddress);
    w.field(hello.nickname, kHelloNicknameField);
    Q_ASSERT(std::size_t(out.size()) == kHelloSize);
    return out;
}

std::optional<Hello> decodeHello(const QByteArray &frame)
{
    if (!isType(frame, TunnelType::Hello) || std::size_t(frame.size()) < kHelloSize)
        return std::nullopt;
    Reader r(frame);
    r.skip(1);
    Hello h;
    h.ownAddress = r.be32();
    h.nickname = r.cstr(kHelloNicknameField);
    return h;
}

QByteArray encodeWelcome(std::uint32_t nodeAddress)
{
    QByteArray out;
    Writer w(out);
    w.u8(typeByte(TunnelType::Welcome));
    w.be32(nodeAddress);
    return out;
}

std::optional<std::uint32_t> decodeWelcome(const QByteArray &frame)
{
    if (!isType(frame, TunnelType::Welcome) || std::size_t(frame.size()) < kWelcomeSize)
        return std::nullopt;
    Reader r(frame);
    r.skip(1);
    return r.be32();
}

QByteArray encodeIpxFrame(const QByteArray &packet)
{
    QByteArray out;
    out.reserve(packet.size() + qsizetype(kIpxFrameOverhead));
    out.append(char(typeByte(TunnelType::Ipx)));
    out.append(packet);
    return out;
}

std::optional<ipx::Header> ipxFrameHeader(const QByteArray &frame)
{
    if (!isType(frame, TunnelType::Ipx))
        return std::nullopt;
    return ipx::parseHeader(frame.constData() + kIpxFrameOverhead, std::size_t(frame.size()) - kIpxFrameOverhead);
}

QByteArray ipxFramePacket(const QByteArray &frame, const ipx::Header &header)
{
    return frame.mid(qsizetype(kIpxFrameOverhead), qsizetype(header.length));
}

} // namespace ferry::tunnel
