#pragma once

// A dialog whose OK first checks the fields. A check that fails has told the user
// why and keeps the dialog open on the offending field.
//
// Runs go through the prompt service. A scripted "text:Name=value;Name=value"
// answer sets the named fields (names without regard to case, fields not named
// keep what they hold) and presses OK; a scripted OK that a check refuses leaves
// the dialog open and, after the answer to the box that says why, the next
// answer is read, as a user would try again.

#include <QDialog>
#include <QHash>
#include <QString>

class QDialogButtonBox;

namespace ferry {

// "A=1;b=2" -> {"a": "1", "b": "2"}; names are trimmed and lower-cased, values kept as they are.
QHash<QString, QString> parseFieldAssignments(const QString &text);

class CheckedDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // Shows the dialog modally (or answers it from the prompt script); true when it
    // ended with an accepted OK.
    bool run();

    // Checks the fields, then commits them and closes; stays open when a check fails.
    void accept() final;

    // Sets the fields a scripted answer names.
    void applyScript(const QString &text) { applyFields(parseFieldAssignments(text)); }

protected:
    // An OK / Cancel button row wired to accept() and reject().
    QDialogButtonBox *okCancelButtons();
    // Shows the reason and focuses the field when a field is refused.
    virtual bool checkFields() { return true; }
    // Stores what OK stands for; called once the checks have passed.
    virtual void commit() {}
    virtual void applyFields(const QHash<QString, QString> &fields) = 0;

private:
    bool m_refused = false;
};

} // namespace ferry
