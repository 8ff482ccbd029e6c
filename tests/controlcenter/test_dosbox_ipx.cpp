// Real DOSBox games on the tunnel: each DOSBox runs "ipxnet connect" to its
// player's control center and "ipxnet ping", whose answers list every other game
// it reaches. Players are control centers on their own loopback addresses, as on
// separate machines; the server is the real ferryd, or a control center running
// a local server.
//
// DOSBox prints an answering node's bytes 0..3 as the address: our nodes hold the
// player's address reversed, so 127.0.0.3's first game answers as "3.0.0.127, port 1".

#include "common/registry.h"
#include "protocol/ports.h"
#include "tests/support/dosboxfixture.h"
#include "tests/support/localnetwork.h"

#include <QTest>
#include <QUdpSocket>

using namespace ferry;

namespace {

// Whether someone listens at the address and port (the endpoint is up).
bool bound(const QString &address, quint16 port)
{
    QUdpSocket probe;
    return !probe.bind(QHostAddress(address), port);
}

// The player's single server entry becomes the local server.
bool chooseLocalServer()
{
    CRegistry servers;
    return servers.Open(QStringLiteral("SOFTWARE\\Hollowell\\Ferry97\\Servers"))
        && servers.SetStringValue(QStringLiteral("Home"), QStringLiteral("local"));
}

} // namespace

class TestDosboxIpx : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (test::DosBoxFixture::program().isEmpty())
            QSKIP("dosbox is not installed");
    }

    void twoPlayersPlayThroughFerryd()
    {
        test::TwoPlayers players;
        QVERIFY(players.seed());
        test::FerrydProcess ferryd;
        QVERIFY(ferryd.start(players.env));
        test::ConnectingControlCenter hero, buddy;
        QVERIFY(hero.start(players.env) && hero.waitUntilSignedOn());
        QVERIFY(players.startBuddy(buddy) && buddy.waitUntilSignedOn());
        QVERIFY(ferryd.waitForLine(QStringLiteral("tunnel welcome for hero")));
        QVERIFY(ferryd.waitForLine(QStringLiteral("tunnel welcome for buddy")));

        const quint16 endpoint = port(kIpxEndpointPort);
        test::DosBoxFixture heroGame, buddyGame;
        QString why;
        QVERIFY2(heroGame.start(QStringLiteral("127.0.0.1"), endpoint, &why), qPrintable(why));
        QVERIFY2(buddyGame.start(QStringLiteral("127.0.0.3"), endpoint, &why), qPrintable(why));
        QVERIFY(heroGame.waitConnected() && buddyGame.waitConnected());

        const QString heroSees = heroGame.ping();
        QVERIFY2(heroSees.contains(QLatin1String("Response from 3.0.0.127, port 1 time=")), qPrintable(heroSees));
        const QString buddySees = buddyGame.ping();
        QVERIFY2(buddySees.contains(QLatin1String("Response from 1.0.0.127, port 1 time=")), qPrintable(buddySees));
        QCOMPARE(heroSees.count(QLatin1String("Response from")), 1);
        QVERIFY(heroGame.finish() && buddyGame.finish());
        QVERIFY(!ferryd.output().contains(QLatin1String("dropped")));
    }

    void localServerJoinsTheGamesOfOneMachineAndServesAnotherPlayer()
    {
        test::TwoPlayers players;
        players.buddy.serverAddress = QStringLiteral("127.0.0.1");  // the hero's machine
        QVERIFY(players.seed() && chooseLocalServer());

        // No ferryd: the hero's control center starts its local server.
        test::ConnectingControlCenter hero, buddy;
        QVERIFY(hero.start(players.env));
        const quint16 endpoint = port(kIpxEndpointPort);
        QTRY_VERIFY_WITH_TIMEOUT(bound(QStringLiteral("127.0.0.1"), port(kTunnelPort)), 15000);
        QVERIFY(players.startBuddy(buddy) && buddy.waitUntilSignedOn());

        test::DosBoxFixture first, second, away;
        QString why;
        QVERIFY2(first.start(QStringLiteral("127.0.0.1"), endpoint, &why), qPrintable(why));
        QVERIFY(first.waitConnected());
        QVERIFY2(second.start(QStringLiteral("127.0.0.1"), endpoint, &why), qPrintable(why));
        QVERIFY2(away.start(QStringLiteral("127.0.0.3"), endpoint, &why), qPrintable(why));
        QVERIFY(second.waitConnected() && away.waitConnected());

        // The hero's two games see each other, and the buddy's game through the local server.
        const QString firstSees = first.ping();
        QVERIFY2(firstSees.contains(QLatin1String("Response from 1.0.0.127, port 2 time=")), qPrintable(firstSees));
        QVERIFY2(firstSees.contains(QLatin1String("Response from 3.0.0.127, port 1 time=")), qPrintable(firstSees));
        const QString awaySees = away.ping();
        QVERIFY2(awaySees.contains(QLatin1String("Response from 1.0.0.127, port 1 time=")), qPrintable(awaySees));
        QVERIFY2(awaySees.contains(QLatin1String("Response from 1.0.0.127, port 2 time=")), qPrintable(awaySees));
        QVERIFY(first.finish() && second.finish() && away.finish());
    }
};

QTEST_MAIN(TestDosboxIpx)
#include "test_dosbox_ipx.moc"
