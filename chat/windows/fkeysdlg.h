#pragma once

// "Program Function Keys": the texts F2 .. F12 send, each up to 200 characters.
// OK stores all eleven and hands them to the program, whose input lines use them
// from the next key press on. A text never carries a line break or NUL into the
// settings: such characters become blanks, as they would when typed.
//
// Scripted answers name the keys: F2=...;F12=...

#include "platform/checkeddialog.h"

#include <QList>

class CTavernwApp;
class QLineEdit;

namespace tavern {

class CFKeysDlg : public ferry::CheckedDialog {
    Q_OBJECT
public:
    static constexpr int kFirstKey = 2;
    static constexpr int kKeyCount = 11;
    static constexpr int kMaxText = 200;

    explicit CFKeysDlg(CTavernwApp &app, QWidget *parent = nullptr);

    // The field of key n (2..12).
    QLineEdit *field(int n) const { return m_fields.value(n - kFirstKey); }

protected:
    void commit() override;
    void applyFields(const QHash<QString, QString> &fields) override;

private:
    CTavernwApp &m_app;
    QList<QLineEdit *> m_fields;
};

} // namespace tavern
