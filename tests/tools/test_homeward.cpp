// homeward's decisions with a world of the test's own (the clock, the control center,
// the chat clients), the game and the chat client being real processes: it waits for
// the game and the old chat client, never starts a second chat client, gives up when
// the control center goes and does not wait for ever.

#include "common/homewardnote.h"
#include "platform/processes.h"
#include "tests/support/testenv.h"
#include "tools/homeward/homeward.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using homeward::Outcome;

namespace {

// A world whose clock moves only when homeward sleeps.
struct FakeWorld {
    qint64 clock = 0;
    bool controlCenter = true;
    qint64 chatRunning = 0;
    int starts = 0;
    std::function<void(qint64 now)> onSleep;

    homeward::World world()
    {
        homeward::World w;
        w.controlCenterRuns = [this] { return controlCenter; };
        w.runningChatClient = [this] { return chatRunning; };
        w.startChatClient = [this] {
            ++starts;
            return true;
        };
        w.sleep = [this](int ms) {
            clock += ms;
            if (onSleep)
                onSleep(clock);
        };
        w.now = [this] { return clock; };
        return w;
    }
};

// A process that stands for the game until it is stopped.
std::unique_ptr<QProcess> startGame()
{
    auto game = std::make_unique<QProcess>();
    game->start(QStringLiteral("sleep"), {QStringLiteral("60")});
    game->waitForStarted();
    return game;
}

ferry::homeward::Note noteFor(const QProcess &game)
{
    return {game.processId(), ferry::processes::startTime(game.processId()), 0};
}

constexpr qint64 kOwnPid = 999999; // the note's name only; no such process is needed

} // namespace

class TestHomeward : public QObject {
    Q_OBJECT
private slots:
    void startsTheChatOnceTheGameHasEnded()
    {
        ferry::test::TestEnv env;
        auto game = startGame();
        QVERIFY(ferry::homeward::writeNote(kOwnPid, noteFor(*game)));
        FakeWorld fake;
        // The game ends after two seconds of (fake) waiting.
        fake.onSleep = [&](qint64 now) {
            if (now == 2000) {
                QCOMPARE(fake.starts, 0);
                game->kill();
                game->waitForFinished();
            }
        };
        QCOMPARE(homeward::Run(kOwnPid, fake.world()), Outcome::ChatStarted);
        QCOMPARE(fake.starts, 1);
        QVERIFY(fake.clock >= 2000);
        QVERIFY(!QFile::exists(ferry::homeward::notePath(kOwnPid)));
    }

    void neverASecondChatClient()
    {
        ferry::test::TestEnv env;
        auto game = startGame();
        const qint64 ended = game->processId();
        game->kill();
        game->waitForFinished();
        QVERIFY(ferry::homeward::writeNote(kOwnPid, {ended, 1, 0}));
        FakeWorld fake;
        fake.chatRunning = 4242; // the player started one by hand meanwhile
        QCOMPARE(homeward::Run(kOwnPid, fake.world()), Outcome::ChatStillRunning);
        QCOMPARE(fake.starts, 0);
    }

    void givesUpWhenTheControlCenterGoes()
    {
        ferry::test::TestEnv env;
        auto game = startGame();
        QVERIFY(ferry::homeward::writeNote(kOwnPid, noteFor(*game)));
        FakeWorld fake;
        fake.onSleep = [&](qint64 now) { fake.controlCenter = now < 5000; };
        QCOMPARE(homeward::Run(kOwnPid, fake.world()), Outcome::ControlCenterGone);
        QCOMPARE(fake.starts, 0);
        QVERIFY(fake.clock < 6000); // it noticed within a second of waiting
        game->kill();
        game->waitForFinished();
    }

    void doesNotWaitForEver()
    {
        ferry::test::TestEnv env;
        FakeWorld fake;
        QCOMPARE(homeward::Run(kOwnPid, fake.world()), Outcome::NoNote);
        QCOMPARE(fake.clock, qint64(homeward::kNoteWaitMs));

        auto game = startGame();
        QVERIFY(ferry::homeward::writeNote(kOwnPid, noteFor(*game)));
        fake.clock = 0;
        QCOMPARE(homeward::Run(kOwnPid, fake.world()), Outcome::GameTooLong);
        QCOMPARE(fake.clock, homeward::kLongestGameMs);
        QCOMPARE(fake.starts, 0);

        // A game that could not be started leaves nothing to wait for.
        QVERIFY(ferry::homeward::writeNote(kOwnPid, {0, 0, 0}));
        QCOMPARE(homeward::Run(kOwnPid, fake.world()), Outcome::NothingToFollow);
        game->kill();
        game->waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestHomeward)
#include "test_homeward.moc"
