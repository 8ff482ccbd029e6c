#pragma once

// "IPX Protocol Not Bound": advice shown when the tunnel reports at the start of
// a session that IPX is not bound to the dial-up adapter. Yes opens the
// desktop's network settings tool, then only Close remains; No closes.

#include <QDialog>
#include <QList>
#include <QStringList>

class QPushButton;

namespace ferry {

class IpxNotBoundDialog : public QDialog {
    Q_OBJECT
public:
    // Network settings tools tried in order: program name, then its arguments.
    static QList<QStringList> networkSettingsTools();

    explicit IpxNotBoundDialog(QWidget *parent = nullptr, const QList<QStringList> &tools = networkSettingsTools());

    // Yes: starts the first installed tool (or says that there is none), hides
    // Yes and No and shows Close. Returns the program started, empty when none.
    QString onYes();

    QPushButton *yesButton() const { return m_yes; }
    QPushButton *noButton() const { return m_no; }
    QPushButton *closeButton() const { return m_close; }

private:
    QList<QStringList> m_tools;
    QPushButton *m_yes;
    QPushButton *m_no;
    QPushButton *m_close;
};

} // namespace ferry
