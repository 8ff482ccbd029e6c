#include "chat/core/channelusers.h"

#include <algorithm>

namespace {

bool lessIgnoringCase(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

} // namespace

qsizetype CChannelUsers::indexOf(const QString &item) const
{
    // Items equal without regard to case sit together in the order; the first is the one.
    const auto at = std::lower_bound(m_items.begin(), m_items.end(), item, lessIgnoringCase);
    if (at == m_items.end() || at->compare(item, Qt::CaseInsensitive) != 0)
        return -1;
    return at - m_items.begin();
}

bool CChannelUsers::Contains(const QString &item) const
{
    return indexOf(item) >= 0;
}

bool CChannelUsers::insert(const QString &item)
{
    if (Contains(item))
        return false;
    const auto at = std::upper_bound(m_items.begin(), m_items.end(), item, lessIgnoringCase);
    m_last.insertedAt = at - m_items.begin();
    m_items.insert(at, item);
    return true;
}

bool CChannelUsers::AddUser(const QString &item)
{
    m_last = {};
    return insert(item);
}

int CChannelUsers::take(const QString &nick)
{
    for (const QChar prefix : {QChar(u'@'), QChar(u'+'), QChar()}) {
        const qsizetype i = indexOf(prefix.isNull() ? nick : prefix + nick);
        if (i >= 0) {
            m_items.removeAt(i);
            m_last.removedAt = i;
            return prefix.unicode();
        }
    }
    return -1;
}

bool CChannelUsers::RemoveUser(const QString &nick)
{
    m_last = {};
    return take(nick) >= 0;
}

bool CChannelUsers::IsUserListed(const QString &nick) const
{
    return Contains(u'@' + nick) || Contains(u'+' + nick) || Contains(nick);
}

void CChannelUsers::SetUserMode(const QString &mode, const QString &nick)
{
    m_last = {};
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
    insert(item);
}

void CChannelUsers::RenameUser(const QString &newNick, const QString &oldNick)
{
    m_last = {};
    const QString nick = newNick.startsWith(u':') ? newNick.mid(1) : newNick;
    const int had = take(oldNick);
    insert(had > 0 ? QChar(had) + nick : nick);
}
