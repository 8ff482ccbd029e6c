#include "controlcenter/maindialog.h"

#include "common/programicon.h"
#include "common/sessionpeers.h"
#include "controlcenter/messages.h"
#include "controlcenter/servertree.h"
#include "controlcenter/settingsdialog.h"
#include "controlcenter/treeimages.h"
#include "platform/helpmanual.h"
#include "platform/launcher.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "platform/prompts.h"
#include "platform/tunneldriver.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ferry {

namespace {

QLabel *addField(QFormLayout *form, const QString &caption)
{
    auto *field = new QLabel;
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setTextFormat(Qt::PlainText);
    form->addRow(caption, field);
    return field;
}

QPushButton *addButton(QVBoxLayout *column, const QString &text, const QString &statusTip)
{
    auto *button = new QPushButton(text);
    button->setAutoDefault(false);
    button->setStatusTip(statusTip);
    column->addWidget(button);
    return button;
}

// Waits (without running events) until the process no longer runs the chat client.
bool waitForChatClientToEnd(qint64 pid, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (processes::isRunningProgram(pid, QLatin1String(sharedblock::ChatProgramName))) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

} // namespace

MainDialog::MainDialog(ControlCenterSettings &settings, TunnelDriver &driver, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_driver(driver)
{
    setWindowTitle(QLatin1String(Title));
    setWindowIcon(programIcon(QStringLiteral("ferrycc")));
    buildControls();
    m_serverTree = new ServerTree(m_tree, m_treeImages, m_settings, [this] {
        m_driver.control(DriverCode::Query, m_driverRecord);
        return m_driverRecord.stateWord == std::uint32_t(DriverTunnelState::TunnelToServer);
    }, this);
    connect(m_serverTree, &ServerTree::connectRequested, this, &MainDialog::onConnectClicked);
    connect(m_tree, &QTreeWidget::itemActivated, this, &MainDialog::onRowActivated);
    connect(m_serverTree, &ServerTree::ownAddressChanged, this, [this] {
        refreshFields();
        refreshSharedBlock();
    });
    createConnectionMachine();
    resize(380, 480);
    setConnectionText(tr("Not Connected"));
    setConnectionState(settings.connectionState);
    refreshFields();
}

MainDialog::~MainDialog()
{
    if (!m_ended && m_memory.isMapped())
        end();
}

void MainDialog::buildControls()
{
    auto *menuBar = new QMenuBar(this);
    QMenu *menu = menuBar->addMenu(tr("&Lanway98"));
    m_runChat = menu->addAction(tr("Run &Chat"));
    m_runChat->setStatusTip(tr("Starts the chat client"));
    connect(m_runChat, &QAction::triggered, this, &MainDialog::startChatClient);

    m_tree = new QTreeWidget;
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(treeimages::kSize, treeimages::kSize));
    m_treeImages = treeimages::imageList();

    auto *form = new QFormLayout;
    m_connectionField = addField(form, tr("Connection"));
    m_addressField = addField(form, tr("IP Address"));
    m_hostNameField = addField(form, tr("Hostname"));
    m_nicknameField = addField(form, tr("Nickname"));
    m_versionField = addField(form, tr("Version"));
    m_messageField = addField(form, tr("Message"));
    m_versionField->setText(QLatin1String(Version));

    auto *buttons = new QVBoxLayout;
    m_connect = addButton(buttons, tr("&Connect"), tr("Signs on to the selected server or off again"));
    m_chat = addButton(buttons, tr("C&hat..."), tr("Starts the chat client"));
    m_settingsButton = addButton(buttons, tr("&Settings"), tr("Nickname, e-mail address, IP address and options"));
    m_exit = addButton(buttons, tr("&Exit"), tr("Leaves Lanway98"));
    m_help = addButton(buttons, tr("He&lp"), tr("Opens the help pages"));
    buttons->addStretch();
    connect(m_connect, &QPushButton::clicked, this, &MainDialog::onConnectClicked);
    connect(m_chat, &QPushButton::clicked, this, &MainDialog::startChatClient);
    connect(m_settingsButton, &QPushButton::clicked, this, &MainDialog::openSettings);
    connect(m_exit, &QPushButton::clicked, this, &MainDialog::reject);
    connect(m_help, &QPushButton::clicked, this, &MainDialog::openHelp);

    auto *fieldsAndButtons = new QHBoxLayout;
    fieldsAndButtons->addLayout(form, 1);
    fieldsAndButtons->addLayout(buttons);

    m_statusBar = new QStatusBar;
    m_statusBar->setSizeGripEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addWidget(m_tree, 1);
    layout->addLayout(fieldsAndButtons);
    layout->addWidget(m_statusBar);
}

bool MainDialog::initialize()
{
    // Boxes that the initialisation may show are centred on this dialog, which is
    // not shown yet: put it where it will appear.
    adjustPosition(nullptr);

    const SharedMemory::Result result = m_memory.create(sharedBlockName(), sharedblock::Size);
    if (result != SharedMemory::Result::Ok) {
        m_memory.release();
        prompts::warning(this, QLatin1String(messages::ErrorCaption), sessionpeers::creationFailureText(result));
        return false;
    }
    SharedBlock(m_memory.data())
        .initialize(m_settings.ownAddress, m_settings.nickname.toUtf8(), m_settings.email.toUtf8());

    m_settings.fillDriverOptions(m_driverRecord);
    m_driver.control(DriverCode::Query, m_driverRecord);

    m_serverTree->initialize();
    refreshFields();
    return true;
}

std::optional<SharedBlock> MainDialog::sharedBlock() const
{
    if (!m_memory.isMapped())
        return std::nullopt;
    return SharedBlock(m_memory.data());
}

void MainDialog::setConnectionState(int state)
{
    m_settings.connectionState = state;
    updateButtons();
}

void MainDialog::setConnectionText(const QString &text)
{
    m_connectionField->setText(text);
}

void MainDialog::setAwaitingAnswer(bool waiting)
{
    m_awaitingAnswer = waiting;
    updateButtons();
}

void MainDialog::updateButtons()
{
    const bool inSession = m_settings.inSession();
    m_chat->setEnabled(inSession);
    m_runChat->setEnabled(inSession);
    m_settingsButton->setEnabled(!inSession);

    // Connect is greyed while its click waits for the server. Left to itself the focus
    // would move on down the row to Exit, where the next Space ends the program; it
    // waits in the tree instead and comes back with the answer.
    const bool connectEnabled = !m_awaitingAnswer;
    if (!connectEnabled && focusWidget() == m_connect) {
        m_tree->setFocus(Qt::OtherFocusReason);
        m_connectLostFocus = true;
    }
    m_connect->setEnabled(connectEnabled);
    if (connectEnabled && m_connectLostFocus) {
        m_connectLostFocus = false;
        if (focusWidget() == m_tree)
            m_connect->setFocus(Qt::OtherFocusReason);
    }
}

void MainDialog::onRowActivated(QTreeWidgetItem *row)
{
    // Enter or a double click on a server signs on to it; in a session it changes
    // nothing, so that a stray key cannot end the session.
    if (ServerTree::serverOf(row) && m_settings.connectionState == NotConnected && m_connect->isEnabled())
        onConnectClicked();
}

void MainDialog::refreshFields()
{
    m_addressField->setText(m_settings.ownAddressText);
    m_hostNameField->setText(m_settings.hostName);
    m_nicknameField->setText(m_settings.nickname);
}

void MainDialog::createConnectionMachine()
{
    ConnectionMachine::View view;
    view.setState = [this](int state) { setConnectionState(state); };
    view.setConnectionText = [this](const QString &text) { setConnectionText(text); };
    view.setAwaitingAnswer = [this](bool waiting) { setAwaitingAnswer(waiting); };
    view.setConnectButtonText = [this](const QString &text) { m_connect->setText(text); };
    view.refreshFields = [this] { refreshFields(); };
    view.startChatClient = [this] { startChatClient(); };
    view.sharedBlock = [this] { return sharedBlock(); };
    view.promptParent = this;
    m_connection = std::make_unique<ConnectionMachine>(m_settings, m_driver, m_driverRecord, std::move(view));
    m_connection->setChoiceSource([this] {
        ServerChoice choice;
        choice.localServer = m_serverTree->localServerFlag();
        if (const auto server = m_serverTree->selectedServer()) {
            choice.serverSelected = true;
            choice.description = server->name;
            choice.address = server->address;
            choice.chatServer = server->chatServer;
        }
        return choice;
    });
    m_connection->setLocalServerStopped([this] { m_serverTree->setLocalServerFlag(false); });
}

void MainDialog::onConnectClicked()
{
    m_connection->onConnect();
}

void MainDialog::startChatClient()
{
    if (!launcher::startProgram(QLatin1String(sharedblock::ChatProgramName)))
        QApplication::beep();
}

void MainDialog::openSettings()
{
    SettingsDialog dialog(m_settings, this, [this] { m_settings.fillDriverOptions(m_driverRecord); });
    dialog.run();
    // Read everything again, whichever way the dialog was left: the advanced
    // settings may have been written even when the dialog was cancelled.
    m_settings.read();
    refreshFields();
    refreshSharedBlock();
}

void MainDialog::openHelp()
{
    // The network's help pages, or the manual shipped beside the program when they
    // cannot be reached.
    const QString url = m_settings.helpUrl();
    if (url.isEmpty() && help::localManualPath().isEmpty()) {
        QApplication::beep();
        return;
    }
    help::openManual(url, [](const QString &opened) {
        if (opened.isEmpty())
            QApplication::beep();
    });
}

void MainDialog::bringToFront()
{
    if (!isVisible())
        return;
    showNormal();
    raise();
    activateWindow();
}

void MainDialog::refreshSharedBlock()
{
    if (auto block = sharedBlock())
        block->refreshIdentity(m_settings.ownAddress, m_settings.nickname.toUtf8(), m_settings.email.toUtf8());
}

bool MainDialog::confirmExit()
{
    m_driver.control(DriverCode::Query, m_driverRecord);
    if (m_driverRecord.busyWord != 1)
        return true;
    return prompts::askYesNo(this, QLatin1String(messages::UnsafeExitCaption),
                             QLatin1String(messages::UnsafeExitQuestion), prompts::Icon::Information);
}

void MainDialog::reject()
{
    if (m_ended || confirmExit())
        exitNow();
}

void MainDialog::closeEvent(QCloseEvent *event)
{
    if (m_ended || confirmExit()) {
        event->accept();
        exitNow();
    } else {
        event->ignore();
    }
}

void MainDialog::exitNow()
{
    closeOpenDialogs();
    if (!m_ended)
        end();
    QDialog::done(QDialog::Rejected);
}

void MainDialog::closeOpenDialogs()
{
    // A dialog open above this one runs its own event loop; it has to end before
    // this dialog's loop can return.
    while (QWidget *modal = QApplication::activeModalWidget()) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        if (modal == this || !dialog)
            return;
        dialog->reject();
        if (QApplication::activeModalWidget() == modal)
            return;
    }
}

void MainDialog::end()
{
    m_ended = true;
    // Help pages open in the desktop's browser, which is the user's to close.
    signOffAtExit();
    if (auto block = sharedBlock())
        closeChatClient(*block);
    m_memory.release();
    emit ended();
}

void MainDialog::signOffAtExit()
{
    m_connection->logoff();
}

void MainDialog::closeChatClient(SharedBlock block)
{
    const qint64 chat = sessionpeers::runningChatClient(block);
    if (chat != 0)
        sessionpeers::askChatClientToClose(block);

    m_connection->releaseSockets();
    // The tree writes its servers back and its rows go now.
    m_serverTree->release();

    // A chat client that did not end on the request is ended by the system's
    // termination signal, which still takes it through its normal exit.
    if (chat != 0 && !waitForChatClientToEnd(chat, kChatCloseGraceMs))
        sessionpeers::destroyChatClient(block);
}

} // namespace ferry
