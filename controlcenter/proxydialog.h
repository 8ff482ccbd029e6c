#pragma once

// "Proxy Setup": the current user's Internet proxy, kept where the system has always
// kept it (ProxyServer "name:port" and ProxyEnable under the Internet Settings key
// of HKEY_CURRENT_USER in the registry).
//
// Scripted answers: "text:Name=proxy.example.net;Port=8080;Enable=True".

#include "platform/checkeddialog.h"

class QCheckBox;
class QLineEdit;

namespace ferry {

inline constexpr char InternetSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

struct ProxySetting {
    QString name;
    QString port;
    bool enabled = false;
};

// "name:port" split at its last colon (a name never holds one; a bracketed IPv6
// address does); without a colon everything is the name.
ProxySetting splitProxyServer(const QString &server);

// A port as the setting may hold it: decimal digits, 1 to 65535.
bool isProxyPort(const QString &text);

ProxySetting readProxySetting();
void writeProxySetting(const ProxySetting &setting);

class ProxyDialog : public CheckedDialog {
    Q_OBJECT
public:
    // The fields start with what the registry holds.
    explicit ProxyDialog(QWidget *parent = nullptr);

    QLineEdit *nameEdit() const { return m_name; }
    QLineEdit *portEdit() const { return m_port; }
    QCheckBox *enableBox() const { return m_enable; }

protected:
    bool checkFields() override;
    void commit() override;
    void applyFields(const QHash<QString, QString> &fields) override;

private:
    QLineEdit *m_name;
    QLineEdit *m_port;
    QCheckBox *m_enable;
};

} // namespace ferry
