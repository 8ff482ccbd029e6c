#include "tools/homeward/homeward.h"

#include "common/homewardnote.h"
#include "common/sessionpeers.h"
#include "common/sharedblock.h"
#include "platform/launcher.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "platform/sharedmemory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <memory>

namespace homeward {

namespace {

// Waits while busy() holds, looking every pollMs for at most limitMs; false when the control center went
// away meanwhile (true otherwise, also when the time ran out).
bool waitWhile(const World &world, const std::function<bool()> &busy, qint64 limitMs, int pollMs, bool *timedOut)
{
    const qint64 start = world.now();
    *timedOut = false;
    while (busy()) {
        if (!world.controlCenterRuns())
            return false;
        if (world.now() - start >= limitMs) {
            *timedOut = true;
            return true;
        }
        world.sleep(pollMs);
    }
    return true;
}

// The session block while the control center holds it.
bool openBlock(ferry::SharedMemory &memory)
{
    return memory.open(ferry::sharedBlockName(), ferry::sharedblock::Size) == ferry::SharedMemory::Result::Ok;
}

} // namespace

World SystemWorld()
{
    World world;
    world.controlCenterRuns = [] {
        ferry::SharedMemory memory;
        return openBlock(memory);
    };
    world.runningChatClient = []() -> qint64 {
        ferry::SharedMemory memory;
        if (!openBlock(memory))
            return 0;
        return ferry::sessionpeers::runningChatClient(ferry::SharedBlock(memory.data()));
    };
    // In the folder homeward was started in (the chat client's), where it finds games.txt.
    world.startChatClient = [] { return ferry::launcher::startProgram(QStringLiteral("tavern97")); };
    world.sleep = [](int ms) { QThread::msleep(ulong(ms)); };
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    world.now = [clock] { return clock->elapsed(); };
    return world;
}

namespace {

Outcome follow(const QString &path, const World &world)
{
    bool timedOut = false;
    if (!waitWhile(world, [&] { return !QFile::exists(path); }, kNoteWaitMs, kPollMs, &timedOut))
        return Outcome::ControlCenterGone;
    const auto note = ferry::homeward::readNote(path);
    if (timedOut || !note)
        return Outcome::NoNote;
    if (note->game == 0)
        return Outcome::NothingToFollow;

    // The game is the process with this id and start time; an id reused later is not it.
    const auto gameRuns = [&] {
        const quint64 started = ferry::processes::startTime(note->game);
        return started != 0 && started == note->gameStart;
    };
    if (!waitWhile(world, gameRuns, kLongestGameMs, kGamePollMs, &timedOut))
        return Outcome::ControlCenterGone;
    if (timedOut)
        return Outcome::GameTooLong;

    const auto chatRuns = [&] {
        return ferry::processes::isRunningProgram(note->chat, QStringLiteral("tavern97"));
    };
    if (!waitWhile(world, chatRuns, kChatExitWaitMs, kPollMs, &timedOut))
        return Outcome::ControlCenterGone;
    if (timedOut || world.runningChatClient() != 0)
        return Outcome::ChatStillRunning;
    if (!world.controlCenterRuns())
        return Outcome::ControlCenterGone;
    return world.startChatClient() ? Outcome::ChatStarted : Outcome::ChatStartFailed;
}

} // namespace

Outcome Run(qint64 ownPid, const World &world)
{
    const QString path = ferry::homeward::notePath(ownPid);
    const Outcome outcome = follow(path, world);
    QFile::remove(path); // also when homeward gave up before the note came
    return outcome;
}

QString Describe(Outcome outcome)
{
    switch (outcome) {
    case Outcome::ChatStarted: return QStringLiteral("the game ended; the chat client was started again");
    case Outcome::NoNote: return QStringLiteral("no game was handed over; nothing to do");
    case Outcome::NothingToFollow: return QStringLiteral("the game could not be followed; nothing to do");
    case Outcome::ControlCenterGone: return QStringLiteral("the control center is not running; not starting the chat");
    case Outcome::ChatStillRunning: return QStringLiteral("a chat client is running; not starting another");
    case Outcome::GameTooLong: return QStringLiteral("the game ran too long; giving up");
    case Outcome::ChatStartFailed: return QStringLiteral("the chat client could not be started");
    }
    return QString();
}

} // namespace homeward
