#pragma once

// A memory figure of this process from /proc/self/status ("VmRSS", "VmHWM", ...), in kB;
// -1 when it cannot be read. The processor time a process has used so far.

#include <QByteArray>
#include <QFile>

#include <unistd.h>

inline long procStatusKb(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = field + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// User and system time of the process so far, in milliseconds; -1 when unknown.
inline double procCpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command (which may hold blanks) start after its ')'.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = double(fields[11].toLongLong() + fields[12].toLongLong());  // utime, stime
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}
