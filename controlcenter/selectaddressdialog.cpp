#include "controlcenter/selectaddressdialog.h"

#include "platform/prompts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTcpSocket>
#include <QVBoxLayout>

namespace ferry {
namespace {

const QString kNotFoundText = QStringLiteral(
    "Lanway98 could not determine your IP address. You must configure it manually for Lanway98 to work. "
    "Select an IP address in the previous dialog or try running WINIPCFG.EXE in the WIN95 directory.");

} // namespace

SelectAddressDialog::SelectAddressDialog(const QList<QHostAddress> &addresses, QWidget *parent,
                                         const FindItTarget &findItTarget)
    : QDialog(parent), m_list(new QListWidget(this)), m_target(findItTarget)
{
    setWindowTitle(QStringLiteral("Select IP Address"));
    m_list->setObjectName(QStringLiteral("addressList"));
    for (const QHostAddress &a : addresses)
        m_list->addItem(a.toString());
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);

    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QDialogButtonBox::Ok);
    buttons->addButton(QDialogButtonBox::Cancel);
    m_findIt = buttons->addButton(QStringLiteral("Find It!"), QDialogButtonBox::ActionRole);
    m_ok->setEnabled(m_list->count() > 0);
    connect(buttons, &QDialogButtonBox::accepted, this, &SelectAddressDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_findIt, &QPushButton::clicked, this, &SelectAddressDialog::findIt);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &SelectAddressDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Your IP address:"), this));
    layout->addWidget(m_list);
    layout->addWidget(buttons);

    m_findItTimeout.setSingleShot(true);
    connect(&m_findItTimeout, &QTimer::timeout, this, [this] { endFindIt(QHostAddress()); });
}

SelectAddressDialog::~SelectAddressDialog()
{
    if (m_socket)
        QApplication::restoreOverrideCursor();
}

void SelectAddressDialog::accept()
{
    // OK needs a selection; an empty list offers none.
    const QListWidgetItem *item = m_list->currentItem();
    if (!item)
        return;
    m_chosen = QHostAddress(item->text());
    QDialog::accept();
}

void SelectAddressDialog::offerFirst(const QList<QHostAddress> &addresses)
{
    const bool firstSelected = m_list->currentRow() <= 0;
    const QString selected = m_list->currentItem() ? m_list->currentItem()->text() : QString();
    for (qsizetype i = addresses.size(); i-- > 0;) {
        const QString text = addresses[i].toString();
        for (QListWidgetItem *item : m_list->findItems(text, Qt::MatchExactly))
            delete m_list->takeItem(m_list->row(item));
        m_list->insertItem(0, text);
    }
    const auto stillThere = m_list->findItems(selected, Qt::MatchExactly);
    if (firstSelected || stillThere.isEmpty())
        m_list->setCurrentRow(m_list->count() > 0 ? 0 : -1);
    else
        m_list->setCurrentItem(stillThere.first());
    m_ok->setEnabled(m_list->count() > 0);
}

bool SelectAddressDialog::chooseText(const QString &text)
{
    const QHostAddress address(text.trimmed());
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    const auto found = m_list->findItems(address.toString(), Qt::MatchExactly);
    if (found.isEmpty()) {
        m_list->addItem(address.toString());
        m_list->setCurrentRow(m_list->count() - 1);
    } else {
        m_list->setCurrentItem(found.first());
    }
    m_ok->setEnabled(true);
    return true;
}

void SelectAddressDialog::findIt()
{
    if (m_socket)
        return;
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, [this] { endFindIt(m_socket->localAddress()); });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { endFindIt(QHostAddress()); });
    m_findItTimeout.start(m_target.timeoutMs);
    m_socket->connectToHost(m_target.host, m_target.port);
}

void SelectAddressDialog::endFindIt(const QHostAddress &localAddress)
{
    if (!m_socket)
        return;
    m_findItTimeout.stop();
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    QApplication::restoreOverrideCursor();
    setEnabled(true);

    QHostAddress found = localAddress;
    if (found.protocol() == QAbstractSocket::IPv6Protocol) {
        bool ok = false;
        const quint32 v4 = found.toIPv4Address(&ok); // a v4-mapped v6 address
        found = ok ? QHostAddress(v4) : QHostAddress();
    }
    const bool ok = found.protocol() == QAbstractSocket::IPv4Protocol && found.toIPv4Address() != 0;
    emit findItEnded(ok);
    if (!ok) {
        prompts::warning(this, QStringLiteral("Error"), kNotFoundText);
        return;
    }
    chooseText(found.toString());
    prompts::information(this, QStringLiteral("Lanway98 Control Center"),
                         QStringLiteral("IP Address found and set to %1").arg(found.toString()));
    accept();
}

} // namespace ferry
