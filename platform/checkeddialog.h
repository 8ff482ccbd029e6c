#pragma once

// A dialog whose OK first checks the fields. A check that fails has told the user
// why and keeps the dialog open on the offending field.
//
// Runs go through the prompt service. A scripted "text:Name=value;Name=value"
// answer sets the named fields (names without regard to case, fields not named
// keep what they hold) and presses OK; a scripted OK that a check refuses leaves
// the dialog open and, after the answer to the box that says why, the next
// answer is read, as a user would try again. A dialog with a single text field
// may take the whole answer as that field's text instead (applyScript).

#include <QDialog>
#include <QDialogButtonBox>
#include <QHash>
#include <QString>

#include <initializer_list>

class QDialogButtonBox;

namespace ferry {

// "A=1;b=2" -> {"a": "1", "b": "2"}; names are trimmed and lower-cased, values kept as they are.
QHash<QString, QString> parseFieldAssignments(const QString &text);

// A scripted check box value: "1", "true", "yes" or "on" (any case) tick it.
bool parseFieldFlag(const QString &value);

// Tab visits the controls in this order (the order the eye reads the form), before
// the buttons that were made after them. Without it Tab follows the order the
// controls were made in, which need not be where they stand.
void chainTabOrder(std::initializer_list<QWidget *> controls);

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
    virtual void applyScript(const QString &text) { applyFields(parseFieldAssignments(text)); }

protected:
    // An OK / Cancel button row wired to accept() and reject().
    QDialogButtonBox *okCancelButtons() { return buttonRow(QDialogButtonBox::Ok | QDialogButtonBox::Cancel); }
    // Lays the dialog out: its content above a row of these buttons (OK accepts
    // through the checks, Cancel rejects). Returns the row, for more buttons.
    QDialogButtonBox *setContentWithButtons(QLayout *content,
                                            QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Ok
                                                                                        | QDialogButtonBox::Cancel);

    // Shows the reason and focuses the field when a field is refused.
    virtual bool checkFields() { return true; }
    // Stores what OK stands for; called once the checks have passed.
    virtual void commit() {}
    virtual void applyFields(const QHash<QString, QString> &fields) { (void)fields; }

private:
    QDialogButtonBox *buttonRow(QDialogButtonBox::StandardButtons buttons);

    bool m_refused = false;
};

} // namespace ferry
