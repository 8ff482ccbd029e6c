#include "platform/ipxtransport.h"

#include "protocol/ports.h"
#include "protocol/tunnelframes.h"

#include <QUdpSocket>

namespace ferry {

namespace {

tunnel::Peer peerOf(const QHostAddress &address, quint16 port)
{
    bool ok = false;
    const std::uint32_t ipv4 = address.toIPv4Address(&ok);
    return ok ? tunnel::Peer{ipv4, port} : tunnel::Peer{};
}

// Reads one datagram. A datagram over 1,500 bytes comes back as 1,501 bytes,
// enough for the caller to see that it is too long and drop it.
QByteArray readDatagram(QUdpSocket &socket, QHostAddress *from, quint16 *fromPort)
{
    char buffer[tunnel::kMaxFrame + 1];
    const qint64 n = socket.readDatagram(buffer, qint64(sizeof buffer), from, fromPort);
    return QByteArray(buffer, qsizetype(qMax<qint64>(n, 0)));
}

} // namespace

IpxTransport::IpxTransport(QObject *parent)
    : QObject(parent),
      m_network([this](const tunnel::Peer &to, const QByteArray &packet) {
                    if (m_endpoint)
                        m_endpoint->writeDatagram(packet, QHostAddress(to.address), to.port);
                },
                [this](const QByteArray &packet) { sendIntoTunnel(packet); })
{
    connect(&m_helloTimer, &QTimer::timeout, this, &IpxTransport::sendHello);
    m_keepAliveTimer.setInterval(m_network.keepAlive().intervalMs);
    connect(&m_keepAliveTimer, &QTimer::timeout, this, &IpxTransport::checkSilentClients);
}

void IpxTransport::setKeepAlive(const LocalIpxNetwork::KeepAlive &keepAlive)
{
    m_network.setKeepAlive(keepAlive);
    m_keepAliveTimer.setInterval(keepAlive.intervalMs);
}

IpxTransport::~IpxTransport() = default;

QHostAddress IpxTransport::endpointAddress(std::uint32_t ownAddress)
{
    const QHostAddress own(ownAddress);
    return own.isLoopback() ? own : QHostAddress(QString::fromLatin1(kLoopbackAddress));
}

quint16 IpxTransport::endpointPort() const
{
    return m_endpoint ? m_endpoint->localPort() : 0;
}

tunnel::Peer IpxTransport::tunnelSocket() const
{
    return m_tunnel ? peerOf(m_tunnel->localAddress(), m_tunnel->localPort()) : tunnel::Peer{};
}

void IpxTransport::open(const TunnelSession &session)
{
    m_ownAddress = session.ownAddress;
    m_nickname = session.nickname;
    const QHostAddress address = endpointAddress(session.ownAddress);
    if (m_endpoint && m_endpoint->localAddress() == address) {
        m_network.setOwnAddress(session.ownAddress);
        return;
    }
    delete m_endpoint;
    m_endpoint = new QUdpSocket(this);
    if (!m_endpoint->bind(address, port(kIpxEndpointPort))) {
        qWarning("IPX endpoint: cannot listen on %s port %u: %s", qPrintable(address.toString()),
                 unsigned(port(kIpxEndpointPort)), qPrintable(m_endpoint->errorString()));
        delete m_endpoint;
        m_endpoint = nullptr;
        return;
    }
    m_network.clear();
    m_network.setOwnAddress(session.ownAddress);
    connect(m_endpoint, &QUdpSocket::readyRead, this, &IpxTransport::readEndpoint);
    m_keepAliveTimer.start();
}

void IpxTransport::start(const TunnelSession &session)
{
    closeTunnel();
    if (session.localServer) {
        // The local server is a tunnelling server on the own address: the
        // player's games join it as every other player's do.
        openTunnel(session, QHostAddress(session.ownAddress), port(kTunnelPort));
    } else if (session.tunnelOpen && session.tunnelPort != 0 && session.tunnelAddress != 0) {
        openTunnel(session, QHostAddress(session.tunnelAddress), session.tunnelPort);
    }
}

void IpxTransport::openTunnel(const TunnelSession &session, const QHostAddress &server, quint16 serverPort)
{
    m_serverAddress = server;
    m_serverPort = serverPort;
    m_tunnel = new QUdpSocket(this);
    // From the own address, so that the server sees the address the player signed on from.
    if (!m_tunnel->bind(QHostAddress(session.ownAddress), 0) && !m_tunnel->bind(QHostAddress::AnyIPv4, 0)) {
        qWarning("IPX tunnel: no socket: %s", qPrintable(m_tunnel->errorString()));
        closeTunnel();
        return;
    }
    connect(m_tunnel, &QUdpSocket::readyRead, this, &IpxTransport::readTunnel);
    m_hellosUnanswered = 0;
    sendHello();
}

void IpxTransport::stop()
{
    closeTunnel();
}

void IpxTransport::shutdown()
{
    closeTunnel();
    m_keepAliveTimer.stop();
    delete m_endpoint;
    m_endpoint = nullptr;
    m_network.clear();
}

void IpxTransport::closeTunnel()
{
    m_helloTimer.stop();
    delete m_tunnel;
    m_tunnel = nullptr;
    m_welcomed = false;
}

void IpxTransport::sendHello()
{
    if (!m_tunnel)
        return;
    m_tunnel->writeDatagram(tunnel::encodeHello({m_ownAddress, m_nickname}), m_serverAddress, m_serverPort);
    // Quickly until the server answers (its answer or this Hello may be lost),
    // then at the keep-alive pace.
    const bool hurry = !m_welcomed && ++m_hellosUnanswered < kHelloRetries;
    m_helloTimer.start(hurry ? kHelloRetryMs : tunnel::kKeepAliveSeconds * 1000);
}

void IpxTransport::sendIntoTunnel(const QByteArray &packet)
{
    if (m_tunnel)
        m_tunnel->writeDatagram(tunnel::encodeIpxFrame(packet), m_serverAddress, m_serverPort);
}

void IpxTransport::readEndpoint()
{
    while (m_endpoint && m_endpoint->hasPendingDatagrams()) {
        QHostAddress from;
        quint16 fromPort = 0;
        const QByteArray datagram = readDatagram(*m_endpoint, &from, &fromPort);
        // Only programs on this machine may use the endpoint.
        if (!from.isLoopback())
            continue;
        m_network.fromClient(datagram, peerOf(from, fromPort));
    }
}

void IpxTransport::readTunnel()
{
    while (m_tunnel && m_tunnel->hasPendingDatagrams()) {
        QHostAddress from;
        quint16 fromPort = 0;
        const QByteArray frame = readDatagram(*m_tunnel, &from, &fromPort);
        // Only the server's tunnel endpoint speaks on this socket.
        if (fromPort != m_serverPort || !from.isEqual(m_serverAddress, QHostAddress::TolerantConversion))
            continue;
        if (std::size_t(frame.size()) > tunnel::kMaxFrame)
            continue;
        if (const auto header = tunnel::ipxFrameHeader(frame)) {
            m_network.fromTunnel(tunnel::ipxFramePacket(frame, *header));
        } else if (tunnel::decodeWelcome(frame)) {
            if (!m_welcomed) {
                m_welcomed = true;
                m_helloTimer.start(tunnel::kKeepAliveSeconds * 1000);
            }
        }
    }
}

} // namespace ferry
