#include "controlcenter/checkeddialog.h"

#include "platform/prompts.h"

#include <QDialogButtonBox>
#include <QStringList>

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

QDialogButtonBox *CheckedDialog::okCancelButtons()
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
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
