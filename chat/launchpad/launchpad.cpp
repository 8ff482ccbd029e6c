#include "chat/launchpad/launchpad.h"

#include "chat/core/tavernwapp.h"
#include "chat/launchpad/launchbar.h"
#include "chat/launchpad/launchpaddlg.h"
#include "chat/windows/mainframe.h"
#include "common/homewardnote.h"
#include "platform/ipxtransport.h"
#include "platform/launcher.h"
#include "platform/paths.h"
#include "protocol/bytes.h"
#include "protocol/ports.h"
#include "platform/processes.h"
#include "platform/prompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

namespace tavern {

namespace {

// DOSBox keeps IPX off unless told; this file, given after the user's own
// configuration, turns it on for games started here.
QString dosboxIpxConfig()
{
    const QString path = ferry::dataFile(QStringLiteral("dosbox-ipx.conf"));
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.write("[ipx]\nipx=true\n");
    return QFile::exists(path) ? path : QString();
}

} // namespace

const QString CLaunchpad::kConfigureQuestion = QStringLiteral("Would you like to configure the game launchpad?");

CLaunchpad::CLaunchpad(CTavernwApp &app, CMainFrame &frame, QObject *parent)
    : QObject(parent), m_app(app), m_frame(frame)
{
}

CLaunchpad::~CLaunchpad()
{
    delete m_bar;
    delete m_dialog;
}

CLaunchpadDlg *CLaunchpad::Dialog() const
{
    return m_dialog;
}

CLaunchBar *CLaunchpad::LaunchBar() const
{
    return m_bar;
}

void CLaunchpad::Start()
{
    m_dialog = new CLaunchpadDlg(m_table, m_app.m_strProgramDir, &m_frame);
    m_dialog->LoadKnownGames();
    const bool configuredBefore = LoadLaunchpad(m_table);
    if (!configuredBefore && ferry::prompts::askYesNo(&m_frame, QString(), kConfigureQuestion)) {
        m_dialog->SetSearchOnOpen(true);
        showDialog();
        m_dialog->SetSearchOnOpen(false);
    }
}

void CLaunchpad::showDialog()
{
    if (m_dialog->Run())
        SaveLaunchpad(m_table);
    else
        LoadLaunchpad(m_table); // every change since the dialog opened is dropped
}

void CLaunchpad::ConfigureLaunchpad()
{
    if (!m_dialog)
        return;
    showDialog();
    RebuildLaunchBar();
}

void CLaunchpad::RebuildLaunchBar()
{
    // The new bar takes the old one's place (the user may have docked it elsewhere).
    Qt::ToolBarArea area = Qt::BottomToolBarArea;
    if (m_bar) {
        area = m_frame.toolBarArea(m_bar);
        if (area == Qt::NoToolBarArea)
            area = Qt::BottomToolBarArea;
        m_frame.removeToolBar(m_bar);
        m_bar->deleteLater();
    }
    m_bar = new CLaunchBar(m_table, &m_frame);
    connect(m_bar, &CLaunchBar::configureRequested, this, &CLaunchpad::ConfigureLaunchpad);
    connect(m_bar, &CLaunchBar::launchRequested, this, &CLaunchpad::LaunchSlot);
    // The paths are handled once the drop is over: handling them replaces the bar.
    connect(m_bar, &CLaunchBar::filesDropped, this, &CLaunchpad::onFilesDropped, Qt::QueuedConnection);
    m_frame.addToolBar(area, m_bar);
    m_bar->show();

    QStringList titles;
    for (const CLaunchSlot &slot : m_table.Slots)
        titles << slot.ProgramName;
    m_frame.SetLaunchSlotTitles(titles);
}

void CLaunchpad::onFilesDropped(const QStringList &paths)
{
    for (const QString &path : paths) {
        AddDroppedProgram(path);
        RebuildLaunchBar();
    }
}

void CLaunchpad::AddDroppedProgram(const QString &path)
{
    if (!m_dialog)
        return;
    const int slot = m_table.FirstEmptySlot();
    if (slot < 0) {
        ferry::prompts::message(&m_frame, QStringLiteral("Error"), CLaunchpadDlg::kLaunchpadFullText);
        return;
    }
    if (m_table.FindTitle(path) >= 0) {
        ferry::prompts::message(&m_frame, QStringLiteral("Error"), CLaunchpadDlg::kDuplicateTitleText);
        return;
    }
    CLaunchSlot &s = m_table.Slots[slot];
    s.Clear();
    s.ProgramName = path;
    SplitPath(path, s.FilePath, s.FileName);
    s.FileIcon = path;
    m_dialog->SetPreselect(path);
    showDialog();
}

CStartContext CLaunchpad::StartContext() const
{
    CStartContext context;
    context.findProgram = [](const QString &name) { return ferry::launcher::findProgram(name); };
    context.dosboxIpxConfig = dosboxIpxConfig();
    // DOSBox connects to the control center's local IPX endpoint for this player.
    const std::uint32_t own = ferry::bytes::getBe32(m_app.Identity().address.data());
    context.ipxHost = ferry::IpxTransport::endpointAddress(own).toString();
    context.ipxPort = ferry::port(ferry::kIpxEndpointPort);
    return context;
}

void CLaunchpad::reportFailure(const QString &title, const QString &why)
{
    m_app.PrintLine(QStringLiteral("Unable to launch %1: %2").arg(title, why), m_app.m_Settings.Status);
}

void CLaunchpad::LaunchSlot(int slotIndex)
{
    if (slotIndex < 0 || slotIndex >= kSlotCount)
        return;
    const CLaunchSlot slot = m_table.Slots[slotIndex];
    if (slot.IsEmpty())
        return;
    const QString question =
        QStringLiteral("%1 %2 %3").arg(QStringLiteral("Do you want to launch"), slot.ProgramName, QStringLiteral("?"));
    if (m_table.ConfirmLaunch && !ferry::prompts::askYesNo(&m_frame, QStringLiteral("Launchpad"), question))
        return;

    const bool closeChat = m_table.CloseChat != 0;
    qint64 homeward = 0;
    if (closeChat && !ferry::launcher::startProgram(QStringLiteral("homeward"), {}, QString(), &homeward))
        homeward = 0;

    qint64 game = 0;
    const QString failure = StartPlanned(PlanStart(slot, StartContext()), &game);
    if (homeward != 0) {
        ferry::homeward::Note note;
        note.game = failure.isEmpty() ? game : 0;
        note.gameStart = note.game != 0 ? ferry::processes::startTime(note.game) : 0;
        note.chat = QCoreApplication::applicationPid();
        ferry::homeward::writeNote(homeward, note);
    }
    if (!failure.isEmpty()) {
        // The chat stays: quitting for a game that never started would leave the player with nothing.
        reportFailure(slot.ProgramName, failure);
        return;
    }
    if (closeChat)
        QTimer::singleShot(0, &m_frame, &QWidget::close);
}

CLaunchpad *WireLaunchpad(CTavernwApp &app, CMainFrame &frame)
{
    auto *launchpad = new CLaunchpad(app, frame, &app);
    MainFrameCommands commands = frame.Commands();
    commands.configureLaunchpad = [launchpad] { launchpad->ConfigureLaunchpad(); };
    commands.launchSlot = [launchpad](int slot) { launchpad->LaunchSlot(slot); };
    frame.SetCommands(commands);
    return launchpad;
}

} // namespace tavern
