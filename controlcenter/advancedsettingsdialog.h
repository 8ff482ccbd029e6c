#pragma once

// The advanced settings: the option flags the tunnel driver and the sign-on use,
// and the proxy setup. OK stores the six flags in the settings record, applies
// them and writes them.
//
// Scripted answers name the flags by their registry values:
// "text:EnableCompression=False;RunChatOnConnect=True;EnableIPXWinsock=True;
//  BufferSends=True;SendSocketClose=True;DisableALTTAB=False".

#include "platform/checkeddialog.h"
#include "controlcenter/settings.h"

#include <array>
#include <iterator>

class QCheckBox;
class QPushButton;

namespace ferry {

class AdvancedSettingsDialog : public CheckedDialog {
    Q_OBJECT
public:
    explicit AdvancedSettingsDialog(ControlCenterSettings &settings, QWidget *parent = nullptr);

    AdvancedFlags flags() const;

    // The check box of one flag, e.g. box(&AdvancedFlags::bufferSends).
    QCheckBox *box(bool AdvancedFlags::*flag) const;
    QPushButton *proxyButton() const { return m_proxy; }

    // "Proxy...": the proxy setup dialog.
    void openProxy();

protected:
    void commit() override;
    void applyFields(const QHash<QString, QString> &fields) override;

private:
    ControlCenterSettings &m_settings;
    // In the order of kAdvancedFlagValues.
    std::array<QCheckBox *, std::size(kAdvancedFlagValues)> m_boxes{};
    QPushButton *m_proxy;
};

} // namespace ferry
