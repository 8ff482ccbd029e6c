#pragma once

// The users of one channel as the channel's user list shows them: one item per user,
// the nickname with "@" (operator) or "+" (voice) in front. Items are kept in a
// case-insensitive order of their whole text; look-ups compare whole items ignoring case.

#include <QString>
#include <QStringList>

class CChannelUsers {
public:
    // Where the last operation changed the items: the index an item was removed from
    // (in the items before the operation) and the index one was inserted at (in the
    // items after it); -1 for neither. Views use it to follow without a rebuild.
    struct Change {
        qsizetype removedAt = -1;
        qsizetype insertedAt = -1;
    };

    // Adds the item unless one with the same text (ignoring case) is there. True when added.
    bool AddUser(const QString &item);
    // Removes the first of "@"+nick, "+"+nick, nick that is present.
    bool RemoveUser(const QString &nick);
    // Replaces the user's item by the one the mode ("+o", "-v", ...) gives.
    void SetUserMode(const QString &mode, const QString &nick);
    // Replaces the old nickname's item by the new one with the same prefix.
    void RenameUser(const QString &newNick, const QString &oldNick);
    bool IsUserListed(const QString &nick) const;
    bool Contains(const QString &item) const;

    const QStringList &Items() const { return m_items; }
    void Clear() { m_items.clear(); }
    Change LastChange() const { return m_last; }

private:
    // Removes the user's item; returns its prefix ('@', '+', or 0 for none), or -1 when absent.
    int take(const QString &nick);
    qsizetype indexOf(const QString &item) const;
    bool insert(const QString &item);

    QStringList m_items;
    Change m_last;
};
