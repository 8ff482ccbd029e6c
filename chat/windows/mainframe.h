#pragma once

// The chat client's top-level window: menus, toolbar, status bar, the window tab
// bar and the window area holding the chat windows; it owns the "Channel List"
// dialog and the 300 ms timer that drives the application's OnTimerTick.
//
// Start-up order (the application object needs the front end, the frame needs the
// application):
//     CMainFrame frame;                 // bars, placement from "ParentWnd"
//     CTavernwApp app(&frame);
//     app.m_Settings = ...;             // settings, identity
//     frame.Attach(&app);               // wires views and starts the timer
//     app.OpenServerWindow();           // the Server window and its tab
//     frame.show();  app.ConnectToServer();
// Closing the frame stops the timer, sets the application's quitting flag, closes
// the chat windows (each stores its placement) and stores the frame's own placement.

#include "chat/core/chatfrontend.h"
#include "chat/windows/commandrunner.h"
#include "chat/core/viewsettings.h"
#include "platform/keylocks.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include "chat/core/tavernwapp.h"

class CPartnerRing;
class CTavernwApp;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace tavern {

class CChannelListDlg;
class CChatFrame;
class CMessageView;
class CWindowTabBar;

// Menu commands carried out by parts that live outside the main frame (launchpad,
// game spy, help). A command whose hook is empty does nothing.
struct MainFrameCommands {
    std::function<void()> configureLaunchpad;
    std::function<void(int slot)> launchSlot; // "Game 0&1".."Game 20": slot 0..19
    // "&Descent Game Spy": opens or closes the spy window; returns whether it is open now.
    std::function<bool()> toggleGameSpy;
    std::function<void()> helpTopics;
};

class CMainFrame : public QMainWindow, public IChatFrontEnd {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 300;

    explicit CMainFrame(QWidget *parent = nullptr);
    ~CMainFrame() override;

    void Attach(CTavernwApp *app);
    CTavernwApp *app() const { return m_app; }

    // Hooks of the menu commands other parts carry out.
    // Items whose feature has no hook are hidden rather than shown doing nothing.
    void SetCommands(MainFrameCommands commands);
    const MainFrameCommands &Commands() const { return m_commands; }
    // The titles of the launchpad's slots (index 0..19), shown as the tool tips of
    // "Game 0&1".."Game 20"; an empty title shows none.
    void SetLaunchSlotTitles(const QStringList &titles);
    // The check mark of "&Descent Game Spy", for a spy window closed from elsewhere.
    void SetGameSpyChecked(bool open);

    // The command interpreter's entry: text and target window name ("" for none).
    void SetCommandRunner(CommandRunner runner) { m_runner = std::move(runner); }
    void RunCommand(const QString &text, const QString &target = QString());

    // IChatFrontEnd
    bool CreateWindowFor(CChatDocBase *doc) override;
    void CloseWindowFor(CChatDocBase *doc) override;
    QString SelectedTabName() const override;
    void RepaintTabs() override;
    void RepaintTab(const QString &name) override;
    void Beep() override;
    void ShowChannelList(const QStringList &entries) override;
    void ApplyFont() override;
    void EndSplash() override;
    void AskUser(const CChatPrompt &prompt, std::function<void(const CPromptAnswer &)> answered) override;
    std::optional<std::pair<QString, int>> ChooseFont(const QString &face, int pointSize) override;
    bool OpenUrl(const QString &url) override;

    // Window tab bar. A tab added without selecting it is for a window that opened
    // without taking the activation.
    void AddWindowTab(const QString &name, bool select = true);
    void RemoveWindowTab(const QString &name);
    void SelectWindowTab(const QString &name);
    QString GetSelectedTabText() const;

    CChatFrame *frameFor(const QString &name) const;
    // The open window of that title (case ignored) that is a form, such as the game spy.
    QMdiSubWindow *formWindow(const QString &title) const;
    CChatFrame *activeChatFrame() const;
    // The recent private-message partners, walked by Tab in every input line.
    CPartnerRing *partners() const { return m_partners; }
    // The message view of the active window (a chat, DCC chat or finger window), for
    // "&Clear Buffer" and "&Log Window To Disk"; null without one.
    CMessageView *activeMessageView() const;
    QMdiArea *windowArea() const { return m_mdi; }
    // Puts a window of another part (finger, game spy) into the window area, shows
    // it and makes it the active one.
    void AddChildWindow(QMdiSubWindow *window);
    // Puts a window into the window area and shows it (by `show`, which places it)
    // while the active window stays active, maximized if it was, and keeps the
    // keyboard focus: for windows that others open (a private message, a transfer).
    void AddChildWindowQuietly(QMdiSubWindow *window, const std::function<void()> &show);
    CWindowTabBar *tabBar() const { return m_tabs; }
    CChannelListDlg *channelListDialog() const { return m_channelList; }
    // The first menu command with this text in the menu bar now shown.
    QAction *action(const QString &text) const;
    // The menus of the bar now shown, by title: the no-window variant ("&File",
    // "&Launch", "&Help") while the window area is empty, the chat variant
    // ("&File", "&Commands", "&Preferences", "&Window", "&Help") while a window is open.
    QStringList shownMenus() const;
    // The commands with a check mark that are offered now, in menu order.
    QList<QAction *> checkableCommands() const;

    // Caps Lock, Num Lock and Scroll Lock in the status bar ("CAP", "NUM", "SCRL"
    // when on); the timer refreshes them from the keyboard.
    void UpdateLockIndicators(const ferry::KeyLocks &locks);
    QString lockIndicatorText(int which) const;
    const QTimer &tickTimer() const { return m_timer; }

    // The settings every message view reads.
    MessageViewSettings ViewSettings() const;
    bool StopScrolling() const { return m_stopScrolling; }
    void SetStopScrolling(bool on);

    void ShowAbout();

signals:
    // The splash time is over (the start-up closes its splash window).
    void splashEnded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildMenusAndBars();
    void buildNoWindowMenus();
    void buildStatusBar();
    void updateMenuVariant();
    void toggleGameSpy();
    // The "&Preferences" menu; returns its "&Config" item, which the toolbar shows too.
    QAction *buildPreferencesMenu();
    void toggleAway();
    QAction *addCommand(QMenu *menu, const QString &text, const std::function<void()> &run);
    void onSubWindowActivated(QMdiSubWindow *window);
    void onTabChosen(const QString &name);
    void onTabCloseRequested(const QString &name);
    // Gives the active window's input line the keyboard focus unless the focus is
    // already inside that window.
    void focusActiveInput();
    void toggleLog();
    void updateCommandStates();

    QPointer<CTavernwApp> m_app;
    CPartnerRing *m_partners = nullptr;
    // A window is opening without taking the activation from the one typed in.
    bool m_openingQuietly = false;
    QString m_logFolder;
    CommandRunner m_runner;
    QMdiArea *m_mdi;
    CWindowTabBar *m_tabs;
    CChannelListDlg *m_channelList;
    QTimer m_timer;
    bool m_stopScrolling = false;
    MainFrameCommands m_commands;
    QList<QAction *> m_actions;
    QList<QAction *> m_noWindowMenus; // menu titles of the variant shown without windows
    QAction *m_launchMenu = nullptr;  // hidden while no launchpad is attached
    QList<QAction *> m_launchSlots;   // "Game 0&1".."Game 20"
    QAction *m_gameSpyAction = nullptr;  // hidden while no game spy is attached
    QList<QAction *> m_windowMenus;   // and of the one shown with a window open
    QLabel *m_lockLabels[3] = {};
};

} // namespace tavern
