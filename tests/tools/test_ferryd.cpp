// Starts the built ferryd and speaks to it with plain UDP sockets, building the
// datagrams byte by byte so that the program is checked against the wire layout
// rather than against its own codecs.

#include "tests/support/bytelists.h"
#include "tests/support/testenv.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <memory>
#include <optional>

using ferry::test::bytesOf;
using ferry::test::nulStrings;
using ferry::test::TestEnv;

namespace {

QByteArray field(const QByteArray &s, int n)
{
    QByteArray f = s.left(n - 1);
    return f + QByteArray(n - f.size(), '\0');
}

QByteArray signOn(const QByteArray &nickname)
{
    return QByteArray(1, char(10)) + field(nickname, 16) + QByteArray(64, '\0') + field(nickname + "@example.org", 80);
}

// A relayed ping (type 8) carrying a 29-byte ping record whose address is `address`.
QByteArray peerPing(int recordType, const QByteArray &nickname, const QHostAddress &address, quint16 sequence)
{
    const quint32 ip = address.toIPv4Address();
    QByteArray d = bytesOf({8, sequence & 0xFF, sequence >> 8, 0x69, 0x69, 0x69, 0x69, recordType});
    d += field(nickname, 16) + field("#ferry", 8);
    d += bytesOf({int(ip >> 24), int(ip >> 16) & 0xFF, int(ip >> 8) & 0xFF, int(ip & 0xFF)});
    return d;
}

QByteArray be32(quint32 v)
{
    return bytesOf({int(v >> 24), int(v >> 16) & 0xFF, int(v >> 8) & 0xFF, int(v & 0xFF)});
}

// The tunnel's hello: type 1, the own address, the nickname in 16 bytes.
QByteArray hello(const QString &ownAddress, const QByteArray &nickname)
{
    return QByteArray(1, char(1)) + be32(QHostAddress(ownAddress).toIPv4Address()) + field(nickname, 16);
}

// A node of the player at `address`: the address reversed, then the client number.
QByteArray node(const QString &address, int client)
{
    const quint32 a = QHostAddress(address).toIPv4Address();
    return bytesOf({int(a & 0xFF), int(a >> 8) & 0xFF, int(a >> 16) & 0xFF, int(a >> 24), client >> 8, client & 0xFF});
}

// A tunnel frame (type 3) holding an IPX packet from node `from` to node `to`.
QByteArray ipxFrame(const QByteArray &from, const QByteArray &to, const QByteArray &data)
{
    const int length = 30 + int(data.size());
    QByteArray p = bytesOf({0xFF, 0xFF, length >> 8, length & 0xFF, 0, 4});
    p += bytesOf({0, 0, 0, 0}) + to + bytesOf({0x51, 0x30});
    p += bytesOf({0, 0, 0, 0}) + from + bytesOf({0x51, 0x30});
    return QByteArray(1, char(3)) + p + data;
}

const QByteArray kBroadcast = bytesOf({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});

bool usable(const QString &address)
{
    QUdpSocket probe;
    return probe.bind(QHostAddress(address), 0);
}

// A player's socket: sends to ferryd and waits briefly for its answers.
struct Client {
    QUdpSocket socket;
    QHostAddress address;

    explicit Client(const QString &a) : address(a) { socket.bind(address, 0); }

    void send(const QByteArray &d, const QHostAddress &to, quint16 port) { socket.writeDatagram(d, to, port); }

    std::optional<QByteArray> receive(int timeoutMs = 3000)
    {
        if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(timeoutMs))
            return std::nullopt;
        return socket.receiveDatagram().data();
    }

    bool quiet(int ms = 100)
    {
        return !socket.hasPendingDatagrams() && !socket.waitForReadyRead(ms);
    }
};

} // namespace

class TestFerryd : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<QProcess> m_ferryd;
    QByteArray m_output;
    QHostAddress m_server;
    QString m_aliceAddress, m_bobAddress, m_carolAddress;
    quint16 m_serverPort = 0, m_trackerPort = 0, m_tunnelPort = 0;
    std::unique_ptr<Client> m_alice, m_bob;  // signed on for the later cases

    QByteArray output()
    {
        m_output += m_ferryd->readAllStandardOutput();
        return m_output;
    }

    QByteArray ask(Client &c, const QByteArray &d)
    {
        c.send(d, m_server, m_serverPort);
        return c.receive().value_or(QByteArray("<nothing>"));
    }

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnv>();
        // Several loopback addresses keep ferryd and its players apart the way
        // separate machines would; with only 127.0.0.1 they share it by port.
        const bool spread = usable(QStringLiteral("127.0.0.2")) && usable(QStringLiteral("127.0.0.3"))
            && usable(QStringLiteral("127.0.0.4")) && usable(QStringLiteral("127.0.0.5"));
        const QString one = QStringLiteral("127.0.0.1");
        m_server = QHostAddress(spread ? QStringLiteral("127.0.0.2") : one);
        m_aliceAddress = spread ? QStringLiteral("127.0.0.3") : one;
        m_bobAddress = spread ? QStringLiteral("127.0.0.4") : one;
        m_carolAddress = spread ? QStringLiteral("127.0.0.5") : one;
        m_serverPort = quint16(2210 + m_env->portOffset());
        m_trackerPort = quint16(2224 + m_env->portOffset());
        m_tunnelPort = quint16(2211 + m_env->portOffset());

        m_ferryd = m_env->start(QStringLiteral("ferryd"),
                                {QStringLiteral("--address"), m_server.toString(), QStringLiteral("--name"),
                                 QStringLiteral("Test Ferry"), QStringLiteral("--max-players"), QStringLiteral("2"),
                                 QStringLiteral("--chat-server"), QStringLiteral("chat.test:6668"),
                                 QStringLiteral("--server"), QStringLiteral("10.9.8.7,Elsewhere,4"),
                                 QStringLiteral("--operator"), QStringLiteral("alice@") + m_aliceAddress});
        QVERIFY(m_ferryd->waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(output().contains("listening"), 5000);
        QVERIFY(output().contains(QByteArray::number(m_serverPort)));
    }

    void cleanupTestCase()
    {
        if (m_ferryd && m_ferryd->state() != QProcess::NotRunning)
            ferry::test::stopProcess(*m_ferryd);
    }

    void directoryOnTrackerRequest()
    {
        Client c(m_aliceAddress);
        c.send("Q", m_server, m_trackerPort);
        const auto d = c.receive();
        QVERIFY(d);
        QCOMPARE(*d, nulStrings(209, {"IP=" + m_server.toString().toLatin1(), "NAME=Test Ferry", "CHATSERVER=chat.test:6668",
                                   "IP=10.9.8.7", "NAME=Elsewhere", "USERS=4"}));
    }

    void signOnAcceptsRefusesAndLimits()
    {
        Client alice(m_aliceAddress), bob(m_bobAddress), carol(m_carolAddress), intruder(m_carolAddress);
        // The tunnel endpoint is ferryd's own address at its tunnel port.
        const QByteArray accepted = QByteArray(1, char(138)) + be32(m_server.toIPv4Address())
            + bytesOf({m_tunnelPort >> 8, m_tunnelPort & 0xFF});
        QCOMPARE(ask(alice, signOn("alice")), accepted);
        // A repeated sign-on (its accept was lost) is accepted again.
        QCOMPARE(ask(alice, signOn("alice")), accepted);
        // The same nickname from elsewhere, in any case, is in use.
        QCOMPARE(ask(intruder, signOn("ALICE")), bytesOf({241}));
        QCOMPARE(ask(bob, signOn("bob")), accepted);
        QCOMPARE(ask(carol, signOn("carol")), bytesOf({242}));
        // A sign-on cut short gets no answer.
        carol.send(signOn("carol").left(100), m_server, m_serverPort);
        QVERIFY(carol.quiet());

        // The directory now counts the players; "?" lists them.
        alice.send("Q", m_server, m_trackerPort);
        QVERIFY(alice.receive().value_or(QByteArray()).contains(QByteArray("USERS=2\0", 8)));
        const QByteArray list = ask(carol, "?");
        QCOMPARE(list, nulStrings(191, {"alice", m_aliceAddress.toLatin1(), "chat", "online", "op",
                                     "bob", m_bobAddress.toLatin1(), "chat", "online", "-"}));
        QVERIFY(alice.quiet() && bob.quiet());

        // Keep the sockets: the players stay signed on from these endpoints.
        m_alice = std::make_unique<Client>(m_aliceAddress);
        m_bob = std::make_unique<Client>(m_bobAddress);
        QCOMPARE(ask(alice, bytesOf({5})), bytesOf({133}));
        QCOMPARE(ask(bob, bytesOf({5})), bytesOf({133}));
        QCOMPARE(ask(*m_alice, signOn("alice")), accepted);
        QCOMPARE(ask(*m_bob, signOn("bob")), accepted);
    }

    void serviceRequestsAnsweredWithNotices()
    {
        QVERIFY(m_alice && m_bob);
        const QByteArray users = ask(*m_alice, bytesOf({4}));
        QCOMPARE(users.left(1), bytesOf({1}));
        QVERIFY(users.endsWith('\0'));
        const QList<QByteArray> lines = users.mid(1).chopped(1).split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains("Test Ferry"));
        QVERIFY(lines[1].contains("alice") && lines[2].contains("bob"));

        QVERIFY(ask(*m_bob, QByteArray("\x0c" "alice\0", 7)).contains("alice is at " + m_aliceAddress.toLatin1()));
        QVERIFY(ask(*m_bob, QByteArray("\x0c" "nobody\0", 8)).contains("No player named nobody"));

        // Bans are for operators only; a banned nickname has no access.
        const QByteArray banZed = QByteArray("\x21") + field("zed", 17);
        QVERIFY(ask(*m_bob, banZed).contains("Only server operators"));
        QVERIFY(ask(*m_alice, banZed).contains("Banned zed."));
        QVERIFY(ask(*m_alice, bytesOf({35})).contains("Bans: zed"));
        Client zed(m_carolAddress);
        QCOMPARE(ask(zed, signOn("zed")), bytesOf({243}));
        QVERIFY(ask(*m_alice, QByteArray("\x22") + field("zed", 17)).contains("Unbanned zed."));

        // Someone not signed on is told so; a stray notice from elsewhere gets no answer,
        // so that two servers never keep answering each other.
        QVERIFY(ask(zed, bytesOf({4})).contains("not signed on"));
        zed.send(QByteArray("\x01" "Players on elsewhere\0", 22), m_server, m_serverPort);
        QVERIFY(zed.quiet());
        // A player's unknown request is answered.
        QVERIFY(ask(*m_bob, bytesOf({99})).contains("Unknown service request 99."));
    }

    void peerPingRelayedBetweenPlayers()
    {
        QVERIFY(m_alice && m_bob);
        // Alice's ping request names Bob's address: it reaches Bob as type 7.
        const QByteArray request = peerPing(5, "alice", QHostAddress(m_bobAddress), 0x0203);
        m_alice->send(request, m_server, m_serverPort);
        const auto atBob = m_bob->receive();
        QVERIFY(atBob);
        QCOMPARE(atBob->at(0), char(7));
        QCOMPARE(atBob->mid(1), request.mid(1));

        // Bob's answer names Alice's address: it goes back to Alice.
        QByteArray answer = *atBob;
        answer[0] = char(8);
        answer[7] = char(6);
        answer.replace(8, 16, field("bob", 16));
        const quint32 a = QHostAddress(m_aliceAddress).toIPv4Address();
        answer.replace(32, 4, bytesOf({int(a >> 24), int(a >> 16) & 0xFF, int(a >> 8) & 0xFF, int(a & 0xFF)}));
        m_bob->send(answer, m_server, m_serverPort);
        const auto atAlice = m_alice->receive();
        QVERIFY(atAlice);
        QCOMPARE(atAlice->at(0), char(7));
        QCOMPARE(atAlice->mid(8, 4), QByteArray("bob\0", 4));

        // Bad markers, an address nobody holds, or a sender not signed on: dropped.
        QByteArray bad = request;
        bad[3] = 0;
        m_alice->send(bad, m_server, m_serverPort);
        m_alice->send(peerPing(5, "alice", QHostAddress(QStringLiteral("10.1.1.1")), 1), m_server, m_serverPort);
        Client stranger(m_carolAddress);
        stranger.send(peerPing(5, "x", QHostAddress(m_bobAddress), 2), m_server, m_serverPort);
        QVERIFY(m_bob->quiet(200) && m_alice->quiet(10));
    }

    void tunnelRoutesGameFramesBetweenPlayers()
    {
        QVERIFY(m_alice && m_bob);
        if (m_aliceAddress == m_bobAddress)
            QSKIP("the players need addresses of their own");
        // Each player's tunnel socket introduces itself and is welcomed.
        Client aliceTunnel(m_aliceAddress), bobTunnel(m_bobAddress);
        aliceTunnel.send(hello(m_aliceAddress, "alice"), m_server, m_tunnelPort);
        QCOMPARE(aliceTunnel.receive().value_or("<nothing>"), bytesOf({2}) + be32(QHostAddress(m_aliceAddress).toIPv4Address()));
        bobTunnel.send(hello(m_bobAddress, "bob"), m_server, m_tunnelPort);
        QCOMPARE(bobTunnel.receive().value_or("<nothing>").left(1), bytesOf({2}));

        // A broadcast reaches the other player exactly once, and not its sender.
        const QByteArray broadcast = ipxFrame(node(m_aliceAddress, 1), kBroadcast, "who is there?");
        aliceTunnel.send(broadcast, m_server, m_tunnelPort);
        QCOMPARE(bobTunnel.receive().value_or("<nothing>"), broadcast);
        QVERIFY(bobTunnel.quiet(200) && aliceTunnel.quiet(10));
        // A unicast goes to the player whose address the node holds.
        const QByteArray reply = ipxFrame(node(m_bobAddress, 2), node(m_aliceAddress, 1), "bob here");
        bobTunnel.send(reply, m_server, m_tunnelPort);
        QCOMPARE(aliceTunnel.receive().value_or("<nothing>"), reply);

        // Dropped: a hello or frame from someone not signed on, a socket that has not
        // introduced itself, a forged source node, a frame over 1,500 bytes, a packet
        // shorter than its length field says, a frame of no known type.
        Client stranger(m_carolAddress), aliceOtherSocket(m_aliceAddress);
        stranger.send(hello(m_carolAddress, "carol"), m_server, m_tunnelPort);
        QVERIFY(stranger.quiet(200));
        stranger.send(ipxFrame(node(m_carolAddress, 1), kBroadcast, "x"), m_server, m_tunnelPort);
        aliceOtherSocket.send(ipxFrame(node(m_aliceAddress, 1), kBroadcast, "x"), m_server, m_tunnelPort);
        aliceTunnel.send(ipxFrame(node(m_bobAddress, 1), node(m_bobAddress, 2), "forged"), m_server, m_tunnelPort);
        aliceTunnel.send(ipxFrame(node(m_aliceAddress, 1), kBroadcast, QByteArray(1500 - 31 + 1, 'o')), m_server, m_tunnelPort);
        aliceTunnel.send(ipxFrame(node(m_aliceAddress, 1), kBroadcast, "cut").chopped(1), m_server, m_tunnelPort);
        aliceTunnel.send(bytesOf({9, 1, 2, 3}), m_server, m_tunnelPort);
        QVERIFY(bobTunnel.quiet(300));
        // The largest frame still passes.
        const QByteArray largest = ipxFrame(node(m_aliceAddress, 1), kBroadcast, QByteArray(1500 - 31, 'o'));
        aliceTunnel.send(largest, m_server, m_tunnelPort);
        QCOMPARE(bobTunnel.receive().value_or("<nothing>").size(), 1500);

        // One line per drop, with its reason.
        QTRY_VERIFY_WITH_TIMEOUT(output().contains("dropped: malformed (2 so far)"), 3000);
        const QByteArray out = output();
        QVERIFY(out.contains("tunnel frame from " + m_carolAddress.toLatin1()));
        QCOMPARE(out.count("dropped: not from a player"), 3);
        QCOMPARE(out.count("dropped: spoofed source node"), 1);
        QCOMPARE(out.count("dropped: over 1500 bytes"), 1);
        QVERIFY(!out.contains("dropped: malformed (3 so far)"));
    }

    void operatorRemovesAPlayer()
    {
        QVERIFY(m_alice && m_bob);
        const QByteArray kill = QByteArray("\x20") + field("bob", 16) + QByteArray("spam\0\0", 6);
        QVERIFY(ask(*m_alice, kill).contains("Removed bob (spam)."));
        const auto toBob = m_bob->receive();
        QVERIFY(toBob);
        QVERIFY(toBob->contains("You were removed from the server by alice: spam"));
        QVERIFY(!ask(*m_alice, "?").contains("bob"));
        QCOMPARE(ask(*m_bob, signOn("bob")).left(1), bytesOf({138}));
    }

    void logoffAcknowledged()
    {
        QVERIFY(m_alice && m_bob);
        QCOMPARE(ask(*m_alice, bytesOf({5})), bytesOf({133}));
        // Repeated, or from someone who never signed on, it is still acknowledged.
        QCOMPARE(ask(*m_alice, bytesOf({5})), bytesOf({133}));
        Client nobody(m_carolAddress);
        QCOMPARE(ask(nobody, bytesOf({5})), bytesOf({133}));
        const QByteArray list = ask(nobody, "?");
        QVERIFY(!list.contains("alice"));
        QVERIFY(list.contains("bob"));
    }

    void operatorNicknameFromElsewhereIsNoOperator()
    {
        QVERIFY(m_bob);
        if (m_aliceAddress == m_carolAddress)
            QSKIP("the impostor needs an address of its own");
        // Alice has left; someone else takes her nickname from another address.
        Client impostor(m_carolAddress);
        QCOMPARE(ask(impostor, signOn("alice")).left(1), bytesOf({138}));
        QVERIFY(ask(impostor, QByteArray("\x21") + field("bob", 17)).contains("Only server operators"));
        QVERIFY(ask(impostor, QByteArray("\x20") + field("bob", 16) + QByteArray("bye\0", 4)).contains("Only server operators"));
        QVERIFY(m_bob->quiet(100));
        const QByteArray list = ask(impostor, "?");
        QVERIFY(list.contains(QByteArray("alice\0", 6) + m_carolAddress.toLatin1() + QByteArray("\0chat\0online\0-\0", 15)));
        QCOMPARE(ask(impostor, bytesOf({5})), bytesOf({133}));
    }

    void strangersGetABoundedNumberOfAnswers()
    {
        if (m_aliceAddress == m_carolAddress)
            QSKIP("the strangers need addresses of their own");
        // One byte asks for a directory many times its size: an address that has not
        // signed on (and may be forged) gets 16 answers in 10 s, a second address its own.
        Client flooder(QStringLiteral("127.0.0.6")), other(QStringLiteral("127.0.0.7"));
        for (int i = 0; i < 24; ++i)
            flooder.send(i % 2 ? QByteArray("Q") : QByteArray("?"), m_server, i % 2 ? m_trackerPort : m_serverPort);
        int answers = 0;
        while (flooder.receive(500))
            ++answers;
        QCOMPARE(answers, 16);
        other.send("Q", m_server, m_trackerPort);
        QVERIFY(other.receive());
        QTRY_VERIFY_WITH_TIMEOUT(output().contains("127.0.0.6 asked too often, not answered"), 3000);
    }

    void portsInUseOrBadOptionsEndAtOnce()
    {
        const auto second = m_env->start(QStringLiteral("ferryd"), {QStringLiteral("--address"), m_server.toString()});
        QVERIFY(second->waitForFinished(5000));
        QCOMPARE(second->exitCode(), 2);  // valid options: only the ports can have failed

        const auto bad = m_env->start(QStringLiteral("ferryd"), {QStringLiteral("--address"), QStringLiteral("::1")});
        QVERIFY(bad->waitForFinished(5000));
        QCOMPARE(bad->exitCode(), 2);

        // An operator named without the address it must come from is refused.
        const auto bareOperator = m_env->start(QStringLiteral("ferryd"), {QStringLiteral("--address"), QStringLiteral("127.0.0.9"),
                                                                          QStringLiteral("--operator"), QStringLiteral("alice")});
        QVERIFY(bareOperator->waitForFinished(5000));
        QCOMPARE(bareOperator->exitCode(), 2);
    }

    void logsEveryDatagramAndStopsOnSigterm()
    {
        QTRY_VERIFY_WITH_TIMEOUT(output().contains("logoff acknowledged"), 3000);
        const QByteArray out = output();
        QVERIFY(out.contains("<- " + m_aliceAddress.toLatin1()));
        QVERIFY(out.contains("sign-on nickname \"alice\""));
        QVERIFY(out.contains("refused: nickname in use"));
        QVERIFY(out.contains("refused: server full"));
        QVERIFY(out.contains("peer ping"));
        QCOMPARE(ferry::test::stopProcess(*m_ferryd), 0);
        QVERIFY(output().contains("ferryd stopped"));
        QVERIFY(output().contains("tunnel: 3 frames routed, 3 copies delivered; dropped: 3 not from a player, "
                                  "1 spoofed source node, 1 over 1500 bytes, 2 malformed, 0 no such player"));
    }
};

QTEST_GUILESS_MAIN(TestFerryd)
#include "test_ferryd.moc"
