// The sign-on and relay in the main dialog, against a server, a peer and a chat
// client made of plain UDP sockets on loopback. The retry timer is driven by
// calling its tick; datagrams are built byte by byte where their layout matters.

#include "controlcenter/maindialog.h"
#include "controlcenter/settingsstore.h"
#include "common/registry.h"
#include "protocol/ports.h"
#include "platform/tunneldriver.h"
#include "tests/support/bytelists.h"
#include "tests/support/localnetwork.h"
#include "tests/support/testenv.h"

#include <QAction>
#include <QLabel>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QTest>
#include <QUdpSocket>

using namespace ferry;
using ferry::test::bytesOf;

namespace {

const QHostAddress kOwn(QStringLiteral("127.0.0.1"));
const QHostAddress kServer(QStringLiteral("127.0.0.2"));
const QHostAddress kStranger(QStringLiteral("127.0.0.3"));

const QString kUnableToConnect = QStringLiteral("Unable to connect to selected server.");

// A UDP endpoint of the test: the server, a peer's control center or the chat client.
struct Endpoint {
    QUdpSocket socket;
    Endpoint(const QHostAddress &address, quint16 port) { QVERIFY(socket.bind(address, port)); }
    // The next datagram, or an empty one after the timeout.
    QByteArray next(int timeoutMs = 3000)
    {
        if (!socket.hasPendingDatagrams() && !QTest::qWaitFor([&] { return socket.hasPendingDatagrams(); }, timeoutMs))
            return {};
        return socket.receiveDatagram().data();
    }
    void send(const QByteArray &d, const QHostAddress &to, quint16 port) { socket.writeDatagram(d, to, port); }
};

struct Rig {
    test::TestEnv env;
    ControlCenterSettings settings;
    TunnelDriver driver;
    std::unique_ptr<MainDialog> dialog;
    ServerChoice choice{false, true, QStringLiteral("Home"), QStringLiteral("127.0.0.2"), QString()};
    bool localFlagCleared = false;
    std::uint32_t ticks = 1000;
    Endpoint server{kServer, port(kServerPort)};
    Endpoint chat{kOwn, port(kChatLinkPort)};

    Rig()
    {
        writeDefaultSettings();
        settings.read();
        settings.nickname = QStringLiteral("hero");
        settings.email = QStringLiteral("hero@lanway.test");
        settings.chatServer = QStringLiteral("chat.lanway.test:6668");
        settings.advanced.runChatOnConnect = false;
        settings.setOwnAddress(kOwn.toIPv4Address());
        driver.open();
        dialog = std::make_unique<MainDialog>(settings, driver);
        dialog->initialize();
        machine().setChoiceSource([this] { return choice; });
        machine().setLocalServerStopped([this] { localFlagCleared = true; });
        machine().relay().setTickClock([this] { return ticks; });
        driver.clearCodeLog();
    }
    ConnectionMachine &machine() { return dialog->connection(); }
    QString connectionText() const { return dialog->connectionField()->text(); }
    int state() const { return settings.connectionState; }
    QStringList promptTexts() const
    {
        QStringList texts;
        for (const auto &p : env.prompts())
            texts << p.text;
        return texts;
    }
    // What the server sends to the control center's server port.
    void fromServer(const QByteArray &d) { server.send(d, kOwn, port(kServerPort)); }
    // The chat client's datagram to the relay.
    void fromChat(const QByteArray &d) { chat.send(d, kOwn, port(kServicePort)); }

    // Presses Connect and has the server accept.
    bool signOn()
    {
        dialog->connectButton()->click();
        if (server.next().size() != 161)
            return false;
        fromServer(bytesOf({138, 127, 0, 0, 9, 0x01, 0x02}));
        return QTest::qWaitFor([&] { return state() == SignedOn; }, 3000);
    }
};

QByteArray field(const QByteArray &s, int n) { return s.left(n - 1) + QByteArray(n - std::min<int>(s.size(), n - 1), '\0'); }

// A 29-byte ping record as the chat client builds it.
QByteArray pingRecord(int type, const QByteArray &nick, quint32 address)
{
    return QByteArray(1, char(type)) + field(nick, 16) + field("#lanway", 8)
        + bytesOf({int(address >> 24), int(address >> 16) & 0xFF, int(address >> 8) & 0xFF, int(address & 0xFF)});
}

std::uint32_t le32At(const QByteArray &d, int at)
{
    return std::uint8_t(d[at]) | std::uint8_t(d[at + 1]) << 8 | std::uint8_t(d[at + 2]) << 16 | std::uint32_t(std::uint8_t(d[at + 3])) << 24;
}

} // namespace

class TestConnectionMachine : public QObject {
    Q_OBJECT
private slots:
    void acceptOpensTheTunnelAndHandsOverTheChatServer()
    {
        Rig rig;
        rig.dialog->connectButton()->click();
        const QByteArray signOn = rig.server.next();
        QCOMPARE(signOn.size(), 161);
        QCOMPARE(signOn.left(6), QByteArray("\x0Ahero\0", 6));
        QCOMPARE(signOn.mid(81, 17), QByteArray("hero@lanway.test\0", 17));
        QCOMPARE(rig.state(), int(SigningOn));
        QCOMPARE(rig.connectionText(), QStringLiteral("Connecting"));
        QVERIFY(!rig.dialog->connectButton()->isEnabled());

        // An accept from another address than the chosen server's is no accept.
        Endpoint stranger(kStranger, port(kServerPort));
        stranger.send(bytesOf({138, 127, 0, 0, 9, 0x01, 0x02}), kOwn, port(kServerPort));
        // A truncated accept is ignored too.
        rig.fromServer(bytesOf({138, 127, 0}));
        rig.fromServer(bytesOf({138, 127, 0, 0, 9, 0x01, 0x02}));
        QTRY_COMPARE(rig.state(), int(SignedOn));

        QCOMPARE(rig.connectionText(), QStringLiteral("Connected"));
        QCOMPARE(rig.dialog->connectButton()->text(), QStringLiteral("&Disconnect"));
        QVERIFY(rig.dialog->connectButton()->isEnabled());
        QVERIFY(rig.dialog->chatButton()->isEnabled());
        QVERIFY(!rig.dialog->settingsButton()->isEnabled());
        QCOMPARE(rig.driver.codeLog(), (QList<std::uint32_t>{7, 3, 6, 2, 9}));
        QCOMPARE(rig.driver.session().serverAddress, kServer.toIPv4Address());
        QCOMPARE(rig.driver.session().tunnelAddress, 0x7F000009u);
        QCOMPARE(rig.driver.session().tunnelPort, quint16(0x0102));
        QCOMPARE(rig.dialog->sharedBlock()->serverName(), QByteArray("Home"));
        QCOMPARE(rig.machine().retryCount(), 0);

        const auto chat = test::chatServerSetting();
        QVERIFY(chat);
        QCOMPARE(chat->host, QStringLiteral("chat.lanway.test"));
        QCOMPARE(chat->port, 6668u);

        // A second accept while signed on changes nothing.
        rig.driver.clearCodeLog();
        rig.fromServer(bytesOf({138, 127, 0, 0, 7, 0x00, 0x05}));
        rig.fromServer(bytesOf({9, 'h', 'i', 0}));  // a notice after it proves it was read
        QCOMPARE(rig.chat.next(), QByteArray("\xF0hi\0", 4));
        QVERIFY(rig.driver.codeLog().isEmpty());
        QCOMPARE(rig.driver.session().tunnelPort, quint16(0x0102));
    }

    void acceptWhileNotSigningOnChangesNothing()
    {
        Rig rig;
        // A server socket exists only after a first attempt; let that attempt fail.
        rig.dialog->connectButton()->click();
        QVERIFY(!rig.server.next().isEmpty());
        rig.fromServer(bytesOf({242}));
        QTRY_COMPARE(rig.promptTexts().size(), 1);
        rig.machine().onRetryTick();
        QCOMPARE(rig.state(), int(NotConnected));

        rig.driver.clearCodeLog();
        rig.fromServer(bytesOf({138, 127, 0, 0, 9, 0x01, 0x02}));
        rig.fromServer(bytesOf({1, 'o', 'k', 0}));
        QCOMPARE(rig.chat.next(), QByteArray("\xF0ok\0", 4));
        QCOMPARE(rig.state(), int(NotConnected));
        QVERIFY(rig.driver.codeLog().isEmpty());
        QVERIFY(rig.dialog->sharedBlock()->serverName().isEmpty());
    }

    void silentServerGetsSixSignOnsThenOneMessage()
    {
        Rig rig;
        rig.dialog->connectButton()->click();
        QCOMPARE(rig.server.next().size(), 161);
        QVERIFY(rig.machine().retryTimerActive());
        for (int retry = 1; retry <= 5; ++retry) {
            rig.machine().onRetryTick();
            QCOMPARE(rig.server.next().size(), 161);
            QCOMPARE(rig.connectionText(), QStringLiteral("Connecting") + QString(retry, QLatin1Char('.')));
            QVERIFY(!rig.dialog->connectButton()->isEnabled());
            QVERIFY(rig.promptTexts().isEmpty());
        }
        rig.machine().onRetryTick();
        QCOMPARE(rig.promptTexts(), QStringList{kUnableToConnect});
        QVERIFY(rig.env.prompts().first().kind.startsWith(QLatin1String("warn")));
        QCOMPARE(rig.state(), int(NotConnected));
        QCOMPARE(rig.connectionText(), QStringLiteral("Not Connected"));
        QVERIFY(rig.dialog->connectButton()->isEnabled());
        QVERIFY(!rig.machine().retryTimerActive());
        QCOMPARE(rig.machine().retryCount(), 0);
        QVERIFY(rig.server.next(100).isEmpty());
    }

    void refusalShowsOnlyItsOwnMessage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("message");
        QTest::newRow("nickname in use") << 241
            << QStringLiteral("Your nickname is the same as another player. Change it to something else in the "
                              "Settings Dialog.");
        QTest::newRow("server full") << 242
            << QStringLiteral("The server is full, no more players are allowed. Try again later or select another "
                              "server.");
        QTest::newRow("no access") << 243 << QStringLiteral("You have no access to this server. Sorry.");
    }
    void refusalShowsOnlyItsOwnMessage()
    {
        QFETCH(int, type);
        QFETCH(QString, message);
        Rig rig;
        rig.dialog->connectButton()->click();
        QVERIFY(!rig.server.next().isEmpty());
        rig.fromServer(bytesOf({type}));
        QTRY_COMPARE(rig.promptTexts(), QStringList{message});
        QCOMPARE(rig.state(), int(SigningOn));
        rig.machine().onRetryTick();
        QCOMPARE(rig.state(), int(NotConnected));
        QCOMPARE(rig.promptTexts(), QStringList{message});
        QCOMPARE(rig.connectionText(), QStringLiteral("Not Connected"));
        QVERIFY(rig.dialog->connectButton()->isEnabled());
        QVERIFY(rig.server.next(100).isEmpty());  // no sign-on after the refusal
    }

    void signOffIsAcknowledgedOnlyByTheServer()
    {
        Rig rig;
        QVERIFY(rig.signOn());
        rig.driver.clearCodeLog();
        rig.dialog->connectButton()->click();
        QCOMPARE(rig.server.next(), QByteArray(1, char(5)));
        QCOMPARE(rig.driver.codeLog(), (QList<std::uint32_t>{3, 7}));
        QCOMPARE(rig.state(), int(SigningOff));
        QCOMPARE(rig.connectionText(), QStringLiteral("Disconnecting"));
        QCOMPARE(rig.dialog->connectButton()->text(), QStringLiteral("&Connect"));
        QVERIFY(!rig.dialog->connectButton()->isEnabled());
        QVERIFY(rig.dialog->sharedBlock()->serverName().isEmpty());

        Endpoint stranger(kStranger, port(kServerPort));
        stranger.send(bytesOf({133}), kOwn, port(kServerPort));
        rig.fromServer(bytesOf({4, 'x', 0}));
        QVERIFY(!rig.chat.next().isEmpty());
        QCOMPARE(rig.state(), int(SigningOff));

        rig.fromServer(bytesOf({133}));
        QTRY_COMPARE(rig.state(), int(NotConnected));
        QCOMPARE(rig.connectionText(), QStringLiteral("Not Connected"));
        QVERIFY(rig.dialog->connectButton()->isEnabled());
        QVERIFY(rig.dialog->settingsButton()->isEnabled());
        QVERIFY(!rig.dialog->chatButton()->isEnabled());
    }

    void unansweredSignOffGivesUpWithItsMessage()
    {
        Rig rig;
        QVERIFY(rig.signOn());
        rig.dialog->connectButton()->click();
        QCOMPARE(rig.server.next(), QByteArray(1, char(5)));
        for (int retry = 1; retry <= 5; ++retry) {
            rig.machine().onRetryTick();
            QCOMPARE(rig.server.next(), QByteArray(1, char(5)));
        }
        rig.machine().onRetryTick();
        QCOMPARE(rig.promptTexts(),
                 QStringList{QStringLiteral(
                     "Could not logoff of this server, logging on again may fail with duplicate nickname.")});
        QVERIFY(rig.env.prompts().first().kind.startsWith(QLatin1String("info")));
        QCOMPARE(rig.state(), int(NotConnected));
        QVERIFY(rig.dialog->settingsButton()->isEnabled());
    }

    void logoffWithoutSocketCreatesOne()
    {
        Rig rig;
        QVERIFY(rig.signOn());
        rig.machine().releaseSockets();
        QVERIFY(!rig.machine().hasServerSocket());
        rig.machine().logoff();
        QVERIFY(rig.machine().hasServerSocket());
        QCOMPARE(rig.server.next(), QByteArray(1, char(5)));
        QCOMPARE(rig.state(), int(SigningOff));
    }

    void localServerToggles()
    {
        Rig rig;
        rig.choice.localServer = true;
        rig.settings.advanced.runChatOnConnect = false;
        rig.dialog->connectButton()->click();
        QCOMPARE(rig.driver.codeLog(), (QList<std::uint32_t>{3, 6, 4}));
        QCOMPARE(rig.state(), int(LocalServerRunning));
        QCOMPARE(rig.connectionText(), QStringLiteral("Local Server Active"));
        QCOMPARE(rig.dialog->connectButton()->text(), QStringLiteral("&Disconnect"));
        QVERIFY(rig.dialog->chatButton()->isEnabled());
        QVERIFY(rig.driver.session().localServer);

        rig.driver.clearCodeLog();
        rig.dialog->connectButton()->click();
        QCOMPARE(rig.driver.codeLog(), (QList<std::uint32_t>{3, 7, 5}));
        QCOMPARE(rig.state(), int(NotConnected));
        QCOMPARE(rig.connectionText(), QStringLiteral("Not Connected"));
        QVERIFY(rig.localFlagCleared);
        QVERIFY(!rig.driver.session().localServer);
        QVERIFY(rig.server.next(100).isEmpty());

        // Leaving while the local server runs: there is no server to sign off from,
        // so no socket is wanted and no box about one shows.
        rig.dialog->connectButton()->click();
        QCOMPARE(rig.state(), int(LocalServerRunning));
        rig.dialog->exitNow();
        QVERIFY(rig.dialog->hasEnded());
        QCOMPARE(rig.promptTexts(), QStringList());
    }

    void invalidServerIsRefusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("address");
        QTest::newRow("host name") << true << QStringLiteral("ferry.lanway.test");
        QTest::newRow("nothing selected") << false << QString();
    }
    void invalidServerIsRefusedBeforeAnythingIsSent()
    {
        QFETCH(bool, selected);
        QFETCH(QString, address);
        Rig rig;
        rig.choice.serverSelected = selected;
        rig.choice.address = address;
        rig.dialog->connectButton()->click();
        QCOMPARE(rig.promptTexts(), QStringList{QStringLiteral("Invalid Server Selected")});
        QCOMPARE(rig.state(), int(NotConnected));
        QVERIFY(rig.driver.codeLog().isEmpty());
        QVERIFY(rig.server.next(100).isEmpty());
    }

    void chatClientWithoutServerSocketIsToldSo()
    {
        Rig rig;
        rig.fromChat(pingRecord(5, "hero", 0));
        const QByteArray answer = rig.chat.next();
        QCOMPARE(answer.at(0), char(240));
        QCOMPARE(answer.mid(1),
                 QByteArray("You are not connected to a server or have selected play game. Stop the current game and "
                            "the try chatting again.")
                     + '\0');
    }

    void relayCarriesServiceTrafficOnlyFromItsOwnPeers()
    {
        Rig rig;
        QVERIFY(rig.signOn());

        // A service request from the chat client's port reaches the server as its
        // payload; one from any other port is dropped.
        const QByteArray users = QByteArray(1, char(224)) + QByteArray(28, '\0') + bytesOf({1, 0, 0, 0, 4});
        Endpoint elsewhere(kOwn, 0);
        elsewhere.send(bytesOf({224}) + QByteArray(28, '\0') + bytesOf({1, 0, 0, 0, 35}), kOwn, port(kServicePort));
        rig.fromChat(QByteArray(1, char(224)) + QByteArray(28, '\0') + bytesOf({9, 0, 0, 0, 4}));  // overruns: dropped
        rig.fromChat(users);
        QCOMPARE(rig.server.next(), bytesOf({4}));

        // Notices become text for the chat client, only from the chosen server.
        Endpoint stranger(kStranger, port(kServerPort));
        stranger.send(bytesOf({1, 'f', 'a', 'k', 'e', 0}), kOwn, port(kServerPort));
        rig.fromServer(bytesOf({2, 'a', '\n', 'b', 0}));
        QCOMPARE(rig.chat.next(), bytesOf({240, 'a', '\n', 'b', 0}));

        // Service replies: markers at 10 and 11, the chat client's datagram from 14.
        QByteArray reply = bytesOf({136}) + QByteArray(13, '\0');
        reply[10] = reply[11] = char(0x69);
        QByteArray unmarked = reply;
        unmarked[11] = 0;
        rig.fromServer(unmarked + bytesOf({240, 'n', 'o'}));
        rig.fromServer(reply.left(12));
        rig.fromServer(reply + bytesOf({240, 'o', 'k'}));
        QCOMPARE(rig.chat.next(), bytesOf({240, 'o', 'k'}));

        // The identification probe is answered to the server.
        rig.fromServer(bytesOf({6}));
        QCOMPARE(rig.server.next(), QByteArray("\x86" "FerryCC\0", 9));
    }

    void pingTravelsToThePeerAndItsTimeComesBack()
    {
        Rig rig;
        QVERIFY(rig.signOn());
        Endpoint peer(kStranger, port(kServerPort));

        // The chat client asks for a ping to the peer: the relay sends it there
        // directly, with the tick count and the own address written into the record.
        rig.ticks = 5000;
        rig.fromChat(pingRecord(5, "hero", kStranger.toIPv4Address()));
        const QByteArray out = peer.next();
        QCOMPARE(out.size(), 7 + 29);
        QCOMPARE(out.at(0), char(8));
        QCOMPARE(out.mid(3, 4), QByteArray(4, char(0x69)));
        QCOMPARE(out.at(7), char(5));
        QCOMPARE(le32At(out, 24), 5000u);
        QCOMPARE(out.mid(32, 4), bytesOf({127, 0, 0, 1}));
        const int sequence = std::uint8_t(out[1]) | std::uint8_t(out[2]) << 8;

        // The next relayed record carries the next sequence number.
        rig.fromChat(pingRecord(5, "hero", kStranger.toIPv4Address()));
        const QByteArray second = peer.next();
        QCOMPARE(std::uint8_t(second[1]) | std::uint8_t(second[2]) << 8, (sequence + 1) & 0xFFFF);

        // The peer's answer comes back as a ping record 6: the time is now minus the stored tick.
        QByteArray answer = out;
        answer[0] = char(7);
        answer[7] = char(6);
        answer.replace(8, 16, field("buddy", 16));
        rig.ticks = 5042;
        peer.send(answer.left(20), kOwn, port(kServerPort));  // too short: ignored
        peer.send(answer, kOwn, port(kServerPort));
        const QByteArray result = rig.chat.next();
        QCOMPARE(result.size(), 29);
        QCOMPARE(result.at(0), char(6));
        QCOMPARE(result.mid(1, 6), QByteArray("buddy\0", 6));
        QCOMPARE(le32At(result, 17), 42u);

        // A peer's ping request is answered to the peer with the own nickname.
        QByteArray request = bytesOf({8, 0, 0, 0x69, 0x69, 0x69, 0x69}) + pingRecord(5, "buddy", kOwn.toIPv4Address());
        QByteArray unmarked = request;
        unmarked[4] = 0;
        peer.send(unmarked, kOwn, port(kServerPort));
        peer.send(request, kOwn, port(kServerPort));
        const QByteArray pong = peer.next();
        QCOMPARE(pong.size(), request.size());
        QCOMPARE(pong.at(7), char(6));
        QCOMPARE(pong.mid(8, 5), QByteArray("hero\0", 5));
    }
};

QTEST_MAIN(TestConnectionMachine)
#include "test_connectionmachine.moc"
