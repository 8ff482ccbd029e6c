#pragma once

// A real DOSBox, headless (SDL's dummy video and audio), whose generated
// dosbox.conf connects to an IPX tunnelling endpoint and then waits for the test:
// the test lets it run "ipxnet ping" into a file, then lets it end. The steps are
// paced by marker files in its C: drive, which the DOS batch loop polls (after
// "rescan", so that it sees what the host wrote), so nothing depends on timing.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace ferry::test {

class DosBoxFixture {
public:
    ~DosBoxFixture();

    // The dosbox program, or empty when it is not installed.
    static QString program();

    // Starts it with "ipxnet connect host port"; false with a reason.
    bool start(const QString &host, quint16 port, QString *why);
    // Waits until "ipxnet status" reports the client connected.
    bool waitConnected(int timeoutMs = 20000);
    // Lets it run "ipxnet ping" and waits until it is done; the output is returned.
    QString ping(int timeoutMs = 20000);
    // Lets it leave its batch and end.
    bool finish(int timeoutMs = 10000);

private:
    QString drive(const QString &name) const;
    QString read(const QString &name) const;
    bool mark(const QString &name) const;

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
};

} // namespace ferry::test
