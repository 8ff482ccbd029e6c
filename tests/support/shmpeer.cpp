// A second process for the shared block and request tests.
//
//   shmpeer create ADDRESS NICK EMAIL   create and fill the block, print "ready", then obey
//                                       tab-separated lines on stdin ("refresh\tADDR\tNICK\tEMAIL",
//                                       "server\tNAME", "clearserver"), answering "ok" to each;
//                                       releases the block at end of input
//   shmpeer dump                        print the block as hex on one line
//   shmpeer setwindow PID               write the chat-window field
//   shmpeer listen                      receive requests, print "front" / "close"; end on close
//
// Failing to create or open the block exits with 10 + the SharedMemory::Result.

#include "common/sharedblock.h"
#include "platform/paths.h"
#include "platform/requests.h"
#include "platform/sharedmemory.h"

#include <QCoreApplication>
#include <QHostAddress>

#include <cstdio>
#include <iostream>
#include <string>

using namespace ferry;

namespace {

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

std::uint32_t address(const QString &text)
{
    return QHostAddress(text).toIPv4Address();
}

int failed(SharedMemory::Result result)
{
    return 10 + int(result);
}

int create(const QStringList &args)
{
    SharedMemory memory;
    const auto result = memory.create(sharedBlockName(), sharedblock::Size);
    if (result != SharedMemory::Result::Ok)
        return failed(result);
    SharedBlock block(memory.data());
    block.initialize(address(args.value(0)), args.value(1).toUtf8(), args.value(2).toUtf8());
    say("ready");
    std::string line;
    while (std::getline(std::cin, line)) {
        const QStringList f = QString::fromStdString(line).split(QLatin1Char('\t'));
        if (f[0] == QLatin1String("refresh"))
            block.refreshIdentity(address(f.value(1)), f.value(2).toUtf8(), f.value(3).toUtf8());
        else if (f[0] == QLatin1String("server"))
            block.setServerName(f.value(1).toUtf8());
        else if (f[0] == QLatin1String("clearserver"))
            block.clearServerName();
        say("ok");
    }
    return 0;
}

int withOpenBlock(const std::function<void(SharedBlock &)> &use)
{
    SharedMemory memory;
    const auto result = memory.open(sharedBlockName(), sharedblock::Size);
    if (result != SharedMemory::Result::Ok)
        return failed(result);
    SharedBlock block(memory.data());
    use(block);
    return 0;
}

int listen(QCoreApplication &app)
{
    requests::Receiver receiver;
    QObject::connect(&receiver, &requests::Receiver::bringToFrontRequested, [] { say("front"); });
    QObject::connect(&receiver, &requests::Receiver::closeRequested, &app, [&app] {
        say("close");
        app.quit();
    });
    if (!receiver.listen())
        return 1;
    say("listening");
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("create"))
        return create(args.mid(1));
    if (mode == QLatin1String("dump"))
        return withOpenBlock([](SharedBlock &b) { say(b.bytes().toHex().constData()); });
    if (mode == QLatin1String("setwindow"))
        return withOpenBlock([&args](SharedBlock &b) { b.setChatWindow(args.value(1).toInt()); });
    if (mode == QLatin1String("listen"))
        return listen(app);
    std::fprintf(stderr, "usage: shmpeer create|dump|setwindow|listen ...\n");
    return 2;
}
