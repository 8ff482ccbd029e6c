#include "chat/windows/formcontrols.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>

namespace tavern {

namespace {

QString flat(QString text)
{
    for (QChar &c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

QString labelOf(const QWidget *w)
{
    if (!w->accessibleName().isEmpty())
        return w->accessibleName();
    if (auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    return QString();
}

QWidget *controlLabelled(QWidget *form, const QString &label)
{
    for (QWidget *w : form->findChildren<QWidget *>())
        if (labelOf(w) == label)
            return w;
    return nullptr;
}

} // namespace

bool IsForm(const QWidget *form)
{
    for (const QWidget *w : form->findChildren<QWidget *>())
        if (!w->accessibleName().isEmpty())
            return true;
    return false;
}

QString DumpFormControls(const QWidget *form)
{
    QString out;
    for (const QWidget *w : form->findChildren<QWidget *>()) {
        const QString label = flat(labelOf(w));
        if (auto *edit = qobject_cast<const QLineEdit *>(w)) {
            if (!label.isEmpty())
                out += QStringLiteral("field\t%1\t%2\n").arg(label, flat(edit->text()));
        } else if (auto *button = qobject_cast<const QAbstractButton *>(w)) {
            if (button->isCheckable())
                out += QStringLiteral("check\t%1\t%2\n")
                           .arg(label, button->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked"));
        } else if (auto *list = qobject_cast<const QListWidget *>(w)) {
            for (int row = 0; row < list->count(); ++row) {
                const QListWidgetItem *item = list->item(row);
                out += QStringLiteral("item\t%1\t%2\t%3\n")
                           .arg(label, flat(item->text()),
                                item->isSelected() ? QStringLiteral("selected") : QStringLiteral("unselected"));
            }
        }
    }
    return out;
}

bool TypeIntoForm(QWidget *form, const QString &typed)
{
    const qsizetype tab = typed.indexOf(u'\t');
    const QString label = tab < 0 ? typed : typed.left(tab);
    const QString value = tab < 0 ? QString() : typed.mid(tab + 1);
    QWidget *control = controlLabelled(form, label);
    if (!control || !control->isEnabled())
        return false;
    if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        if (edit->isReadOnly())
            return false;
        edit->selectAll();
        edit->insert(value);
        return true;
    }
    if (auto *list = qobject_cast<QListWidget *>(control)) {
        const QList<QListWidgetItem *> rows = list->findItems(value, Qt::MatchExactly);
        if (rows.isEmpty())
            return false;
        list->setCurrentItem(rows.first());
        return true;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        button->click();
        return true;
    }
    return false;
}

} // namespace tavern
