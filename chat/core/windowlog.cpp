#include "chat/core/windowlog.h"

#include <QDir>

namespace tavern {

QString logFileNameFor(const QString &windowName)
{
    QString name;
    name.reserve(windowName.size());
    for (QChar c : windowName) {
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20 || c.unicode() == 0x7F)
            continue;
        name.append(c);
    }
    qsizetype dots = 0;
    while (dots < name.size() && name[dots] == u'.')
        ++dots;
    name.remove(0, dots);
    return name.isEmpty() ? QStringLiteral("_") : name;
}

bool WindowLog::open(const QString &folder, const QString &windowName)
{
    close();
    const QString fileName = logFileNameFor(windowName);
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    m_file.setFileName(folder.isEmpty() ? fileName : QDir(folder).filePath(fileName));
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void WindowLog::close()
{
    if (m_file.isOpen())
        m_file.close();
}

void WindowLog::writeLine(const QString &text)
{
    if (!m_file.isOpen())
        return;
    QByteArray bytes = text.toUtf8();
    bytes.append('\n');
    m_file.write(bytes);
    m_file.flush();
}

} // namespace tavern
