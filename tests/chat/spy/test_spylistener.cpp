// The spy's listener with a socket the test feeds: the requests it sends, the
// games it keeps, and what it makes of Descent and Descent II datagrams built
// the way the games build them, hostile ones included.

#include "chat/spy/spylistener.h"
#include "tests/chat/spy/descentwire.h"
#include "tests/chat/spy/fakespysocket.h"

#include <QTest>

using namespace tavern::spy;
using namespace descentwire;

namespace {

// What the listener reported, in order.
struct Seen {
    QStringList games;
    int waiting = 0;
    QList<SpyGameFields> shown;
    QList<QStringList> players;
    QList<SpyPlayerFields> player;
    QStringList failures;

    explicit Seen(CSpyListener &l)
    {
        QObject::connect(&l, &CSpyListener::gameListCleared, [this] { games.clear(); });
        QObject::connect(&l, &CSpyListener::gameAdded, [this](const QString &n) { games << n; });
        QObject::connect(&l, &CSpyListener::waitingForGame, [this] { ++waiting; });
        QObject::connect(&l, &CSpyListener::gameShown, [this](const SpyGameFields &f) { shown << f; });
        QObject::connect(&l, &CSpyListener::playersShown, [&l, this](const QStringList &n) {
            players << n;
            if (!n.isEmpty())
                l.SelectPlayer(n.first()); // as the window does
        });
        QObject::connect(&l, &CSpyListener::playerShown, [this](const SpyPlayerFields &f) { player << f; });
        QObject::connect(&l, &CSpyListener::socketFailed, [this](const QString &t) { failures << t; });
    }
};

struct Rig {
    std::shared_ptr<FakeSpyNetwork> net = std::make_shared<FakeSpyNetwork>();
    CSpyListener listener{std::make_unique<FakeSpySocket>(net)};
    Seen seen{listener};

    Rig()
    {
        net->own.network = {0, 0, 0, 1};
        net->own.node = {1, 0, 0, 127, 0, 3};
        listener.OpenSpySocket();
    }
    QByteArray lastSent() const { return net->sent.isEmpty() ? QByteArray() : net->sent.last().payload; }
};

SpyAddress hostAddress(std::uint8_t last)
{
    SpyAddress a;
    a.network = {0, 0, 0, 1};
    a.node = nodeOf(127, 0, 0, last);
    a.socket = 0x5130;
    return a;
}

Game descent2Game()
{
    Game g;
    g.security = 0x12345678;
    g.name = "Pyro Party";
    g.mission = "Descent 2: Counterstrike!";
    g.level = 7;
    g.mode = 4;           // Capture the Flag at offset 64
    g.flags = 0x21;       // at offset 71: not a mode
    g.refusePlayers = 1;
    g.difficulty = 3;
    g.maxPlayers = 8;
    g.packetsPerSecond = 15;
    g.shortPackets = 1;
    for (int i = 0; i < 12; ++i) {
        Player p;
        p.callsign = "pilot" + QByteArray::number(i);
        p.node = nodeOf(10, 1, 2, std::uint8_t(30 + i));
        p.rank = std::uint8_t(i);
        p.kills = std::int16_t(i * 3);
        p.deaths = std::int16_t(-i);
        p.score = 1000 * i - 5;
        g.players << p;
    }
    return g;
}

} // namespace

class TestSpyListener : public QObject {
    Q_OBJECT
private slots:
    void requestsCarryTheOwnAddressAndTheGamesFields()
    {
        Rig r;
        r.listener.SendGameRequest();
        QCOMPARE(r.net->sent.size(), 1);
        QCOMPARE(r.net->sent[0].from, BroadcastAddress(0x5130));
        QCOMPARE(r.lastSent().toHex(), QByteArray("12000000" "38" "a6730000" "000000" "447370790000000000"
                                                  "00000001" "0100007f0003" "86331005" "0000" "00"));

        // Descent I, socket offset 3: IPX socket 0x5103 = 20739, its own request.
        r.listener.ReopenSpySocket(SpyMode::Descent1, 3);
        QCOMPARE(r.net->bound.last(), std::uint16_t(20739));
        QCOMPARE(r.net->sent.last().from, BroadcastAddress(20739));
        QCOMPARE(r.lastSent().toHex(), QByteArray("24000000" "24" "447370790000000000" "00000001" "0100007f0003"
                                                  "0051" "000000000000000000000000"));
        QCOMPARE(r.lastSent().size(), kRequestSize);
    }

    void aBroadcastWaitsForTheSocketToOpen()
    {
        Rig r;
        r.net->state = ISpySocket::State::Opening;
        CSpyListener listener(std::make_unique<FakeSpySocket>(r.net));
        listener.OpenSpySocket();
        listener.SendGameRequest();
        listener.PollSpySocket();
        QVERIFY(r.net->sent.isEmpty());
        r.net->state = ISpySocket::State::Ready;
        listener.PollSpySocket();
        QCOMPARE(r.net->sent.size(), 1);
        QCOMPARE(r.lastSent().mid(21, 10), QByteArray::fromHex("000000010100007f0003"));
    }

    void aFailedSocketIsToldOnce()
    {
        Rig r;
        r.net->state = ISpySocket::State::Failed;
        r.net->failure = QStringLiteral("Unable to initialize Winsock IPX");
        r.listener.PollSpySocket();
        r.listener.PollSpySocket();
        QCOMPARE(r.seen.failures, QStringList{QStringLiteral("Unable to initialize Winsock IPX")});
    }

    void gamesAreKeyedByNameWithoutRegardToCase()
    {
        Rig r;
        Game g = descent2Game();
        r.net->deliver(descent2Announcement(g), hostAddress(5));
        g.name = "PYRO party";
        r.net->deliver(descent2Announcement(g), hostAddress(6));
        g.name = "Second";
        r.net->deliver(descent2Announcement(g), hostAddress(7));
        g.name = "";
        r.net->deliver(descent2Announcement(g), hostAddress(8));      // no name: not a game
        r.net->deliver(QByteArray::fromHex("0000000036"), hostAddress(9)); // a request, ignored
        r.net->deliver(QByteArray::fromHex("000000"), hostAddress(9));     // too short for a type
        r.listener.PollSpySocket();
        QCOMPARE(r.seen.games, (QStringList{QStringLiteral("Pyro Party"), QStringLiteral("Second")}));

        // The latest announcement's sender is asked.
        r.listener.SelectGame(QStringLiteral("pyro PARTY"));
        QCOMPARE(r.net->sent.last().from, hostAddress(6));
    }

    void atMost256GamesAndNamesEndWithTheirField()
    {
        Rig r;
        Game g = descent2Game();
        for (int i = 0; i < 300; ++i) {
            g.name = "game " + QByteArray::number(i);
            r.net->deliver(descent2Announcement(g), hostAddress(5));
        }
        g.name = "0123456789abcdefOVERFLOW"; // no terminator in its 16 bytes
        r.net->deliver(descent2Announcement(g), hostAddress(5));
        for (int i = 0; i < 3; ++i)
            r.listener.PollSpySocket();
        QCOMPARE(r.seen.games.size(), CSpyListener::kMaxGames);
        QCOMPARE(r.listener.GameNames().size(), CSpyListener::kMaxGames);
        QVERIFY(!r.listener.GameNames().contains(QStringLiteral("0123456789abcdef")));

        CSpyListener fresh(std::make_unique<FakeSpySocket>(r.net));
        Seen seen(fresh);
        r.net->deliver(descent2Announcement(g), hostAddress(5));
        fresh.PollSpySocket();
        QCOMPARE(seen.games, QStringList{QStringLiteral("0123456789abcdef")});
    }

    void aDescent2GameIsAskedForAndShownWithItsPlayers()
    {
        Rig r;
        const Game g = descent2Game();
        r.net->deliver(descent2Announcement(g), hostAddress(5));
        r.listener.PollSpySocket();
        r.listener.SelectGame(QStringLiteral("Pyro Party"));
        QCOMPARE(r.seen.waiting, 1);
        const QByteArray request = r.lastSent();
        QCOMPARE(int(request[4]), 44);
        QCOMPARE(request.mid(5, 4), QByteArray::fromHex("78563412"));

        // Answers carrying another security value are not ours.
        Game other = g;
        other.security = 29606;
        other.name = "Impostor";
        r.net->deliver(descent2GameInfo(other));
        r.net->deliver(descent2Players(other));
        r.listener.PollSpySocket();
        QVERIFY(r.seen.shown.isEmpty());
        QVERIFY(r.seen.players.isEmpty());

        r.net->deliver(descent2GameInfo(g));
        r.net->deliver(descent2Players(g));
        r.listener.PollSpySocket();
        QCOMPARE(r.seen.shown.size(), 1);
        const SpyGameFields &f = r.seen.shown[0];
        QCOMPARE(f.name, QStringLiteral("Pyro Party"));
        QCOMPARE(f.mission, QStringLiteral("Descent 2: Counterstrike!"));
        QCOMPARE(f.level, QStringLiteral("7"));
        QCOMPARE(f.difficulty, QStringLiteral("Hotshot"));
        QCOMPARE(f.mode, QStringLiteral("Capture the Flag (Restricted)"));
        QCOMPARE(f.packetsPerSecond, QStringLiteral("15"));
        QCOMPARE(f.current, QStringLiteral("12"));
        QCOMPARE(f.maximum, QStringLiteral("8"));
        QVERIFY(f.shortPackets);

        // All 12 names are listed; the first is shown.
        QCOMPARE(r.seen.players.size(), 1);
        QCOMPARE(r.seen.players[0].size(), 12);
        QCOMPARE(r.seen.players[0][11], QStringLiteral("pilot11"));
        QCOMPARE(r.seen.player.size(), 1);
        QCOMPARE(r.seen.player[0].rank, QStringLiteral("Unpatched"));
        QCOMPARE(r.seen.player[0].score, QStringLiteral("-5"));
        QCOMPARE(r.seen.player[0].address, QStringLiteral("10.1.2.30"));

        r.listener.SelectPlayer(QStringLiteral("pilot7"));
        QCOMPARE(r.seen.player.size(), 2);
        QCOMPARE(r.seen.player[1].rank, QStringLiteral("Rear Admiral"));
        QCOMPARE(r.seen.player[1].kills, QStringLiteral("21"));
        QCOMPARE(r.seen.player[1].deaths, QStringLiteral("-7"));
        QCOMPARE(r.seen.player[1].score, QStringLiteral("6995"));
        QCOMPARE(r.seen.player[1].address, QStringLiteral("10.1.2.37"));
        // Beyond the eighth player there are no details; names match exactly.
        r.listener.SelectPlayer(QStringLiteral("pilot8"));
        r.listener.SelectPlayer(QStringLiteral("PILOT1"));
        QCOMPARE(r.seen.player.size(), 2);

        // The periodic broadcast reuses the request: the game's security value, type 56.
        const qsizetype before = r.net->sent.size();
        for (int i = 0; i < CSpyListener::kTicksPerBroadcast && r.net->sent.size() == before; ++i)
            r.listener.PollSpySocket();
        QCOMPARE(r.net->sent.size(), before + 1);
        QCOMPARE(r.net->sent.last().from, BroadcastAddress(0x5130));
        QCOMPARE(int(r.lastSent()[4]), 56);
        QCOMPARE(r.lastSent().mid(5, 4), QByteArray::fromHex("78563412"));
        // And again 20 s later.
        for (int i = 0; i < CSpyListener::kTicksPerBroadcast; ++i)
            r.listener.PollSpySocket();
        QCOMPARE(r.net->sent.size(), before + 2);
    }

    void playersBeforeTheGameGetTheirScoresWhenItComes()
    {
        Rig r;
        const Game g = descent2Game();
        r.net->deliver(descent2Announcement(g), hostAddress(5));
        r.listener.PollSpySocket();
        r.listener.SelectGame(QStringLiteral("Pyro Party"));
        r.net->deliver(descent2Players(g));
        r.net->deliver(descent2GameInfo(g));
        r.listener.PollSpySocket();
        QCOMPARE(r.seen.player.size(), 2);
        QCOMPARE(r.seen.player[0].score, QStringLiteral("0"));
        QCOMPARE(r.seen.player[1].score, QStringLiteral("-5"));
    }

    void unknownModesRanksAndDifficultiesAndShortDatagrams()
    {
        Rig r;
        Game g = descent2Game();
        g.mode = 9;
        g.difficulty = 0;
        g.refusePlayers = 0;
        g.players[0].rank = 10;
        r.net->deliver(descent2Announcement(g), hostAddress(5));
        r.listener.PollSpySocket();
        r.listener.SelectGame(QStringLiteral("Pyro Party"));
        r.net->deliver(descent2GameInfo(g));
        r.net->deliver(descent2Players(g));
        r.listener.PollSpySocket();
        QCOMPARE(r.seen.shown.last().mode, QStringLiteral("Unknown"));
        QCOMPARE(r.seen.shown.last().difficulty, QStringLiteral("Unknown"));
        QCOMPARE(r.seen.player.last().rank, QStringLiteral("Unknown"));

        // A matching game datagram cut short reads as zeros beyond its end.
        r.net->deliver(descent2GameInfo(g).left(13));
        r.net->deliver(descent2Players(g).left(40)); // one whole record and a part
        r.listener.PollSpySocket();
        QCOMPARE(r.seen.shown.last().name, QStringLiteral("Pyro"));
        QCOMPARE(r.seen.shown.last().packetsPerSecond, QStringLiteral("0"));
        QCOMPARE(r.seen.players.last(), (QStringList{QStringLiteral("pilot0"), QStringLiteral("pilot")}));
    }

    void aDescent1GameShowsAtOnce()
    {
        Rig r;
        r.listener.ReopenSpySocket(SpyMode::Descent1, 3);
        Game g = descent2Game();
        g.name = "Old School";
        g.mission = "Descent: First Strike";
        g.mode = 3;
        g.flags = 1;
        g.difficulty = 5;
        g.players = g.players.mid(0, 3);
        r.net->deliver(descent1GameInfo(g), hostAddress(9));
        r.net->deliver(descent2Announcement(descent2Game()), hostAddress(5)); // not a Descent I type
        r.listener.PollSpySocket();
        QCOMPARE(r.seen.games, QStringList{QStringLiteral("Old School")});
        const qsizetype sent = r.net->sent.size();
        r.listener.SelectGame(QStringLiteral("old school"));
        QCOMPARE(r.net->sent.size(), sent); // nothing asked
        QCOMPARE(r.seen.waiting, 0);
        QCOMPARE(r.seen.shown.size(), 1);
        QCOMPARE(r.seen.shown[0].mode, QStringLiteral("Coop (Closed)"));
        QCOMPARE(r.seen.shown[0].difficulty, QStringLiteral("Insane"));
        QCOMPARE(r.seen.shown[0].packetsPerSecond, QStringLiteral("N/A"));
        QVERIFY(!r.seen.shown[0].shortPackets);
        QCOMPARE(r.seen.shown[0].level, QStringLiteral("7"));
        // The title field is cut where the 508 bytes read end.
        QCOMPARE(r.seen.shown[0].mission, QStringLiteral("Descent: First Strike"));
        QCOMPARE(r.seen.players[0], (QStringList{"pilot0", "pilot1", "pilot2"}));
        r.listener.SelectPlayer(QStringLiteral("pilot2"));
        QCOMPARE(r.seen.player.last().rank, QStringLiteral("N/A"));
        QCOMPARE(r.seen.player.last().kills, QStringLiteral("6"));
        QCOMPARE(r.seen.player.last().score, QStringLiteral("1995"));
        QCOMPARE(r.seen.player.last().address, QStringLiteral("10.1.2.32"));

        // Back to Descent II: its list starts empty, its socket is 0x5130 + 3.
        r.listener.ReopenSpySocket(SpyMode::Descent2, 3);
        QVERIFY(r.seen.games.isEmpty());
        QCOMPARE(r.net->bound.last(), std::uint16_t(0x5133));
    }
};

QTEST_GUILESS_MAIN(TestSpyListener)
#include "test_spylistener.moc"
