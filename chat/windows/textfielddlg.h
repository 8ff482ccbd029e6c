#pragma once

// The small dialogs that ask for one line of text: the reason for a kick and the
// away message. OK hands back the text as typed (it may be empty or hold blanks),
// Cancel gives nothing. A scripted "text:..." answer is taken whole as the field's
// text, cut to the field's limit like typing would be.

#include "platform/checkeddialog.h"

#include <QString>

#include <optional>

class QLineEdit;

namespace tavern {

class CTextFieldDlg : public ferry::CheckedDialog {
    Q_OBJECT
public:
    CTextFieldDlg(const QString &title, int maxLength, QWidget *parent = nullptr);

    QLineEdit *field() const { return m_field; }
    // Runs the dialog; the text on OK, nullopt on Cancel.
    std::optional<QString> ask();

    void applyScript(const QString &text) override;

private:
    QLineEdit *m_field;
};

// "Enter the Reason for the Kick", at most 76 characters.
std::optional<QString> AskKickReason(QWidget *parent);
// "Enter your away message", at most 50 characters.
std::optional<QString> AskAwayMessage(QWidget *parent);

} // namespace tavern
