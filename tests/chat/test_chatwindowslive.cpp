// The client with its windows against a real chat server: it connects, joins its
// channel, and a second user (a plain socket) joins and talks.

#include "chat/windows/chanulist.h"
#include "tests/chat/chatwindowsclient.h"
#include "tests/support/ngircdfixture.h"

#include <QLineEdit>
#include <QTcpSocket>
#include <QTest>

namespace {

bool waitForText(QTcpSocket &socket, QByteArray &received, const QByteArray &needle)
{
    return QTest::qWaitFor([&] {
        received += socket.readAll();
        return received.contains(needle);
    }, 5000);
}

} // namespace

class TestChatWindowsLive : public QObject {
    Q_OBJECT
private slots:
    void linesLandInTheirWindows()
    {
        ferry::test::NgircdFixture server;
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));

        WindowedClient c;
        c.app.m_Settings.ChatServer = server.host();
        c.app.m_Settings.ChatServerPort = server.port();
        c.app.m_Settings.Channel = QStringLiteral("#Lanway");
        c.app.SetIdentity({QStringLiteral("player"), QStringLiteral("player@lanway.test"), {127, 0, 0, 1}});
        QVERIFY(c.app.ConnectToServer());
        QTRY_VERIFY_WITH_TIMEOUT(c.window(QStringLiteral("#lanway")), 5000);
        tavern::CChatFrame *chan = c.window(QStringLiteral("#lanway"));
        QVERIFY(chan->userList());
        QTRY_VERIFY_WITH_TIMEOUT(chan->userList()->itemTexts().contains(QStringLiteral("@player")), 5000);

        QTcpSocket peer;
        QByteArray heard;
        peer.connectToHost(server.host(), server.port());
        QVERIFY(peer.waitForConnected(3000));
        peer.write("NICK tester\r\nUSER peer 0 * :Peer\r\n");
        QVERIFY(waitForText(peer, heard, " 376 tester ") || heard.contains(" 422 tester "));
        peer.write("JOIN #lanway\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(chan->userList()->itemTexts().contains(QStringLiteral("tester")), 5000);
        QCOMPARE(chan->userList()->itemTexts(), (QStringList{QStringLiteral("@player"), QStringLiteral("tester")}));

        peer.write("PRIVMSG #LANWAY :anyone for Descent?\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(c.shown(QStringLiteral("#lanway")).contains(QStringLiteral("<tester> anyone for Descent?")),
                                 5000);
        peer.write("PRIVMSG player :just you and me\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(c.window(QStringLiteral("tester")), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(c.shown(QStringLiteral("tester")).contains(QStringLiteral("<tester> just you and me")),
                                 5000);
        QVERIFY(!c.shown(QStringLiteral("Server")).contains(QStringLiteral("<tester> just you and me")));

        // What we type in the channel reaches the other user.
        heard.clear();
        QLineEdit *input = chan->inputLine();
        input->setText(QStringLiteral("count me in"));
        QTest::keyClick(input, Qt::Key_Return);
        QVERIFY(waitForText(peer, heard, "PRIVMSG #Lanway :count me in"));

        // Closing the channel window parts it: the other user sees us leave.
        heard.clear();
        QVERIFY(chan->close());
        QVERIFY(waitForText(peer, heard, ":player!"));
        QVERIFY(heard.contains(" PART #Lanway"));
    }
};

QTEST_MAIN(TestChatWindowsLive)
#include "test_chatwindowslive.moc"
