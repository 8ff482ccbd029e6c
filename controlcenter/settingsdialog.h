#pragma once

// The settings dialog: nickname, e-mail address, own address and whether to always
// use it; "Advanced..." opens the option flags. OK writes the four values; the
// caller reads all settings again after the dialog has closed either way.
//
// Scripted answers: "text:Nickname=...;Email=...;IP Address=...;AlwaysUseIP=True".

#include "platform/checkeddialog.h"
#include "controlcenter/settings.h"

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ferry {

class SettingsDialog : public CheckedDialog {
    Q_OBJECT
public:
    static constexpr int kNicknameMaxLength = 15;

    // optionsChanged runs after the advanced settings were confirmed (the driver
    // record takes the new option words).
    explicit SettingsDialog(ControlCenterSettings &settings, QWidget *parent = nullptr,
                            std::function<void()> optionsChanged = {});

    QLineEdit *nicknameEdit() const { return m_nickname; }
    QLineEdit *emailEdit() const { return m_email; }
    QLineEdit *addressEdit() const { return m_address; }
    QCheckBox *alwaysUseBox() const { return m_alwaysUse; }
    QPushButton *advancedButton() const { return m_advanced; }

    // "A&dvanced...": the advanced settings dialog.
    void openAdvanced();

protected:
    bool checkFields() override;
    void commit() override;
    void applyFields(const QHash<QString, QString> &fields) override;

private:
    ControlCenterSettings &m_settings;
    std::function<void()> m_optionsChanged;
    QLineEdit *m_nickname;
    QLineEdit *m_email;
    QLineEdit *m_address;
    QCheckBox *m_alwaysUse;
    QPushButton *m_advanced;
};

} // namespace ferry
