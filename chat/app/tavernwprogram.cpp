#include "chat/app/tavernwprogram.h"

#include "chat/app/clientwiring.h"
#include "chat/core/chatidentity.h"
#include "chat/core/fileoffers.h"
#include "chat/core/programdir.h"
#include "chat/core/tavernwapp.h"
#include "chat/gamelink/gamelink.h"
#include "chat/launchpad/launchpad.h"
#include "chat/spy/gamespy.h"
#include "chat/windows/mainframe.h"
#include "chat/windows/windowdump.h"
#include "common/sessionpeers.h"
#include "common/splashwindow.h"
#include "platform/helpmanual.h"
#include "platform/paths.h"
#include "platform/prompts.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

const QString CTavernwProgram::kNoControlCenterText =
    QStringLiteral("Lanway98 Control Center must be active to use chat.");
const QString CTavernwProgram::kCannotMapText = QStringLiteral("Unable to Map memory");

CTavernwProgram::CTavernwProgram(const QString &commandLine, QObject *parent)
    : QObject(parent), m_commandLine(commandLine)
{
}

CTavernwProgram::~CTavernwProgram()
{
    // The chat windows hold their documents: the frame goes first.
    m_frame.reset();
    m_app.reset();
}

// The main window closing (by the user, a request or a signal) ends the program; the
// check waits until the close event has been handled, since a close can be refused.
bool CTavernwProgram::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_frame.get() && event->type() == QEvent::Close) {
        QMetaObject::invokeMethod(this, [this] {
            if (m_frame && !m_frame->isVisible()) {
                m_closed = true;
                emit finished();
            }
        }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void CTavernwProgram::bringToFront()
{
    m_frame->showNormal();
    m_frame->raise();
    m_frame->activateWindow();
}

bool CTavernwProgram::openSessionBlock()
{
    switch (m_memory.open(ferry::sharedBlockName(), ferry::sharedblock::Size)) {
    case ferry::SharedMemory::Result::Ok:
        m_block = std::make_unique<ferry::SharedBlock>(m_memory.data());
        return true;
    case ferry::SharedMemory::Result::CannotMap:
    case ferry::SharedMemory::Result::Foreign:  // a block of another user's making is never used
        ferry::prompts::warning(nullptr, QStringLiteral("Error"), kCannotMapText);
        return false;
    default:
        ferry::prompts::warning(nullptr, QStringLiteral("Error"), kNoControlCenterText);
        return false;
    }
}

CTavernwProgram::StartResult CTavernwProgram::Start()
{
    // The folder comes first: the splash picture lives there. Started by bare name
    // (from PATH), the command line names no folder; the executable's own folder
    // is the program folder then, not whatever folder the caller was in.
    QString programDir = tavern::ProgramDirFromCommandLine(m_commandLine);
    if (programDir.isEmpty())
        programDir = QCoreApplication::applicationDirPath() + u'/';

    // A missing picture only means no splash.
    m_splash = CSplashThread::showChatSplash(programDir);

    m_frame = std::make_unique<tavern::CMainFrame>();
    m_frame->setWindowTitle(QStringLiteral("The Hearthside 97"));
    m_app = std::make_unique<CTavernwApp>(m_frame.get());
    m_app->m_strProgramDir = programDir;
    m_app->LoadSettings();

    if (!openSessionBlock()) {
        m_splash.reset();
        return StartResult::Failed;
    }
    if (ferry::sessionpeers::runningChatClient(*m_block) != 0) {
        m_splash.reset();
        ferry::sessionpeers::bringChatClientToFront(*m_block);
        return StartResult::HandedOver;
    }

    m_frame->Attach(m_app.get());
    connect(m_frame.get(), &tavern::CMainFrame::splashEnded, this, [this] {
        if (m_splash)
            m_splash->requestClose();
        m_splash.reset();
    });
    m_frame->installEventFilter(this);
    m_app->OpenServerWindow();

    // Requests reach this copy by its process id, so it listens before it registers.
    m_requests = std::make_unique<ferry::requests::Receiver>();
    m_signals = std::make_unique<ferry::UnixSignalWatcher>();
    QWidget *frame = m_frame.get();
    connect(m_requests.get(), &ferry::requests::Receiver::closeRequested, frame, &QWidget::close);
    connect(m_requests.get(), &ferry::requests::Receiver::bringToFrontRequested, this, &CTavernwProgram::bringToFront);
    connect(m_signals.get(), &ferry::UnixSignalWatcher::terminationRequested, frame, &QWidget::close);
    // Tests and automation read the windows of the running program from a dump file.
    const QString dumpPath = qEnvironmentVariable("FERRY_WINDOW_DUMP");
    if (!dumpPath.isEmpty())
        connect(m_requests.get(), &ferry::requests::Receiver::dumpWindowsRequested, this,
                [this, dumpPath] { tavern::WriteWindowDump(*m_frame, dumpPath); });
    m_requests->listen();
    m_block->setChatWindow(qint32(QCoreApplication::applicationPid()));

    // The launchpad loads its games; on a first run it asks whether to configure them.
    m_launchpad = tavern::WireLaunchpad(*m_app, *m_frame);
    m_launchpad->Start();
    // A close while the first-run question was open ends the program here, before
    // any window shows or any connection starts.
    if (m_closed)
        return StartResult::Closed;

    m_frame->show();
    m_launchpad->RebuildLaunchBar();
    m_app->SetIdentity(CChatIdentity::FromSharedBlock(*m_block));
    // Start-up succeeds whatever the connect step returns; without the local socket the
    // game-service link sends nothing.
    m_app->ConnectToServer();
    CGameLink::AttachToApp(*m_app);
    wireCommands();
    return StartResult::Running;
}

// Typed lines and menu commands go through the command interpreter; the file offers
// answer its offer words, the direct connections "/dcc" and the file requests, the
// finger windows "/finger".
void CTavernwProgram::wireCommands()
{
    CTavernwApp *app = m_app.get();
    m_frame->SetCommandRunner([app](const QString &text, const QString &target) { app->ProcessInput(text, target); });
    auto *offers = new CFileOffers(app, app);
    app->m_CommandHooks.offerCommand = [offers](const QString &word, const QString &arguments, const QString &) {
        if (word.compare(QLatin1String("offer"), Qt::CaseInsensitive) == 0)
            offers->Offer(arguments);
        else if (word.compare(QLatin1String("deoffer"), Qt::CaseInsensitive) == 0)
            offers->Deoffer(arguments);
        else if (word.compare(QLatin1String("showoffers"), Qt::CaseInsensitive) == 0)
            offers->ShowOffers();
        else
            return false;
        return true;
    };
    // Help works offline: the shipped manual when the network's cannot be reached.
    app->m_CommandHooks.help = [app] {
        QPointer<CTavernwApp> alive(app);
        ferry::help::openManual(QString::fromLatin1(kManualUrl), [alive](const QString &opened) {
            if (alive && opened.isEmpty())
                alive->PrintLine(QStringLiteral("** Unable to open the manual at %1").arg(QLatin1String(kManualUrl)),
                                 alive->m_Settings.Status);
        });
    };
    m_dcc = WireDirectConnections(*app, *m_frame, offers);
    WireFinger(*app, *m_frame);
    tavern::WireGameSpy(*app, *m_frame);
    WireTypedLines(*app, *m_frame, this);
}

void CTavernwProgram::Shutdown()
{
    if (m_shutDown || !m_app)
        return;
    m_shutDown = true;
    m_app->ExitInstance();
}
