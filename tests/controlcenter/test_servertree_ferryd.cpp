// The server tree against the reference server and tracker: the real ferryd on
// 127.0.0.2 answers the tree's tracker socket with its directory and, asked with
// "?", with the players signed on to it, who show under their task group.

#include "controlcenter/trackersocket.h"
#include "tests/controlcenter/servertreefixture.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

using namespace ferry;
using ferry::test::TreeFixture;

namespace {

const QString kFerrydAddress = QStringLiteral("127.0.0.2");

bool usable(const QString &address)
{
    QUdpSocket probe;
    return probe.bind(QHostAddress(address), 0);
}

// Signs a player on from its own loopback address; true when ferryd accepts.
bool signOn(QUdpSocket &socket, const QByteArray &nickname, quint16 serverPort)
{
    QByteArray d(161, '\0');
    d[0] = char(10);
    d.replace(1, nickname.size(), nickname);
    socket.writeDatagram(d, QHostAddress(kFerrydAddress), serverPort);
    if (!socket.waitForReadyRead(3000))
        return false;
    const QByteArray answer = socket.receiveDatagram().data();
    return !answer.isEmpty() && quint8(answer[0]) == 138;
}

} // namespace

class TestServerTreeFerryd : public QObject {
    Q_OBJECT
private slots:
    void directoryAndPlayersFromFerryd()
    {
        for (const char *a : {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"}) {
            if (!usable(QLatin1String(a)))
                QSKIP("needs the loopback addresses 127.0.0.2 to 127.0.0.5");
        }
        TreeFixture f;
        const quint16 serverPort = quint16(2210 + f.env.portOffset());
        auto ferryd = f.env.start(QStringLiteral("ferryd"),
                                  {QStringLiteral("--address"), kFerrydAddress, QStringLiteral("--name"),
                                   QStringLiteral("Test Ferry"), QStringLiteral("--chat-server"),
                                   QStringLiteral("chat.test:6668"), QStringLiteral("--server"),
                                   QStringLiteral("10.9.8.7,Elsewhere"), QStringLiteral("--quiet")});
        QVERIFY(ferryd->waitForStarted(5000));
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += ferryd->readAllStandardOutput()).contains("listening"), 5000);

        QUdpSocket alice, bob, carol;
        alice.bind(QHostAddress(QStringLiteral("127.0.0.3")), 0);
        bob.bind(QHostAddress(QStringLiteral("127.0.0.4")), 0);
        carol.bind(QHostAddress(QStringLiteral("127.0.0.5")), 0);
        QVERIFY(signOn(alice, "alice", serverPort));
        QVERIFY(signOn(bob, "bob", serverPort));

        f.settings.tracker = kFerrydAddress;
        ServerTree &tree = f.start();
        QVERIFY(tree.tracker()->isBound());

        QTRY_COMPARE_WITH_TIMEOUT(f.labels(tree.activeRoot()), QStringList{QStringLiteral("Test Ferry, Users=2")},
                                  5000);
        QCOMPARE(f.labels(tree.availableRoot()), QStringList{QStringLiteral("Elsewhere")});
        QTreeWidgetItem *server = tree.activeRoot()->child(0);
        QCOMPARE(ServerTree::serverOf(server)->chatServer, QStringLiteral("chat.test:6668"));
        QTRY_COMPARE_WITH_TIMEOUT(f.labels(server), QStringList{QStringLiteral("chat")}, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(f.labels(server->child(0)).size(), 2, 5000);
        QStringList players = f.labels(server->child(0));
        players.sort();
        QCOMPARE(players, (QStringList{QStringLiteral("alice"), QStringLiteral("bob")}));
        const auto *alicesRecord = dynamic_cast<const CKClient *>(
            ServerTree::recordOf(f.childLabelled(server->child(0), QStringLiteral("alice"))));
        QCOMPARE(alicesRecord->address, QStringLiteral("127.0.0.3"));

        // A third player: Refresh Selected asks the server again.
        QVERIFY(signOn(carol, "carol", serverPort));
        f.widget.setCurrentItem(server);
        tree.runCommand(ServerTree::RefreshSelected);
        QTRY_COMPARE_WITH_TIMEOUT(server->childCount() ? server->child(0)->childCount() : 0, 3, 5000);
        QCOMPARE(server->text(0), QStringLiteral("Test Ferry, Users=2"));  // the count comes with the directory

        // Refresh All: the directory replaces the row with the new count, and its players follow.
        tree.runCommand(ServerTree::RefreshAll);
        QTRY_COMPARE_WITH_TIMEOUT(f.labels(tree.activeRoot()), QStringList{QStringLiteral("Test Ferry, Users=3")},
                                  5000);
        server = tree.activeRoot()->child(0);
        QTRY_COMPARE_WITH_TIMEOUT(server->childCount() ? server->child(0)->childCount() : 0, 3, 5000);

        test::stopProcess(*ferryd);
    }
};

QTEST_MAIN(TestServerTreeFerryd)
#include "test_servertree_ferryd.moc"
