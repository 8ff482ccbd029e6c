#include "common/sessionpeers.h"
#include "common/sharedblock.h"
#include "platform/paths.h"
#include "platform/requests.h"
#include "platform/sharedmemory.h"
#include "platform/unixsignals.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    ferry::SharedMemory memory;
    const bool haveBlock = memory.open(ferry::sharedBlockName(), ferry::sharedblock::Size)
        == ferry::SharedMemory::Result::Ok;
    ferry::SharedBlock block(memory.data());
    // A copy already running takes over: it comes to the front and this one ends.
    if (haveBlock && ferry::sessionpeers::runningChatClient(block) != 0) {
        ferry::sessionpeers::bringChatClientToFront(block);
        return 0;
    }

    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("The Hearthside 97"));
    frame.resize(640, 480);

    ferry::UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &ferry::UnixSignalWatcher::terminationRequested, &frame, &QWidget::close);
    ferry::requests::Receiver requests;
    QObject::connect(&requests, &ferry::requests::Receiver::closeRequested, &frame, &QWidget::close);
    QObject::connect(&requests, &ferry::requests::Receiver::bringToFrontRequested, &frame, [&frame] {
        frame.showNormal();
        frame.raise();
        frame.activateWindow();
    });
    requests.listen();

    frame.show();
    if (haveBlock)
        block.setChatWindow(qint32(QCoreApplication::applicationPid()));
    return app.exec();
}
