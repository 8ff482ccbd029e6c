#include "chat/core/channelusers.h"

#include <iterator>

qsizetype CChannelUsers::rowOf(Set::const_iterator at) const
{
    if (Size() > kRowEditsUpTo)
        return -1;
    return qsizetype(std::distance(m_set.cbegin(), at));
}

const QStringList &CChannelUsers::Items() const
{
    if (!m_itemsValid) {
        m_items = QStringList(m_set.cbegin(), m_set.cend());
        m_itemsValid = true;
    }
    return m_items;
}

bool CChannelUsers::Contains(const QString &item) const
{
    return m_set.find(item) != m_set.end();
}

void CChannelUsers::Clear()
{
    m_set.clear();
    m_items.clear();
    m_itemsValid = true;
}

bool CChannelUsers::insert(const QString &item)
{
    const auto [at, added] = m_set.insert(item);
    if (!added)
        return false;
    m_last.changed = true;
    m_last.insertedAt = rowOf(at);
    if (m_itemsValid && m_last.insertedAt >= 0)
        m_items.insert(m_last.insertedAt, item);
    else
        m_itemsValid = false;
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
        const auto at = m_set.find(prefix.isNull() ? nick : prefix + nick);
        if (at == m_set.end())
            continue;
        m_last.changed = true;
        m_last.removedAt = rowOf(at);
        if (m_itemsValid && m_last.removedAt >= 0)
            m_items.removeAt(m_last.removedAt);
        else
            m_itemsValid = false;
        m_set.erase(at);
        return prefix.unicode();
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
