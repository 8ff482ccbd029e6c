#include "chat/core/channelusers.h"

#include <algorithm>

qsizetype CChannelUsers::indexOf(const QString &item) const
{
    for (qsizetype i = 0; i < m_items.size(); ++i)
        if (m_items.at(i).compare(item, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool CChannelUsers::Contains(const QString &item) const
{
    return indexOf(item) >= 0;
}

bool CChannelUsers::AddUser(const QString &item)
{
    if (Contains(item))
        return false;
    const auto at = std::upper_bound(m_items.begin(), m_items.end(), item, [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    m_items.insert(at, item);
    return true;
}

int CChannelUsers::take(const QString &nick)
{
    for (const QChar prefix : {QChar(u'@'), QChar(u'+'), QChar()}) {
        const qsizetype i = indexOf(prefix.isNull() ? nick : prefix + nick);
        if (i >= 0) {
            m_items.removeAt(i);
            return prefix.unicode();
        }
    }
    return -1;
}

bool CChannelUsers::RemoveUser(const QString &nick)
{
    return take(nick) >= 0;
}

bool CChannelUsers::IsUserListed(const QString &nick) const
{
    return Contains(u'@' + nick) || Contains(u'+' + nick) || Contains(nick);
}

void CChannelUsers::SetUserMode(const QString &mode, const QString &nick)
{
    const int had = take(nick);
    const bool wasOp = had == u'@';
    const bool wasVoice = had == u'+';
    const QChar letter = mode.size() > 1 ? mode.at(1).toLower() : QChar();
    QString item = nick;
    if (mode.startsWith(u'+')) {
        if (letter == u'o' || (letter == u'v' && wasOp))
            item = u'@' + nick;
        else if (letter == u'v')
            item = u'+' + nick;
        else if (had > 0)
            item = QChar(had) + nick;
    } else {
        if (letter != u'v' && wasVoice)
            item = u'+' + nick;
        if (letter != u'o' && wasOp)
            item = u'@' + nick;
    }
    AddUser(item);
}

void CChannelUsers::RenameUser(const QString &newNick, const QString &oldNick)
{
    const QString nick = newNick.startsWith(u':') ? newNick.mid(1) : newNick;
    const int had = take(oldNick);
    AddUser(had > 0 ? QChar(had) + nick : nick);
}
