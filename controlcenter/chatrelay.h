#pragma once

// The relay between the chat client and the tunnelling servers. The chat client
// sends its game-service datagrams (service requests and ping records) from
// 127.0.0.1 port 2218 to 127.0.0.1 port 2217; the relay listens there, forwards
// them to the chosen server or straight to a peer's control center, and passes
// the servers' notices, service replies and ping results back to port 2218.
// All ports move with $FERRY_PORT_OFFSET.
//
// The relay sends toward servers and peers through its host (the server datagram
// socket of the connection), and toward the chat client through its own socket.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class QUdpSocket;

namespace ferry {

class ChatRelay : public QObject {
    Q_OBJECT
public:
    struct Host {
        // Whether the server datagram socket exists (signed on or signing on).
        std::function<bool()> serverSocketExists;
        // The target address text: dotted, "Local" or empty.
        std::function<QString()> target;
        // The own address (host order) and nickname.
        std::function<std::uint32_t()> ownAddress;
        std::function<QByteArray()> ownNickname;
        // One datagram through the server datagram socket to address at the server port.
        std::function<void(const QHostAddress &to, const QByteArray &datagram)> sendToServerPort;
    };

    explicit ChatRelay(Host host, QObject *parent = nullptr);

    // Opens the socket the chat client sends to (127.0.0.1, port 2217). False when
    // the port is taken; the relay then passes nothing to the chat client.
    bool open();
    bool isOpen() const { return m_local != nullptr; }
    void close();

    // The millisecond tick count the ping times are measured with.
    void setTickClock(std::function<std::uint32_t()> clock) { m_tickClock = std::move(clock); }

    // How long a ping of ours waits for its answer, and how many may wait at once.
    static constexpr std::uint32_t kPingAnswerWindowMs = 60 * 1000;
    static constexpr int kMaxOutstandingPings = 32;

    // A datagram from the server port of `from`. Handles notices, the identification
    // probe and service replies when they come from the chosen server. Of the peer
    // pings, a request from anyone is answered to its sender; an answer reaches the
    // chat client only when it answers an outstanding ping of ours (its sequence
    // number) and comes from where that ping went. False when its type is none of these.
    bool handleServerDatagram(const QByteArray &datagram, const QHostAddress &from, bool fromChosenServer);

    // A datagram the chat client sent to the relay.
    void handleChatClientDatagram(const QByteArray &datagram);

    // One datagram to the chat client (127.0.0.1, port 2218); nothing while the
    // relay's socket is not open.
    void sendToChatClient(const QByteArray &datagram);

private:
    struct OutstandingPing {
        std::uint16_t sequence = 0;
        QHostAddress to;
        std::uint32_t sentTick = 0;
    };

    void readChatClient();
    void relayPing(const QByteArray &datagram);
    void handlePeerPing(const QByteArray &datagram, const QHostAddress &from);
    // The tick the matching ping went out at, forgetting it: one answer per ping.
    std::optional<std::uint32_t> takeOutstanding(std::uint16_t sequence, const QHostAddress &from);

    Host m_host;
    QList<OutstandingPing> m_outstanding;
    QUdpSocket *m_local = nullptr;
    std::function<std::uint32_t()> m_tickClock;
};

// The millisecond tick count of the system clock (wraps after 49.7 days).
std::uint32_t systemTickCount();

// A datagram socket bound to the address and port whose datagrams go to onReadyRead;
// nullptr when the address and port cannot be had.
QUdpSocket *openDatagramSocket(QObject *owner, const QHostAddress &address, quint16 port,
                               const std::function<void()> &onReadyRead);

} // namespace ferry
