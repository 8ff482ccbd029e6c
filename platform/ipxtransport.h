#pragma once

// The tunnel driver's transport: IPX over UDP, as DOSBox tunnels it.
//
// The local endpoint listens on UDP port 2213 (+ FERRY_PORT_OFFSET) of the
// player's own address when that is a loopback address (several players on one
// machine), else of 127.0.0.1; games in DOSBox reach it with
// "ipxnet connect 127.0.0.1 2213". It opens when a session opens (driver code 6)
// and stays until the driver closes, so games keep their registration from one
// session to the next.
//
// While a tunnel to a server is open (code 9) a second socket, bound to the own
// address, carries the packets to the server's tunnel endpoint and brings back
// what the server routes here; a Hello every 20 seconds keeps the server's
// knowledge of it, and NAT mappings on the way, fresh (protocol/tunnelframes.h).
// Code 7 closes it. While a local server runs (code 4) the tunnel goes to the
// own address's tunnel port, where the control center serves other players.

#include "platform/localipxnetwork.h"
#include "platform/tunneldriver.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>

class QUdpSocket;

namespace ferry {

class IpxTransport : public QObject, public TunnelTransport {
    Q_OBJECT
public:
    // Hellos are repeated this often until the server welcomes the tunnel.
    static constexpr int kHelloRetryMs = 1000;
    static constexpr int kHelloRetries = 10;

    explicit IpxTransport(QObject *parent = nullptr);
    ~IpxTransport() override;

    void open(const TunnelSession &session) override;
    void start(const TunnelSession &session) override;
    void stop() override;
    void shutdown() override;
    bool inUse() const override { return m_network.clientCount() > 0; }

    // Where local clients register: the address the endpoint listens on.
    static QHostAddress endpointAddress(std::uint32_t ownAddress);

    bool endpointOpen() const { return m_endpoint != nullptr; }
    quint16 endpointPort() const;
    bool tunnelOpen() const { return m_tunnel != nullptr; }
    // True once the server has answered a Hello of the current tunnel.
    bool welcomed() const { return m_welcomed; }
    // The socket the tunnel leaves from; null without a tunnel.
    tunnel::Peer tunnelSocket() const;
    LocalIpxNetwork &network() { return m_network; }

    // Timer operations, called directly by tests.
    void sendHello();
    void checkSilentClients() { m_network.checkSilentClients(); }
    // Shorter keep-alive timings for tests; takes effect at once.
    void setKeepAlive(const LocalIpxNetwork::KeepAlive &keepAlive);

private:
    void readEndpoint();
    void readTunnel();
    void sendIntoTunnel(const QByteArray &packet);
    void openTunnel(const TunnelSession &session, const QHostAddress &server, quint16 serverPort);
    void closeTunnel();

    LocalIpxNetwork m_network;
    QUdpSocket *m_endpoint = nullptr;
    QUdpSocket *m_tunnel = nullptr;
    QHostAddress m_serverAddress;
    quint16 m_serverPort = 0;
    std::uint32_t m_ownAddress = 0;
    QByteArray m_nickname;
    bool m_welcomed = false;
    int m_hellosUnanswered = 0;
    QTimer m_helloTimer;
    QTimer m_keepAliveTimer;
};

} // namespace ferry
