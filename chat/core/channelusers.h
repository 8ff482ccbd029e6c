#pragma once

// The users of one channel as the channel's user list shows them: one item per user,
// the nickname with "@" (operator) or "+" (voice) in front. Items are kept in a
// case-insensitive order of their whole text; look-ups compare whole items ignoring case.
//
// A server may list a million users in a channel: the items live in an ordered tree
// (logarithmic look-up, insertion and removal), and the flat list the views read is
// built only when it is read after a change.

#include <QString>
#include <QStringList>

#include <set>

class CChannelUsers {
public:
    // Up to this many users an edit reports the row it touched, so that a view can
    // follow it row by row; beyond it an edit only says that the items changed.
    static constexpr qsizetype kRowEditsUpTo = 4096;

    // Where the last operation changed the items: the index an item was removed from
    // (in the items before the operation) and the index one was inserted at (in the
    // items after it); -1 for neither. changed without an index: the items changed
    // in a large list, and views read them again.
    struct Change {
        qsizetype removedAt = -1;
        qsizetype insertedAt = -1;
        bool changed = false;
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

    const QStringList &Items() const;
    qsizetype Size() const { return qsizetype(m_set.size()); }
    void Clear();
    Change LastChange() const { return m_last; }

private:
    struct LessIgnoringCase {
        bool operator()(const QString &a, const QString &b) const { return a.compare(b, Qt::CaseInsensitive) < 0; }
    };
    using Set = std::set<QString, LessIgnoringCase>;

    // Removes the user's item; returns its prefix ('@', '+', or 0 for none), or -1 when absent.
    int take(const QString &nick);
    bool insert(const QString &item);
    // The row of an item of a list small enough to report rows; -1 otherwise.
    qsizetype rowOf(Set::const_iterator at) const;

    Set m_set;
    mutable QStringList m_items; // the flat list, when m_itemsValid
    mutable bool m_itemsValid = true;
    Change m_last;
};
