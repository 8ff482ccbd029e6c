#pragma once

// The open chat windows by name, and which of them hold lines their user has not
// seen. Channel windows are entered under their lower-cased name, the Server window
// and private windows under their name as written, windows opened outside the core
// (direct chats, transfers, finger windows) under their title. Look-ups ignore case
// and cost the same however many windows are open.

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class CChatDocBase;
class CTavernwDoc;

class CWindowRegistry {
public:
    // Enters a document under its name (lower-cased for a channel); replaces a
    // document registered under the same key.
    void Add(CChatDocBase *doc);
    // Removes the document wherever it is entered, with its activity flag.
    void Remove(CChatDocBase *doc);

    // The window of this name: the exact key first, else one equal ignoring case.
    CChatDocBase *Find(const QString &name) const;
    // The channel window of this name (its key is the lower-cased name).
    CTavernwDoc *FindChannel(const QString &name) const;
    // Channel windows, and their keys, in the order of their keys.
    QList<CTavernwDoc *> Channels() const;
    QStringList ChannelNames() const;
    int Count() const { return int(m_windows.size()); }
    // Windows entered that someone else's line opened (CChatDocBase::OpenedByPeer).
    int PeerOpenedCount() const { return m_peerOpened; }
    // Whether a window is entered under exactly this key.
    bool Contains(const QString &key) const { return m_windows.contains(key); }

    // Notes a line for the window `name` while `selected` is the selected tab.
    // True when the tab bar needs a repaint (a flag was set or an entry added).
    bool NoteActivity(const QString &name, const QString &selected);
    bool HasUnseenLines(const QString &name) const;
    void MarkSeen(const QString &name);
    void ClearActivity() { m_activity.clear(); }

private:
    QMap<QString, CChatDocBase *> m_windows;  // key -> document, ordered by key
    QHash<QString, QString> m_keyByFolded;    // lower-cased key -> key
    QHash<QString, bool> m_activity;          // lower-cased window name -> unseen lines
    int m_peerOpened = 0;
};
