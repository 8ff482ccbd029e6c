#include "platform/checkeddialog.h"

#include "platform/prompts.h"

#include <QDialogButtonBox>
#include <QStringList>
#include <QVBoxLayout>

namespace ferry {

QHash<QString, QString> parseFieldAssignments(const QString &text)
{
    QHash<QString, QString> fields;
    for (const QString &assignment : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        fields.insert(assignment.left(equals).trimmed().toLower(), assignment.mid(equals + 1));
    }
    return fields;
}

bool parseFieldFlag(const QString &value)
{
    const QString v = value.trimmed().toLower();
    return v == QLatin1String("1") || v == QLatin1String("true") || v == QLatin1String("yes") || v == QLatin1String("on");
}

void chainTabOrder(std::initializer_list<QWidget *> controls)
{
    QWidget *previous = nullptr;
    for (QWidget *control : controls) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

bool CheckedDialog::run()
{
    for (;;) {
        m_refused = false;
        setResult(QDialog::Rejected);
        const bool accepted =
            prompts::execDialog(this, windowTitle(), [this](const QString &text) { applyScript(text); });
        // An interactive dialog only returns once it is closed; a scripted OK that was
        // refused returns with the dialog still open.
        if (accepted || !m_refused)
            return accepted;
    }
}

QDialogButtonBox *CheckedDialog::buttonRow(QDialogButtonBox::StandardButtons buttons)
{
    auto *box = new QDialogButtonBox(buttons, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return box;
}

QDialogButtonBox *CheckedDialog::setContentWithButtons(QLayout *content, QDialogButtonBox::StandardButtons buttons)
{
    QDialogButtonBox *box = buttonRow(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(content);
    layout->addWidget(box);
    return box;
}

void CheckedDialog::accept()
{
    m_refused = !checkFields();
    if (m_refused)
        return;
    commit();
    QDialog::accept();
}

} // namespace ferry
