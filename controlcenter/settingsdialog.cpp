#include "controlcenter/settingsdialog.h"

#include "controlcenter/advancedsettingsdialog.h"
#include "controlcenter/dottedaddress.h"
#include "controlcenter/messages.h"
#include "controlcenter/settingsstore.h"
#include "platform/prompts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ferry {

SettingsDialog::SettingsDialog(ControlCenterSettings &settings, QWidget *parent, std::function<void()> optionsChanged)
    : CheckedDialog(parent),
      m_settings(settings),
      m_optionsChanged(std::move(optionsChanged)),
      m_nickname(new QLineEdit(settings.nickname, this)),
      m_email(new QLineEdit(settings.email, this)),
      m_address(new QLineEdit(settings.ownAddressText, this)),
      m_alwaysUse(new QCheckBox(tr("&Always use this IP Address"), this)),
      m_advanced(new QPushButton(tr("A&dvanced..."), this))
{
    setWindowTitle(tr("Settings"));
    m_nickname->setMaxLength(kNicknameMaxLength);
    m_alwaysUse->setChecked(settings.alwaysUseConfiguredAddress);

    auto *form = new QFormLayout;
    form->addRow(tr("&Nickname"), m_nickname);
    form->addRow(tr("&Email"), m_email);
    form->addRow(tr("&IP Address"), m_address);
    form->addRow(QString(), m_alwaysUse);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->addButton(m_advanced, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_advanced, &QPushButton::clicked, this, &SettingsDialog::openAdvanced);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void SettingsDialog::openAdvanced()
{
    AdvancedSettingsDialog dialog(m_settings, this);
    if (dialog.run() && m_optionsChanged)
        m_optionsChanged();
}

bool SettingsDialog::checkFields()
{
    // Without a nickname the sign-on and the chat client would go out with none.
    if (m_nickname->text().isEmpty()) {
        prompts::warning(this, QLatin1String(messages::ErrorCaption), QLatin1String(messages::NicknameEmpty));
        m_nickname->setFocus();
        return false;
    }
    if (m_nickname->text().contains(QLatin1Char(' '))) {
        prompts::warning(this, QLatin1String(messages::ErrorCaption), QLatin1String(messages::NicknameHasSpace));
        m_nickname->setFocus();
        return false;
    }
    if (!parseDottedAddress(m_address->text())) {
        prompts::warning(this, QLatin1String(messages::ErrorCaption), QLatin1String(messages::InvalidAddress));
        m_address->setFocus();
        return false;
    }
    return true;
}

void SettingsDialog::commit()
{
    m_settings.setOwnAddress(*parseDottedAddress(m_address->text()));
    writeIdentitySettings(m_nickname->text(), m_email->text(), m_settings.ownAddressText, m_alwaysUse->isChecked());
}

void SettingsDialog::applyFields(const QHash<QString, QString> &fields)
{
    if (fields.contains(QStringLiteral("nickname")))
        m_nickname->setText(fields.value(QStringLiteral("nickname")));   // cut to the field's limit
    if (fields.contains(QStringLiteral("email")))
        m_email->setText(fields.value(QStringLiteral("email")));
    if (fields.contains(QStringLiteral("ip address")))
        m_address->setText(fields.value(QStringLiteral("ip address")));
    if (fields.contains(QStringLiteral("alwaysuseip")))
        m_alwaysUse->setChecked(flagIsOn(fields.value(QStringLiteral("alwaysuseip"))));
}

} // namespace ferry
