// Appends a flood of coloured chat lines, each with one link, to a message view on
// the offscreen screen and prints the rate and the peak memory of the process.
//
//   messageview_flood [lines] [scrollback]

#include "bench/procstatus.h"
#include "chat/windows/messageview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <cstdio>
#include <ctime>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 200000;
    tavern::MessageViewSettings settings;
    if (argc > 2)
        settings.scrollbackLines = std::atoi(argv[2]);

    tavern::MessageViewHost host;
    host.settings = [&settings] { return settings; };
    tavern::CMessageView view(host);
    view.resize(800, 600);
    view.show();
    app.processEvents();

    const quint32 colours[] = {0x00000000, 0x000000FF, 0x00660000, 0x00008000};
    const long rssBefore = procStatusKb("VmHWM");
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < lines; ++i) {
        view.addLine(QStringLiteral("<nick%1> line %2 see http://example.org/page/%2 for more")
                         .arg(i % 37)
                         .arg(i),
                     colours[i % 4]);
        // Let the event loop run now and then, as a socket read would.
        if (i % 1000 == 999)
            app.processEvents();
    }
    view.flush();
    app.processEvents();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    std::printf("lines            %d\n", lines);
    std::printf("scrollback       %d lines (%d blocks kept)\n", settings.scrollbackLines,
                view.document()->blockCount());
    std::printf("elapsed          %.2f s\n", seconds);
    std::printf("cpu time         %.2f s\n", cpuSeconds);
    std::printf("rate             %.0f lines/s (%.0f per cpu second)\n", lines / seconds,
                lines / cpuSeconds);
    std::printf("peak RSS before  %ld kB\n", rssBefore);
    std::printf("peak RSS (VmHWM) %ld kB\n", procStatusKb("VmHWM"));
    return 0;
}
