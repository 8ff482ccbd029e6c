#include "controlcenter/insertserverdialog.h"

#include "controlcenter/dottedaddress.h"
#include "controlcenter/messages.h"
#include "platform/prompts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace ferry {

InsertServerDialog::InsertServerDialog(QWidget *parent)
    : CheckedDialog(parent), m_address(new QLineEdit(this)), m_description(new QLineEdit(this))
{
    setWindowTitle(tr("Insert Server"));
    auto *form = new QFormLayout;
    form->addRow(tr("Server &IP Address"), m_address);
    form->addRow(tr("Server &Description"), m_description);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancelButtons());
}

QString InsertServerDialog::description() const
{
    return m_description->text();
}

bool InsertServerDialog::checkFields()
{
    if (!parseDottedAddress(m_address->text())) {
        prompts::warning(this, QLatin1String(messages::ErrorCaption), QLatin1String(messages::InvalidAddress));
        m_address->setFocus();
        return false;
    }
    // The description names the row and is the server's value name in the saved list.
    if (m_description->text().trimmed().isEmpty()) {
        prompts::warning(this, QLatin1String(messages::ErrorCaption),
                         QLatin1String(messages::ServerDescriptionEmpty));
        m_description->setFocus();
        return false;
    }
    return true;
}

void InsertServerDialog::commit()
{
    m_acceptedAddress = dottedAddressText(*parseDottedAddress(m_address->text()));
}

void InsertServerDialog::applyFields(const QHash<QString, QString> &fields)
{
    if (fields.contains(QStringLiteral("address")))
        m_address->setText(fields.value(QStringLiteral("address")));
    if (fields.contains(QStringLiteral("description")))
        m_description->setText(fields.value(QStringLiteral("description")));
}

} // namespace ferry
