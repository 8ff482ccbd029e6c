// Replays a busy channel through the whole client: server lines go through the
// dispatcher into a channel window of the real windows layer (main frame, channel
// frame, message view, user list) on the offscreen screen, and the event loop runs
// between reads as it does in the running client, so the drawing really happens.
// Prints the dispatch rate, the time to list a channel of 10,000 names, and the
// resident memory after 100,000 and after 1,000,000 lines.
//
//   chat_channel_replay [lines] [names]

#include "bench/procstatus.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/chanulist.h"
#include "chat/windows/chatframe.h"
#include "chat/windows/mainframe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

const char *const kWords[] = {"descent", "anyone", "up", "for", "a", "game", "tonight", "?", "the", "server",
                              "lag", "is", "bad", "again", "ipx", "works", "fine", "here", "gg", "rematch",
                              "see", "http://www.lanway.test/ladder", "brb", "kali", "mission", "pack",
                              "level", "7", "ok", "lol"};
constexpr int kWordCount = int(sizeof kWords / sizeof kWords[0]);

// A deterministic channel conversation: mostly talk of varying length, with joins,
// parts, nickname changes, mode changes, actions and the server's pings mixed in.
class ChannelTraffic {
public:
    explicit ChannelTraffic(int regulars) : m_regulars(regulars) {}

    QByteArray next()
    {
        const quint32 r = random();
        const int who = int(r % quint32(m_regulars));
        const QByteArray nick = "user" + QByteArray::number(who);
        const QByteArray prefix = ':' + nick + '!' + nick + "@host" + QByteArray::number(who % 97) + ".lanway.test ";
        switch (r % 100) {
        case 0: case 1:
            return prefix + "JOIN :#lanway";
        case 2: case 3:
            return prefix + "PART #lanway";
        case 4:
            return prefix + "NICK :" + nick + "_";
        case 5:
            return ":" + nick + "_!x@h NICK :" + nick;
        case 6:
            return prefix + "MODE #lanway +v " + nick;
        case 7:
            return prefix + "MODE #lanway -v " + nick;
        case 8: case 9:
            return prefix + "PRIVMSG #lanway :\x01" "ACTION " + sentence() + '\x01';
        case 10:
            return "PING :irc.lanway.test";
        default:
            return prefix + "PRIVMSG #lanway :" + sentence();
        }
    }

private:
    quint32 random()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    QByteArray sentence()
    {
        QByteArray out;
        const int words = 2 + int(random() % 14);
        for (int i = 0; i < words; ++i) {
            if (i)
                out += ' ';
            out += kWords[random() % kWordCount];
        }
        out += ' ';
        out += QByteArray::number(++m_serial);
        return out;
    }

    int m_regulars;
    quint32 m_state = 12345;
    quint64 m_serial = 0;
};

// The bytes of a NAMES reply for `count` users, in lines of about 400 bytes as
// servers send them, with a few operators and voiced users.
QByteArray namesReply(int count)
{
    QByteArray out;
    QByteArray line;
    for (int i = 0; i < count; ++i) {
        QByteArray name = (i % 50 == 0 ? "@" : i % 20 == 0 ? "+" : "") + QByteArray("player") + QByteArray::number(i);
        if (!line.isEmpty() && line.size() + name.size() > 400) {
            out += ":irc.lanway.test 353 me = #crowd :" + line + "\r\n";
            line.clear();
        }
        if (!line.isEmpty())
            line += ' ';
        line += name;
    }
    if (!line.isEmpty())
        out += ":irc.lanway.test 353 me = #crowd :" + line + "\r\n";
    out += ":irc.lanway.test 366 me #crowd :End of NAMES list\r\n";
    return out;
}

// Feeds bytes as socket reads of up to 4 kB and lets the event loop run after each
// read, as the client's receive notification returns to it.
void replay(CTavernwApp &app, const QByteArray &bytes)
{
    constexpr qsizetype kRead = 4096;
    for (qsizetype at = 0; at < bytes.size(); at += kRead) {
        app.FeedServerBytes(bytes.mid(at, kRead));
        QCoreApplication::processEvents();
    }
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never wait for a person, and keep the window placement out of the user's files.
    QTemporaryDir scratch;
    qputenv("FERRY_HOME", scratch.path().toLocal8Bit());
    qputenv("FERRY_PROMPTS", scratch.filePath(QStringLiteral("prompts")).toLocal8Bit());
    QApplication qapp(argc, argv);

    const int totalLines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int crowd = argc > 2 ? std::atoi(argv[2]) : 10000;

    tavern::CMainFrame frame;
    CTavernwApp app(&frame);
    app.SetOwnNick(QStringLiteral("me"));
    app.m_Settings.ShowJoinPart = true;
    frame.Attach(&app);
    app.OpenServerWindow();
    frame.resize(1000, 700);
    frame.show();

    // The channel opens on our own JOIN; a first NAMES reply gives it 200 regulars.
    replay(app, ":me!me@here JOIN :#lanway\r\n" + namesReply(0).replace("#crowd", "#lanway"));
    {
        QByteArray names;
        for (int i = 0; i < 200; ++i)
            names += (names.isEmpty() ? "" : " ") + QByteArray("user") + QByteArray::number(i);
        replay(app, ":irc.lanway.test 353 me = #lanway :@me " + names + "\r\n");
    }
    tavern::CChatFrame *channel = frame.frameFor(QStringLiteral("#lanway"));
    if (!channel) {
        std::fprintf(stderr, "the channel window did not open\n");
        return 1;
    }
    channel->showMaximized();
    QCoreApplication::processEvents();
    PaintCounter painted;
    channel->view()->viewport()->installEventFilter(&painted);

    // Lines per second, with memory read at 100,000 and at the end.
    ChannelTraffic traffic(200);
    long rssAt100k = -1;
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    constexpr int kChunkLines = 40; // about 4 kB of chat per read
    QByteArray chunk;
    for (int i = 1; i <= totalLines; ++i) {
        chunk += traffic.next();
        chunk += "\r\n";
        if (i % kChunkLines == 0 || i == totalLines) {
            app.FeedServerBytes(chunk);
            chunk.clear();
            QCoreApplication::processEvents();
        }
        if (i == 100000) {
            channel->view()->flush();
            QCoreApplication::processEvents();
            rssAt100k = procStatusKb("VmRSS");
        }
    }
    channel->view()->flush();
    QCoreApplication::processEvents();
    const double replaySeconds = timer.nsecsElapsed() / 1e9;
    const double replayCpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const long rssAtEnd = procStatusKb("VmRSS");

    // A crowded channel: JOIN, then the NAMES reply, until the list shows every name.
    timer.restart();
    replay(app, ":me!me@here JOIN :#crowd\r\n" + namesReply(crowd));
    const double namesDispatchSeconds = timer.nsecsElapsed() / 1e9;
    tavern::CChatFrame *crowded = frame.frameFor(QStringLiteral("#crowd"));
    // A large list is redrawn a moment after the last edit: wait until it shows them all.
    const auto listed = [crowded] { return crowded && crowded->userList() ? crowded->userList()->count() : -1; };
    while (listed() != crowd && timer.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const double namesSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("channel lines replayed   %d (%d users in the list)\n", totalLines,
                channel->userList()->count());
    std::printf("replay time              %.2f s\n", replaySeconds);
    std::printf("rate                     %.0f lines/s (target >= 20000); %.0f per cpu second\n",
                totalLines / replaySeconds, totalLines / replayCpuSeconds);
    std::printf("blocks kept in the view  %d\n", channel->view()->document()->blockCount());
    std::printf("message view paints      %d\n", painted.paints);
    std::printf("list %d names         %.3f s, %d rows (target < 1 s for 10000; seconds for 1000000); "
                "dispatched in %.3f s\n",
                crowd, namesSeconds, listed(), namesDispatchSeconds);
    std::printf("VmRSS after 100000 lines %ld kB\n", rssAt100k);
    std::printf("VmRSS after %d lines %ld kB (%.2fx; target <= 1.5x)\n", totalLines, rssAtEnd,
                rssAt100k > 0 ? double(rssAtEnd) / double(rssAt100k) : 0.0);
    return 0;
}
