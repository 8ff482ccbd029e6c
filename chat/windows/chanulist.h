#pragma once

// The user list at the right of a channel window: one row per user, the nickname
// with "@" (operator) or "+" (voice) in front, in the document's stable
// case-insensitive order. The channel document keeps the users; this view mirrors
// them whenever they change.

#include <QListWidget>
#include <QPointer>
#include <QTimer>

#include <functional>

class CTavernwDoc;

namespace tavern {

class CChanUList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 137;

    explicit CChanUList(CTavernwDoc *doc, QWidget *parent = nullptr);

    // The list forwards these to its document, which tells every view of the change.
    bool AddUser(const QString &item);
    bool RemoveUser(const QString &nick);
    void SetUserMode(const QString &mode, const QString &nick);
    void RenameUser(const QString &newNick, const QString &oldNick);
    bool IsUserListed(const QString &nick) const;

    QStringList itemTexts() const;

    // Double-click: the private window of the nickname ("Send Message").
    std::function<void(const QString &nick)> onSendMessage;
    // After a selection the typing goes on in the window's input line.
    std::function<void()> onReturnFocus;
    // The user menu (private message, whois, pings, operator actions) attaches here;
    // the point is in global coordinates.
    std::function<void(const QPoint &globalPos)> onContextMenu;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void refill();
    // Rebuilds at once when the list is small; a large one is rebuilt at most every
    // few times its rebuild takes, so that a flood of edits cannot keep it busy.
    void scheduleRefill();
    void follow(qsizetype removedAt, qsizetype insertedAt);
    void selectionMoved();

    QPointer<CTavernwDoc> m_doc;
    QTimer m_refillTimer;
    qint64 m_lastRefillMs = 0;
};

// The nickname of a list item: the text without its "@" or "+".
QString NickOfItem(const QString &item);

} // namespace tavern
