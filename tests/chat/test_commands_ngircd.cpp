#include "chat/core/tavernwapp.h"
#include "tests/chat/corerigs.h"
#include "tests/chat/ircpeer.h"
#include "tests/support/ngircdfixture.h"
#include "tests/support/testenv.h"

#include <QTest>

// Typed commands travel through a real chat server to a second user.
class TestCommandsNgircd : public QObject {
    Q_OBJECT
private slots:
    void typedCommandsArriveAtAnotherUser()
    {
        ferry::test::TestEnv env;
        ferry::test::NgircdFixture server;
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));

        ChatClient c(server.host(), server.port(), QStringLiteral("hero"));
        CTavernwApp &app = c.app;
        QVERIFY(app.ConnectToServer());
        QTRY_VERIFY_WITH_TIMEOUT(app.FindChannel(QStringLiteral("#lanway")), 5000);
        CTavernwDoc *chan = app.FindChannel(QStringLiteral("#lanway"));

        IrcPeer bob;
        QVERIFY(bob.connectTo(server, QStringLiteral("bob")));
        bob.send(QStringLiteral("JOIN #lanway"));
        QTRY_VERIFY_WITH_TIMEOUT(chan->IsUserListed(QStringLiteral("bob")), 5000);

        bob.forget();
        app.ProcessInput(QStringLiteral("/msg bob meet in #descent"), QStringLiteral("#lanway"));
        QVERIFY(bob.waitFor(":hero!"));
        QVERIFY(bob.waitFor(" PRIVMSG bob :meet in #descent\r\n"));

        app.ProcessInput(QStringLiteral("/me fires up the server"), QStringLiteral("#lanway"));
        QVERIFY(bob.waitFor(" PRIVMSG #lanway :\x01" "ACTION fires up the server\x01\r\n"));

        app.ProcessInput(QStringLiteral("/topic league night: D2, 9pm"), QStringLiteral("#lanway"));
        QVERIFY(bob.waitFor(" TOPIC #lanway :league night: D2, 9pm\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(chan->Topic(), QStringLiteral("league night: D2, 9pm"), 5000);

        // Plain text reaches the channel too.
        app.ProcessInput(QStringLiteral("anyone?"), QStringLiteral("#lanway"));
        QVERIFY(bob.waitFor(" PRIVMSG #lanway :anyone?\r\n"));

        // The first to join holds the channel, so the kick goes through.
        app.ProcessInput(QStringLiteral("/kick bob mind the language"), QStringLiteral("#lanway"));
        QVERIFY(bob.waitFor(" KICK #lanway bob : mind the language\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(!chan->IsUserListed(QStringLiteral("bob")), 5000);
    }
};

QTEST_MAIN(TestCommandsNgircd)
#include "test_commands_ngircd.moc"
