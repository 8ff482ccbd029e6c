#pragma once

// Requests one process of the suite sends to the running chat client: come to the
// front (a second copy was started) and close (the control center is leaving).
// The receiver listens on a local socket whose name is derived from the shared
// block's name and its own process id, so each copy has its own address and test
// runs side by side do not meet.

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace ferry::requests {

enum class Request { BringToFront, Close };

// The local socket name the process pid listens on.
QString endpointName(qint64 pid);

// Delivers a request to the process pid and waits (up to timeoutMs) until it
// confirms receipt. False when nothing listens there or no confirmation came.
bool sendRequest(qint64 pid, Request request, int timeoutMs = 3000);

// Receives requests for this process. Signals arrive on the thread the receiver
// lives on (the UI thread), after the sender has its confirmation.
class Receiver : public QObject {
    Q_OBJECT
public:
    explicit Receiver(QObject *parent = nullptr);
    ~Receiver() override;

    // Starts listening on endpointName(own pid); false when that fails.
    bool listen();
    bool isListening() const;

signals:
    void bringToFrontRequested();
    void closeRequested();

private:
    void accept();
    void readRequest(QLocalSocket *socket);

    QLocalServer *m_server;
};

} // namespace ferry::requests
