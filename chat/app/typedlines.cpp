#include "chat/app/typedlines.h"

#include <QFile>

CTypedLinesFeed::CTypedLinesFeed(const QString &path, QObject *parent) : QObject(parent), m_path(path)
{
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &CTypedLinesFeed::Poll);
    m_timer.start();
}

CTypedLinesFeed *CTypedLinesFeed::FromEnvironment(QObject *parent)
{
    const QString path = qEnvironmentVariable(kVariable);
    return path.isEmpty() ? nullptr : new CTypedLinesFeed(path, parent);
}

void CTypedLinesFeed::Poll()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    if (file.size() < m_offset) // rewritten from scratch: start again
        m_offset = 0, m_partial.clear();
    if (!file.seek(m_offset))
        return;
    const QByteArray fresh = file.readAll();
    m_offset += fresh.size();
    m_partial += fresh;
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        QString line = QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 1);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0)
            emit lineTyped(QString(), line);
        else if (tab == 0)
            emit menuChosen(line.mid(1));
        else
            emit lineTyped(line.left(tab), line.mid(tab + 1));
    }
}
