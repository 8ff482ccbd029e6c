#include "controlcenter/advancedsettingsdialog.h"

#include "controlcenter/proxydialog.h"
#include "controlcenter/settingsstore.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace ferry {

namespace {

QCheckBox *addBox(QVBoxLayout *layout, const QString &text, bool checked)
{
    auto *box = new QCheckBox(text);
    box->setChecked(checked);
    layout->addWidget(box);
    return box;
}

void applyFlag(const QHash<QString, QString> &fields, const char *name, QCheckBox *box)
{
    const QString key = QString::fromLatin1(name).toLower();
    if (fields.contains(key))
        box->setChecked(flagIsOn(fields.value(key)));
}

} // namespace

AdvancedSettingsDialog::AdvancedSettingsDialog(ControlCenterSettings &settings, QWidget *parent)
    : CheckedDialog(parent), m_settings(settings)
{
    setWindowTitle(tr("Advanced Settings"));
    const AdvancedFlags &flags = settings.advanced;
    auto *layout = new QVBoxLayout(this);
    m_compression = addBox(layout, tr("&Enable Compression"), flags.enableCompression);
    m_runChat = addBox(layout, tr("&Run Chat on Server Connect"), flags.runChatOnConnect);
    m_ipxWinsock = addBox(layout, tr("&IPX Winsock Support"), flags.enableIpxWinsock);
    m_bufferSends = addBox(layout, tr("&Buffer Sends"), flags.bufferSends);
    m_socketClose = addBox(layout, tr("Send S&ocket Close"), flags.sendSocketClose);
    m_disableAltTab = addBox(layout, tr("&Disable ALT+TAB etc.."), flags.disableAltTab);
    m_disableAltTab->setToolTip(tr("This desktop gives programs no way to block the task-switching keys: "
                                   "the setting is kept but has no effect here."));

    m_proxy = new QPushButton(tr("Proxy..."), this);
    connect(m_proxy, &QPushButton::clicked, this, &AdvancedSettingsDialog::openProxy);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->addButton(m_proxy, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

AdvancedFlags AdvancedSettingsDialog::flags() const
{
    AdvancedFlags flags;
    flags.enableCompression = m_compression->isChecked();
    flags.runChatOnConnect = m_runChat->isChecked();
    flags.enableIpxWinsock = m_ipxWinsock->isChecked();
    flags.bufferSends = m_bufferSends->isChecked();
    flags.sendSocketClose = m_socketClose->isChecked();
    flags.disableAltTab = m_disableAltTab->isChecked();
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
    using namespace settingskeys;
    applyFlag(fields, EnableCompression, m_compression);
    applyFlag(fields, RunChatOnConnect, m_runChat);
    applyFlag(fields, EnableIpxWinsock, m_ipxWinsock);
    applyFlag(fields, BufferSends, m_bufferSends);
    applyFlag(fields, SendSocketClose, m_socketClose);
    applyFlag(fields, DisableAltTab, m_disableAltTab);
}

} // namespace ferry
