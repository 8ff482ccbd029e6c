// The tunnel driver's transport with real sockets on loopback: local clients
// register with the endpoint as DOSBox does, their packets are delivered locally
// or into the tunnel, and a stand-in server socket plays the tunnel's far end.

#include "platform/ipxtransport.h"
#include "platform/tunneldriver.h"
#include "protocol/ipxpacket.h"
#include "protocol/ports.h"
#include "protocol/tunnelframes.h"
#include "tests/support/dosboxfixture.h"
#include "tests/support/testenv.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTest>
#include <QUdpSocket>

#include <memory>
#include <optional>

using namespace ferry;

namespace {

const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));
constexpr std::uint32_t kOwnAddress = 0x7F000001;     // the player is 127.0.0.1
constexpr std::uint32_t kRemoteAddress = 0xC0A80009;  // another player, 192.168.0.9

std::optional<QByteArray> receiveOn(QUdpSocket &socket, int timeoutMs)
{
    if (!QTest::qWaitFor([&] { return socket.hasPendingDatagrams(); }, timeoutMs))
        return std::nullopt;
    return socket.receiveDatagram().data();
}

bool quietOn(QUdpSocket &socket, int ms)
{
    QTest::qWait(ms);
    return !socket.hasPendingDatagrams();
}

// A UDP socket speaking to the endpoint like a game in DOSBox.
struct Game {
    QUdpSocket socket;
    ipx::Node node{};

    explicit Game(const QHostAddress &bindTo = kLoopback) { socket.bind(bindTo, 0); }

    void send(const QByteArray &d) { socket.writeDatagram(d, kLoopback, port(kIpxEndpointPort)); }

    // The endpoint runs in this process: waiting must keep the event loop going.
    std::optional<QByteArray> receive(int timeoutMs = 2000) { return receiveOn(socket, timeoutMs); }
    bool quiet(int ms = 100) { return quietOn(socket, ms); }

    // Registers and keeps the node the endpoint gives.
    bool registerNode()
    {
        send(ipx::registrationRequest());
        const auto reply = receive();
        const auto header = reply ? ipx::parseHeader(*reply) : std::nullopt;
        if (!header)
            return false;
        node = header->destination.node;
        return true;
    }

    QByteArray packet(const ipx::Node &to, const QByteArray &data, const ipx::Node *from = nullptr) const
    {
        ipx::Header h;
        h.destination = {0, to, 0x4002};
        h.source = {0, from ? *from : node, 0x4002};
        return ipx::buildPacket(h, data);
    }
};

// An open driver whose transport carries the tunnel to `server` once signed on.
struct Rig {
    test::TestEnv env;
    TunnelDriver driver;
    DriverStatusRecord record;
    QUdpSocket server;  // the tunnelling server's tunnel endpoint
    IpxTransport *transport = nullptr;

    bool open()
    {
        if (!driver.open() || !server.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0))
            return false;
        transport = dynamic_cast<IpxTransport *>(driver.transport());
        record.setOwnAddress(kOwnAddress);
        record.nickname = "hero";
        driver.control(DriverCode::OpenTunnel, record);
        return transport && transport->endpointOpen();
    }
    // Codes 2 and 9 of an accepted sign-on.
    void bindTunnel()
    {
        record.setServerAddress(0x7F000002);
        driver.control(DriverCode::BindServer, record);
        record.addressWord = server.localAddress().toIPv4Address();
        record.tunnelPort = server.localPort();
        driver.control(DriverCode::SetTunnelEndpoint, record);
    }
    std::optional<QByteArray> atServer(int timeoutMs = 2000) { return receiveOn(server, timeoutMs); }
    // A frame to the driver's tunnel socket, from the server or another socket.
    void toDriver(const QByteArray &frame, QUdpSocket *from = nullptr)
    {
        const tunnel::Peer to = transport->tunnelSocket();
        (from ? from : &server)->writeDatagram(frame, QHostAddress(to.address), to.port);
    }
    bool serverQuiet(int ms = 100) { return quietOn(server, ms); }
    std::uint32_t busyWord()
    {
        driver.control(DriverCode::Query, record);
        return record.busyWord;
    }
};

} // namespace

class TestIpxTransport : public QObject {
    Q_OBJECT

private slots:
    void registrationGivesEachGameItsNode()
    {
        Rig rig;
        QVERIFY(rig.open());
        QCOMPARE(rig.busyWord(), 0u);
        Game a, b;
        a.send(ipx::registrationRequest());
        const auto reply = a.receive();
        QVERIFY(reply);
        const auto h = ipx::parseHeader(*reply);
        QVERIFY(h);
        // Node bytes 3,2,1,0 read as the player's address; 4..5 number the game.
        QCOMPARE(h->destination, (ipx::Address{0, {1, 0, 0, 127, 0, 1}, ipx::kEchoSocket}));
        QCOMPARE(h->source.network, 1u);
        QCOMPARE(ipx::nodeAddress(h->source.node), kOwnAddress);
        QVERIFY(b.registerNode());
        QCOMPARE(b.node, (ipx::Node{1, 0, 0, 127, 0, 2}));
        // A repeated registration (its answer lost) keeps the node.
        a.send(ipx::registrationRequest());
        QCOMPARE(ipx::parseHeader(a.receive().value_or(QByteArray()))->destination.node, h->destination.node);
        // Word 12 of code 3: an application uses the tunnel.
        QCOMPARE(rig.busyWord(), 1u);
    }

    void packetsStayLocalOrGoIntoTheTunnel()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.bindTunnel();
        const auto hello = rig.atServer();
        QVERIFY(hello);
        const auto h = tunnel::decodeHello(*hello);
        QVERIFY(h);
        QCOMPARE(h->ownAddress, kOwnAddress);
        QCOMPARE(h->nickname, QByteArray("hero"));

        Game a, b, c;
        QVERIFY(a.registerNode() && b.registerNode() && c.registerNode());
        // A broadcast reaches every other game once and goes into the tunnel once.
        const QByteArray broadcast = a.packet(ipx::kBroadcastNode, "anyone?");
        a.send(broadcast);
        QCOMPARE(b.receive(), broadcast);
        QCOMPARE(c.receive(), broadcast);
        QCOMPARE(rig.atServer(), tunnel::encodeIpxFrame(broadcast));
        QVERIFY(a.quiet() && b.quiet(0) && c.quiet(0) && rig.serverQuiet(0));
        // A unicast to a local node stays local.
        const QByteArray toB = a.packet(b.node, "just you");
        a.send(toB);
        QCOMPARE(b.receive(), toB);
        QVERIFY(c.quiet() && rig.serverQuiet(0));
        // A unicast to another player's node goes into the tunnel only.
        const QByteArray away = a.packet(ipx::nodeFor(kRemoteAddress, 1), "far away");
        a.send(away);
        QCOMPARE(rig.atServer(), tunnel::encodeIpxFrame(away));
        QVERIFY(b.quiet() && c.quiet(0));

        // From the tunnel: a unicast reaches its game, a broadcast every game.
        Game remote;  // any socket will do to build packets from the other player's node
        const ipx::Node far = ipx::nodeFor(kRemoteAddress, 1);
        const QByteArray toC = remote.packet(c.node, "hello c", &far);
        rig.toDriver(tunnel::encodeIpxFrame(toC));
        QCOMPARE(c.receive(), toC);
        QVERIFY(a.quiet() && b.quiet(0));
        const QByteArray all = remote.packet(ipx::kBroadcastNode, "hello all", &far);
        rig.toDriver(tunnel::encodeIpxFrame(all));
        QCOMPARE(a.receive(), all);
        QCOMPARE(b.receive(), all);
        QCOMPARE(c.receive(), all);
        // The same from anyone but the server's tunnel endpoint is ignored.
        QUdpSocket impostor;
        impostor.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0);
        rig.toDriver(tunnel::encodeIpxFrame(all), &impostor);
        QVERIFY(a.quiet(200));

        // Code 7 closes the tunnel; the games stay registered and local.
        rig.driver.control(DriverCode::CloseTunnel, rig.record);
        QVERIFY(!rig.transport->tunnelOpen());
        a.send(toB);
        QCOMPARE(b.receive(), toB);
        QCOMPARE(rig.busyWord(), 1u);
    }

    void forgedCutOrStrayPacketsAreDropped()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.bindTunnel();
        QVERIFY(rig.atServer());  // the hello
        Game a, b, stranger;
        QVERIFY(a.registerNode() && b.registerNode());
        // A source node that is not the sender's own.
        a.send(a.packet(ipx::kBroadcastNode, "forged", &b.node));
        // More than 1,500 bytes; a length field beyond the bytes sent; under a header.
        a.send(a.packet(ipx::kBroadcastNode, QByteArray(1500 - 30 + 1, 'o')));
        a.send(a.packet(ipx::kBroadcastNode, "cut").chopped(1));
        a.send(a.packet(ipx::kBroadcastNode, {}).left(29));
        // A game that never registered.
        stranger.send(a.packet(ipx::kBroadcastNode, "who am I", &a.node));
        QVERIFY(b.quiet(300) && rig.serverQuiet(0) && stranger.quiet(0));
        // The largest packet passes.
        const QByteArray largest = a.packet(ipx::kBroadcastNode, QByteArray(1500 - 30, 'o'));
        a.send(largest);
        QCOMPARE(b.receive(), largest);

        // Nothing from outside loopback reaches the endpoint.
        for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
            if (address.protocol() != QAbstractSocket::IPv4Protocol || address.isLoopback())
                continue;
            Game outsider(address);
            outsider.send(ipx::registrationRequest());
            QVERIFY(outsider.quiet(200));
            break;
        }
    }

    void sixtyFourGamesAtMostAndSilentOnesPingedThenForgotten()
    {
        Rig rig;
        QVERIFY(rig.open());
        LocalIpxNetwork &network = rig.transport->network();
        qint64 now = 1000;
        network.setClock([&now] { return now; });
        const LocalIpxNetwork::KeepAlive keepAlive = network.keepAlive();
        std::vector<std::unique_ptr<Game>> games;
        for (int i = 0; i < LocalIpxNetwork::kMaxClients; ++i) {
            games.push_back(std::make_unique<Game>());
            QVERIFY(games.back()->registerNode());
        }
        Game late;
        late.send(ipx::registrationRequest());
        QVERIFY(late.quiet(300));

        // The first game keeps talking and is left alone; the other 63 are pinged
        // from the endpoint's node, as "ipxnet ping" does it.
        now += keepAlive.quietMs - 1;
        games[0]->send(games[0]->packet(games[1]->node, "still here"));
        QVERIFY(games[1]->receive());
        now += 1;
        QCOMPARE(network.checkSilentClients(), LocalIpxNetwork::kMaxClients - 1);
        const auto ping = games[1]->receive();
        const auto pingHeader = ping ? ipx::parseHeader(*ping) : std::nullopt;
        QVERIFY(pingHeader);
        const ipx::Node endpointNode = ipx::nodeFor(kOwnAddress, 0);
        QCOMPARE(pingHeader->destination, (ipx::Address{0, ipx::kBroadcastNode, ipx::kEchoSocket}));
        QCOMPARE(pingHeader->source, (ipx::Address{0, endpointNode, ipx::kEchoSocket}));
        QVERIFY(games[0]->quiet());

        // The third game answers as DOSBox does, to the pinger's node; the answer
        // goes nowhere else.
        ipx::Header answer;
        answer.destination = {0, endpointNode, ipx::kEchoSocket};
        answer.source = {0, games[2]->node, ipx::kEchoSocket};
        games[2]->send(ipx::encodeHeader(answer));
        QTRY_COMPARE(network.clients().at(2).pingsUnanswered, 0);
        QVERIFY(games[1]->quiet() && rig.serverQuiet());

        for (int round = 1; round < keepAlive.pings; ++round) {
            now += keepAlive.intervalMs;
            QCOMPARE(network.checkSilentClients(), LocalIpxNetwork::kMaxClients - 2);
        }
        QCOMPARE(network.clientCount(), LocalIpxNetwork::kMaxClients);
        now += keepAlive.intervalMs;
        QCOMPARE(network.checkSilentClients(), 0);
        QCOMPARE(network.clientCount(), 2);
        QVERIFY(late.registerNode());

        // Nobody answers any more: after the pings the driver reports no game.
        now += keepAlive.quietMs;
        QCOMPARE(network.checkSilentClients(), 3);
        QVERIFY(rig.busyWord() != 0u);
        for (int round = 0; round < keepAlive.pings; ++round) {
            now += keepAlive.intervalMs;
            network.checkSilentClients();
        }
        QCOMPARE(rig.busyWord(), 0u);
    }

    // A real DOSBox answers the endpoint's pings by itself while its DOS side
    // idles, so it stays registered; once it quits it is forgotten within the
    // pings' grace.
    void dosboxStaysWhileIdleAndIsForgottenAfterItQuits()
    {
        if (test::DosBoxFixture::program().isEmpty())
            QSKIP("dosbox is not installed");
        Rig rig;
        QVERIFY(rig.open());
        rig.transport->setKeepAlive({500, 1000, 3});
        LocalIpxNetwork &network = rig.transport->network();
        test::DosBoxFixture dosbox;
        QString why;
        QVERIFY2(dosbox.start(QStringLiteral("127.0.0.1"), port(kIpxEndpointPort), &why), qPrintable(why));
        QVERIFY(dosbox.waitConnected());
        QCOMPARE(network.clientCount(), 1);

        // Idle DOS sends nothing of its own: each newer sign of life is an
        // answer to a ping. Several rounds outlast the grace of unanswered pings.
        qint64 heard = network.clients().at(0).lastHeardMs;
        for (int answers = 0; answers < 4; ++answers) {
            QTRY_VERIFY_WITH_TIMEOUT(network.clientCount() == 1 && network.clients().at(0).lastHeardMs > heard, 15000);
            heard = network.clients().at(0).lastHeardMs;
        }
        QVERIFY(rig.busyWord() != 0u);

        QVERIFY(dosbox.finish());
        QTRY_COMPARE_WITH_TIMEOUT(rig.busyWord(), 0u, 15000);
    }
};

QTEST_GUILESS_MAIN(TestIpxTransport)
#include "test_ipxtransport.moc"
