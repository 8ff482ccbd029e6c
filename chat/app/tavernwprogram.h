#pragma once

// The chat client's start and end around the application object: the splash, the
// settings, the shared session block (refusal without the control center, hand-over
// to a copy already running), the main window with the Server window, registration
// in the block and the connection to the chat server; at the end the quit line,
// the sockets and ShowChanList. SIGTERM, SIGINT and the control center's close
// request close the main window, which ends the program by the same path.

#include "common/sharedblock.h"
#include "platform/requests.h"
#include "platform/sharedmemory.h"
#include "protocol/unixsignals.h"

#include <QObject>
#include <QString>

#include <memory>

class CDCCHandOver;
class CSplashThread;
class CTavernwApp;

namespace tavern {
class CLaunchpad;
class CMainFrame;
}

class CTavernwProgram : public QObject {
    Q_OBJECT
public:
    enum class StartResult {
        Running,    // the main window is up; run the event loop, then Shutdown()
        HandedOver, // a copy already runs and was brought to the front
        Failed,     // refused to start; the reason was shown
        Closed,     // asked to end (a signal, the control center) while start-up asked its questions
    };

    static const QString kNoControlCenterText;
    static const QString kCannotMapText;

    // commandLine: how the program was started (its first argument), for its folder.
    explicit CTavernwProgram(const QString &commandLine, QObject *parent = nullptr);
    ~CTavernwProgram() override;

    StartResult Start();
    // The end of a run that started: quit line, sockets, ShowChanList.
    void Shutdown();

    CTavernwApp *App() const { return m_app.get(); }
    tavern::CMainFrame *MainFrame() const { return m_frame.get(); }
    // The direct connections of the running client (its download folder, or menu
    // items that offer a chat or a file without going through a typed command).
    CDCCHandOver *DccHandOver() const { return m_dcc; }
    // The game launchpad (its table, dialog and launch bar).
    tavern::CLaunchpad *Launchpad() const { return m_launchpad; }

signals:
    // The main window was closed; leave the event loop.
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool openSessionBlock();
    void bringToFront();
    void wireCommands();

    QString m_commandLine;
    ferry::SharedMemory m_memory;
    std::unique_ptr<ferry::SharedBlock> m_block;
    std::unique_ptr<CSplashThread> m_splash;
    std::unique_ptr<tavern::CMainFrame> m_frame;
    std::unique_ptr<CTavernwApp> m_app;
    std::unique_ptr<ferry::requests::Receiver> m_requests;
    std::unique_ptr<ferry::UnixSignalWatcher> m_signals;
    CDCCHandOver *m_dcc = nullptr;
    tavern::CLaunchpad *m_launchpad = nullptr;
    bool m_shutDown = false;
    bool m_closed = false; // the main window has closed: the program ends
};
