#pragma once

// The advanced settings: the option flags the tunnel driver and the sign-on use,
// and the proxy setup. OK stores the six flags in the settings record, applies
// them and writes them.
//
// Scripted answers name the flags by their registry values:
// "text:EnableCompression=False;RunChatOnConnect=True;EnableIPXWinsock=True;
//  BufferSends=True;SendSocketClose=True;DisableALTTAB=False".

#include "controlcenter/checkeddialog.h"
#include "controlcenter/settings.h"

class QCheckBox;
class QPushButton;

namespace ferry {

class AdvancedSettingsDialog : public CheckedDialog {
    Q_OBJECT
public:
    explicit AdvancedSettingsDialog(ControlCenterSettings &settings, QWidget *parent = nullptr);

    AdvancedFlags flags() const;

    QCheckBox *compressionBox() const { return m_compression; }
    QCheckBox *runChatBox() const { return m_runChat; }
    QCheckBox *ipxWinsockBox() const { return m_ipxWinsock; }
    QCheckBox *bufferSendsBox() const { return m_bufferSends; }
    QCheckBox *socketCloseBox() const { return m_socketClose; }
    QCheckBox *disableAltTabBox() const { return m_disableAltTab; }
    QPushButton *proxyButton() const { return m_proxy; }

    // "Proxy...": the proxy setup dialog.
    void openProxy();

protected:
    void commit() override;
    void applyFields(const QHash<QString, QString> &fields) override;

private:
    ControlCenterSettings &m_settings;
    QCheckBox *m_compression;
    QCheckBox *m_runChat;
    QCheckBox *m_ipxWinsock;
    QCheckBox *m_bufferSends;
    QCheckBox *m_socketClose;
    QCheckBox *m_disableAltTab;
    QPushButton *m_proxy;
};

} // namespace ferry
