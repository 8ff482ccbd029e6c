#pragma once

// Turns SIGTERM and SIGINT into a Qt signal on the main thread, so that the programs and ferryd
// leave through their normal exit path when the system or a user asks them to end.
// The handler only writes the signal number to a pipe (async-signal-safe); a socket
// notifier on the pipe's other end emits terminationRequested() from the event loop.

#include <QObject>

class QSocketNotifier;

namespace ferry {

class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    // Installs the handlers. One watcher per process; a second one takes over.
    explicit UnixSignalWatcher(QObject *parent = nullptr);
    // Restores the default handlers.
    ~UnixSignalWatcher() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace ferry
