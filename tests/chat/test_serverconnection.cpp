#include "chat/core/tavernwapp.h"
#include "protocol/ports.h"
#include "tests/chat/corerigs.h"
#include "tests/chat/ircpeer.h"
#include "tests/support/ngircdfixture.h"
#include "tests/support/testenv.h"

#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

namespace {

constexpr QChar kMark(0x01);
const QString kDisconnected =
    QStringLiteral("You have been disconnected from the server!\nYou must exit this application to reconnect.");

bool hasPrompt(const ferry::test::TestEnv &env, const QString &text)
{
    for (const auto &p : env.prompts())
        if (p.text == text)
            return true;
    return false;
}

} // namespace

class TestServerConnection : public QObject {
    Q_OBJECT
private slots:
    void chatsWithARealServer()
    {
        ferry::test::TestEnv env;
        ferry::test::NgircdFixture server;
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));

        IrcPeer alice;
        QVERIFY(alice.connectTo(server, QStringLiteral("tester")));

        // Our nickname is taken: the prompt gives another and registration completes.
        env.setAnswers({QStringLiteral("text:newnick")});
        ChatClient c(server.host(), server.port(), QStringLiteral("tester"));
        QVERIFY(c.app.ConnectToServer());
        QCOMPARE(c.server().value(0), QStringLiteral("Attempting to connect to chat server...."));
        QTRY_VERIFY_WITH_TIMEOUT(c.app.IsRegistered(), 5000);
        QCOMPARE(c.app.OwnNick(), QStringLiteral("newnick"));
        QVERIFY(hasPrompt(env, QStringLiteral("Nickname in use or invalid, please choose another!")));
        QVERIFY(c.server().contains(QStringLiteral("Connected to Server, Sending User Information.....")));
        QTRY_VERIFY_WITH_TIMEOUT(c.app.FindChannel(QStringLiteral("#lanway")), 5000);
        CTavernwDoc *chan = c.app.FindChannel(QStringLiteral("#lanway"));
        QTRY_VERIFY_WITH_TIMEOUT(chan->IsUserListed(QStringLiteral("newnick")), 5000);

        alice.send(QStringLiteral("JOIN #lanway"));
        QTRY_VERIFY_WITH_TIMEOUT(chan->IsUserListed(QStringLiteral("tester")), 5000);

        alice.send(QStringLiteral("PRIVMSG #lanway :anyone for Descent?"));
        QTRY_VERIFY_WITH_TIMEOUT(c.fe.textsIn(QStringLiteral("#lanway")).contains(QStringLiteral("<tester> anyone for Descent?")), 5000);
        alice.send(QStringLiteral("PRIVMSG newnick :just you and me"));
        QTRY_VERIFY_WITH_TIMEOUT(c.fe.textsIn(QStringLiteral("tester")).contains(QStringLiteral("<tester> just you and me")), 5000);

        alice.forget();
        alice.send(QStringLiteral("PRIVMSG newnick :") + kMark + QStringLiteral("PING 42") + kMark);
        QVERIFY(alice.waitFor("NOTICE tester :\x01PING 42\x01"));
        alice.send(QStringLiteral("PRIVMSG newnick :") + kMark + QStringLiteral("VERSION") + kMark);
        QVERIFY(alice.waitFor("NOTICE tester :\x01VERSION " + CTavernwApp::VersionText().toUtf8() + '\x01'));

        // Our lines reach the others.
        alice.forget();
        c.app.SendLine(QStringLiteral("PRIVMSG #lanway :hello all"));
        QVERIFY(alice.waitFor("PRIVMSG #lanway :hello all"));

        server.stop();
        QTRY_VERIFY_WITH_TIMEOUT(c.server().contains(kDisconnected), 5000);
        QTRY_VERIFY(hasPrompt(env, kDisconnected));
        QVERIFY(!c.app.ServerSocket() || c.app.ServerSocket()->state() == QAbstractSocket::UnconnectedState);
    }

    void fallsBackToThePublicServerAfter302Ticks()
    {
        ferry::test::TestEnv env;
        ferry::test::NgircdFixture fallback;
        QString why;
        QVERIFY2(fallback.start(&why), qPrintable(why));

        // Nothing listens at the configured address: the connection is refused quietly.
        ChatClient c(QStringLiteral("127.0.0.1"), ferry::test::freeTcpPort(), QStringLiteral("#player"));
        c.app.SetFallbackServer(fallback.host(), fallback.port());
        // A first-run question left open at start-up for two minutes: its time is not
        // the server's, and nothing falls back before the client has tried its server.
        for (int tick = 0; tick < 400; ++tick)
            c.app.OnTimerTick();
        QVERIFY(!c.app.ServerSocket());
        QVERIFY(c.app.ConnectToServer());
        QCOMPARE(c.app.OwnNick(), QStringLiteral("$player"));
        QTRY_VERIFY_WITH_TIMEOUT(!c.app.ServerSocket(), 5000); // the refused attempt is over
        QVERIFY(env.prompts().isEmpty());

        for (int tick = 0; tick < 301; ++tick)
            c.app.OnTimerTick();
        QVERIFY(!c.app.ServerSocket()); // no attempt on the fallback server yet
        QVERIFY(env.prompts().isEmpty());
        QCOMPARE(c.fe.splashEnds, 1); // the ninth tick ends the splash, once
        // '$' is no valid first character on the fallback server, which refuses the
        // nickname: the nickname prompt follows the error box (how soon depends on the
        // server), and is answered with a nickname the server takes.
        env.setAnswers({QStringLiteral("ok"), QStringLiteral("text:player")});
        c.app.OnTimerTick();
        QTRY_VERIFY_WITH_TIMEOUT(c.app.IsRegistered(), 5000);
        QCOMPARE(env.prompts().size(), 2);
        QCOMPARE(env.prompts().first().caption, QStringLiteral("Error Connecting to chat Server"));
        QCOMPARE(env.prompts().last().caption, QStringLiteral("Nickname"));
        QCOMPARE(c.app.OwnNick(), QStringLiteral("player"));

        // Once registered the fallback never fires again, even after the connection closes.
        fallback.stop();
        QTRY_VERIFY_WITH_TIMEOUT(c.server().contains(kDisconnected), 5000);
        QTRY_VERIFY(hasPrompt(env, kDisconnected));
        const int prompts = env.prompts().size();
        for (int tick = 0; tick < 700; ++tick)
            c.app.OnTimerTick();
        QCOMPARE(env.prompts().size(), prompts);
        QCOMPARE(c.fe.splashEnds, 1);
    }

    void unresolvableServerAndBusyLocalPortAreReported()
    {
        ferry::test::TestEnv env;
        QUdpSocket squatter;
        QVERIFY(squatter.bind(QHostAddress::LocalHost, ferry::port(ferry::kChatLinkPort)));
        ChatClient c(QStringLiteral("no-such-host.invalid"), 6667, QStringLiteral("me"));
        QVERIFY(!c.app.ConnectToServer());
        QTRY_VERIFY(hasPrompt(env, QStringLiteral("Unable to create local socket.")));
        QTRY_VERIFY_WITH_TIMEOUT(hasPrompt(env, QStringLiteral("Connect Failed!!!")), 10000);
        QVERIFY(!hasPrompt(env, kDisconnected));
    }

    void quitsWithTheQuitMessage()
    {
        ferry::test::TestEnv env;
        ferry::test::NgircdFixture server;
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));
        IrcPeer watcher;
        QVERIFY(watcher.connectTo(server, QStringLiteral("watcher")));
        watcher.send(QStringLiteral("JOIN #lanway"));
        QVERIFY(watcher.waitFor("JOIN :#lanway"));

        ChatClient c(server.host(), server.port(), QStringLiteral("leaver"));
        c.app.m_Settings.QuitMsg = QStringLiteral("KILLED by boredom");
        QVERIFY(c.app.ConnectToServer());
        const bool joined = watcher.waitFor(":leaver!");
        QVERIFY(joined);
        c.app.SetQuitting(true);
        c.app.Disconnect();
        // The server wraps a client's quit reason in double quotes.
        QVERIFY(watcher.waitFor("QUIT :\"Leaving\""));
        QVERIFY(!hasPrompt(env, kDisconnected));
    }
};

QTEST_MAIN(TestServerConnection)
#include "test_serverconnection.moc"
