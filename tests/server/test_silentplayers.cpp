// The server in-process with its clock in the test's hands: players silent for
// ten minutes are dropped, with their tunnels; the tunnel's keep-alive keeps a
// player present.

#include "protocol/ipxpacket.h"
#include "protocol/ports.h"
#include "protocol/serverdatagrams.h"
#include "protocol/tunnelframes.h"
#include "server/ferryserver.h"
#include "tests/support/testenv.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <memory>
#include <optional>
#include <vector>

using namespace ferry;

namespace {

const QHostAddress kServer(QStringLiteral("127.0.0.2"));

// A player's two sockets: sign-on at the server port, tunnel at the tunnel port.
struct Player {
    QByteArray nickname;
    QHostAddress address;
    QUdpSocket signOn, tunnel;

    Player(const QByteArray &nick, const QString &a) : nickname(nick), address(a)
    {
        signOn.bind(address, 0);
        tunnel.bind(address, 0);
    }
    // Waits with the event loop running: the server lives in this process.
    static std::optional<QByteArray> next(QUdpSocket &s)
    {
        if (!QTest::qWaitFor([&] { return s.hasPendingDatagrams(); }, 2000))
            return std::nullopt;
        return s.receiveDatagram().data();
    }
    bool join()
    {
        signOn.writeDatagram(datagrams::encodeSignOn({nickname, {}}), kServer, port(kServerPort));
        const auto accepted = next(signOn);
        return accepted && datagrams::decodeAccepted(*accepted) && hello();
    }
    bool hello()
    {
        tunnel.writeDatagram(tunnel::encodeHello({address.toIPv4Address(), nickname}), kServer, port(kTunnelPort));
        const auto welcome = next(tunnel);
        return welcome && tunnel::decodeWelcome(*welcome) == address.toIPv4Address();
    }
    void broadcast(const QByteArray &data)
    {
        ipx::Header h;
        h.destination.node = ipx::kBroadcastNode;
        h.source.node = ipx::nodeFor(address.toIPv4Address(), 1);
        tunnel.writeDatagram(tunnel::encodeIpxFrame(ipx::buildPacket(h, data)), kServer, port(kTunnelPort));
    }
};

} // namespace

class TestSilentPlayers : public QObject {
    Q_OBJECT

private slots:
    void silentPlayersAreDroppedWithTheirTunnels()
    {
        test::TestEnv env;
        QStringList log;
        ferryd::Config config;
        config.address = kServer;
        config.tracker = false;
        ferryd::FerryServer server(config, [&log](const QString &line) { log << line; });
        qint64 now = 5000;
        server.setClock([&now] { return now; });
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));

        Player alice("alice", QStringLiteral("127.0.0.3")), bob("bob", QStringLiteral("127.0.0.4"));
        QVERIFY(alice.join() && bob.join());

        // Nine minutes on, only Alice's driver sends its keep-alive.
        now += 9 * 60 * 1000;
        QVERIFY(alice.hello());
        now += 60 * 1000;
        server.dropSilentPlayers();
        QCOMPARE(server.roster().players().size(), 1);
        QCOMPARE(server.roster().players().first().nickname, QByteArray("alice"));
        QVERIFY(log.join('\n').contains(QLatin1String("bob at 127.0.0.4")));

        // Bob's tunnel went with him: his frames are a stranger's, Alice's reach nobody.
        bob.broadcast("still here?");
        alice.broadcast("anyone?");
        QTRY_COMPARE(server.tunnelCounters().droppedOf(tunnel::Drop::NotAPlayer), 1u);
        QTRY_COMPARE(server.tunnelCounters().routed, 1u);
        QCOMPARE(server.tunnelCounters().delivered, 0u);
        QVERIFY(!bob.tunnel.hasPendingDatagrams());

        // Game frames count as being heard from, as much as keep-alives do.
        now += 9 * 60 * 1000;
        alice.broadcast("playing");
        QTRY_COMPARE(server.tunnelCounters().routed, 2u);
        now += 2 * 60 * 1000;
        server.dropSilentPlayers();
        QCOMPARE(server.roster().players().size(), 1);
    }

    void signOnsAreCappedPerAddressAndExpireWithoutATunnel()
    {
        test::TestEnv env;
        ferryd::Config config;
        config.address = kServer;
        config.tracker = false;
        config.maxPlayers = 6;
        ferryd::FerryServer server(config, [](const QString &) {});
        qint64 now = 1000;
        server.setClock([&now] { return now; });
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));

        // Sign-ons alone, each from a port of its own, as a flood would send them.
        std::vector<std::unique_ptr<QUdpSocket>> sockets;
        const auto signOn = [&](const QString &address, const QByteArray &nick) -> int {
            sockets.push_back(std::make_unique<QUdpSocket>());
            QUdpSocket &s = *sockets.back();
            s.bind(QHostAddress(address), 0);
            s.writeDatagram(datagrams::encodeSignOn({nick, {}}), kServer, port(kServerPort));
            const auto answer = Player::next(s);
            return answer && !answer->isEmpty() ? quint8(answer->at(0)) : -1;
        };
        for (const QByteArray nick : {"p1", "p2", "p3", "p4"})
            QCOMPARE(signOn(QStringLiteral("127.0.0.5"), nick), 138);
        // A fifth from that address finds the server full though it has room.
        QCOMPARE(signOn(QStringLiteral("127.0.0.5"), "p5"), 242);
        QCOMPARE(signOn(QStringLiteral("127.0.0.6"), "q"), 138);

        // Ten minutes without a word: the four go; q asked for the player list meanwhile.
        now += 9 * 60 * 1000;
        sockets.back()->writeDatagram("?", kServer, port(kServerPort));
        QVERIFY(Player::next(*sockets.back()));
        now += 60 * 1000;
        server.dropSilentPlayers();
        QCOMPARE(server.roster().players().size(), 1);
        QCOMPARE(server.roster().players().first().nickname, QByteArray("q"));
        QCOMPARE(signOn(QStringLiteral("127.0.0.5"), "p5"), 138);
    }
};

QTEST_GUILESS_MAIN(TestSilentPlayers)
#include "test_silentplayers.moc"
