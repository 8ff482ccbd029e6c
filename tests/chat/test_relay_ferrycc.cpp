// The chat client's game-service traffic through the real control center: ferrycc
// signs on to the real ferryd (127.0.0.2) and writes the chat server into the chat
// settings; a chat core started after that reads them, reaches the real ngircd,
// asks the server for its players and pings another signed-on player.

#include "chat/core/chatidentity.h"
#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"
#include "chat/gamelink/gamelink.h"
#include "common/sharedblock.h"
#include "platform/registrystore.h"
#include "tests/chat/fakefrontend.h"
#include "tests/chat/ircpeer.h"
#include "tests/support/localnetwork.h"
#include "tests/support/ngircdfixture.h"

#include <QTest>

using namespace ferry;

namespace {

// The chat client's core as tavern97 starts it: identity from the control center's
// block, settings from the registry, the service link attached.
struct ChatCore {
    FakeFrontEnd fe;
    CTavernwApp app{&fe};

    explicit ChatCore(const SharedBlock &block)
    {
        app.SetIdentity(CChatIdentity::FromSharedBlock(block));
        tavern::settingsstore::Load(app.m_Settings);
        app.OpenServerWindow();
    }
    bool connect()
    {
        if (!app.ConnectToServer())
            return false;
        CGameLink::AttachToApp(app);
        return QTest::qWaitFor([&] { return app.FindChannel(app.m_Settings.Channel) != nullptr; }, 5000);
    }
    bool serverWindowShows(const QString &text) const
    {
        return QTest::qWaitFor([&] {
            for (const QString &line : fe.textsIn(QStringLiteral("Server")))
                if (line.contains(text))
                    return true;
            return false;
        }, 5000);
    }
};

} // namespace

class TestRelayFerrycc : public QObject {
    Q_OBJECT
private slots:
    void usersAnswerComesFromTheServerThroughTheRelay()
    {
        test::NgircdFixture chatServer;
        QString why;
        QVERIFY2(chatServer.start(&why), qPrintable(why));
        test::TestEnv env;
        reg::resetDefaultStore();
        test::PlayerSeed seed;
        seed.chatServer = QStringLiteral("127.0.0.1:%1").arg(chatServer.port());
        QVERIFY(test::seedPlayer(seed));

        test::FerrydProcess ferryd;
        QVERIFY(ferryd.start(env, {QStringLiteral("--name"), QStringLiteral("Home"), QStringLiteral("--max-players"),
                                   QStringLiteral("8")}));
        test::ConnectingControlCenter cc;
        QVERIFY(cc.start(env) && cc.waitUntilSignedOn());

        ChatCore chat(cc.block());
        QCOMPARE(chat.app.m_Settings.ChatServerPort, int(chatServer.port()));
        QVERIFY(chat.connect());
        chat.app.ProcessInput(QStringLiteral("/users"), QStringLiteral("Server"));
        QVERIFY(ferryd.waitForLine(QStringLiteral("service request: users")));
        QVERIFY(chat.serverWindowShows(QStringLiteral("Players on Home: 1 of 8")));
        QVERIFY(chat.serverWindowShows(QStringLiteral("hero  127.0.0.1")));
        reg::resetDefaultStore();
    }

    void udpPingBetweenTwoSignedOnPlayersReportsItsTime()
    {
        test::NgircdFixture chatServer;
        QString why;
        QVERIFY2(chatServer.start(&why), qPrintable(why));

        // Two players on one host: the same ports, two loopback addresses. The
        // second control center finds the relay port taken by the first and runs
        // without one, which its player (an IRC user here) does not need.
        test::TwoPlayers players;
        players.hero.chatServer = QStringLiteral("127.0.0.1:%1").arg(chatServer.port());
        QVERIFY(players.seed());

        test::FerrydProcess ferryd;
        QVERIFY(ferryd.start(players.env));
        test::ConnectingControlCenter hero;
        QVERIFY(hero.start(players.env) && hero.waitUntilSignedOn());
        test::ConnectingControlCenter buddy;
        QVERIFY(players.startBuddy(buddy) && buddy.waitUntilSignedOn());

        ChatCore chat(hero.block());
        QVERIFY(chat.connect());
        IrcPeer buddyChat;
        QVERIFY(buddyChat.connectTo(chatServer, QStringLiteral("buddy")));

        // The hero asks for a UDP ping; buddy's chat client answers with its address
        // number (127.0.0.3's bytes read as a little-endian word).
        chat.app.ProcessInput(QStringLiteral("/tping buddy"), QStringLiteral("Server"));
        QVERIFY(buddyChat.waitFor("PRIVMSG buddy :\x01UDPPING\x01"));
        buddyChat.send(QStringLiteral("NOTICE hero :\x01UDPPING %1\x01").arg(0x0300007Fu));

        QVERIFY(chat.serverWindowShows(QStringLiteral("Ping response from buddy ")));
        bool timeShown = false;
        for (const QString &line : chat.fe.textsIn(QStringLiteral("Server"))) {
            static const QRegularExpression pingLine(QStringLiteral("^Ping response from buddy (\\d+)ms$"));
            const auto match = pingLine.match(line.trimmed());
            if (match.hasMatch())
                timeShown = match.captured(1).toInt() < 5000;
        }
        QVERIFY(timeShown);
        reg::resetDefaultStore();
    }
};

QTEST_MAIN(TestRelayFerrycc)
#include "test_relay_ferrycc.moc"
