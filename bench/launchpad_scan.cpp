// The launchpad's game search over a generated tree: directory entries scanned per
// second on the search thread, the longest stall of the window's event loop while a
// search runs beside it, and how soon Cancel ends a search.
//
//   launchpad_scan [entries] [folder]     (default 250000 entries in a temporary folder)

#include "chat/launchpad/gamescanner.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace tavern;

namespace {

const QList<CKnownGame> kGames = {
    {"Descent", "DESCENT.EXE", "DESCENT.EXE", "", ""},
    {"Descent II", "DESCENT2.EXE", "DESCENT2.EXE", "", ""},
    {"DOOM", "DOOM.EXE", "IPXSETUP.EXE", "-nodes 2", ""},
    {"Quake", "QUAKE.EXE", "QUAKE.EXE", "", ""},
    {"Warcraft II", "WAR2.EXE", "WAR2.EXE", "pkt:8", ""},
};

// Folders of 500 files, 20 to a parent folder; the games sit in the last folder.
quint64 generateTree(const QString &root, int entries)
{
    quint64 made = 0;
    const int perFolder = 500;
    const int folders = (entries + perFolder - 1) / perFolder;
    for (int f = 0; f < folders; ++f) {
        const QString folder = QStringLiteral("%1/group%2/folder%3").arg(root).arg(f / 20, 3, 10, QLatin1Char('0')).arg(f);
        QDir().mkpath(folder);
        made += f % 20 == 0 ? 2 : 1;
        const QByteArray base = QFile::encodeName(folder) + "/file";
        for (int i = 0; i < perFolder; ++i) {
            const QByteArray name = base + QByteArray::number(i) + ".dat";
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd >= 0)
                ::close(fd);
            ++made;
        }
        if (f == folders - 1)
            for (const char *game : {"/descent2.exe", "/Doom.exe", "/QUAKE.EXE"})
                QFile(folder + QLatin1String(game)).open(QIODevice::WriteOnly);
    }
    return made + 3;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 250000;
    QTemporaryDir temporary;
    const QString root = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path() + QStringLiteral("/tree");

    QElapsedTimer clock;
    clock.start();
    const quint64 made = generateTree(root, entries);
    std::printf("generated %llu entries in %.1f s\n", static_cast<unsigned long long>(made), clock.elapsed() / 1000.0);

    // 1. The search thread's own speed (the tree is in the page cache after generating it).
    const CGameMatcher matcher(kGames);
    std::atomic_bool cancel{false};
    int found = 0;
    clock.restart();
    const CScanStats stats = ScanTree(root, kGames, matcher, cancel, [&](const CFoundGame &) { ++found; });
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("scan: %llu entries in %llu folders in %.3f s: %.0f entries/s (target 100,000); %d games found\n",
                static_cast<unsigned long long>(stats.entries), static_cast<unsigned long long>(stats.directories),
                seconds, stats.entries / seconds, found);

    // 2. The window's event loop beside a search: the longest gap between 1 ms ticks.
    CGameScanner scanner;
    qint64 longest = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.restart());
    });
    int delivered = 0;
    QObject::connect(&scanner, &CGameScanner::gameFound, [&](const CFoundGame &) { ++delivered; });
    QEventLoop wait;
    CScanStats threaded;
    QObject::connect(&scanner, &CGameScanner::finished, &wait, [&](const CScanStats &s) {
        threaded = s;
        wait.quit();
    });
    clock.restart();
    sinceTick.start();
    ticker.start();
    scanner.Start(root, kGames);
    wait.exec();
    ticker.stop();
    std::printf("scan beside the window: %llu entries in %.3f s, %d games delivered; longest event-loop stall %lld ms "
                "(target under 50 ms)\n",
                static_cast<unsigned long long>(threaded.entries), clock.nsecsElapsed() / 1e9, delivered, longest);

    // 3. Cancel in the middle of a search (a scanner stays cancelled: a new one).
    CGameScanner cancelled;
    QObject::connect(&cancelled, &CGameScanner::finished, &wait, [&](const CScanStats &s) {
        threaded = s;
        wait.quit();
    });
    cancelled.Start(root, kGames);
    QTimer::singleShot(20, [&] {
        clock.restart();
        cancelled.Cancel();
    });
    wait.exec();
    std::printf("cancel: the search ended %.1f ms after Cancel (target under 100 ms); %s\n",
                clock.nsecsElapsed() / 1e6, threaded.cancelled ? "cancelled" : "it had already finished");
    return 0;
}
