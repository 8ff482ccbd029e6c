#pragma once

// "Find ": the text to look for in the server tree and whether to start at the top.
//
// Scripted answers: "text:Text=...;StartFromTop=True".

#include "controlcenter/checkeddialog.h"

class QCheckBox;
class QLineEdit;

namespace ferry {

class FindDialog : public CheckedDialog {
    Q_OBJECT
public:
    explicit FindDialog(const QString &lastText, QWidget *parent = nullptr);

    QString text() const;
    bool startFromTop() const;

    QLineEdit *textEdit() const { return m_text; }
    QCheckBox *startFromTopBox() const { return m_fromTop; }

protected:
    void applyFields(const QHash<QString, QString> &fields) override;

private:
    QLineEdit *m_text;
    QCheckBox *m_fromTop;
};

} // namespace ferry
