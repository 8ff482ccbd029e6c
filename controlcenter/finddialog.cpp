#include "controlcenter/finddialog.h"

#include "controlcenter/settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace ferry {

FindDialog::FindDialog(const QString &lastText, QWidget *parent)
    : CheckedDialog(parent), m_text(new QLineEdit(lastText, this)), m_fromTop(new QCheckBox(tr("&Start from Top"), this))
{
    setWindowTitle(QStringLiteral("Find "));
    auto *label = new QLabel(tr("Enter the text you want to find"), this);
    label->setBuddy(m_text);
    m_text->selectAll();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_text);
    layout->addWidget(m_fromTop);
    layout->addWidget(okCancelButtons());
}

QString FindDialog::text() const
{
    return m_text->text();
}

bool FindDialog::startFromTop() const
{
    return m_fromTop->isChecked();
}

void FindDialog::applyFields(const QHash<QString, QString> &fields)
{
    if (fields.contains(QStringLiteral("text")))
        m_text->setText(fields.value(QStringLiteral("text")));
    if (fields.contains(QStringLiteral("startfromtop")))
        m_fromTop->setChecked(flagIsOn(fields.value(QStringLiteral("startfromtop"))));
}

} // namespace ferry
