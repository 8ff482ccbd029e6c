#include "chat/windows/chanulist.h"

#include "chat/core/chatdocs.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>

#include <algorithm>

namespace tavern {

QString NickOfItem(const QString &item)
{
    if (item.startsWith(u'@') || item.startsWith(u'+'))
        return item.mid(1);
    return item;
}

CChanUList::CChanUList(CTavernwDoc *doc, QWidget *parent) : QListWidget(parent), m_doc(doc)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false); // the document's order is the order shown
    setUniformItemSizes(true); // one line of text each: lays out thousands of rows at once
    m_refillTimer.setSingleShot(true);
    connect(&m_refillTimer, &QTimer::timeout, this, &CChanUList::refill);
    connect(doc, &CTavernwDoc::usersEdited, this, &CChanUList::follow);
    connect(this, &QListWidget::itemSelectionChanged, this, &CChanUList::selectionMoved);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        if (onSendMessage && item)
            onSendMessage(NickOfItem(item->text()));
    });
    refill();
}

bool CChanUList::AddUser(const QString &item)
{
    return m_doc && m_doc->AddUser(item);
}

bool CChanUList::RemoveUser(const QString &nick)
{
    return m_doc && m_doc->RemoveUser(nick);
}

void CChanUList::SetUserMode(const QString &mode, const QString &nick)
{
    if (m_doc)
        m_doc->SetUserMode(mode, nick);
}

void CChanUList::RenameUser(const QString &newNick, const QString &oldNick)
{
    if (m_doc)
        m_doc->RenameUser(newNick, oldNick);
}

bool CChanUList::IsUserListed(const QString &nick) const
{
    return m_doc && m_doc->IsUserListed(nick);
}

QStringList CChanUList::itemTexts() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << item(i)->text();
    return out;
}

void CChanUList::refill()
{
    m_refillTimer.stop();
    if (!m_doc)
        return;
    QElapsedTimer took;
    took.start();
    const QString selected = currentItem() ? currentItem()->text() : QString();
    const QSignalBlocker quiet(this); // rebuilding is not the user selecting
    clear();
    addItems(m_doc->Users().Items());
    if (!selected.isEmpty()) {
        const auto again = findItems(selected, Qt::MatchFixedString);
        if (!again.isEmpty())
            setCurrentItem(again.first());
    }
    m_lastRefillMs = took.elapsed();
}

void CChanUList::scheduleRefill()
{
    if (m_doc && m_doc->Users().Size() <= CChannelUsers::kRowEditsUpTo && count() <= CChannelUsers::kRowEditsUpTo) {
        refill();
        return;
    }
    if (!m_refillTimer.isActive())
        m_refillTimer.start(int(std::max<qint64>(100, 3 * m_lastRefillMs)));
}

// Applies one edit of the document's users to the rows, instead of rebuilding them:
// a channel of thousands of users gets its names one at a time.
void CChanUList::follow(qsizetype removedAt, qsizetype insertedAt)
{
    if (!m_doc || m_refillTimer.isActive())
        return; // a rebuild is due: it shows this edit too
    if (removedAt < 0 && insertedAt < 0) {
        scheduleRefill();
        return;
    }
    const QStringList &items = m_doc->Users().Items();
    const QSignalBlocker quiet(this); // following the document is not the user selecting
    if (removedAt >= 0 && removedAt < count())
        delete takeItem(int(removedAt));
    if (insertedAt >= 0 && insertedAt < items.size())
        insertItem(int(insertedAt), items.at(insertedAt));
    if (count() != items.size())
        scheduleRefill();
}

void CChanUList::selectionMoved()
{
    QListWidgetItem *item = currentItem();
    if (!item || !m_doc)
        return;
    m_doc->SetSelectedNick(NickOfItem(item->text()));
    if (onReturnFocus)
        onReturnFocus();
}

void CChanUList::contextMenuEvent(QContextMenuEvent *event)
{
    if (!onContextMenu)
        return;
    // The context-menu key opens the menu at the list's corner, a mouse click at the pointer.
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(5, 5)) : event->globalPos();
    onContextMenu(at);
}

} // namespace tavern
