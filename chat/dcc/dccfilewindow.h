#pragma once

// The small window of one DCC file transfer: the full local path, the byte count
// line and a progress bar. It is known by its title ("DCC Send: <nick>" or
// "DCC Receive: <nick>") in the application's window map while it is open, takes
// no part in the window tabs, and closes itself when the transfer is over. The
// completion and failure lines go to the Server window, printed by the hand-over.

#include "chat/core/chatdocs.h"

#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include <cstdint>

class CDCCTransfer;
class CTavernwApp;
class QLabel;
class QProgressBar;

namespace tavern {
class CMainFrame;
}

// Stands for the transfer window in the window map under its title.
class CDCCFDoc : public CChatDocBase {
    Q_OBJECT
public:
    CDCCFDoc(const QString &title, QObject *parent = nullptr) : CChatDocBase(Kind::Direct, title, parent) {}
};

class CDCCFView : public QWidget {
    Q_OBJECT
public:
    // Shows the transfer, which it takes over.
    explicit CDCCFView(CDCCTransfer *transfer, QWidget *parent = nullptr);

    CDCCTransfer *Transfer() const { return m_transfer; }
    QString FileNameText() const;
    QString StatusText() const;
    QProgressBar *Progress() const { return m_progress; }
    // Under the bar: the size done and in all, the rate and the time left.
    QString DetailsText() const;

    // "1.5 MB of 4.0 MB  200 KB/s  0:12 left"; the rate and the time left once some
    // time has passed (elapsedMs > 0) and bytes came.
    static QString TransferDetails(std::uint64_t done, std::uint64_t total, qint64 elapsedMs);
    static QString SizeText(std::uint64_t bytes);

    // The bar counts kilobytes (coarser steps for files of terabytes, which would
    // overflow the bar's range); a file under one kilobyte counts as one step.
    static int ProgressMaximum(std::uint64_t fileSize);
    static int ProgressValue(std::uint64_t done, std::uint64_t fileSize);

private:
    void showProgress(std::uint64_t done, std::uint64_t total);

    CDCCTransfer *m_transfer;
    QLabel *m_fileName;
    QLabel *m_status;
    QProgressBar *m_progress;
    QLabel *m_details;
    QElapsedTimer m_clock; // from the first byte count
};

class CDCCFFrm : public QMdiSubWindow {
    Q_OBJECT
public:
    static constexpr int kLeft = 5, kTop = 5, kWidth = 215, kHeight = 130;

    CDCCFFrm(CDCCTransfer *transfer, tavern::CMainFrame *mainFrame, QWidget *parent = nullptr);
    ~CDCCFFrm() override;

    CDCCFView *view() const { return m_view; }
    // The title, once the transfer started; empty before.
    QString windowName() const { return m_doc ? m_doc->Name() : QString(); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void takeTitle();
    void leaveWindowList();

    QPointer<tavern::CMainFrame> m_main;
    QPointer<CTavernwApp> m_app;
    CDCCFView *m_view;
    CDCCFDoc *m_doc = nullptr;
};

// Opens the window of a freshly announced transfer in the main frame.
CDCCFFrm *OpenDccFileWindow(CDCCTransfer *transfer, tavern::CMainFrame &mainFrame);
