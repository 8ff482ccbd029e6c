// The spy's IPX socket against a raw UDP socket that plays the endpoint, so that
// the test can send what no well-behaved endpoint would: the registration as
// DOSBox sends it, packets only the endpoint may deliver, and who gets dropped.

#include "chat/spy/ipxspysocket.h"

#include <QTest>
#include <QUdpSocket>

using namespace tavern::spy;
namespace ipx = ferry::ipx;

namespace {

struct Endpoint {
    QUdpSocket udp;
    QHostAddress client;
    quint16 clientPort = 0;

    Endpoint() { udp.bind(QHostAddress::LocalHost, 0); }
    quint16 port() const { return udp.localPort(); }
    // The next packet that reaches the endpoint.
    QByteArray next()
    {
        if (!QTest::qWaitFor([this] { return udp.hasPendingDatagrams(); }, 3000))
            return {};
        QByteArray packet(2048, '\0');
        packet.truncate(udp.readDatagram(packet.data(), packet.size(), &client, &clientPort));
        return packet;
    }
    void sendToClient(const QByteArray &packet) { udp.writeDatagram(packet, client, clientPort); }
};

ipx::Address address(std::uint32_t network, std::uint8_t last, std::uint16_t socket)
{
    return ipx::Address{network, ipx::Node{last, 0, 0, 127, 0, 1}, socket};
}

QByteArray packet(const ipx::Address &from, const ipx::Address &to, const QByteArray &data)
{
    ipx::Header h;
    h.source = from;
    h.destination = to;
    return ipx::buildPacket(h, data);
}

// Calls Receive until a datagram comes or the time is up.
std::optional<SpyDatagram> receive(CIpxSpySocket &s, int ms = 1000)
{
    std::optional<SpyDatagram> got;
    (void)QTest::qWaitFor([&] { return bool(got = s.Receive()); }, ms);
    return got;
}

} // namespace

class TestIpxSpySocket : public QObject {
    Q_OBJECT
private slots:
    void registersSendsAndReceivesOnlyWhatIsForIt()
    {
        Endpoint endpoint;
        CIpxSpySocket spy(QHostAddress::LocalHost, endpoint.port());
        spy.Bind(0x5130);
        QCOMPARE(spy.state(), ISpySocket::State::Opening);

        // Registration as DOSBox does it: a bare header to socket 2, destination node zero.
        const QByteArray registration = endpoint.next();
        const auto reg = ipx::parseHeader(registration);
        QVERIFY(reg);
        QCOMPARE(registration.size(), 30);
        QCOMPARE(reg->destination.socket, ipx::kEchoSocket);
        QCOMPARE(reg->destination.node, ipx::Node{});

        // Someone else answering is not the endpoint.
        const ipx::Address own = address(1, 7, 2);
        const QByteArray reply = packet(address(1, 0, 2), own, {});
        QUdpSocket stranger;
        stranger.writeDatagram(reply, QHostAddress::LocalHost, endpoint.clientPort);
        QVERIFY(!receive(spy, 300));
        QCOMPARE(spy.state(), ISpySocket::State::Opening);
        endpoint.sendToClient(reply);
        QVERIFY(QTest::qWaitFor([&] { spy.Receive(); return spy.state() == ISpySocket::State::Ready; }, 2000));
        QCOMPARE(spy.ownAddress(), address(1, 7, 0x5130));

        // Sending: from the own address and bound socket, to where the listener says.
        spy.SendTo(BroadcastAddress(0x5130), "request");
        const QByteArray sent = endpoint.next();
        const auto h = ipx::parseHeader(sent);
        QVERIFY(h);
        QCOMPARE(h->source, address(1, 7, 0x5130));
        QCOMPARE(h->destination, BroadcastAddress(0x5130));
        QCOMPARE(ipx::payload(sent, *h), QByteArray("request"));

        // Receiving: broadcasts and packets for its node on its socket only.
        const ipx::Address host = address(1, 9, 0x5130);
        endpoint.sendToClient(packet(host, address(1, 7, 0x5131), "other socket"));
        endpoint.sendToClient(packet(host, address(1, 8, 0x5130), "other node"));
        endpoint.sendToClient(packet(address(1, 7, 0x5130), BroadcastAddress(0x5130), "own echo"));
        endpoint.sendToClient(packet(host, address(1, 7, 0x5130), "short").left(20));
        stranger.writeDatagram(packet(host, address(1, 7, 0x5130), "not via the endpoint"), QHostAddress::LocalHost,
                               endpoint.clientPort);
        endpoint.sendToClient(packet(host, BroadcastAddress(0x5130), "broadcast"));
        endpoint.sendToClient(packet(host, address(1, 7, 0x5130), "unicast"));
        std::optional<SpyDatagram> got = receive(spy);
        QVERIFY(got);
        QCOMPARE(got->payload, QByteArray("broadcast"));
        QCOMPARE(got->from, host);
        got = receive(spy);
        QVERIFY(got);
        QCOMPARE(got->payload, QByteArray("unicast"));
        QVERIFY(!receive(spy, 200));

        // A new binding keeps the registration and moves the socket.
        spy.Bind(0x5103);
        QCOMPARE(spy.ownAddress(), address(1, 7, 0x5103));
        endpoint.sendToClient(packet(host, BroadcastAddress(0x5130), "old socket"));
        endpoint.sendToClient(packet(host, BroadcastAddress(0x5103), "new socket"));
        got = receive(spy);
        QVERIFY(got);
        QCOMPARE(got->payload, QByteArray("new socket"));
        QVERIFY(!endpoint.udp.hasPendingDatagrams()); // no second registration
    }

    void noAnswerWithinThreeSecondsFails()
    {
        Endpoint endpoint;
        CIpxSpySocket spy(QHostAddress::LocalHost, endpoint.port());
        spy.Bind(0x5130);
        QVERIFY(!endpoint.next().isEmpty());
        spy.SendTo(BroadcastAddress(0x5130), "too early");
        QVERIFY(!QTest::qWaitFor([&] { return endpoint.udp.hasPendingDatagrams(); }, 200));
        QVERIFY(QTest::qWaitFor([&] { spy.Receive(); return spy.state() == ISpySocket::State::Failed; }, 5000));
        QCOMPARE(spy.failureText(), QStringLiteral("Unable to initialize Winsock IPX"));
        // A late answer changes nothing.
        endpoint.sendToClient(packet(address(1, 0, 2), address(1, 7, 2), {}));
        QVERIFY(!receive(spy, 200));
        QCOMPARE(spy.state(), ISpySocket::State::Failed);
    }
};

QTEST_GUILESS_MAIN(TestIpxSpySocket)
#include "test_ipxspysocket.moc"
