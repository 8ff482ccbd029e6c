#include "chat/launchpad/launchbar.h"

#include "chat/launchpad/programicon.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QProxyStyle>
#include <QToolButton>
#include <QUrl>

namespace tavern {

namespace {

// Tool tips of the bar's buttons come up after 50 ms instead of the desktop's delay.
class QuickToolTipStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return CLaunchBar::kToolTipDelayMs;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle *quickToolTipStyle()
{
    static QuickToolTipStyle *style = [] {
        auto *s = new QuickToolTipStyle(QApplication::style()->name());
        s->setParent(qApp);
        return s;
    }();
    return style;
}

// The configure button's picture: a joystick.
QIcon configureIcon()
{
    QPixmap pixmap(CLaunchBar::kImageSize, CLaunchBar::kImageSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0x40, 0x40, 0x40));
    p.drawRoundedRect(4, 20, 24, 9, 3, 3);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 3));
    p.drawLine(16, 21, 19, 9);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0xD0, 0x10, 0x10));
    p.drawEllipse(QPointF(19.5, 7.5), 5, 5);
    p.setBrush(QColor(0xE0, 0xC0, 0x00));
    p.drawEllipse(QPointF(9, 24), 2.5, 2.5);
    return QIcon(pixmap);
}

} // namespace

CLaunchBar::CLaunchBar(const CLaunchTable &table, QWidget *parent) : QToolBar(QStringLiteral("Launchpad"), parent)
{
    setObjectName(QStringLiteral("LaunchBar"));
    setAllowedAreas(Qt::AllToolBarAreas);
    setMovable(true);
    setFloatable(true);
    setAcceptDrops(true);
    setIconSize(QSize(kImageSize, kImageSize));
    setToolTipDuration(-1);

    m_configure = addButton(configureIcon(), QStringLiteral("Configure Launchpad"));
    connect(m_configure, &QAction::triggered, this, &CLaunchBar::configureRequested);
    for (int i = 0; i < kSlotCount; ++i) {
        const CLaunchSlot &slot = table.Slots[i];
        if (slot.IsEmpty())
            continue;
        m_slots[i] = addButton(IconOrDefault(slot.FileIcon), slot.ProgramName);
        connect(m_slots[i], &QAction::triggered, this, [this, i] { emit launchRequested(i); });
    }
    adjustSize();
}

QAction *CLaunchBar::addButton(const QIcon &icon, const QString &text)
{
    QAction *action = addAction(icon, text);
    action->setToolTip(text);
    action->setStatusTip(text);
    if (QWidget *button = widgetForAction(action)) {
        button->setFixedSize(kButtonSize, kButtonSize);
        button->setStyle(quickToolTipStyle());
    }
    return action;
}

QAction *CLaunchBar::slotAction(int slot) const
{
    return slot >= 0 && slot < kSlotCount ? m_slots[slot] : nullptr;
}

QStringList DroppedFiles(const QMimeData *data)
{
    QStringList paths;
    if (!data)
        return paths;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    return paths;
}

void CLaunchBar::dragEnterEvent(QDragEnterEvent *event)
{
    if (!DroppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CLaunchBar::dragMoveEvent(QDragMoveEvent *event)
{
    if (!DroppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CLaunchBar::dropEvent(QDropEvent *event)
{
    const QStringList paths = DroppedFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    emit filesDropped(paths);
}

} // namespace tavern
