#pragma once

// A memory figure of this process from /proc/self/status ("VmRSS", "VmHWM", ...), in kB;
// -1 when it cannot be read.

#include <QByteArray>
#include <QFile>

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
