#include "controlcenter/proxydialog.h"

#include "common/registry.h"
#include "controlcenter/messages.h"
#include "controlcenter/settings.h"
#include "platform/prompts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>

namespace ferry {

namespace {

const QString ProxyServerValue = QStringLiteral("ProxyServer");
const QString ProxyEnableValue = QStringLiteral("ProxyEnable");
// The longest ProxyServer text read back, as the system's own dialogs limit it.
constexpr int kProxyServerMaxBytes = 256;

} // namespace

ProxySetting splitProxyServer(const QString &server)
{
    ProxySetting setting;
    const qsizetype colon = server.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        setting.name = server;
    } else {
        setting.name = server.left(colon);
        setting.port = server.mid(colon + 1);
    }
    return setting;
}

bool isProxyPort(const QString &text)
{
    // Digits only: every program that reads the setting takes the text after the colon as the port.
    if (text.isEmpty() || text.size() > 5)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    const uint port = text.toUInt();
    return port >= 1 && port <= 65535;
}

ProxySetting readProxySetting()
{
    CRegistry registry;
    registry.Connect(HKEY_CURRENT_USER);
    if (!registry.Open(QLatin1String(InternetSettingsKey), KEY_READ))
        return {};
    QString server;
    registry.GetStringValue(ProxyServerValue, server);
    ProxySetting setting = splitProxyServer(QString::fromUtf8(server.toUtf8().left(kProxyServerMaxBytes)));
    quint32 enable = 0;
    setting.enabled = registry.GetDoubleWordValue(ProxyEnableValue, enable) && enable == 1;
    return setting;
}

void writeProxySetting(const ProxySetting &setting)
{
    CRegistry registry;
    registry.Connect(HKEY_CURRENT_USER);
    if (!registry.Create(QLatin1String(InternetSettingsKey)))
        return;
    registry.SetStringValue(ProxyServerValue, setting.name + QLatin1Char(':') + setting.port);
    // Kept as four bytes of binary data, the form other programs read it in.
    registry.SetBinaryValue(ProxyEnableValue, reg::encodeDword(setting.enabled ? 1 : 0));
}

ProxyDialog::ProxyDialog(QWidget *parent)
    : CheckedDialog(parent),
      m_name(new QLineEdit(this)),
      m_port(new QLineEdit(this)),
      m_enable(new QCheckBox(tr("&Enable Proxy"), this))
{
    setWindowTitle(tr("Proxy Setup"));
    const ProxySetting setting = readProxySetting();
    m_name->setText(setting.name);
    m_port->setText(setting.port);
    m_enable->setChecked(setting.enabled);
    // Room for a whole proxy host name.
    m_name->setMinimumWidth(m_name->fontMetrics().averageCharWidth() * 32);

    auto *form = new QFormLayout;
    form->addRow(tr("&Name of your proxy server"), m_name);
    form->addRow(tr("&Port"), m_port);
    form->addRow(QString(), m_enable);
    setContentWithButtons(form);
}

bool ProxyDialog::checkFields()
{
    if (m_name->text().isEmpty() || m_port->text().isEmpty()) {
        prompts::warning(this, QLatin1String(messages::ErrorCaption), QLatin1String(messages::ProxyFieldsRequired));
        return false;
    }
    if (!isProxyPort(m_port->text())) {
        prompts::warning(this, QLatin1String(messages::ErrorCaption), QLatin1String(messages::ProxyPortInvalid));
        m_port->setFocus();
        return false;
    }
    return true;
}

void ProxyDialog::commit()
{
    writeProxySetting({m_name->text(), m_port->text(), m_enable->isChecked()});
}

void ProxyDialog::applyFields(const QHash<QString, QString> &fields)
{
    if (fields.contains(QStringLiteral("name")))
        m_name->setText(fields.value(QStringLiteral("name")));
    if (fields.contains(QStringLiteral("port")))
        m_port->setText(fields.value(QStringLiteral("port")));
    if (fields.contains(QStringLiteral("enable")))
        m_enable->setChecked(flagIsOn(fields.value(QStringLiteral("enable"))));
}

} // namespace ferry
