#pragma once

// The chat client's launchpad: the slot table for the whole run, the configuration
// dialog, the launch bar at the bottom of the main window, and the start of a game.
//
// Start-up: Start() after the main window exists (loads the table and, on the first
// run, asks whether to configure it), RebuildLaunchBar() once the window is shown.
// The "&Launch" menu, the bar's buttons and files dropped on the bar come here.

#include "chat/launchpad/launchslots.h"
#include "chat/launchpad/programstart.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class CTavernwApp;

namespace tavern {

class CLaunchBar;
class CLaunchpadDlg;
class CMainFrame;

class CLaunchpad : public QObject {
    Q_OBJECT
public:
    static const QString kConfigureQuestion;

    CLaunchpad(CTavernwApp &app, CMainFrame &frame, QObject *parent = nullptr);
    ~CLaunchpad() override;

    // Creates the dialog (reading "games.txt"), loads the table and asks on the first run.
    void Start();
    void ConfigureLaunchpad();
    void AddDroppedProgram(const QString &path);
    void LaunchSlot(int slot);
    // Replaces the launch bar by one showing the table as it is now.
    void RebuildLaunchBar();

    CLaunchTable &Table() { return m_table; }
    CLaunchpadDlg *Dialog() const;
    CLaunchBar *LaunchBar() const;

    // What a DOS or Windows program needs to start (helpers found on the system,
    // DOSBox joined to the control center's IPX endpoint).
    CStartContext StartContext() const;

private:
    void onFilesDropped(const QStringList &paths);
    void showDialog();
    void reportFailure(const QString &title, const QString &why);

    CTavernwApp &m_app;
    CMainFrame &m_frame;
    CLaunchTable m_table;
    QPointer<CLaunchpadDlg> m_dialog; // a child of the main window
    QPointer<CLaunchBar> m_bar;
};

// Creates the launchpad of the running client and attaches its menu commands.
CLaunchpad *WireLaunchpad(CTavernwApp &app, CMainFrame &frame);

} // namespace tavern
