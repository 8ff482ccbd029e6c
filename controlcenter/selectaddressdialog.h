#pragma once

// "Select IP Address": the host's addresses to choose the own address from,
// and "Find It!", which learns the address the system uses to reach the
// Internet by connecting to a web server and reading the socket's local address.

#include <QDialog>
#include <QHostAddress>
#include <QList>
#include <QTimer>

class QListWidget;
class QPushButton;
class QTcpSocket;

namespace ferry {

// Where "Find It!" connects to.
struct FindItTarget {
    QString host = QStringLiteral("example.com");
    quint16 port = 80;
    int timeoutMs = 10000;
};

class SelectAddressDialog : public QDialog {
    Q_OBJECT
public:
    explicit SelectAddressDialog(const QList<QHostAddress> &addresses, QWidget *parent = nullptr,
                                 const FindItTarget &findItTarget = {});
    ~SelectAddressDialog() override;

    // After OK: the address selected in the list; after "Find It!": the address found.
    QHostAddress chosenAddress() const { return m_chosen; }

    // Puts the addresses at the top of the list (those already listed move up),
    // for a list completed when a look-up answers. The first row stays selected
    // when it was; otherwise the address selected stays selected.
    void offerFirst(const QList<QHostAddress> &addresses);

    // Selects the given dotted address (the scripted answer of the prompt service).
    // An address not in the list is added to it. False when it is not an IPv4 address.
    bool chooseText(const QString &text);

    // "Find It!": starts the connection; the dialog is disabled until it ends.
    void findIt();
    bool isFinding() const { return m_socket != nullptr; }

    QPushButton *okButton() const { return m_ok; }
    QPushButton *findItButton() const { return m_findIt; }

    void accept() override;

signals:
    // Emitted when "Find It!" has ended, found or not.
    void findItEnded(bool found);

private:
    void endFindIt(const QHostAddress &found);

    QListWidget *m_list;
    QPushButton *m_ok;
    QPushButton *m_findIt;
    FindItTarget m_target;
    QTcpSocket *m_socket = nullptr;
    QTimer m_findItTimeout;
    QHostAddress m_chosen;
};

} // namespace ferry
