#include "controlcenter/pingdialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace ferry {

PingDialog::PingDialog(const QString &address, QWidget *parent, int echoTimeoutMs, int allowedSockets)
    : QDialog(parent), m_address(address), m_echoTimeoutMs(echoTimeoutMs), m_list(new QListWidget(this)),
      m_echo(this, allowedSockets)
{
    setWindowTitle(QStringLiteral("Pinging %1").arg(address));
    m_list->setObjectName(QStringLiteral("pingLines"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    // Room for four whole lines of the longest kind, and for the whole title.
    EchoResult widest;
    widest.status = EchoResult::Status::Reply;
    widest.roundTripMs = 99999;
    widest.ttl = 255;
    const QFontMetrics metrics = m_list->fontMetrics();
    const int frame = 2 * m_list->frameWidth() + 8;
    m_list->setMinimumSize(metrics.horizontalAdvance(lineFor(address, widest)) + frame,
                           kLineCount * (metrics.height() + 2) + frame);
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 120);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);

    connect(&m_echo, &IcmpEcho::finished, this, &PingDialog::addLine);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PingDialog::onTimerTick);
    m_timer.start(kFirstEchoDelayMs);
}

void PingDialog::onTimerTick()
{
    m_timer.stop();
    if (m_echo.pending() || isComplete())
        return;
    m_echo.send(m_address, m_echoTimeoutMs);
}

QStringList PingDialog::lines() const
{
    QStringList result;
    for (int i = 0; i < m_list->count(); ++i)
        result << m_list->item(i)->text();
    return result;
}

QString PingDialog::lineFor(const QString &address, const EchoResult &result)
{
    switch (result.status) {
    case EchoResult::Status::Reply:
        return QStringLiteral("Reply from %1 : Time=%2ms TTL=%3").arg(address).arg(result.roundTripMs).arg(result.ttl);
    case EchoResult::Status::NoResponse:
        return QStringLiteral("No response from node.");
    case EchoResult::Status::InternalFailure:
        break;
    }
    return QStringLiteral("Ping internal failure.");
}

void PingDialog::addLine(const EchoResult &result)
{
    if (isComplete())
        return;
    const QString line = lineFor(m_address, result);
    m_list->addItem(line);
    emit lineAdded(line);
    if (!isComplete())
        m_timer.start(kNextEchoDelayMs);
}

} // namespace ferry
