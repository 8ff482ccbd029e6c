#pragma once

// Small probes of other processes for tests that start real programs.

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

} // namespace ferry::test
