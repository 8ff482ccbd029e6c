#pragma once

// Small probes of other processes for tests that start real programs.

#include "tests/support/testenv.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTest>

#include <csignal>
#include <memory>

namespace ferry::test {

// True once the process has installed a handler for the signal (its SigCgt mask).
inline bool catchesSignal(qint64 pid, int signalNumber)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signalNumber - 1)) & 1;
    }
    return false;
}

// Waits for a line on the process's standard output; the line without its newline,
// or an empty result when none came in time.
inline QByteArray readLine(QProcess &process, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return process.canReadLine() ? process.readLine().trimmed() : QByteArray();
    }
    return process.readLine().trimmed();
}

// Starts "shmpeer create" as the holder of the test's shared block; null when it
// did not report the block ready.
inline std::unique_ptr<QProcess> startBlockCreator(const TestEnv &env, const QString &address,
                                                   const QString &nickname, const QString &email)
{
    auto peer = env.start(QStringLiteral("shmpeer"), {QStringLiteral("create"), address, nickname, email});
    if (readLine(*peer) != "ready")
        return nullptr;
    return peer;
}

// Rows "SIGTERM" and "SIGINT" of an int column "signalNumber".
inline void addTerminationSignalRows()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

} // namespace ferry::test
