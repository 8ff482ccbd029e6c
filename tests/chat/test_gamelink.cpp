// The game-service link against a stand-in service: a UDP socket on the service
// port that reads the link's datagrams byte by byte and answers on the link's port.

#include "chat/core/tavernwapp.h"
#include "chat/gamelink/gamelink.h"
#include "protocol/ports.h"
#include "tests/chat/fakefrontend.h"
#include "tests/support/testenv.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTest>
#include <QUdpSocket>

namespace {

const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));

QByteArray zeros(int n) { return QByteArray(n, '\0'); }
QByteArray le32(quint32 v)
{
    QByteArray out;
    for (int shift = 0; shift < 32; shift += 8)
        out += char((v >> shift) & 0xFF);
    return out;
}
// A text padded with NULs to a field of n bytes.
QByteArray padded(const QByteArray &s, int n) { return s + zeros(n - int(s.size())); }
// The fixed start of every service request, then its payload length and payload.
QByteArray request(const QByteArray &payload)
{
    return QByteArray(1, char(0xE0)) + zeros(24) + le32(0) + le32(quint32(payload.size())) + payload;
}

// A chat client connected to a listening socket that never speaks, with its link
// attached, and the stand-in service bound on 127.0.0.1 at the service port.
struct Rig {
    ferry::test::TestEnv env;
    QTcpServer chatServer;
    FakeFrontEnd fe;
    CTavernwApp app{&fe};
    QUdpSocket service;
    CGameLink *link = nullptr;

    explicit Rig(const QString &channel = QStringLiteral("#lanway"))
    {
        chatServer.listen(kLoopback);
        app.m_Settings.ChatServer = QStringLiteral("127.0.0.1");
        app.m_Settings.ChatServerPort = chatServer.serverPort();
        app.m_Settings.Channel = channel;
        app.SetIdentity({QStringLiteral("me"), QStringLiteral("me@lanway.test"), {127, 0, 0, 1}});
        app.OpenServerWindow();
        service.bind(kLoopback, ferry::port(ferry::kServicePort));
    }
    bool start()
    {
        if (!app.ConnectToServer() || service.state() != QAbstractSocket::BoundState)
            return false;
        link = CGameLink::AttachToApp(app);
        // Let the chat connection settle so its own lines do not mix with ours.
        if (!QTest::qWaitFor([this] { return !printed().filter(QStringLiteral("Connected to Server")).isEmpty(); }, 2000))
            return false;
        fe.lines.clear();
        return true;
    }
    // The next datagram the service receives, or empty after a second.
    QByteArray received()
    {
        // The event loop runs meanwhile, so the link can receive and answer.
        if (!QTest::qWaitFor([this] { return service.hasPendingDatagrams(); }, 1000))
            return {};
        QByteArray d(int(service.pendingDatagramSize()), '\0');
        service.readDatagram(d.data(), d.size());
        return d;
    }
    void answer(const QByteArray &datagram)
    {
        service.writeDatagram(datagram, kLoopback, ferry::port(ferry::kChatLinkPort));
    }
    // Sends a text answer as a marker and waits until it is printed: everything sent
    // before it has been handled by then (loopback keeps the order).
    bool drain()
    {
        answer("\xF0" "--marker--");
        return QTest::qWaitFor([this] { return printed().contains(QStringLiteral("--marker--")); }, 2000);
    }
    QStringList printed() const { return fe.textsIn(QStringLiteral("Server")); }
};

QByteArray pingRecord(char type, const QByteArray &nick, const QByteArray &text, quint32 value)
{
    return QByteArray(1, type) + padded(nick, 16) + padded(text, 8) + le32(value);
}

} // namespace

class TestGameLink : public QObject {
    Q_OBJECT
private slots:
    void serviceRequestsAreByteExact()
    {
        Rig r;
        QVERIFY(r.start());

        r.link->RequestUsers();
        QCOMPARE(r.received(), request("\x04"));
        QCOMPARE(r.printed(), QStringList{QStringLiteral("\r\nRequesting the user list from the server...")});
        QCOMPARE(r.fe.lines.last().colour, r.app.m_Settings.Status);

        r.link->RequestWhois(QStringLiteral("bob"));
        QCOMPARE(r.received(), request(QByteArray("\x0C" "bob", 4) + zeros(1)));
        QCOMPARE(r.printed().last(), QStringLiteral("** Requesting user information..."));

        r.link->Ban(QStringLiteral("troll"));
        QCOMPARE(r.received(), request("\x21" + padded("troll", 17)));
        r.link->Unban(QStringLiteral("troll"));
        QCOMPARE(r.received(), request("\x22" + padded("troll", 17)));
        r.link->RequestBanList();
        QCOMPARE(r.received(), request("\x23"));

        r.link->Kill(QStringLiteral("bob :flooding the channel"));
        QCOMPARE(r.received(), request("\x20" + padded("bob", 16) + "flooding the channel" + zeros(2)));
        r.link->Kill(QStringLiteral("bob spam and more"));
        QCOMPARE(r.received(), request("\x20" + padded("bob", 16) + "spam" + zeros(2)));
        r.link->Kill(QStringLiteral("\"big bob\" :go away"));
        QCOMPARE(r.received(), request("\x20" + padded("big bob", 16) + "go away" + zeros(2)));
        r.link->Kill(QStringLiteral("\"big bob"));
        QCOMPARE(r.received(), request("\x20" + padded("big bob", 16) + zeros(2)));

        // Only these six words are service commands; the word ignores case.
        QVERIFY(r.link->RunServiceCommand(QStringLiteral("SBlist"), QStringLiteral("SBlist")));
        QCOMPARE(r.received(), request("\x23"));
        QVERIFY(!r.link->RunServiceCommand(QStringLiteral("who"), QString()));
        QVERIFY(!r.service.hasPendingDatagrams());
    }

    void typedServiceCommandsReachTheService()
    {
        Rig r;
        QVERIFY(r.start());
        QStringList sent;
        QObject::connect(&r.app, &CTavernwApp::lineSent, [&sent](const QByteArray &b) { sent << QString::fromUtf8(b); });

        r.app.ProcessInput(QStringLiteral("/SKILL \"big bob\" :go away"), QStringLiteral("#lanway"));
        QCOMPARE(r.received(), request("\x20" + padded("big bob", 16) + "go away" + zeros(2)));
        r.app.ProcessInput(QStringLiteral("/users"));
        QCOMPARE(r.received(), request("\x04"));
        QCOMPARE(r.printed().last(), QStringLiteral("\r\nRequesting the user list from the server..."));
        QVERIFY(sent.isEmpty()); // nothing of it went to the chat server
    }

    void longNamesAreCutToTheirFields()
    {
        Rig r;
        QVERIFY(r.start());
        const QString twenty = QStringLiteral("abcdefghijklmnopqrst");

        r.link->RequestWhois(twenty);
        QCOMPARE(r.received(), request("\x0C" "abcdefghijklmnop" + zeros(1)));
        r.link->Ban(twenty);
        QCOMPARE(r.received(), request("\x21" "abcdefghijklmnop" + zeros(1)));
        r.link->Kill(twenty + QStringLiteral(" :") + QString(300, u'x'));
        QCOMPARE(r.received(), request("\x20" "abcdefghijklmno" + zeros(1) + QByteArray(199, 'x') + zeros(2)));

        // A multi-byte character that would straddle the field's end is left out whole.
        r.link->RequestWhois(QString(9, QChar(0xE9)));
        QCOMPARE(r.received(), request("\x0C" + QString(8, QChar(0xE9)).toUtf8() + zeros(1)));
    }

    void udpPingRepliesBecomePingRequests()
    {
        Rig r(QStringLiteral("#descentplayers"));
        QVERIFY(r.start());

        // The peer's UDPPING reply to our ping arrives through the chat server.
        r.app.ProcessInput(QStringLiteral("/tping bob"));
        r.app.FeedServerBytes(":bob!b@h NOTICE me :\x01UDPPING 16777226\x01\r\n");
        QCOMPARE(r.received(), pingRecord(5, "me", "#descen", 16777226u));
    }

    void peerPingsAreAnsweredUnlessTheirAddressIsZero()
    {
        Rig r;
        QVERIFY(r.start());

        r.answer(pingRecord(5, "bob", "#lanway", 0));
        r.answer(pingRecord(5, "bob", "#lanway", 0x0A00A8C0u));
        // The zero record got no answer: the first answer is the second request's.
        QCOMPARE(r.received(), QByteArray(1, 6) + padded("me", 16) + "      " + zeros(2) + le32(0x0A00A8C0u));
        QVERIFY(r.drain());
        QVERIFY(!r.service.hasPendingDatagrams());
    }

    void pingTimesArePrintedAndRecorded()
    {
        Rig r;
        QVERIFY(r.start());
        r.app.OnServerLine(QStringLiteral(":bob!b@h JOIN :#lanway")); // bob is seen: he has a record
        r.fe.lines.clear();

        r.answer(pingRecord(6, "bob", QByteArray("\x2A\0\0\0", 4), 0));
        r.answer(pingRecord(6, "bob", QByteArray("\x08\0\0\0", 4), 0));
        r.answer(pingRecord(6, "zed", QByteArray("\xFB\xFF\xFF\xFF", 4), 0));
        r.answer(pingRecord(6, "bob", QByteArray("\xFB\xFF\xFF\xFF", 4), 0));
        QVERIFY(r.drain());
        QCOMPARE(r.printed().mid(0, 3), (QStringList{QStringLiteral("Ping response from bob 42ms"),
                                                     QStringLiteral("Ping response from bob 8ms"),
                                                     QStringLiteral("Ping response from zed -5ms")}));
        QCOMPARE(r.printed().value(3), QStringLiteral("Ping response from bob -5ms"));
        QCOMPARE(r.fe.lines.first().colour, r.app.m_Settings.Status);

        const CUserRecord bob = r.app.UserMap().value(QStringLiteral("bob"));
        QCOMPARE(bob.pingTotal, 50u);
        QCOMPARE(bob.pingCount, 2u); // the negative time is shown, not counted
        QCOMPARE(bob.freshness, 4);
        // An unknown nick is printed but gets no record.
        QVERIFY(!r.app.UserMap().contains(QStringLiteral("zed")));
    }

    void textAnswersArePrintedLineByLine()
    {
        Rig r;
        QVERIFY(r.start());

        r.answer("\xF0" "Users on server:\nbob\r\n\ncarol");
        r.answer("\xF0\n");
        r.answer("\xF0<b>not bold</b>");
        r.answer(QByteArray("\xF0" "kept\0hidden\nalso hidden", 24));
        QVERIFY(r.drain());
        QCOMPARE(r.printed(), (QStringList{QStringLiteral("Users on server:"), QStringLiteral("bob"),
                                           QStringLiteral("carol"), QStringLiteral("<b>not bold</b>"),
                                           QStringLiteral("kept"), QStringLiteral("--marker--")}));
        for (const PrintedLine &l : r.fe.lines)
            QCOMPARE(l.colour, r.app.m_Settings.Status);
    }

    void shortAndUnknownDatagramsAreIgnored()
    {
        Rig r;
        QVERIFY(r.start());
        r.app.OnServerLine(QStringLiteral(":bob!b@h JOIN :#lanway")); // bob is seen: he has a record
        r.fe.lines.clear();

        r.answer(pingRecord(5, "bob", "#lanway", 0x0100007Fu).left(28));
        r.answer(pingRecord(6, "bob", QByteArray("\x2A\0\0\0", 4), 0).left(20));
        r.answer(QByteArray(1, char(0xF0)));
        r.answer(pingRecord(7, "bob", "#lanway", 0x0100007Fu));
        r.answer(QByteArray());
        QVERIFY(r.drain());
        QCOMPARE(r.printed(), QStringList{QStringLiteral("--marker--")});
        QVERIFY(!r.service.hasPendingDatagrams());
        QCOMPARE(r.app.UserMap().value(QStringLiteral("bob")).pingCount, 0u);
    }

    void withoutASocketNothingIsSent()
    {
        ferry::test::TestEnv env;
        QUdpSocket service;
        QVERIFY(service.bind(kLoopback, ferry::port(ferry::kServicePort)));
        QStringList printed;
        CGameLink link({[&](const QString &t) { printed << t; }, {}, {}, {}});
        link.RequestUsers();
        link.SendPingRequest(1);
        QCOMPARE(printed.size(), 1);
        QTest::qWait(50);
        QVERIFY(!service.hasPendingDatagrams());
    }
};

QTEST_GUILESS_MAIN(TestGameLink)
#include "test_gamelink.moc"
