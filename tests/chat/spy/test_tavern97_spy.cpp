// The built chat client's game spy on a real IPX network: a control center
// signed on to ferryd runs the local IPX endpoint, and simulated Descent II and
// Descent I hosts register there as DOSBox clients and answer as the games do.
// The chat client is driven through its typed-lines seam (menu entry, form
// controls) and read through its window dump.

#include "chat/spy/dwatchdoc.h"
#include "chat/spy/spypackets.h"
#include "platform/requests.h"
#include "protocol/ports.h"
#include "tests/chat/freshregistry.h"
#include "tests/chat/spy/descenthost.h"
#include "tests/support/localnetwork.h"
#include "tests/support/processprobe.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ferry;
using tavern::CDwatchDoc;

namespace {

const QString kTitle = QString::fromLatin1(CDwatchDoc::kTitle);

// The chat client with its typed lines and window dump.
class SpyingClient {
public:
    SpyingClient(const test::TestEnv &env, const QProcessEnvironment &environment)
        : m_typed(env.home() + QStringLiteral("/typed.txt")), m_dump(env.home() + QStringLiteral("/windows.dump"))
    {
        QFile(m_typed).open(QIODevice::WriteOnly);
        QProcessEnvironment e = environment;
        e.insert(QStringLiteral("FERRY_TYPED_LINES"), m_typed);
        e.insert(QStringLiteral("FERRY_WINDOW_DUMP"), m_dump);
        m_process.setProcessEnvironment(e);
        m_process.setWorkingDirectory(env.home());
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(test::TestEnv::program(QStringLiteral("tavern97")), {});
    }
    ~SpyingClient() { test::stopProcess(m_process); }

    bool started() { return m_process.waitForStarted(5000); }
    // Chooses a menu item, or types into the spy's form ("label<TAB>value", "label").
    bool menu(const QString &item) { return type(u'\t' + item); }
    bool spy(const QString &typed) { return type(kTitle + u'\t' + typed); }

    // The dump's records, once one has been written.
    QStringList dump()
    {
        QFile::remove(m_dump);
        if (!requests::sendRequest(m_process.processId(), requests::Request::DumpWindows, 1000))
            return {};
        if (!QTest::qWaitFor([&] { return QFile::exists(m_dump); }, 3000))
            return {};
        QFile file(m_dump);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                              : QStringList();
    }
    // Dumps until every record is there (in any order).
    bool shows(const QStringList &records, int timeoutMs = 10000)
    {
        return QTest::qWaitFor([&] {
            m_last = dump();
            for (const QString &r : records)
                if (!m_last.contains(r))
                    return false;
            return true;
        }, timeoutMs);
    }
    const QStringList &lastDump() const { return m_last; }

private:
    bool type(const QString &line)
    {
        QFile file(m_typed);
        return file.open(QIODevice::Append) && file.write(line.toUtf8() + '\n') > 0;
    }

    QString m_typed;
    QString m_dump;
    QProcess m_process;
    QStringList m_last;
};

QString field(const char *label, const QString &value) { return QStringLiteral("field\t%1\t%2").arg(QLatin1String(label), value); }
QString item(const char *list, const QString &text, bool selected)
{
    return QStringLiteral("item\t%1\t%2\t%3").arg(QLatin1String(list), text, selected ? QStringLiteral("selected") : QStringLiteral("unselected"));
}
QString check(const char *label, bool on)
{
    return QStringLiteral("check\t%1\t%2").arg(QLatin1String(label), on ? QStringLiteral("checked") : QStringLiteral("unchecked"));
}

descentwire::Game descent2Game()
{
    descentwire::Game g;
    g.security = 0x0BADF00D;
    g.name = "Pyro Party";
    g.mission = "Descent 2: Counterstrike!";
    g.level = 12;
    g.mode = 7;           // "Flag Hoard" at offset 64 ...
    g.flags = 2;          // ... while offset 71 would read "Robot Anarchy"
    g.refusePlayers = 1;
    g.difficulty = 4;
    g.maxPlayers = 6;
    g.packetsPerSecond = 20;
    g.shortPackets = 1;
    descentwire::Player p;
    p.callsign = "Magnum";
    p.node = descentwire::nodeOf(10, 0, 0, 7, 1);
    p.rank = 8;
    p.kills = 31;
    p.deaths = 2;
    p.score = 4500;
    g.players << p;
    p.callsign = "Vulcan";
    p.node = descentwire::nodeOf(192, 168, 1, 44, 2);
    p.rank = 3;
    p.kills = 5;
    p.deaths = 17;
    p.score = -300;
    g.players << p;
    return g;
}

descentwire::Game descent1Game()
{
    descentwire::Game g;
    g.name = "Old School";
    g.mission = "Descent: First Strike";
    g.level = 4;
    g.mode = 1;
    g.flags = 1;
    g.difficulty = 2;
    g.maxPlayers = 4;
    descentwire::Player p;
    p.callsign = "Classic";
    p.node = descentwire::nodeOf(172, 16, 5, 9, 3);
    p.kills = 9;
    p.deaths = 1;
    p.score = 900;
    g.players << p;
    return g;
}

} // namespace

class TestTavern97Spy : public QObject {
    Q_OBJECT
private slots:
    void init() { reg::resetDefaultStore(); }
    void cleanup() { reg::resetDefaultStore(); }

    void spiesOnDescentGamesThroughTheLocalEndpoint()
    {
        FreshRegistry fresh;
        const test::TestEnv &env = fresh.env;
        QVERIFY(test::seedPlayer({}));
        test::FerrydProcess ferryd;
        QVERIFY(ferryd.start(env, {QStringLiteral("--name"), QStringLiteral("Home"), QStringLiteral("--quiet")}));
        test::ConnectingControlCenter cc;
        QVERIFY(cc.start(env) && cc.waitUntilSignedOn());

        const QHostAddress endpoint(QStringLiteral("127.0.0.1"));
        const quint16 endpointPort = port(kIpxEndpointPort);
        DescentHost d2(DescentHost::Game::Descent2, 0x5130, descent2Game());
        QVERIFY(d2.registerWith(endpoint, endpointPort));
        DescentHost d1(DescentHost::Game::Descent1, 0x5103, descent1Game());
        QVERIFY(d1.registerWith(endpoint, endpointPort));

        SpyingClient chat(env, env.environment());
        QVERIFY(chat.started());
        QVERIFY(chat.shows({QStringLiteral("window\tServer\tServer")}));

        // The menu entry opens the spy; its broadcast finds the Descent II game.
        QVERIFY(chat.menu(QStringLiteral("&Descent Game Spy")));
        QVERIFY2(chat.shows({QStringLiteral("window\t%1\t%1").arg(kTitle), QStringLiteral("menu\t&Descent Game Spy\tchecked"),
                             check("Descent II", true), field("Socket:", QStringLiteral("0")),
                             item("Games", QStringLiteral("Pyro Party"), false)}),
                 qPrintable(chat.lastDump().join(u'\n')));
        QCOMPARE(d2.requestsOfType(56).size(), 1);
        const QByteArray broadcast = d2.requestsOfType(56).first();
        QCOMPARE(broadcast.mid(5, 4), QByteArray::fromHex("a6730000")); // 29606 before any selection

        // The same game announced in other letter case adds no row; another game does.
        d2.announceTo(d2.lastRequester(), "PYRO PARTY");
        d2.announceTo(d2.lastRequester(), "Second Game");
        QVERIFY2(chat.shows({item("Games", QStringLiteral("Second Game"), false)}), qPrintable(chat.lastDump().join(u'\n')));
        QCOMPARE(chat.lastDump().filter(QStringLiteral("\tGames\t")).size(), 2);
        QVERIFY(!chat.lastDump().contains(item("Games", QStringLiteral("PYRO PARTY"), false)));

        // Choosing it: "Waiting...." until the host answers with its details and players.
        d2.answerDetailsAtOnce = false;
        QVERIFY(chat.spy(QStringLiteral("Games\tPyro Party")));
        QVERIFY2(chat.shows({field("Game Name:", QStringLiteral("Waiting....")), field("Mission:", QString()),
                             item("Games", QStringLiteral("Pyro Party"), true)}),
                 qPrintable(chat.lastDump().join(u'\n')));
        QTRY_COMPARE(d2.requestsOfType(44).size(), 1);
        QCOMPARE(d2.requestsOfType(44).first().mid(5, 4), QByteArray::fromHex("0df0ad0b"));
        // Seven more join: the players list names all nine, details cover eight.
        for (int i = 3; i <= 9; ++i) {
            descentwire::Player extra;
            extra.callsign = "Extra" + QByteArray::number(i);
            extra.node = descentwire::nodeOf(10, 0, 1, std::uint8_t(i), std::uint8_t(i));
            extra.kills = i;
            d2.info.players << extra;
        }
        d2.answerDetails();
        QVERIFY2(chat.shows({field("Game Name:", QStringLiteral("Pyro Party")),
                             field("Mission:", QStringLiteral("Descent 2: Counterstrike!")),
                             field("Mission Level:", QStringLiteral("12")), field("Difficulty:", QStringLiteral("Ace")),
                             field("Game Mode:", QStringLiteral("Flag Hoard (Restricted)")),
                             check("Short Pkts", true), field("PPS:", QStringLiteral("20")),
                             field("Current:", QStringLiteral("9")), field("Max:", QStringLiteral("6")),
                             item("Players", QStringLiteral("Magnum"), true), item("Players", QStringLiteral("Vulcan"), false),
                             item("Players", QStringLiteral("Extra9"), false),
                             field("Rank:", QStringLiteral("Admiral")), field("Kills:", QStringLiteral("31")),
                             field("Deaths:", QStringLiteral("2")), field("Score:", QStringLiteral("4500")),
                             field("IP Address:", QStringLiteral("10.0.0.7"))}),
                 qPrintable(chat.lastDump().join(u'\n')));
        QVERIFY(chat.spy(QStringLiteral("Players\tVulcan")));
        QVERIFY2(chat.shows({field("Rank:", QStringLiteral("Lieutenant")), field("Kills:", QStringLiteral("5")),
                             field("Deaths:", QStringLiteral("17")), field("Score:", QStringLiteral("-300")),
                             field("IP Address:", QStringLiteral("192.168.1.44"))}),
                 qPrintable(chat.lastDump().join(u'\n')));
        QVERIFY(chat.spy(QStringLiteral("Players\tExtra8")));
        QVERIFY2(chat.shows({field("Kills:", QStringLiteral("8")), field("IP Address:", QStringLiteral("10.0.1.8"))}),
                 qPrintable(chat.lastDump().join(u'\n')));
        QVERIFY(chat.spy(QStringLiteral("Players\tExtra9")));
        QVERIFY2(chat.shows({item("Players", QStringLiteral("Extra9"), true), field("Rank:", QString()),
                             field("Kills:", QString()), field("Deaths:", QString()), field("Score:", QString()),
                             field("IP Address:", QString())}),
                 qPrintable(chat.lastDump().join(u'\n')));

        // The broadcast now carries the chosen game's security value.
        QVERIFY(chat.spy(QStringLiteral("&Refresh")));
        QTRY_COMPARE(d2.requestsOfType(56).size(), 2);
        QCOMPARE(d2.requestsOfType(56).last().mid(5, 4), QByteArray::fromHex("0df0ad0b"));

        // Descent I on socket offset 3: its request reaches IPX socket 20739 and the
        // game shows at once when chosen.
        QVERIFY(chat.spy(QStringLiteral("Socket:\t3")));
        QVERIFY(chat.spy(QStringLiteral("Descent I")));
        QVERIFY2(chat.shows({check("Descent I", true), field("Socket:", QStringLiteral("3")),
                             item("Games", QStringLiteral("Old School"), false), field("Game Name:", QString()),
                             field("Kills:", QString())}),
                 qPrintable(chat.lastDump().join(u'\n')));
        QVERIFY(chat.lastDump().filter(QStringLiteral("\tGames\t")).size() == 1);
        QVERIFY(!d1.requestsOfType(36).isEmpty());
        QVERIFY(chat.spy(QStringLiteral("Games\tOld School")));
        QVERIFY2(chat.shows({field("Game Name:", QStringLiteral("Old School")),
                             field("Game Mode:", QStringLiteral("Team Anarchy (Closed)")), field("PPS:", QStringLiteral("N/A")),
                             check("Short Pkts", false), field("Difficulty:", QStringLiteral("Rookie")),
                             field("Mission Level:", QStringLiteral("4")), item("Players", QStringLiteral("Classic"), true),
                             field("Rank:", QStringLiteral("N/A")), field("Score:", QStringLiteral("900")),
                             field("IP Address:", QStringLiteral("172.16.5.9"))}),
                 qPrintable(chat.lastDump().join(u'\n')));

        // The menu entry again closes it.
        QVERIFY(chat.menu(QStringLiteral("&Descent Game Spy")));
        QVERIFY(QTest::qWaitFor([&] {
            const QStringList d = chat.dump();
            return d.contains(QStringLiteral("menu\t&Descent Game Spy\tunchecked"))
                && d.filter(QStringLiteral("window\t%1").arg(kTitle)).isEmpty()
                && d.filter(QStringLiteral("tab\t%1").arg(kTitle)).isEmpty();
        }, 10000));
        for (const test::LoggedPrompt &p : env.prompts())
            QVERIFY2(!p.text.contains(QLatin1String("socket")) && !p.text.contains(QLatin1String("Winsock")), qPrintable(p.text));
    }

    void seesAGameBehindAnotherControlCenterThroughTheTunnel()
    {
        FreshRegistry fresh;
        const test::TestEnv &env = fresh.env;
        QVERIFY(test::seedPlayer({}));

        // A second player on 127.0.0.3 with a home and block of its own.
        QTemporaryDir otherHome;
        const QString otherBlock = env.shmName() + QStringLiteral("_other");
        qputenv("FERRY_HOME", otherHome.path().toLocal8Bit());
        reg::resetDefaultStore();
        test::PlayerSeed other;
        other.nickname = QStringLiteral("pyro");
        other.ownAddress = QStringLiteral("127.0.0.3");
        QVERIFY(test::seedPlayer(other));
        qputenv("FERRY_HOME", env.home().toLocal8Bit());
        reg::resetDefaultStore();
        QProcessEnvironment otherEnvironment = env.environment();
        otherEnvironment.insert(QStringLiteral("FERRY_HOME"), otherHome.path());
        otherEnvironment.insert(QStringLiteral("FERRY_SHM_NAME"), otherBlock);

        test::FerrydProcess ferryd;
        QVERIFY(ferryd.start(env, {QStringLiteral("--name"), QStringLiteral("Home"), QStringLiteral("--quiet")}));
        test::ConnectingControlCenter cc;
        QVERIFY(cc.start(env) && cc.waitUntilSignedOn());
        test::ConnectingControlCenter otherCc;
        QVERIFY(otherCc.start(otherEnvironment, otherHome.path(), otherBlock) && otherCc.waitUntilSignedOn());

        // The game master plays behind the other control center.
        DescentHost d2(DescentHost::Game::Descent2, 0x5130, descent2Game());
        QVERIFY(d2.registerWith(QHostAddress(QStringLiteral("127.0.0.3")), port(kIpxEndpointPort)));

        SpyingClient chat(env, env.environment());
        QVERIFY(chat.started());
        QVERIFY(chat.shows({QStringLiteral("window\tServer\tServer")}));
        QVERIFY(chat.menu(QStringLiteral("&Descent Game Spy")));
        QVERIFY2(chat.shows({item("Games", QStringLiteral("Pyro Party"), false)}), qPrintable(chat.lastDump().join(u'\n')));
        // The request came through the tunnel from the spy's own node: 127.0.0.1 reversed.
        const ipx::Address spy = d2.lastRequester();
        QCOMPARE(ipx::nodeAddress(spy.node), 0x7F000001u);

        QVERIFY(chat.spy(QStringLiteral("Games\tPyro Party")));
        QVERIFY2(chat.shows({field("Game Name:", QStringLiteral("Pyro Party")),
                             field("Game Mode:", QStringLiteral("Flag Hoard (Restricted)")),
                             item("Players", QStringLiteral("Magnum"), true), field("IP Address:", QStringLiteral("10.0.0.7"))}),
                 qPrintable(chat.lastDump().join(u'\n')));
    }
};

QTEST_MAIN(TestTavern97Spy)
#include "test_tavern97_spy.moc"
