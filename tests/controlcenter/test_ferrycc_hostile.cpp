// The built control center against anyone who can send it a datagram: peer pings
// that answer nothing or carry text, ping requests that name a victim, and
// directories from whoever claims to be the tracker. Every hostile party is a
// plain UDP socket on a loopback address of its own; datagrams are spelled out
// byte by byte.

#include "common/registry.h"
#include "platform/registrystore.h"
#include "protocol/ports.h"
#include "tests/support/bytelists.h"
#include "tests/support/localnetwork.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

using namespace ferry;
using ferry::test::bytesOf;
using ferry::test::nulStrings;

namespace {

const QHostAddress kOwn(QStringLiteral("127.0.0.1"));

struct Socket {
    QUdpSocket socket;
    QHostAddress address;
    Socket(const QString &a, quint16 port) : address(a) { QVERIFY(socket.bind(address, port)); }
    QByteArray next(int timeoutMs = 3000)
    {
        if (!socket.hasPendingDatagrams() && !QTest::qWaitFor([&] { return socket.hasPendingDatagrams(); }, timeoutMs))
            return {};
        return socket.receiveDatagram().data();
    }
    bool quiet(int ms) { return next(ms).isEmpty(); }
    void send(const QByteArray &d, quint16 port) { socket.writeDatagram(d, kOwn, port); }
};

QByteArray field(const QByteArray &s, int n) { return s.left(n - 1) + QByteArray(n - std::min<int>(s.size(), n - 1), '\0'); }

QByteArray be32(const QHostAddress &a)
{
    const quint32 v = a.toIPv4Address();
    return bytesOf({int(v >> 24), int(v >> 16) & 0xFF, int(v >> 8) & 0xFF, int(v & 0xFF)});
}

// A 29-byte ping record as the chat client builds it.
QByteArray record(int type, const QByteArray &nick, const QHostAddress &address)
{
    return QByteArray(1, char(type)) + field(nick, 16) + field("#lanway", 8) + be32(address);
}

// A peer ping (type 7 or 8) with its sequence number and markers around a record.
QByteArray peerPing(int type, int sequence, const QByteArray &record)
{
    return bytesOf({type, sequence & 0xFF, sequence >> 8, 0x69, 0x69, 0x69, 0x69}) + record;
}

} // namespace

class TestFerryccHostile : public QObject {
    Q_OBJECT
private slots:
    void init() { reg::resetDefaultStore(); }
    void cleanup() { reg::resetDefaultStore(); }

    void relayPassesOnlyAnswersToItsOwnPings()
    {
        test::TestEnv env;
        reg::resetDefaultStore();
        QVERIFY(test::seedPlayer({}));
        test::FerrydProcess ferryd;
        QVERIFY(ferryd.start(env));
        // This socket stands where the chat client would.
        Socket chat(QStringLiteral("127.0.0.1"), port(kChatLinkPort));
        test::ConnectingControlCenter cc;
        QVERIFY(cc.start(env) && cc.waitUntilSignedOn());

        const quint16 serverPort = port(kServerPort);
        Socket peer(QStringLiteral("127.0.0.5"), serverPort), hostile(QStringLiteral("127.0.0.6"), serverPort),
            victim(QStringLiteral("127.0.0.7"), serverPort);

        // Text in a ping datagram, and an answer to a ping nobody sent: not for the chat client.
        hostile.send(peerPing(8, 1, bytesOf({240}) + field("Banned! See evil.example", 28)), serverPort);
        hostile.send(peerPing(7, 1, record(6, "liar", kOwn)), serverPort);
        // A ping request naming a victim: the answer goes to the sender, never to the victim.
        hostile.send(peerPing(8, 2, record(5, "prober", victim.address)), serverPort);
        const QByteArray pong = hostile.next();
        QCOMPARE(pong.size(), 36);
        QCOMPARE(pong.at(7), char(6));
        QCOMPARE(pong.mid(8, 5), QByteArray("hero\0", 5));
        QVERIFY(victim.quiet(300));
        QVERIFY(chat.quiet(100));

        // The chat client pings the peer; the relay sends it there directly.
        chat.send(record(5, "hero", peer.address), port(kServicePort));
        const QByteArray out = peer.next();
        QCOMPARE(out.size(), 36);
        QCOMPARE(out.at(7), char(5));
        QByteArray answer = out;
        answer[7] = char(6);
        answer.replace(8, 16, field("buddy", 16));
        answer += bytesOf({4, 0, 0, 0}) + "tail";  // a counted payload travels no further
        // The right sequence from the wrong sender, the right sender with another sequence: dropped.
        hostile.send(answer, serverPort);
        QByteArray otherSequence = answer;
        otherSequence[1] = char(quint8(answer[1]) + 1);
        peer.send(otherSequence, serverPort);
        QVERIFY(chat.quiet(300));

        // The peer's own answer reaches the chat client once, as the bare record.
        peer.send(answer, serverPort);
        const QByteArray result = chat.next();
        QCOMPARE(result.size(), 29);
        QCOMPARE(result.at(0), char(6));
        QCOMPARE(result.mid(1, 6), QByteArray("buddy\0", 6));
        peer.send(answer, serverPort);
        QVERIFY(chat.quiet(300));
    }

    void directoryAndPlayerListsOnlyFromWhoWasAsked()
    {
        test::TestEnv env;
        reg::resetDefaultStore();
        test::PlayerSeed seed;
        seed.serverAddress = QStringLiteral("127.0.0.9");  // nobody signs on anywhere
        QVERIFY(test::seedPlayer(seed));
        {
            CRegistry registry;
            QVERIFY(registry.Open(QStringLiteral("SOFTWARE\\Hollowell\\Ferry97")));
            QVERIFY(registry.SetStringValue(QStringLiteral("tracker"), QStringLiteral("127.0.0.6")));
        }
        const quint16 trackerPort = port(kTrackerPort);
        Socket tracker(QStringLiteral("127.0.0.6"), trackerPort), impostor(QStringLiteral("127.0.0.7"), trackerPort);
        Socket listed(QStringLiteral("127.0.0.8"), port(kServerPort)), planted(QStringLiteral("127.0.0.10"), port(kServerPort));

        auto cc = env.start(QStringLiteral("ferrycc"));
        QVERIFY(cc->waitForStarted(5000));
        QCOMPARE(tracker.next(15000), QByteArray("Q"));

        // An impostor answers first; the tracker's own answer is taken; the tracker's
        // second, unasked directory is not. Only a server the tree took is asked for players.
        impostor.send(nulStrings(209, {"IP=127.0.0.10", "NAME=Planted", "USERS=5"}), trackerPort);
        tracker.send(nulStrings(209, {"IP=127.0.0.8", "NAME=Listed", "USERS=2"}), trackerPort);
        QCOMPARE(listed.next(), QByteArray("?"));
        tracker.send(nulStrings(209, {"IP=127.0.0.10", "NAME=Planted again", "USERS=3"}), trackerPort);
        QVERIFY(planted.quiet(500));

        // At exit the tree writes its servers back: the listed one, never the planted one.
        QCOMPARE(test::stopProcess(*cc), 0);
        CRegistry servers;
        QVERIFY(servers.Open(QStringLiteral("SOFTWARE\\Hollowell\\Ferry97\\Servers"), KEY_READ));
        QString data;
        QVERIFY(servers.GetStringValue(QStringLiteral("Listed"), data));
        QCOMPARE(data, QStringLiteral("127.0.0.8"));
        QVERIFY(!servers.GetStringValue(QStringLiteral("Planted"), data));
        QVERIFY(!servers.GetStringValue(QStringLiteral("Planted again"), data));
    }
};

QTEST_MAIN(TestFerryccHostile)
#include "test_ferrycc_hostile.moc"
