#include "chat/windows/windowtabs.h"

#include <QMouseEvent>

namespace tavern {

CWindowTabBar::CWindowTabBar(QWidget *parent) : QTabBar(parent)
{
    setExpanding(false);
    setDocumentMode(true);
    setFixedHeight(kHeight);
    // The keyboard belongs to the input lines: a click on a tab activates its window,
    // whose input line then takes the focus.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_selecting && index >= 0)
            emit windowTabChosen(tabText(index));
    });
}

int CWindowTabBar::findWindowTab(const QString &name) const
{
    for (int i = 0; i < count(); ++i)
        if (tabText(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void CWindowTabBar::AddWindowTab(const QString &name, bool select)
{
    m_selecting = true;
    const int index = addTab(name);
    if (select)
        setCurrentIndex(index);
    m_selecting = false;
}

void CWindowTabBar::RemoveWindowTab(const QString &name)
{
    const int index = findWindowTab(name);
    if (index < 0)
        return;
    m_selecting = true;
    removeTab(index);
    m_selecting = false;
}

void CWindowTabBar::SelectWindowTab(const QString &name)
{
    const int index = findWindowTab(name);
    if (index < 0)
        return;
    m_selecting = true;
    setCurrentIndex(index);
    m_selecting = false;
}

QString CWindowTabBar::GetSelectedTabText() const
{
    return currentIndex() < 0 ? QString() : tabText(currentIndex()).left(300);
}

void CWindowTabBar::RepaintTab(const QString &name, bool unseen)
{
    const int index = findWindowTab(name);
    if (index < 0)
        return;
    const bool red = unseen && index != currentIndex();
    const QColor colour = red ? QColor(255, 0, 0) : palette().color(QPalette::WindowText);
    if (tabTextColor(index) != colour)
        setTabTextColor(index, colour);
}

void CWindowTabBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton) {
        const int index = tabAt(event->position().toPoint());
        if (index >= 0) {
            emit windowTabCloseRequested(tabText(index));
            return;
        }
    }
    QTabBar::mouseReleaseEvent(event);
}

void CWindowTabBar::RepaintActivity(const std::function<bool(const QString &)> &hasUnseenLines)
{
    const QColor normal = palette().color(QPalette::WindowText);
    for (int i = 0; i < count(); ++i) {
        const bool red = i != currentIndex() && hasUnseenLines(tabText(i));
        setTabTextColor(i, red ? QColor(255, 0, 0) : normal);
    }
}

} // namespace tavern
