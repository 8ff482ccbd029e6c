#include "chat/spy/ipxspysocket.h"

#include "protocol/ipxpacket.h"

namespace tavern::spy {

namespace {

// DOSBox's games send IPX packet type 4 (packet exchange); the network carries any.
constexpr std::uint8_t kIpxPacketType = 4;

} // namespace

CIpxSpySocket::CIpxSpySocket(const QHostAddress &endpoint, quint16 port) : m_endpoint(endpoint), m_port(port)
{
    if (!m_udp.bind(QHostAddress(QHostAddress::LocalHost), 0)) {
        fail(kCannotBind);
        return;
    }
    m_registering.start();
    if (m_udp.writeDatagram(ferry::ipx::registrationRequest(), m_endpoint, m_port) < 0)
        fail(kCannotInitialize);
}

void CIpxSpySocket::fail(const char *text)
{
    m_state = State::Failed;
    m_failure = QString::fromLatin1(text);
}

void CIpxSpySocket::Bind(std::uint16_t socket)
{
    m_own.socket = socket;
}

void CIpxSpySocket::SendTo(const SpyAddress &to, const QByteArray &payload)
{
    if (m_state != State::Ready)
        return;
    ferry::ipx::Header header;
    header.packetType = kIpxPacketType;
    header.destination = to;
    header.source = m_own;
    m_udp.writeDatagram(ferry::ipx::buildPacket(header, payload), m_endpoint, m_port);
}

std::optional<SpyDatagram> CIpxSpySocket::Receive()
{
    while (m_state != State::Failed && m_udp.hasPendingDatagrams()) {
        QByteArray packet(qsizetype(ferry::ipx::kMaxPacket), Qt::Uninitialized);
        QHostAddress sender;
        quint16 senderPort = 0;
        const qint64 got = m_udp.readDatagram(packet.data(), packet.size(), &sender, &senderPort);
        if (got < 0 || sender != m_endpoint || senderPort != m_port)
            continue; // only the endpoint speaks to the spy
        packet.truncate(got);
        if (std::optional<SpyDatagram> datagram = accept(packet))
            return datagram;
    }
    if (m_state == State::Opening && m_registering.hasExpired(kRegistrationTimeoutMs))
        fail(kCannotInitialize);
    return std::nullopt;
}

std::optional<SpyDatagram> CIpxSpySocket::accept(const QByteArray &packet)
{
    const std::optional<ferry::ipx::Header> header = ferry::ipx::parseHeader(packet);
    if (!header)
        return std::nullopt;
    if (m_state == State::Opening) {
        // The registration's answer: our address is where it was sent.
        if (header->destination.socket == ferry::ipx::kEchoSocket && header->source.socket == ferry::ipx::kEchoSocket) {
            const std::uint16_t socket = m_own.socket;
            m_own = header->destination;
            m_own.socket = socket;
            m_state = State::Ready;
        }
        return std::nullopt;
    }
    const bool toUs = header->destination.node == m_own.node || ferry::ipx::isBroadcast(header->destination.node);
    if (!toUs || header->destination.socket != m_own.socket || header->source.node == m_own.node)
        return std::nullopt;
    return SpyDatagram{ferry::ipx::payload(packet, *header), header->source};
}

} // namespace tavern::spy
