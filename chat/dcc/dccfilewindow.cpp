#include "chat/dcc/dccfilewindow.h"

#include "chat/core/tavernwapp.h"
#include "chat/dcc/dcctransfer.h"
#include "chat/windows/mainframe.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMdiArea>
#include <QProgressBar>

#include <algorithm>
#include <limits>

using namespace tavern;

CDCCFView::CDCCFView(CDCCTransfer *transfer, QWidget *parent)
    : QWidget(parent), m_transfer(transfer), m_fileName(new QLabel(QStringLiteral("Filename.txt"), this)),
      m_status(new QLabel(QStringLiteral("Received xxxxxxx Bytes"), this)), m_progress(new QProgressBar(this)),
      m_details(new QLabel(this))
{
    transfer->setParent(this);
    // Paths and counts are shown as they stand, never as markup.
    m_fileName->setTextFormat(Qt::PlainText);
    m_status->setTextFormat(Qt::PlainText);
    m_details->setTextFormat(Qt::PlainText);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->addWidget(new QLabel(QStringLiteral("File:"), this), 0, 0);
    grid->addWidget(m_fileName, 0, 1);
    grid->addWidget(m_status, 1, 0, 1, 2);
    grid->addWidget(m_progress, 2, 0, 1, 2);
    grid->addWidget(m_details, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(transfer, &CDCCTransfer::statusTextChanged, this, [this](const QString &text) {
        m_status->setText(text);
        m_fileName->setText(m_transfer->FileName());
    });
    connect(transfer, &CDCCTransfer::progressChanged, this, &CDCCFView::showProgress);
}

QString CDCCFView::FileNameText() const
{
    return m_fileName->text();
}

QString CDCCFView::StatusText() const
{
    return m_status->text();
}

namespace {

std::uint64_t progressStep(std::uint64_t fileSize)
{
    std::uint64_t step = 1024;
    while (fileSize / step > std::uint64_t(std::numeric_limits<int>::max()))
        step *= 1024;
    return step;
}

} // namespace

int CDCCFView::ProgressMaximum(std::uint64_t fileSize)
{
    return int(std::max<std::uint64_t>(fileSize / progressStep(fileSize), 1));
}

int CDCCFView::ProgressValue(std::uint64_t done, std::uint64_t fileSize)
{
    if (fileSize < 1024)
        return fileSize != 0 && done >= fileSize ? 1 : 0;
    return int(std::min(done, fileSize) / progressStep(fileSize));
}

void CDCCFView::showProgress(std::uint64_t done, std::uint64_t total)
{
    m_progress->setRange(0, ProgressMaximum(total));
    m_progress->setValue(ProgressValue(done, total));
    if (!m_clock.isValid())
        m_clock.start();
    m_details->setText(TransferDetails(done, total, m_clock.elapsed()));
}

QString CDCCFView::DetailsText() const
{
    return m_details->text();
}

QString CDCCFView::SizeText(std::uint64_t bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(double(bytes) / 1024, 0, 'f', 1);
    if (bytes < 1024ull * 1024 * 1024)
        return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(double(bytes) / (1024.0 * 1024 * 1024), 0, 'f', 1);
}

QString CDCCFView::TransferDetails(std::uint64_t done, std::uint64_t total, qint64 elapsedMs)
{
    QString text = QStringLiteral("%1 of %2").arg(SizeText(done), SizeText(total));
    if (elapsedMs <= 0 || done == 0)
        return text;
    const double perSecond = double(done) * 1000.0 / double(elapsedMs);
    text += QStringLiteral("  %1/s").arg(SizeText(std::uint64_t(perSecond)));
    if (total > done && perSecond > 0) {
        const qint64 left = qint64(double(total - done) / perSecond + 0.5);
        text += QStringLiteral("  %1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    return text;
}

// ---- frame

CDCCFFrm::CDCCFFrm(CDCCTransfer *transfer, CMainFrame *mainFrame, QWidget *parent)
    : QMdiSubWindow(parent), m_main(mainFrame), m_app(mainFrame->app()), m_view(new CDCCFView(transfer, this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(m_view);
    // The title is known once the transfer has started, which is when it first
    // reports its byte count line.
    connect(transfer, &CDCCTransfer::statusTextChanged, this, &CDCCFFrm::takeTitle);
    connect(transfer, &CDCCTransfer::finished, this, &QWidget::close, Qt::QueuedConnection);
}

CDCCFFrm::~CDCCFFrm()
{
    leaveWindowList();
}

void CDCCFFrm::takeTitle()
{
    const QString title = m_view->Transfer()->Title();
    if (m_doc || title.isEmpty())
        return;
    setWindowTitle(title);
    m_doc = new CDCCFDoc(title, this);
    if (m_app)
        m_app->RegisterWindow(m_doc);
}

void CDCCFFrm::leaveWindowList()
{
    if (m_doc && m_app)
        m_app->UnregisterWindow(m_doc);
    delete m_doc;
    m_doc = nullptr;
}

void CDCCFFrm::closeEvent(QCloseEvent *event)
{
    // Closed by the user, the connection drops and the peer reports the end.
    m_view->Transfer()->Close();
    leaveWindowList();
    QMdiSubWindow::closeEvent(event);
}

CDCCFFrm *OpenDccFileWindow(CDCCTransfer *transfer, CMainFrame &mainFrame)
{
    auto *frame = new CDCCFFrm(transfer, &mainFrame);
    // A small window at the top left that leaves the chat windows as they are: shown
    // without taking the activation (so a maximized chat window stays maximized and
    // active, and nothing moves when it closes), and never maximized itself.
    mainFrame.AddChildWindowQuietly(frame, [frame] {
        frame->show();
        if (frame->isMaximized())
            frame->showNormal();
        // At least as large as its texts need, so that none is cut off.
        const QSize hint = frame->sizeHint();
        frame->setGeometry(CDCCFFrm::kLeft, CDCCFFrm::kTop, std::max(CDCCFFrm::kWidth, hint.width()),
                           std::max(CDCCFFrm::kHeight, hint.height()));
    });
    frame->raise();
    return frame;
}
