// The built control center against the built ferryd on 127.0.0.2: the sign-on
// with its driver calls, the shared block and the chat settings it leaves, the
// sign-off at exit, and the server's three refusals.

#include "common/registry.h"
#include "controlcenter/maindialog.h"
#include "controlcenter/servertree.h"
#include "platform/tunneldriver.h"
#include "protocol/serverdatagrams.h"
#include "protocol/ports.h"
#include "platform/registrystore.h"
#include "tests/support/localnetwork.h"
#include "tests/support/processprobe.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <csignal>

using namespace ferry;

namespace {

QString driverLogPath(const test::TestEnv &env) { return env.home() + QStringLiteral("/driver.log"); }

QList<int> driverLog(const test::TestEnv &env)
{
    QFile f(driverLogPath(env));
    QList<int> codes;
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &line : f.readAll().split('\n'))
            if (!line.isEmpty())
                codes << line.toInt();
    return codes;
}

// Another player signs on to ferryd from an address of its own.
struct OtherPlayer {
    QUdpSocket socket;
    bool signOn(const QByteArray &nickname)
    {
        if (!socket.bind(QHostAddress(QStringLiteral("127.0.0.4")), 0))
            return false;
        socket.writeDatagram(datagrams::encodeSignOn({nickname, nickname + "@lanway.test"}),
                             QHostAddress(test::kLocalServerAddress), port(kServerPort));
        return QTest::qWaitFor([&] { return socket.hasPendingDatagrams(); }, 3000)
            && datagrams::isType(socket.receiveDatagram().data(), datagrams::ServerType::Accepted);
    }
    void serviceRequest(const datagrams::ServiceCommand &command)
    {
        socket.writeDatagram(datagrams::encodeServicePayload(command), QHostAddress(test::kLocalServerAddress),
                             port(kServerPort));
    }
};

} // namespace

class TestSignonFerryd : public QObject {
    Q_OBJECT
private slots:
    void init() { reg::resetDefaultStore(); }
    void cleanup() { reg::resetDefaultStore(); }

    void signOnOpensTheTunnelAndExitSignsOff()
    {
        test::TestEnv env;
        reg::resetDefaultStore();
        test::PlayerSeed seed;
        seed.chatServer = QStringLiteral("irc.lanway.test:6690");
        QVERIFY(test::seedPlayer(seed));
        qputenv("FERRY_DRIVER_LOG", driverLogPath(env).toUtf8());

        test::FerrydProcess ferryd;
        QVERIFY(ferryd.start(env, {QStringLiteral("--name"), QStringLiteral("Home"), QStringLiteral("--tunnel"),
                                   QStringLiteral("127.0.0.2:4000")}));
        test::ConnectingControlCenter cc;
        QVERIFY(cc.start(env) && cc.waitUntilSignedOn());
        QVERIFY(ferryd.waitForLine(QStringLiteral("sign-on nickname \"hero\" e-mail \"hero@lanway.test\"")));
        QVERIFY(ferryd.waitForLine(QStringLiteral("accepted, tunnel 127.0.0.2:4000")));
        // Start-up query, the close before the sign-on, then the accept sequence.
        QTRY_COMPARE(driverLog(env), (QList<int>{3, 7, 3, 6, 2, 9}));

        const auto chat = test::chatServerSetting();
        QVERIFY(chat);
        QCOMPARE(chat->host, QStringLiteral("irc.lanway.test"));
        QCOMPARE(chat->port, 6690u);

        // The exit signs off: the logoff reaches the server, the tunnel is closed.
        const qint64 pid = cc.process().processId();
        QVERIFY(QTest::qWaitFor([&] { return test::catchesSignal(pid, SIGTERM); }, 10000));
        ::kill(pid_t(pid), SIGTERM);
        QVERIFY(cc.process().waitForFinished(10000));
        QVERIFY(ferryd.waitForLine(QStringLiteral("logoff")));
        QVERIFY(ferryd.waitForLine(QStringLiteral("logoff acknowledged")));
        QCOMPARE(driverLog(env).mid(6), (QList<int>{3, 7}));
        QVERIFY(env.prompts().isEmpty());
        qunsetenv("FERRY_DRIVER_LOG");
    }

    void keyboardSignsOnAndOffKeepingTheFocusOnConnect()
    {
        test::TestEnv env;
        reg::resetDefaultStore();
        QVERIFY(test::seedPlayer({}));
        test::FerrydProcess ferryd;
        QVERIFY(ferryd.start(env));

        ControlCenterSettings settings;
        QVERIFY(settings.read());
        settings.setOwnAddress(0x7F000001);
        TunnelDriver driver;
        QVERIFY(driver.open());
        MainDialog dialog(settings, driver);
        QVERIFY(dialog.initialize());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));

        // Enter on the server's row signs on to it.
        QTreeWidget *tree = dialog.tree();
        QTreeWidgetItem *home = dialog.serverTree()->activeRoot()->child(0);
        QVERIFY(home);
        tree->setFocus();
        tree->setCurrentItem(home);
        QTest::keyClick(tree, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(dialog.connectionField()->text(), QStringLiteral("Connected"), 10000);
        QVERIFY(ferryd.waitForLine(QStringLiteral("sign-on nickname \"hero\"")));
        // In the session the same key ends nothing.
        QTest::keyClick(tree, Qt::Key_Return);
        QCOMPARE(dialog.connectionField()->text(), QStringLiteral("Connected"));

        // Space on Disconnect: the button greys until the server answers. The focus
        // waits in the tree, not on Exit, and comes back to the button.
        QPushButton *connect = dialog.connectButton();
        connect->setFocus();
        QTest::keyClick(connect, Qt::Key_Space);
        QCOMPARE(dialog.connectionField()->text(), QStringLiteral("Disconnecting"));
        QVERIFY(!connect->isEnabled());
        QCOMPARE(dialog.focusWidget(), tree);
        QTRY_COMPARE_WITH_TIMEOUT(dialog.connectionField()->text(), QStringLiteral("Not Connected"), 10000);
        QCOMPARE(dialog.focusWidget(), connect);
        QVERIFY(!dialog.hasEnded());
        QVERIFY(env.prompts().isEmpty());
        dialog.exitNow();
    }

    void serverRefusalIsShown_data()
    {
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("message");
        QTest::newRow("nickname in use") << QStringLiteral("taken")
            << QStringLiteral("Your nickname is the same as another player. Change it to something else in the "
                              "Settings Dialog.");
        QTest::newRow("server full") << QStringLiteral("full")
            << QStringLiteral("The server is full, no more players are allowed. Try again later or select another "
                              "server.");
        QTest::newRow("banned") << QStringLiteral("banned") << QStringLiteral("You have no access to this server. Sorry.");
    }
    void serverRefusalIsShown()
    {
        QFETCH(QString, refusal);
        QFETCH(QString, message);
        test::TestEnv env;
        reg::resetDefaultStore();
        QVERIFY(test::seedPlayer({}));

        test::FerrydProcess ferryd;
        QStringList args{QStringLiteral("--operator"), QStringLiteral("boss@127.0.0.4")};
        if (refusal == QLatin1String("full"))
            args << QStringLiteral("--max-players") << QStringLiteral("1");
        QVERIFY(ferryd.start(env, args));
        OtherPlayer other;
        QVERIFY(other.signOn(refusal == QLatin1String("taken") ? "HERO" : "boss"));
        if (refusal == QLatin1String("banned")) {
            other.serviceRequest({datagrams::typeByte(datagrams::ServiceCode::Ban), "hero", {}});
            QVERIFY(ferryd.waitForLine(QStringLiteral("service request: ban \"hero\"")));
        }

        test::ConnectingControlCenter cc;
        QVERIFY(cc.start(env));
        QVERIFY(QTest::qWaitFor([&] { return !env.prompts().isEmpty(); }, 10000));
        QCOMPARE(env.prompts().first().text, message);
        QVERIFY(cc.block().serverName().isEmpty());
    }
};

QTEST_MAIN(TestSignonFerryd)
#include "test_signon_ferryd.moc"
