#include "protocol/ipxpacket.h"

#include "protocol/bytes.h"

namespace ferry::ipx {

using bytes::Reader;
using bytes::Writer;

namespace {

void writeAddress(Writer &w, const Address &a)
{
    w.be32(a.network);
    for (std::uint8_t b : a.node)
        w.u8(b);
    w.be16(a.socket);
}

Address readAddress(Reader &r)
{
    Address a;
    a.network = r.be32();
    for (std::uint8_t &b : a.node)
        b = r.u8();
    a.socket = r.be16();
    return a;
}

} // namespace

QByteArray encodeHeader(const Header &header)
{
    QByteArray out;
    out.reserve(qsizetype(kHeaderSize));
    Writer w(out);
    w.be16(header.checksum);
    w.be16(header.length);
    w.u8(header.transportControl);
    w.u8(header.packetType);
    writeAddress(w, header.destination);
    writeAddress(w, header.source);
    return out;
}

QByteArray buildPacket(Header header, const QByteArray &data)
{
    header.length = std::uint16_t(kHeaderSize + std::size_t(data.size()));
    return encodeHeader(header) + data;
}

std::optional<Header> parseHeader(const char *data, std::size_t size)
{
    if (size < kHeaderSize)
        return std::nullopt;
    Reader r(data, size);
    Header h;
    h.checksum = r.be16();
    h.length = r.be16();
    h.transportControl = r.u8();
    h.packetType = r.u8();
    h.destination = readAddress(r);
    h.source = readAddress(r);
    if (!r.ok() || h.length < kHeaderSize || h.length > size)
        return std::nullopt;
    return h;
}

QByteArray payload(const QByteArray &packet, const Header &header)
{
    const qsizetype end = qMin(qsizetype(header.length), packet.size());
    if (end <= qsizetype(kHeaderSize))
        return QByteArray();
    return packet.mid(qsizetype(kHeaderSize), end - qsizetype(kHeaderSize));
}

bool isBroadcast(const Node &node)
{
    return node[0] == 0xFF && node[1] == 0xFF && node[2] == 0xFF && node[3] == 0xFF;
}

Node nodeFor(std::uint32_t ipv4, std::uint16_t clientNumber)
{
    return {std::uint8_t(ipv4), std::uint8_t(ipv4 >> 8), std::uint8_t(ipv4 >> 16), std::uint8_t(ipv4 >> 24),
            std::uint8_t(clientNumber >> 8), std::uint8_t(clientNumber)};
}

std::uint32_t nodeAddress(const Node &node)
{
    return std::uint32_t(node[3]) << 24 | std::uint32_t(node[2]) << 16 | std::uint32_t(node[1]) << 8 | node[0];
}

std::uint16_t nodeClientNumber(const Node &node)
{
    return std::uint16_t(node[4] << 8 | node[5]);
}

bool isRegistrationRequest(const Header &header)
{
    const Node &n = header.destination.node;
    return header.destination.socket == kEchoSocket && n[0] == 0 && n[1] == 0 && n[2] == 0 && n[3] == 0;
}

QByteArray registrationRequest()
{
    // As DOSBox 0.74 sends it: zero networks and nodes, both sockets 2.
    Header h;
    h.destination.socket = kEchoSocket;
    h.source.socket = kEchoSocket;
    return encodeHeader(h);
}

QByteArray registrationReply(std::uint32_t network, const Node &clientNode, const Node &endpointNode)
{
    Header h;
    h.destination = {network, clientNode, kEchoSocket};
    h.source = {1, endpointNode, kEchoSocket};
    return encodeHeader(h);
}

} // namespace ferry::ipx
