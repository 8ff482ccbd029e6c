#include "controlcenter/advancedsettingsdialog.h"

#include "controlcenter/proxydialog.h"
#include "controlcenter/settingsstore.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace ferry {

namespace {

// The check box texts, in the order of kAdvancedFlagValues.
const char *const kBoxTexts[] = {
    "&Enable Compression",
    "&Run Chat on Server Connect",
    "&IPX Winsock Support",
    "&Buffer Sends",
    "Send S&ocket Close",
    "&Disable ALT+TAB etc..",
};
static_assert(std::size(kBoxTexts) == std::size(kAdvancedFlagValues));

} // namespace

AdvancedSettingsDialog::AdvancedSettingsDialog(ControlCenterSettings &settings, QWidget *parent)
    : CheckedDialog(parent), m_settings(settings)
{
    setWindowTitle(tr("Advanced Settings"));
    auto *layout = new QVBoxLayout(this);
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        m_boxes[i] = new QCheckBox(tr(kBoxTexts[i]), this);
        m_boxes[i]->setChecked(settings.advanced.*kAdvancedFlagValues[i].flag);
        layout->addWidget(m_boxes[i]);
    }
    box(&AdvancedFlags::disableAltTab)
        ->setToolTip(tr("This desktop gives programs no way to block the task-switching keys: "
                        "the setting is kept but has no effect here."));

    m_proxy = new QPushButton(tr("Proxy..."), this);
    connect(m_proxy, &QPushButton::clicked, this, &AdvancedSettingsDialog::openProxy);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->addButton(m_proxy, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QCheckBox *AdvancedSettingsDialog::box(bool AdvancedFlags::*flag) const
{
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        if (kAdvancedFlagValues[i].flag == flag)
            return m_boxes[i];
    }
    return nullptr;
}

AdvancedFlags AdvancedSettingsDialog::flags() const
{
    AdvancedFlags flags;
    for (std::size_t i = 0; i < m_boxes.size(); ++i)
        flags.*kAdvancedFlagValues[i].flag = m_boxes[i]->isChecked();
    return flags;
}

void AdvancedSettingsDialog::openProxy()
{
    ProxyDialog dialog(this);
    dialog.run();
}

void AdvancedSettingsDialog::commit()
{
    m_settings.advanced = flags();
    applyDisableAltTab(m_settings.advanced.disableAltTab);
    writeAdvancedFlags(m_settings.advanced);
}

void AdvancedSettingsDialog::applyFields(const QHash<QString, QString> &fields)
{
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        const QString key = QString::fromLatin1(kAdvancedFlagValues[i].valueName).toLower();
        if (fields.contains(key))
            m_boxes[i]->setChecked(flagIsOn(fields.value(key)));
    }
}

} // namespace ferry
