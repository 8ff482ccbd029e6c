#include "chat/windows/mainframe.h"

#include "chat/core/chatdocs.h"
#include "chat/core/partnerring.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/channellistdlg.h"
#include "chat/windows/chatframe.h"
#include "chat/windows/colorsdlg.h"
#include "chat/windows/fkeysdlg.h"
#include "chat/windows/formcontrols.h"
#include "chat/windows/highlightdlg.h"
#include "chat/windows/inputline.h"
#include "chat/windows/promptservice.h"
#include "chat/windows/setupdlg.h"
#include "chat/windows/textfielddlg.h"
#include "chat/windows/windowplacement.h"
#include "chat/windows/windowtabs.h"
#include "common/profile.h"
#include "platform/launcher.h"
#include "platform/paths.h"
#include "platform/prompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace tavern {

namespace {

const QString kHomePage = QStringLiteral("http://www.hollowell.net/lanway98");

} // namespace

CMainFrame::CMainFrame(QWidget *parent)
    : QMainWindow(parent), m_mdi(new QMdiArea(this)), m_tabs(new CWindowTabBar(this)),
      m_channelList(new CChannelListDlg(this))
{
    setWindowTitle(QStringLiteral("Tavern97"));
    setAcceptDrops(true);
    // Window logs never land in whatever folder the program was started from.
    m_logFolder = ferry::dataFile(QStringLiteral("logs"));
    buildMenusAndBars();

    PlaceMainWindow(*this, PrivateProfile(placementFile()));

    // The tab bar sits at the top, above the window area.
    auto *centre = new QWidget(this);
    auto *layout = new QVBoxLayout(centre);
    layout->setContentsMargins(3, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tabs);
    layout->addWidget(m_mdi, 1);
    setCentralWidget(centre);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::onSubWindowActivated);
    connect(m_tabs, &CWindowTabBar::windowTabChosen, this, &CMainFrame::onTabChosen);
    connect(m_tabs, &CWindowTabBar::windowTabCloseRequested, this, &CMainFrame::onTabCloseRequested);
    m_channelList->runCommand = [this](const QString &command) { RunCommand(command); };
    m_channelList->hide();
    m_timer.setInterval(kTimerMs);
}

CMainFrame::~CMainFrame()
{
    m_timer.stop();
    // Frames hold pointers to documents; they go first, without their clean-up.
    if (m_app)
        m_app->SetQuitting(true);
    const auto windows = m_mdi->subWindowList();
    for (QMdiSubWindow *w : windows)
        delete w;
}

void CMainFrame::Attach(CTavernwApp *app)
{
    m_app = app;
    if (!m_partners) {
        m_partners = new CPartnerRing(this);
        m_partners->AttachToApp(*app);
    }
    if (!m_runner)
        m_runner = [this](const QString &text, const QString &target) {
            if (m_app)
                RunBasicCommand(*m_app, text, target);
        };
    connect(&m_timer, &QTimer::timeout, app, &CTavernwApp::OnTimerTick, Qt::UniqueConnection);
    m_timer.start();
}

void CMainFrame::RunCommand(const QString &text, const QString &target)
{
    if (m_runner)
        m_runner(text, target);
}

QAction *CMainFrame::addCommand(QMenu *menu, const QString &text, const std::function<void()> &run)
{
    QAction *a = menu->addAction(text);
    connect(a, &QAction::triggered, this, run);
    m_actions << a;
    return a;
}

QAction *CMainFrame::action(const QString &text) const
{
    // Commands of the menu bar not shown now do not count; toolbar-only ones do.
    for (QAction *a : m_actions) {
        if (a->text() != text)
            continue;
        bool shown = true;
        for (QObject *holder : a->associatedObjects())
            if (auto *menu = qobject_cast<QMenu *>(holder))
                shown = menu->menuAction()->isVisible();
        if (shown)
            return a;
    }
    return nullptr;
}

QList<QAction *> CMainFrame::checkableCommands() const
{
    QList<QAction *> checkable;
    for (QAction *a : m_actions)
        if (a->isCheckable() && a->isVisible() && action(a->text()) == a)
            checkable << a;
    return checkable;
}

void CMainFrame::buildMenusAndBars()
{
    buildNoWindowMenus();

    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    addCommand(file, QStringLiteral("E&xit"), [this] { close(); });

    QMenu *commands = menuBar()->addMenu(QStringLiteral("&Commands"));
    QAction *clear = addCommand(commands, QStringLiteral("&Clear Buffer"), [this] {
        if (CMessageView *v = activeMessageView())
            v->ClearBuffer();
    });
    QAction *log = addCommand(commands, QStringLiteral("&Log Window To Disk"), [this] { toggleLog(); });
    log->setCheckable(true);
    addCommand(commands, QStringLiteral("Clear the Active Window"), [this] {
        if (CMessageView *v = activeMessageView())
            v->ClearBuffer();
    });
    commands->addSeparator();
    addCommand(commands, QStringLiteral("List &Users"), [this] { RunCommand(QStringLiteral("/who")); });
    addCommand(commands, QStringLiteral("Show Chat Users"), [this] { RunCommand(QStringLiteral("/who")); });
    addCommand(commands, QStringLiteral("Show Server Users"), [this] { RunCommand(QStringLiteral("/users")); });
    QAction *info = addCommand(commands, QStringLiteral("&Server Info"), [this] { RunCommand(QStringLiteral("/users")); });
    QAction *list = addCommand(commands, QStringLiteral("&Show Channel List"), [this] { RunCommand(QStringLiteral("/list")); });
    QAction *stop = addCommand(commands, QStringLiteral("S&top Scrolling"), [this] { SetStopScrolling(!m_stopScrolling); });
    stop->setCheckable(true);
    stop->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction *away = addCommand(commands, QStringLiteral("Away..."), [this] { toggleAway(); });
    away->setCheckable(true);
    QAction *explore = addCommand(commands, QStringLiteral("Microsoft &Explorer"),
                                  [] { ferry::launcher::openUrl(QStringLiteral(".")); });
    QAction *spy = addCommand(commands, QStringLiteral("&Descent Game Spy"), [this] { toggleGameSpy(); });
    spy->setCheckable(true);
    spy->setVisible(false); // until the game spy is attached
    m_gameSpyAction = spy;

    QAction *setup = buildPreferencesMenu();

    QMenu *window = menuBar()->addMenu(QStringLiteral("&Window"));
    QAction *cascade = addCommand(window, QStringLiteral("&Cascade"), [this] { m_mdi->cascadeSubWindows(); });
    QAction *tile = addCommand(window, QStringLiteral("&Tile"), [this] { m_mdi->tileSubWindows(); });
    // Minimized windows line up again along the bottom when the area relays them out.
    addCommand(window, QStringLiteral("&Arrange Icons"), [this] {
        for (QMdiSubWindow *w : m_mdi->subWindowList())
            if (w->isMinimized())
                w->showMinimized();
    });

    // Both menu bars share the help menu.
    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    addCommand(help, QStringLiteral("&Help Topics"), [this] {
        if (m_commands.helpTopics)
            m_commands.helpTopics();
        else
            RunCommand(QStringLiteral("/help"));
    });
    addCommand(help, QStringLiteral("&Hollowell Networks Home page"), [] { ferry::launcher::openUrl(kHomePage); });
    QAction *about = addCommand(help, QStringLiteral("&About Tavern97..."), [this] { ShowAbout(); });

    QStyle *s = style();
    explore->setIcon(s->standardIcon(QStyle::SP_DirOpenIcon));
    clear->setIcon(s->standardIcon(QStyle::SP_DialogResetButton));
    log->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    info->setIcon(s->standardIcon(QStyle::SP_MessageBoxInformation));
    about->setIcon(s->standardIcon(QStyle::SP_DialogHelpButton));
    stop->setIcon(s->standardIcon(QStyle::SP_MediaPause));
    away->setIcon(s->standardIcon(QStyle::SP_MediaStop));
    cascade->setIcon(s->standardIcon(QStyle::SP_TitleBarNormalButton));
    tile->setIcon(s->standardIcon(QStyle::SP_FileDialogListView));
    list->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
    spy->setIcon(s->standardIcon(QStyle::SP_ComputerIcon));
    clear->setStatusTip(QStringLiteral("Clear Window Buffer"));
    clear->setToolTip(QStringLiteral("Clear Window"));

    QToolBar *bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setIconSize(QSize(16, 15));
    bar->addAction(explore);
    bar->addSeparator();
    bar->addActions({clear, log, info});
    bar->addSeparator();
    bar->addAction(about);
    bar->addSeparator();
    bar->addActions({setup, stop, away});
    bar->addSeparator();
    bar->addActions({cascade, tile});
    bar->addSeparator();
    bar->addAction(list);
    bar->addSeparator();
    bar->addAction(spy);
    buildStatusBar();

    connect(commands, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
    // Every other menu belongs to the bar shown while a window is open.
    for (QAction *menu : menuBar()->actions())
        if (menu != help->menuAction() && !m_noWindowMenus.contains(menu))
            m_windowMenus << menu;
    updateMenuVariant();
}

void CMainFrame::toggleGameSpy()
{
    m_gameSpyAction->setChecked(m_commands.toggleGameSpy && m_commands.toggleGameSpy());
}

void CMainFrame::SetGameSpyChecked(bool open)
{
    m_gameSpyAction->setChecked(open);
}

// The menus shown while no window is open: the setup, the launchpad and leaving.
void CMainFrame::buildNoWindowMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    // The same setup dialog as "&Config" of the other bar.
    addCommand(file, QStringLiteral("&Preferences"), [this] {
        for (QAction *a : std::as_const(m_actions)) {
            if (a->text() == QLatin1String("&Config")) {
                a->trigger();
                return;
            }
        }
    });
    file->addSeparator();
    addCommand(file, QStringLiteral("E&xit"), [this] { close(); });

    QMenu *launch = menuBar()->addMenu(QStringLiteral("&Launch"));
    addCommand(launch, QStringLiteral("&Configure Launchpad"), [this] {
        if (m_commands.configureLaunchpad)
            m_commands.configureLaunchpad();
    });
    launch->addSeparator();
    for (int slot = 0; slot < 20; ++slot) {
        const QString text = slot < 9 ? QStringLiteral("Game 0&%1").arg(slot + 1) : QStringLiteral("Game %1").arg(slot + 1);
        m_launchSlots << addCommand(launch, text, [this, slot] {
            if (m_commands.launchSlot)
                m_commands.launchSlot(slot);
        });
    }
    launch->setToolTipsVisible(true);
    m_launchMenu = launch->menuAction();
    m_noWindowMenus = {file->menuAction(), m_launchMenu};
}

void CMainFrame::buildStatusBar()
{
    statusBar()->showMessage(QStringLiteral("Ready"));
    for (QLabel *&label : m_lockLabels) {
        label = new QLabel(this);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        statusBar()->addPermanentWidget(label);
    }
    UpdateLockIndicators(ferry::currentKeyLocks());
    connect(&m_timer, &QTimer::timeout, this, [this] { UpdateLockIndicators(ferry::currentKeyLocks()); });
}

void CMainFrame::UpdateLockIndicators(const ferry::KeyLocks &locks)
{
    const bool on[3] = {locks.caps, locks.num, locks.scroll};
    const char *const names[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i)
        m_lockLabels[i]->setText(on[i] ? QString::fromLatin1(names[i]) : QString());
}

QString CMainFrame::lockIndicatorText(int which) const
{
    return which >= 0 && which < 3 ? m_lockLabels[which]->text() : QString();
}

// The no-window menus while the window area is empty, the chat menus otherwise.
void CMainFrame::SetCommands(MainFrameCommands commands)
{
    m_commands = std::move(commands);
    m_gameSpyAction->setVisible(bool(m_commands.toggleGameSpy));
    updateMenuVariant();
}

void CMainFrame::SetLaunchSlotTitles(const QStringList &titles)
{
    for (int slot = 0; slot < m_launchSlots.size(); ++slot) {
        const QString title = titles.value(slot);
        // An action without a tool tip of its own shows its menu text instead.
        m_launchSlots[slot]->setToolTip(title.isEmpty() ? m_launchSlots[slot]->iconText() : title);
        m_launchSlots[slot]->setStatusTip(title);
    }
}

void CMainFrame::updateMenuVariant()
{
    const bool anyWindow = !m_mdi->subWindowList().isEmpty();
    const bool launchpad = m_commands.configureLaunchpad && m_commands.launchSlot;
    for (QAction *menu : std::as_const(m_noWindowMenus))
        menu->setVisible(!anyWindow && (menu != m_launchMenu || launchpad));
    for (QAction *menu : std::as_const(m_windowMenus))
        menu->setVisible(anyWindow);
}

QStringList CMainFrame::shownMenus() const
{
    QStringList titles;
    for (QAction *menu : menuBar()->actions())
        if (menu->isVisible())
            titles << menu->text();
    return titles;
}

QAction *CMainFrame::buildPreferencesMenu()
{
    QMenu *prefs = menuBar()->addMenu(QStringLiteral("&Preferences"));
    const auto withApp = [this](const std::function<void(CTavernwApp &)> &run) {
        return [this, run] {
            if (m_app)
                run(*m_app);
        };
    };
    QAction *setup = addCommand(prefs, QStringLiteral("&Config"),
                                withApp([this](CTavernwApp &app) { CSetupDlg(app, this).run(); }));
    addCommand(prefs, QStringLiteral("C&olors"), withApp([this](CTavernwApp &app) { CColorsDlg(app, this).run(); }));
    addCommand(prefs, QStringLiteral("&Highlighting"),
               withApp([this](CTavernwApp &app) { CHighlightDlg(app, this).run(); }));
    addCommand(prefs, QStringLiteral("&Font"), withApp([](CTavernwApp &app) { app.OnFont(); }));
    addCommand(prefs, QStringLiteral("F&unction Keys"), withApp([this](CTavernwApp &app) { CFKeysDlg(app, this).run(); }));

    setup->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    setup->setToolTip(QStringLiteral("Preferences"));
    return setup;
}

void CMainFrame::toggleAway()
{
    if (m_app)
        m_app->ToggleAway([this] { return AskAwayMessage(this); });
    updateCommandStates();
}

// Logs go to the "logs" folder of the data folder; the Server window says where, so
// the user can find the file.
void CMainFrame::toggleLog()
{
    CMessageView *v = activeMessageView();
    if (!v)
        return;
    v->ToggleLog();
    if (m_app && m_app->ServerDoc()) {
        const QString text = v->IsLogging() ? QStringLiteral("** Logging this window to %1").arg(v->logPath())
                                            : QStringLiteral("** Stopped logging to %1").arg(v->logPath());
        m_app->ServerDoc()->AddLine(text, m_app->m_Settings.Status);
    }
    updateCommandStates();
}

void CMainFrame::updateCommandStates()
{
    CMessageView *v = activeMessageView();
    if (QAction *log = action(QStringLiteral("&Log Window To Disk")))
        log->setChecked(v && v->IsLogging());
    if (QAction *away = action(QStringLiteral("Away...")))
        away->setChecked(m_app && m_app->IsAway());
}

// ---- IChatFrontEnd

bool CMainFrame::CreateWindowFor(CChatDocBase *doc)
{
    if (!doc)
        return false;
    ChatFrameHost host;
    host.app = m_app;
    host.viewSettings = [this] { return ViewSettings(); };
    host.runCommand = [this](const QString &text, const QString &target) { RunCommand(text, target); };
    host.partners = m_partners;
    auto *frame = new CChatFrame(doc, host);
    // A window opened by someone else's line must not take the keyboard from the line
    // being typed: the window typed in stays active and keeps the focus.
    const bool quietly = doc->OpenedByPeer() && m_mdi->currentSubWindow();
    connect(frame, &QObject::destroyed, this, &CMainFrame::updateMenuVariant, Qt::QueuedConnection);
    AddWindowTab(doc->Name(), !quietly);
    if (quietly) {
        AddChildWindowQuietly(frame, [frame] { frame->RestorePlacement(); });
        return true;
    }
    m_mdi->addSubWindow(frame);
    updateMenuVariant();
    frame->RestorePlacement();
    m_mdi->setActiveSubWindow(frame);
    frame->inputLine()->setFocus(Qt::OtherFocusReason);
    return true;
}

void CMainFrame::CloseWindowFor(CChatDocBase *doc)
{
    for (QMdiSubWindow *w : m_mdi->subWindowList()) {
        auto *frame = qobject_cast<CChatFrame *>(w);
        if (!frame || frame->document() != doc)
            continue;
        RemoveWindowTab(frame->windowName());
        frame->releaseDocument();
        frame->close(); // returns at once when the frame itself is closing
        return;
    }
    RemoveWindowTab(doc->Name());
}

QString CMainFrame::SelectedTabName() const
{
    return GetSelectedTabText();
}

void CMainFrame::RepaintTabs()
{
    if (!m_app)
        return;
    m_tabs->RepaintActivity([this](const QString &name) { return m_app->HasUnseenLines(name); });
}

void CMainFrame::RepaintTab(const QString &name)
{
    if (m_app)
        m_tabs->RepaintTab(name, m_app->HasUnseenLines(name));
}

void CMainFrame::Beep()
{
    QApplication::beep();
}

void CMainFrame::ShowChannelList(const QStringList &entries)
{
    m_channelList->FillChannelList(entries);
    m_channelList->showNormal();
    m_channelList->raise();
}

void CMainFrame::ApplyFont()
{
    // Every window with a message view: chat windows and DCC chat windows alike, and
    // their input lines.
    const MessageViewSettings s = ViewSettings();
    for (QMdiSubWindow *w : m_mdi->subWindowList()) {
        for (CMessageView *view : w->findChildren<CMessageView *>())
            view->ApplyFont();
        for (CInputLine *line : w->findChildren<CInputLine *>())
            line->ApplyFont(s.fontName, s.fontSize);
    }
}

void CMainFrame::EndSplash()
{
    emit splashEnded();
    showNormal();
    raise();
    activateWindow();
}

void CMainFrame::AskUser(const CChatPrompt &prompt, std::function<void(const CPromptAnswer &)> answered)
{
    // The box runs its own event loop: server lines keep being read and answered meanwhile.
    const CPromptAnswer answer = AskWithPromptService(prompt, isVisible() ? this : nullptr);
    if (answered)
        answered(answer);
}

std::optional<std::pair<QString, int>> CMainFrame::ChooseFont(const QString &face, int pointSize)
{
    return ChooseFontWithPromptService(face, pointSize, this);
}

bool CMainFrame::OpenUrl(const QString &url)
{
    return ferry::launcher::openUrl(url);
}

// ---- tabs and activation

// Only the tabs whose colour can change are redrawn, so that each costs the same
// however many windows are open.
void CMainFrame::AddWindowTab(const QString &name, bool select)
{
    m_tabs->AddWindowTab(name, select);
    RepaintTab(name);
}

void CMainFrame::RemoveWindowTab(const QString &name)
{
    m_tabs->RemoveWindowTab(name);
}

void CMainFrame::SelectWindowTab(const QString &name)
{
    m_tabs->SelectWindowTab(name);
    if (m_app)
        m_app->MarkSeen(name);
    RepaintTab(name);
}

QString CMainFrame::GetSelectedTabText() const
{
    return m_tabs->GetSelectedTabText();
}

CChatFrame *CMainFrame::frameFor(const QString &name) const
{
    for (QMdiSubWindow *w : m_mdi->subWindowList())
        if (auto *frame = qobject_cast<CChatFrame *>(w))
            if (frame->windowName().compare(name, Qt::CaseInsensitive) == 0)
                return frame;
    return nullptr;
}

void CMainFrame::AddChildWindow(QMdiSubWindow *window)
{
    m_mdi->addSubWindow(window);
    window->show();
    m_mdi->setActiveSubWindow(window);
}

void CMainFrame::AddChildWindowQuietly(QMdiSubWindow *window, const std::function<void()> &show)
{
    QMdiSubWindow *previous = m_mdi->currentSubWindow();
    const bool wasMaximized = previous && previous->isMaximized();
    QPointer<QWidget> focus = QApplication::focusWidget();
    // The window area activates what it shows, and restores a maximized window that
    // loses the activation; both are undone at once, unseen by the tabs.
    m_openingQuietly = true;
    m_mdi->addSubWindow(window);
    show();
    if (previous) {
        m_mdi->setActiveSubWindow(previous);
        if (wasMaximized && !previous->isMaximized())
            previous->showMaximized();
    }
    m_openingQuietly = false;
    updateMenuVariant();
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
    if (previous)
        onSubWindowActivated(previous);
}

QMdiSubWindow *CMainFrame::formWindow(const QString &title) const
{
    for (QMdiSubWindow *w : m_mdi->subWindowList())
        if (w->windowTitle().compare(title, Qt::CaseInsensitive) == 0 && w->widget() && IsForm(w->widget()))
            return w;
    return nullptr;
}

// The window area's current window is the active one even while the program as a
// whole is not (another program has the keyboard): menu commands and automation
// still act on it then.
CChatFrame *CMainFrame::activeChatFrame() const
{
    return qobject_cast<CChatFrame *>(m_mdi->currentSubWindow());
}

CMessageView *CMainFrame::activeMessageView() const
{
    if (CChatFrame *frame = activeChatFrame())
        return frame->view();
    QMdiSubWindow *w = m_mdi->currentSubWindow();
    return w ? w->findChild<CMessageView *>() : nullptr;
}

void CMainFrame::onSubWindowActivated(QMdiSubWindow *window)
{
    if (m_openingQuietly)
        return; // the window typed in is made active again at once
    updateMenuVariant();
    if (auto *frame = qobject_cast<CChatFrame *>(window))
        SelectWindowTab(frame->windowName());
    else if (window && m_tabs->findWindowTab(window->windowTitle()) >= 0)
        SelectWindowTab(window->windowTitle()); // DCC chat and finger windows: the tab is the title
    updateCommandStates();
    focusActiveInput();
}

void CMainFrame::focusActiveInput()
{
    QMdiSubWindow *active = m_mdi->currentSubWindow();
    if (!active || !active->widget())
        return;
    QWidget *focus = QApplication::focusWidget();
    if (focus && (active->isAncestorOf(focus) || focus->window() != this))
        return;
    // The frames name their input line as their focus proxy.
    if (QWidget *input = active->focusProxy())
        input->setFocus(Qt::ActiveWindowFocusReason);
    else
        active->widget()->setFocus(Qt::ActiveWindowFocusReason);
}

void CMainFrame::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Right after start-up (and whenever the window comes back) typed keys go to the
    // active window's input line rather than nowhere.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        focusActiveInput();
}

void CMainFrame::onTabCloseRequested(const QString &name)
{
    if (!m_app)
        return;
    CChatDocBase *doc = m_app->FindWindow(name);
    for (QMdiSubWindow *w : m_mdi->subWindowList()) {
        auto *frame = qobject_cast<CChatFrame *>(w);
        const bool match = frame ? doc && frame->document() == doc
                                 : w->windowTitle().compare(name, Qt::CaseInsensitive) == 0;
        if (match) {
            w->close(); // the Server window refuses, as its close box does
            return;
        }
    }
}

void CMainFrame::onTabChosen(const QString &name)
{
    if (!m_app)
        return;
    CChatDocBase *doc = m_app->FindWindow(name);
    if (!doc)
        return;
    for (QMdiSubWindow *w : m_mdi->subWindowList()) {
        auto *frame = qobject_cast<CChatFrame *>(w);
        const bool match = frame ? frame->document() == doc : w->windowTitle().compare(name, Qt::CaseInsensitive) == 0;
        if (match) {
            m_mdi->setActiveSubWindow(w);
            break;
        }
    }
    m_app->MarkSeen(name);
    RepaintTabs();
}

// ---- settings, commands

MessageViewSettings CMainFrame::ViewSettings() const
{
    MessageViewSettings s;
    if (m_app) {
        const CChatSettings &c = m_app->m_Settings;
        s.background = c.Background;
        s.url = c.URL;
        s.fontName = c.FontName;
        s.fontSize = c.FontSize;
        s.profanityFilter = c.ProfanityFilter.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
        s.autoLog = c.AutoLog;
    }
    s.logFolder = m_logFolder;
    s.stopScrolling = m_stopScrolling;
    return s;
}

void CMainFrame::SetStopScrolling(bool on)
{
    m_stopScrolling = on;
    if (QAction *a = action(QStringLiteral("S&top Scrolling")))
        a->setChecked(on);
}

void CMainFrame::ShowAbout()
{
    QDialog box(this);
    box.setWindowTitle(QStringLiteral("About Tavern97"));
    auto *layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel(CTavernwApp::VersionText(), &box));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    ferry::prompts::execDialog(&box, box.windowTitle());
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    m_timer.stop();
    if (m_app)
        m_app->SetQuitting(true);
    m_mdi->closeAllSubWindows(); // each chat window stores its placement
    if (!isMinimized() && !isMaximized()) {
        PrivateProfile ini(placementFile());
        WriteMainWindowPlacement(ini, *this);
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent *event)
{
    // Files belong on a chat window; dropped elsewhere they only beep.
    event->acceptProposedAction();
    Beep();
}

} // namespace tavern
