// The chat session core on a real network: a whole session through a recording front
// end against ngircd (registration, joining, flood control, CTCP limits, a DCC offer
// left waiting), TLS against ngircd with a certificate of its own, and scripted
// servers that flood, ping and drop the connection. Time that matters (pacing, the
// reply limit, reconnection delays) runs on a clock the test moves.

#include "chat/core/chatfrontend.h"
#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"
#include "chat/dcc/dcchandover.h"
#include "chat/windows/mainframe.h"
#include "common/registry.h"
#include "platform/prompts.h"
#include "platform/registrystore.h"
#include "tests/chat/corerigs.h"
#include "tests/chat/ircpeer.h"
#include "tests/chat/scriptedserver.h"
#include "tests/support/ngircdfixture.h"
#include "tests/support/testenv.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray kMark("\x01");
const QString kDisconnected =
    QStringLiteral("You have been disconnected from the server!\nYou must exit this application to reconnect.");

// A chat client whose clock the test moves.
struct ClockedClient : ChatClient {
    std::uint32_t now = 5'000'000;
    ClockedClient(const QString &host, quint16 port, const QString &nick) : ChatClient(host, port, nick)
    {
        app.SetTickClock([this] { return now; });
    }
    // Moves the clock on and lets the timer tick once.
    void advance(std::uint32_t ms)
    {
        now += ms;
        app.OnTimerTick();
    }
    int queued() { return app.Session().QueuedLines(); }
};

QByteArray ctcp(const QByteArray &body)
{
    return kMark + body + kMark;
}

} // namespace

class TestChatSession : public QObject {
    Q_OBJECT
private slots:
    void wholeSessionThroughARecordingFrontEnd()
    {
        ferry::test::TestEnv env;
        ferry::test::NgircdFixture server;
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));
        IrcPeer alice;
        QVERIFY(alice.connectTo(server, QStringLiteral("alice")));
        alice.send(QStringLiteral("JOIN #lanway"));
        QVERIFY(alice.waitFor(" 366 alice #lanway"));

        ClockedClient c(server.host(), server.port(), QStringLiteral("hearth"));
        c.fe.holdPrompts = true;
        CDCCHandOver handOver(&c.app);
        QVERIFY(c.app.ConnectToServer());
        QTRY_VERIFY_WITH_TIMEOUT(c.app.IsRegistered(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(c.app.FindChannel(QStringLiteral("#lanway")), 5000);
        CTavernwDoc *chan = c.app.FindChannel(QStringLiteral("#lanway"));
        QTRY_VERIFY_WITH_TIMEOUT(chan->IsUserListed(QStringLiteral("alice")), 5000);

        // Flood control: after a quiet spell five lines go at once, then one per 2 s.
        c.advance(20000);
        alice.forget();
        for (int i = 0; i < 12; ++i)
            c.app.ProcessInput(QStringLiteral("line %1").arg(i), QStringLiteral("#lanway"));
        QVERIFY(alice.waitFor("PRIVMSG #lanway :line 4\r\n"));
        QCOMPARE(c.queued(), 7);
        QVERIFY(!alice.received().contains("line 5"));
        c.advance(1000);
        QCOMPARE(c.queued(), 7);
        c.advance(1000);
        QCOMPARE(c.queued(), 6);
        QVERIFY(alice.waitFor("PRIVMSG #lanway :line 5\r\n"));
        while (c.queued() > 0)
            c.advance(2000);
        QVERIFY(alice.waitFor("PRIVMSG #lanway :line 11\r\n"));
        QVERIFY(alice.received().indexOf("line 10") < alice.received().indexOf("line 11"));

        // CTCP: seven requests, five answers; the rest are counted in one line later.
        c.advance(20000);
        alice.forget();
        for (int i = 0; i < 7; ++i)
            alice.send(QStringLiteral("PRIVMSG hearth :") + QString::fromLatin1(ctcp("PING " + QByteArray::number(i))));
        alice.send(QStringLiteral("PRIVMSG hearth :all asked"));
        QTRY_VERIFY_WITH_TIMEOUT(c.fe.textsIn(QStringLiteral("alice")).contains(QStringLiteral("<alice> all asked")), 10000);
        c.app.ProcessInput(QStringLiteral("answered"), QStringLiteral("#lanway"));
        while (c.queued() > 0)
            c.advance(2000);
        QVERIFY(alice.waitFor("PRIVMSG #lanway :answered"));
        QCOMPARE(alice.received().count("NOTICE alice :\x01PING "), 5);
        QVERIFY(alice.received().contains("NOTICE alice :\x01PING 4\x01"));
        QVERIFY(!alice.received().contains("NOTICE alice :\x01PING 5\x01"));
        c.advance(31000);
        QCOMPARE(c.server().filter(QStringLiteral("CTCP requests were not answered")),
                 QStringList{QStringLiteral("** 2 CTCP requests were not answered (at most 5 are answered in 30 seconds).")});

        // A DCC chat offer waits for its answer while the chat goes on.
        QTcpServer offered;
        QVERIFY(offered.listen(QHostAddress::LocalHost));
        alice.send(QStringLiteral("PRIVMSG hearth :") +
                   QString::fromLatin1(ctcp("DCC CHAT chat 2130706433 " + QByteArray::number(offered.serverPort()))));
        QTRY_COMPARE_WITH_TIMEOUT(c.fe.open.size(), 1, 5000);
        QCOMPARE(c.fe.open.first().first.text,
                 QStringLiteral("alice is requesting a DCC chat. Do you want to accept?\n(The offer comes from 127.0.0.1, port %1.)")
                     .arg(offered.serverPort()));
        // A second offer from the same peer is refused while the first waits.
        alice.send(QStringLiteral("PRIVMSG hearth :") +
                   QString::fromLatin1(ctcp("DCC CHAT chat 2130706433 " + QByteArray::number(offered.serverPort() + 1))));
        alice.send(QStringLiteral("PRIVMSG #lanway :still there?"));
        QTRY_VERIFY_WITH_TIMEOUT(c.fe.textsIn(QStringLiteral("#lanway")).contains(QStringLiteral("<alice> still there?")), 5000);
        QCOMPARE(c.fe.open.size(), 1);
        QVERIFY(c.server().contains(QStringLiteral("** Another DCC offer from alice was refused: the last one still waits for an answer.")));
        QVERIFY(c.fe.answerHeld(true));
        QVERIFY(offered.waitForNewConnection(5000));
    }

    void aPromptLeftOpenForThreeServerMinutesKeepsThePingsAnswered()
    {
        ferry::test::TestEnv env;
        // A real message box this time: no prompt script.
        qunsetenv("FERRY_PROMPTS");
        ferry::prompts::reset();
        ScriptedServer server;
        tavern::CMainFrame frame;
        CTavernwApp app(&frame);
        app.m_Settings.ChatServer = QStringLiteral("127.0.0.1");
        app.m_Settings.ChatServerPort = server.port();
        app.SetIdentity({QStringLiteral("hearth"), QStringLiteral("h@x"), {127, 0, 0, 1}});
        frame.Attach(&app);
        app.OpenServerWindow();
        frame.show();
        CDCCHandOver handOver(&app);
        QSignalSpy chats(&handOver, &CDCCHandOver::chatSessionOpened);
        QVERIFY(app.ConnectToServer());
        QVERIFY(server.registerClient("hearth"));
        QTRY_VERIFY_WITH_TIMEOUT(app.IsRegistered(), 5000);

        // One server second per ping; every ping goes out only while the box is open,
        // and the next only after the answer to the last one came.
        constexpr int kServerSeconds = 180;
        int pinged = 0;
        int answered = 0;
        int pingedWithoutBox = 0;
        const auto pingNext = [&] {
            if (pinged == kServerSeconds)
                return;
            if (!qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                ++pingedWithoutBox;
            ++pinged;
            server.sendLine("PING :second-" + QByteArray::number(pinged));
        };
        server.onLine = [&](const QByteArray &line) {
            if (line != "PONG :second-" + QByteArray::number(answered + 1))
                return;
            ++answered;
            if (answered < kServerSeconds)
                pingNext();
            else if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::No)->click(); // the user finally says no
        };
        server.sendLine(":bob!b@h PRIVMSG hearth :" + ctcp("DCC CHAT chat 2130706433 4000"));
        // The first ping goes once the box is up.
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (pinged == 0 && qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                pingNext();
        });
        poll.start();
        QTRY_COMPARE_WITH_TIMEOUT(answered, kServerSeconds, 60000);
        QCOMPARE(pingedWithoutBox, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 5000);
        QVERIFY(server.hasClient());
        QVERIFY(chats.isEmpty());
    }

    void aCtcpFloodGetsFiveAnswersAndTheClientStays()
    {
        ferry::test::TestEnv env;
        ScriptedServer server;
        ClockedClient c(QStringLiteral("127.0.0.1"), server.port(), QStringLiteral("hearth"));
        QVERIFY(c.app.ConnectToServer());
        QVERIFY(server.registerClient("hearth"));
        QTRY_VERIFY_WITH_TIMEOUT(c.app.IsRegistered(), 5000);
        QVERIFY(server.waitForLine("MODE #lanway"));
        c.advance(10000);

        // 10,000 requests from 10,000 senders in one second (one write).
        QByteArray flood;
        for (int i = 0; i < 10000; ++i)
            flood += ":flood" + QByteArray::number(i) + "!f@h PRIVMSG hearth :" + ctcp("VERSION") + "\r\n";
        server.forget();
        server.send(flood + "PING :after-the-flood\r\n");
        QVERIFY(server.waitForLine("PONG :after-the-flood"));
        const auto isVersion = [](const QByteArray &l) { return l.startsWith("NOTICE flood") && l.contains("VERSION"); };
        QTRY_COMPARE_WITH_TIMEOUT(server.count(isVersion), 5, 5000);
        for (int second = 0; second < 29; ++second)
            c.advance(1000);
        server.sendLine(":late!l@h PRIVMSG hearth :" + ctcp("VERSION"));
        server.sendLine("PING :within-the-window");
        QVERIFY(server.waitForLine("PONG :within-the-window"));
        QCOMPARE(server.count(isVersion), 5);
        QVERIFY(c.app.Session().IsReady());
        QVERIFY(c.server().filter(QStringLiteral("not answered")).isEmpty());

        c.advance(1500);
        QCOMPARE(c.server().filter(QStringLiteral("not answered")),
                 QStringList{QStringLiteral("** 9996 CTCP requests were not answered (at most 5 are answered in 30 seconds).")});
        // A new window answers again.
        server.sendLine(":late!l@h PRIVMSG hearth :" + ctcp("VERSION"));
        QVERIFY(server.waitForLine([](const QByteArray &l) { return l.startsWith("NOTICE late :\x01VERSION "); }));
    }

    void reconnectsAndRejoinsWhenAskedTo()
    {
        ferry::test::TestEnv env;
        ScriptedServer server;
        ClockedClient c(QStringLiteral("127.0.0.1"), server.port(), QStringLiteral("hearth"));
        c.app.m_Settings.AutoReconnect = true;
        QVERIFY(c.app.ConnectToServer());
        QVERIFY(server.registerClient("hearth"));
        QVERIFY(server.waitForLine("JOIN #lanway"));
        server.sendLine(":hearth!h@x JOIN :#lanway");
        server.sendLine(":hearth!h@x JOIN :#Descent");
        server.sendLine(":srv 353 hearth = #Descent :hearth bob");
        QTRY_VERIFY_WITH_TIMEOUT(c.app.FindChannel(QStringLiteral("#descent")), 5000);
        QTRY_VERIFY(c.app.FindChannel(QStringLiteral("#descent"))->IsUserListed(QStringLiteral("bob")));

        server.forget();
        server.drop();
        QTRY_VERIFY_WITH_TIMEOUT(c.server().contains(QStringLiteral("** Reconnecting to the chat server in 5 seconds...")), 5000);
        QVERIFY(c.server().contains(QStringLiteral("** The connection to the chat server was lost.")));
        QVERIFY(!c.server().contains(kDisconnected));
        QVERIFY(c.fe.asked.isEmpty());
        QVERIFY(!c.app.FindChannel(QStringLiteral("#descent"))->IsUserListed(QStringLiteral("bob")));
        c.advance(4000);
        QCOMPARE(server.connections, 1);
        c.advance(1000);
        QTRY_COMPARE_WITH_TIMEOUT(server.connections, 2, 5000);
        QVERIFY(server.registerClient("hearth"));
        c.advance(10000); // the allowance for the joins
        QVERIFY(server.waitForLine("JOIN #lanway"));
        QVERIFY(server.waitForLine("JOIN #descent"));
        QTRY_VERIFY(c.server().contains(QStringLiteral("** Reconnected to the chat server; joining #descent again.")));

        // Attempts that fail wait longer each time; a registration starts over at 5 s.
        server.drop();
        QTRY_COMPARE_WITH_TIMEOUT(c.server().count(QStringLiteral("** Reconnecting to the chat server in 5 seconds...")), 2, 5000);
        const quint16 port = server.port();
        server.stopListening();
        c.advance(5000);
        QTRY_VERIFY_WITH_TIMEOUT(c.server().contains(QStringLiteral("** Reconnecting to the chat server in 10 seconds...")), 5000);
        c.advance(10000);
        QTRY_VERIFY_WITH_TIMEOUT(c.server().contains(QStringLiteral("** Reconnecting to the chat server in 20 seconds...")), 5000);
        QVERIFY(server.listenAgain(port));
        c.advance(20000);
        QTRY_COMPARE_WITH_TIMEOUT(server.connections, 3, 5000);
        QVERIFY(server.registerClient("hearth"));
        c.advance(10000);
        QVERIFY(server.waitForLine("JOIN #descent"));
    }

    void withoutReconnectionALostConnectionIsReported()
    {
        ferry::test::TestEnv env;
        ScriptedServer server;
        ClockedClient c(QStringLiteral("127.0.0.1"), server.port(), QStringLiteral("hearth"));
        QVERIFY(c.app.ConnectToServer());
        QVERIFY(server.registerClient("hearth"));
        QTRY_VERIFY_WITH_TIMEOUT(c.app.IsRegistered(), 5000);
        server.drop();
        QTRY_VERIFY_WITH_TIMEOUT(c.server().contains(kDisconnected), 5000);
        QTRY_VERIFY(c.fe.askedTexts().contains(kDisconnected));
        QCOMPARE(c.fe.asked.last().caption, QStringLiteral("Disconnected From Server"));
        for (int i = 0; i < 20; ++i)
            c.advance(30000);
        QCOMPARE(server.connections, 1);
    }

    void tlsWithACertificateTheUserTrusts()
    {
        ferry::test::TestEnv env;
        ferry::reg::resetDefaultStore();
        ferry::test::NgircdFixture server;
        server.enableTls();
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));

        // First start: the certificate is shown with its fingerprint and trusted.
        env.setAnswers({QStringLiteral("yes")});
        QString fingerprint;
        {
            ChatClient c(server.host(), server.tlsPort(), QStringLiteral("secure"));
            c.app.m_Settings.ChatServerTLS = true;
            QVERIFY(c.app.ConnectToServer());
            QTRY_VERIFY_WITH_TIMEOUT(c.app.IsRegistered(), 10000);
            QCOMPARE(c.fe.asked.size(), 1);
            const CChatPrompt &asked = c.fe.asked.first();
            QCOMPARE(asked.kind, CChatPrompt::Kind::Certificate);
            fingerprint = tavern::settingsstore::TrustedCertificate(server.host());
            QCOMPARE(fingerprint.size(), 32 * 3 - 1);
            QVERIFY2(asked.text.contains(fingerprint), qPrintable(asked.text));
            QVERIFY(c.server().filter(QStringLiteral("cannot be verified")).size() == 1);
            QVERIFY(c.app.ServerSocket()->isEncrypted());
            c.app.SetQuitting(true);
            c.app.Disconnect();
        }
        // Second start: no question.
        {
            ChatClient c(server.host(), server.tlsPort(), QStringLiteral("secure2"));
            c.app.m_Settings.ChatServerTLS = true;
            QVERIFY(c.app.ConnectToServer());
            QTRY_VERIFY_WITH_TIMEOUT(c.app.IsRegistered(), 10000);
            QVERIFY(c.fe.asked.isEmpty());
        }
        // Another certificate for the same host is not taken on the old trust.
        QVERIFY(tavern::settingsstore::TrustCertificate(server.host(), QStringLiteral("00:11")));
        env.setAnswers({QStringLiteral("no")});
        {
            ChatClient c(server.host(), server.tlsPort(), QStringLiteral("secure3"));
            c.app.m_Settings.ChatServerTLS = true;
            QVERIFY(c.app.ConnectToServer());
            QTRY_VERIFY_WITH_TIMEOUT(c.server().contains(QStringLiteral("** Not connected: the certificate of 127.0.0.1 is not trusted.")), 10000);
            QVERIFY(!c.app.IsRegistered());
            QCOMPARE(tavern::settingsstore::TrustedCertificate(server.host()), QStringLiteral("00:11"));
        }
        ferry::reg::resetDefaultStore();
    }
};

QTEST_MAIN(TestChatSession)
#include "test_chatsession.moc"
