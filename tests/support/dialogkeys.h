#pragma once

// The keyboard side of a dialog as a person meets it: Tab walks its controls in
// the order they are read (top to bottom, a row from left to right), and no two
// controls answer the same Alt letter.

#include <QAbstractButton>
#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QList>
#include <QTest>
#include <QWidget>

#include <cstdlib>

namespace ferry::test {

namespace detail {

inline QPoint placeOf(const QWidget *control, const QWidget *dialog)
{
    return control->mapTo(dialog, QPoint(0, 0));
}

inline QString nameOf(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    return control->accessibleName().isEmpty() ? QString::fromLatin1(control->metaObject()->className())
                                               : control->accessibleName();
}

// Whether b comes after a in reading order: on a lower row, or further right on
// the same row (tops within a few pixels count as one row).
inline bool readsAfter(const QPoint &a, const QPoint &b)
{
    constexpr int kRowSlack = 8;
    if (std::abs(b.y() - a.y()) <= kRowSlack)
        return b.x() > a.x();
    return b.y() > a.y();
}

} // namespace detail

// Empty when Tab visits every control that takes the focus by Tab exactly once,
// in reading order; otherwise where the walk goes wrong.
inline QString tabOrderFault(QWidget *dialog)
{
    dialog->show();
    dialog->activateWindow();
    if (!QTest::qWaitForWindowActive(dialog))
        return QStringLiteral("the dialog never became active");
    QList<QWidget *> expected;
    for (QWidget *w : dialog->findChildren<QWidget *>())
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            expected << w;
    if (expected.isEmpty())
        return QString();
    const auto focusInside = [dialog] { return dialog->isAncestorOf(QApplication::focusWidget()); };
    if (!focusInside()) {
        QApplication::setActiveWindow(dialog);
        expected.first()->setFocus(Qt::TabFocusReason);
    }
    if (!QTest::qWaitFor(focusInside, 5000))
        return QStringLiteral("no control of the dialog takes the focus");

    QList<QWidget *> visited;
    for (int step = 0; step <= expected.size() * 2; ++step) {
        QWidget *now = QApplication::focusWidget();
        if (!now || (!visited.isEmpty() && now == visited.first()))
            break;
        if (visited.contains(now))
            return QStringLiteral("Tab comes back to %1 before it has been everywhere").arg(detail::nameOf(now));
        visited << now;
        QTest::keyClick(now, Qt::Key_Tab);
    }
    if (visited.size() != expected.size())
        return QStringLiteral("Tab visits %1 of %2 controls").arg(visited.size()).arg(expected.size());

    // The walk is a ring: start it at the control read first.
    qsizetype start = 0;
    for (qsizetype i = 1; i < visited.size(); ++i)
        if (detail::readsAfter(detail::placeOf(visited[i], dialog), detail::placeOf(visited[start], dialog)))
            start = i; // the one found so far is read after this one
    visited = visited.mid(start) + visited.mid(0, start);
    for (qsizetype i = 1; i < visited.size(); ++i)
        if (!detail::readsAfter(detail::placeOf(visited[i - 1], dialog), detail::placeOf(visited[i], dialog)))
            return QStringLiteral("Tab goes from %1 back up to %2")
                .arg(detail::nameOf(visited[i - 1]), detail::nameOf(visited[i]));
    return QString();
}

// Empty when every Alt letter of the dialog's buttons, check boxes and labels is
// its own; otherwise the first two texts that share one.
inline QString accessKeyClash(const QWidget *dialog)
{
    QHash<QChar, QString> taken;
    for (const QWidget *w : dialog->findChildren<QWidget *>()) {
        QString text;
        if (const auto *button = qobject_cast<const QAbstractButton *>(w))
            text = button->text();
        else if (const auto *label = qobject_cast<const QLabel *>(w))
            text = label->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        if (amp < 0 || amp + 1 >= text.size() || text[amp + 1] == QLatin1Char('&'))
            continue;
        const QChar key = text[amp + 1].toLower();
        if (taken.contains(key))
            return QStringLiteral("%1 and %2").arg(taken.value(key), text);
        taken.insert(key, text);
    }
    return QString();
}

} // namespace ferry::test
