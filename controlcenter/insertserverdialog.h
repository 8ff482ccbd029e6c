#pragma once

// "Insert Server": a server's address and description typed by the player. OK
// needs a dotted address; otherwise the player is told and the dialog stays open.
//
// Scripted answers: "text:Address=...;Description=...".

#include "controlcenter/checkeddialog.h"

class QLineEdit;

namespace ferry {

class InsertServerDialog : public CheckedDialog {
    Q_OBJECT
public:
    explicit InsertServerDialog(QWidget *parent = nullptr);

    // After OK: the address in its normal dotted form, and the description.
    QString address() const { return m_acceptedAddress; }
    QString description() const;

    QLineEdit *addressEdit() const { return m_address; }
    QLineEdit *descriptionEdit() const { return m_description; }

protected:
    bool checkFields() override;
    void commit() override;
    void applyFields(const QHash<QString, QString> &fields) override;

private:
    QLineEdit *m_address;
    QLineEdit *m_description;
    QString m_acceptedAddress;
};

} // namespace ferry
