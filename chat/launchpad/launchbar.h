#pragma once

// The launch bar: a dockable tool bar with 40x40 buttons, first the one that opens
// "Configure Launchpad", then one per configured game with its icon and title. Files
// dropped on the bar are handed on as a list of paths; the bar itself is replaced
// after every change of the launchpad, so it keeps nothing of them.

#include "chat/launchpad/launchslots.h"

#include <QStringList>
#include <QToolBar>

class QMimeData;

namespace tavern {

class CLaunchBar : public QToolBar {
    Q_OBJECT
public:
    static constexpr int kButtonSize = 40;
    static constexpr int kImageSize = 32;
    static constexpr int kToolTipDelayMs = 50;

    explicit CLaunchBar(const CLaunchTable &table, QWidget *parent = nullptr);

    // The button of a slot (0..19); null when the slot is empty.
    QAction *slotAction(int slot) const;
    QAction *configureAction() const { return m_configure; }

signals:
    void configureRequested();
    void launchRequested(int slot);
    // The local files of a drop, in the order the drop lists them.
    void filesDropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QAction *addButton(const QIcon &icon, const QString &text);

    QAction *m_configure;
    QAction *m_slots[kSlotCount] = {};
};

// The local file paths a drop carries, in its order.
QStringList DroppedFiles(const QMimeData *data);

} // namespace tavern
