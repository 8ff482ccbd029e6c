#pragma once

// A plain main window for the chat client: an MDI area with one message view per
// chat window, the 300 ms timer that drives the application object, and the end of
// the splash. It stands in for the full main frame (window tabs, user lists,
// channel list) until that frame is in place.

#include "chat/core/chatfrontend.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>

class CSplashThread;
class CTavernwApp;
class QMdiArea;
class QMdiSubWindow;

class CPlainMainFrame : public QMainWindow, public IChatFrontEnd {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 300;

    CPlainMainFrame();
    ~CPlainMainFrame() override;

    // Starts the timer that ticks the application object.
    void Attach(CTavernwApp *app);
    // The splash window to end on the ninth tick.
    void SetSplash(std::unique_ptr<CSplashThread> splash);
    void BringToFront();

    bool CreateWindowFor(CChatDocBase *doc) override;
    void CloseWindowFor(CChatDocBase *doc) override;
    QString SelectedTabName() const override;
    void RepaintTabs() override {}
    void Beep() override;
    void ShowChannelList(const QStringList &entries) override;
    void ApplyFont() override;
    void EndSplash() override;

signals:
    // The user or a request closes the main window: the program ends.
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    CTavernwApp *m_app = nullptr;
    QMdiArea *m_mdi;
    QTimer m_timer;
    std::unique_ptr<CSplashThread> m_splash;
    QHash<CChatDocBase *, QPointer<QMdiSubWindow>> m_windows;
};
