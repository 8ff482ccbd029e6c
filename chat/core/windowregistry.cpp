#include "chat/core/windowregistry.h"

#include "chat/core/chatdocs.h"

void CWindowRegistry::Add(CChatDocBase *doc)
{
    if (!doc)
        return;
    const QString key = doc->IsChannel() ? doc->Name().toLower() : doc->Name();
    if (CChatDocBase *replaced = m_windows.value(key); replaced && replaced->OpenedByPeer())
        --m_peerOpened;
    if (doc->OpenedByPeer())
        ++m_peerOpened;
    m_windows.insert(key, doc);
    m_keyByFolded.insert(key.toLower(), key);
}

void CWindowRegistry::Remove(CChatDocBase *doc)
{
    for (auto it = m_windows.begin(); it != m_windows.end(); ++it) {
        if (it.value() != doc)
            continue;
        const QString folded = it.key().toLower();
        if (doc->OpenedByPeer())
            --m_peerOpened;
        m_activity.remove(folded);
        m_windows.erase(it);
        // Another window may be entered under a key that differs only in case.
        m_keyByFolded.remove(folded);
        for (auto other = m_windows.constBegin(); other != m_windows.constEnd(); ++other)
            if (other.key().toLower() == folded)
                m_keyByFolded.insert(folded, other.key());
        return;
    }
}

CChatDocBase *CWindowRegistry::Find(const QString &name) const
{
    const auto exact = m_windows.constFind(name);
    if (exact != m_windows.constEnd())
        return exact.value();
    const auto folded = m_keyByFolded.constFind(name.toLower());
    return folded == m_keyByFolded.constEnd() ? nullptr : m_windows.value(folded.value());
}

CTavernwDoc *CWindowRegistry::FindChannel(const QString &name) const
{
    CChatDocBase *doc = m_windows.value(name.toLower());
    return doc && doc->IsChannel() ? static_cast<CTavernwDoc *>(doc) : nullptr;
}

QList<CTavernwDoc *> CWindowRegistry::Channels() const
{
    QList<CTavernwDoc *> out;
    for (CChatDocBase *doc : m_windows)
        if (doc->IsChannel())
            out << static_cast<CTavernwDoc *>(doc);
    return out;
}

QStringList CWindowRegistry::ChannelNames() const
{
    QStringList out;
    for (auto it = m_windows.constBegin(); it != m_windows.constEnd(); ++it)
        if (it.value()->IsChannel())
            out << it.key();
    return out;
}

bool CWindowRegistry::NoteActivity(const QString &name, const QString &selected)
{
    const bool unseen = name.compare(selected, Qt::CaseInsensitive) != 0;
    const QString folded = name.toLower();
    auto it = m_activity.find(folded);
    if (it == m_activity.end()) {
        m_activity.insert(folded, unseen);
        return true;
    }
    if (!it.value() && unseen) {
        it.value() = true;
        return true;
    }
    return false;
}

bool CWindowRegistry::HasUnseenLines(const QString &name) const
{
    return m_activity.value(name.toLower(), false);
}

void CWindowRegistry::MarkSeen(const QString &name)
{
    const auto it = m_activity.find(name.toLower());
    if (it != m_activity.end())
        it.value() = false;
}
