#pragma once

// Requests one process of the suite sends to another running one: come to the
// front (a second copy was started), close (the control center is leaving), and
// dump its windows (tests and automation read what a running program shows).
// The chat client listens on a local socket whose name is derived from the shared
// block's name and its own process id, so each copy has its own address and test
// runs side by side do not meet. The control center, of which one runs per block,
// listens on a name derived from the block's name alone. The sockets lie in the
// user's private runtime folder (paths.h), where no other user can put one first.

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace ferry::requests {

enum class Request { BringToFront, Close, DumpWindows };

// The local socket name the chat client with process id pid listens on.
QString endpointName(qint64 pid);
// The local socket name the running control center listens on.
QString controlCenterEndpointName();

// Delivers a request to the process pid and waits (up to timeoutMs) until it
// confirms receipt. False when nothing listens there or no confirmation came.
bool sendRequest(qint64 pid, Request request, int timeoutMs = 3000);
// The same to whoever listens on a given endpoint name.
bool sendRequest(const QString &endpoint, Request request, int timeoutMs = 3000);

// Delivers a request without waiting for the receiver to take it: the line is
// handed to the system's socket queue and the call returns, so a receiver that
// hangs cannot hold the caller's user-interface thread. False when nothing
// listens there or the connection cannot be had at once.
bool postRequest(qint64 pid, Request request);

// Receives requests for this process. Signals arrive on the thread the receiver
// lives on (the UI thread), after the sender has its confirmation.
class Receiver : public QObject {
    Q_OBJECT
public:
    explicit Receiver(QObject *parent = nullptr);
    ~Receiver() override;

    // Starts listening on endpointName(own pid); false when that fails.
    bool listen();
    // Starts listening on the given name. A socket file already there is taken
    // to be stale and replaced, so the caller makes sure nobody answers there first.
    bool listen(const QString &endpoint);
    bool isListening() const;

signals:
    void bringToFrontRequested();
    void closeRequested();
    void dumpWindowsRequested();

private:
    void accept();
    void readRequest(QLocalSocket *socket);

    QLocalServer *m_server;
};

} // namespace ferry::requests
