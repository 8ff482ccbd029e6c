#pragma once

// Whether a window shows its whole text: every label, button and check box at
// least as large as its text asks, every list row as wide as its list, and the
// title with room beside the title bar's buttons. The answer names what is cut.

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QStringList>
#include <QWidget>

namespace ferry::test {

inline QStringList clippedTexts(const QWidget &window)
{
    QStringList cut;
    const auto name = [](const QWidget *w, const QString &text) {
        return QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(w->metaObject()->className()), text);
    };
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty() || label->wordWrap())
            continue;
        const QSize hint = label->sizeHint();
        if (hint.width() > label->width() || hint.height() > label->height())
            cut << name(label, label->text());
    }
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        if (!button->isVisible() || button->text().isEmpty())
            continue;
        if (button->sizeHint().width() > button->width())
            cut << name(button, button->text());
    }
    for (const QListWidget *list : window.findChildren<QListWidget *>()) {
        if (!list->isVisible())
            continue;
        for (int i = 0; i < list->count(); ++i) {
            const QString text = list->item(i)->text();
            if (!text.contains(u'\t') && list->fontMetrics().horizontalAdvance(text) > list->viewport()->width())
                cut << name(list, text);
        }
    }
    if (window.isWindow() && !window.windowTitle().isEmpty()
        && window.fontMetrics().horizontalAdvance(window.windowTitle()) + 100 > window.width())
        cut << QStringLiteral("title \"%1\"").arg(window.windowTitle());
    return cut;
}

} // namespace ferry::test
