#pragma once

// Whole-file helpers for tests.

#include <QByteArray>
#include <QFile>
#include <QString>

inline QByteArray readFileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
inline bool writeFileBytes(const QString &path, const QByteArray &data, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile f(path);
    return f.open(mode) && f.write(data) == data.size();
}
