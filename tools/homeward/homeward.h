#pragma once

// Brings the player back to the chat when a game started from the launchpad ends.
// The chat client starts homeward just before the game and then ends; homeward reads
// the note the chat client leaves for it (common/homewardnote.h), waits for the game
// to end and for that chat client to be gone, and starts "tavern97" again. It never
// starts a second chat client, gives up as soon as the control center is gone, and
// does not stay for ever: no note within kNoteWaitMs, a chat client that does not end
// within kChatExitWaitMs, or a game running longer than kLongestGameMs end it.

#include <QString>

#include <functional>

namespace homeward {

inline constexpr int kNoteWaitMs = 30 * 1000;
inline constexpr int kChatExitWaitMs = 30 * 1000;
inline constexpr qint64 kLongestGameMs = 24LL * 60 * 60 * 1000;
inline constexpr int kPollMs = 100;      // for the note and the old chat client's end
inline constexpr int kGamePollMs = 1000; // while the game runs

enum class Outcome {
    ChatStarted,
    NoNote,               // nothing to follow
    NothingToFollow,      // the game could not be started or followed
    ControlCenterGone,
    ChatStillRunning,     // a chat client runs (the old one did not end, or another one)
    GameTooLong,
    ChatStartFailed,
};

// What the run depends on outside this process; tests give their own.
struct World {
    std::function<bool()> controlCenterRuns;
    // Process id of the chat client the session block names while it runs, else 0.
    std::function<qint64()> runningChatClient;
    std::function<bool()> startChatClient;
    std::function<void(int ms)> sleep;
    // Milliseconds on a steady clock.
    std::function<qint64()> now;
};

// The world of the running system: the session block, the processes, the clock.
World SystemWorld();

// The whole run for the note of this process id.
Outcome Run(qint64 ownPid, const World &world);

QString Describe(Outcome outcome);

} // namespace homeward
