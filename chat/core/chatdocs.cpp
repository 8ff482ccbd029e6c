#include "chat/core/chatdocs.h"

CChatDocBase::CChatDocBase(Kind kind, const QString &name, QObject *parent)
    : QObject(parent), m_kind(kind), m_name(name.isEmpty() ? QStringLiteral("BADNEWS!") : name), m_title(m_name)
{
}

void CChatDocBase::AddLine(const QString &text, ChatColour colour)
{
    emit lineAdded(text, colour);
}

void CChatDocBase::setTitle(const QString &title)
{
    m_title = title;
    emit titleChanged(title);
}

void CTavernwDoc::SetTopic(const QString &title, const QString &topic)
{
    m_topic = topic;
    setTitle(title);
}

void CTavernwDoc::SetModeText(const QString &modes)
{
    m_modeText = modes;
    setTitle(QStringLiteral("%1[%2] - Topic: %3").arg(Name(), modes, m_topic));
}

bool CTavernwDoc::AddUser(const QString &item)
{
    const bool added = m_users.AddUser(item);
    announceUserChange();
    return added;
}

bool CTavernwDoc::RemoveUser(const QString &nick)
{
    const bool removed = m_users.RemoveUser(nick);
    announceUserChange();
    return removed;
}

void CTavernwDoc::SetUserMode(const QString &mode, const QString &nick)
{
    m_users.SetUserMode(mode, nick);
    announceUserChange();
}

void CTavernwDoc::RenameUser(const QString &newNick, const QString &oldNick)
{
    m_users.RenameUser(newNick, oldNick);
    announceUserChange();
}

void CTavernwDoc::ClearUsers()
{
    if (m_users.Size() == 0)
        return;
    m_users.Clear();
    emit usersEdited(-1, -1);
}

void CTavernwDoc::announceUserChange()
{
    const CChannelUsers::Change change = m_users.LastChange();
    if (change.changed)
        emit usersEdited(change.removedAt, change.insertedAt);
}
