#include "chat/app/tavernwprogram.h"

#include "chat/app/plainmainframe.h"
#include "chat/core/chatidentity.h"
#include "chat/core/programdir.h"
#include "chat/core/tavernwapp.h"
#include "chat/gamelink/gamelink.h"
#include "common/sessionpeers.h"
#include "common/splashwindow.h"
#include "platform/paths.h"
#include "platform/prompts.h"

#include <QCoreApplication>

const QString CTavernwProgram::kNoControlCenterText =
    QStringLiteral("Lanway98 Control Center must be active to use chat.");
const QString CTavernwProgram::kCannotMapText = QStringLiteral("Unable to Map memory");

CTavernwProgram::CTavernwProgram(const QString &commandLine, QObject *parent)
    : QObject(parent), m_commandLine(commandLine)
{
}

CTavernwProgram::~CTavernwProgram()
{
    // The documents go before the windows that show them.
    m_app.reset();
    m_frame.reset();
}

bool CTavernwProgram::openSessionBlock()
{
    switch (m_memory.open(ferry::sharedBlockName(), ferry::sharedblock::Size)) {
    case ferry::SharedMemory::Result::Ok:
        m_block = std::make_unique<ferry::SharedBlock>(m_memory.data());
        return true;
    case ferry::SharedMemory::Result::CannotMap:
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
    std::unique_ptr<CSplashThread> splash = CSplashThread::showChatSplash(programDir);

    m_frame = std::make_unique<CPlainMainFrame>();
    m_app = std::make_unique<CTavernwApp>(m_frame.get());
    m_app->m_strProgramDir = programDir;
    m_app->LoadSettings();

    if (!openSessionBlock())
        return StartResult::Failed;
    if (ferry::sessionpeers::runningChatClient(*m_block) != 0) {
        ferry::sessionpeers::bringChatClientToFront(*m_block);
        return StartResult::HandedOver;
    }

    m_frame->Attach(m_app.get());
    m_frame->SetSplash(std::move(splash));
    connect(m_frame.get(), &CPlainMainFrame::closing, this, &CTavernwProgram::finished);
    m_app->OpenServerWindow();

    // Requests reach this copy by its process id, so it listens before it registers.
    m_requests = std::make_unique<ferry::requests::Receiver>();
    m_signals = std::make_unique<ferry::UnixSignalWatcher>();
    CPlainMainFrame *frame = m_frame.get();
    connect(m_requests.get(), &ferry::requests::Receiver::closeRequested, frame, &QWidget::close);
    connect(m_requests.get(), &ferry::requests::Receiver::bringToFrontRequested, frame, &CPlainMainFrame::BringToFront);
    connect(m_signals.get(), &ferry::UnixSignalWatcher::terminationRequested, frame, &QWidget::close);
    m_requests->listen();
    m_block->setChatWindow(qint32(QCoreApplication::applicationPid()));

    m_frame->show();
    m_app->SetIdentity(CChatIdentity::FromSharedBlock(*m_block));
    // Start-up succeeds whatever the connect step returns; without the local socket the
    // game-service link sends nothing.
    m_app->ConnectToServer();
    CGameLink::AttachToApp(*m_app);
    return StartResult::Running;
}

void CTavernwProgram::Shutdown()
{
    if (m_shutDown || !m_app)
        return;
    m_shutDown = true;
    m_app->ExitInstance();
}
