#pragma once

// The control center's one window: the server tree, the status fields, the buttons
// that drive the connection, start the chat client and open the settings, and the
// exit. It creates the shared session block when it initialises and releases it
// when it ends; the program ends when the dialog closes.

#include "common/sharedblock.h"
#include "controlcenter/connectionmachine.h"
#include "controlcenter/settings.h"
#include "platform/driverrecord.h"
#include "platform/sharedmemory.h"

#include <QDialog>
#include <QIcon>
#include <QList>

#include <memory>
#include <optional>

class QAction;
class QLabel;
class QPushButton;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace ferry {

class ServerTree;
class TunnelDriver;

class MainDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr char Title[] = "Lanway98 Control Center";
    static constexpr char Version[] = "1.0";
    // The chat client gets this long to end after the close request before it is terminated.
    static constexpr int kChatCloseGraceMs = 3000;

    MainDialog(ControlCenterSettings &settings, TunnelDriver &driver, QWidget *parent = nullptr);
    ~MainDialog() override;

    // Creates and fills the shared session block, hands the option words to the
    // driver and queries it. False when the block cannot be had: the user has been
    // told and the dialog must not open.
    bool initialize();

    // The block as this dialog holds it; empty before initialize() and after the exit.
    std::optional<SharedBlock> sharedBlock() const;

    // Connection state and its effect on the buttons: Chat and "Run Chat" only in a
    // session, Settings only outside one.
    void setConnectionState(int state);
    void setConnectionText(const QString &text);
    // Connect stays disabled while a first sign-on or sign-off attempt waits for its answer.
    void setAwaitingAnswer(bool waiting);

    // Shows the texts of the settings record in the status fields.
    void refreshFields();

    // Connect / Disconnect: sign on to the chosen server, sign off, or toggle the local server.
    void onConnectClicked();
    // The sign-on, sign-off and relay; the tree sets its choice source here.
    ConnectionMachine &connection() { return *m_connection; }
    // Chat and "Run Chat": starts the chat client.
    void startChatClient();
    // Settings: the settings dialog, then the settings read again and the block refreshed.
    void openSettings();
    // Help: the help server's first page in the desktop's browser.
    void openHelp();
    // A second control center was started: come to the front.
    void bringToFront();
    // The system asks the program to end: leave through the normal exit without
    // asking; dialogs open above this one are cancelled.
    void exitNow();

    // Exit, Escape and the close command: asks first when the tunnel is in use.
    void reject() override;
    // Whether the exit may go on (the "Safe to Exit?" question when the driver is busy).
    bool confirmExit();
    bool hasEnded() const { return m_ended; }

    const DriverStatusRecord &driverRecord() const { return m_driverRecord; }
    const QList<QIcon> &treeImages() const { return m_treeImages; }
    QTreeWidget *tree() const { return m_tree; }
    // The servers, their players and the sign-on target (selectedServer(), localServerFlag()).
    ServerTree *serverTree() const { return m_serverTree; }
    QPushButton *connectButton() const { return m_connect; }
    QPushButton *chatButton() const { return m_chat; }
    QPushButton *settingsButton() const { return m_settingsButton; }
    QPushButton *exitButton() const { return m_exit; }
    QPushButton *helpButton() const { return m_help; }
    QAction *runChatAction() const { return m_runChat; }
    QStatusBar *statusBar() const { return m_statusBar; }
    QLabel *connectionField() const { return m_connectionField; }
    QLabel *addressField() const { return m_addressField; }
    QLabel *hostNameField() const { return m_hostNameField; }
    QLabel *nicknameField() const { return m_nicknameField; }
    QLabel *versionField() const { return m_versionField; }
    QLabel *messageField() const { return m_messageField; }

signals:
    // The exit has run: the chat client is closed and the block released.
    void ended();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void updateButtons();
    void onRowActivated(QTreeWidgetItem *row);
    void refreshSharedBlock();
    void closeOpenDialogs();
    // The exit order: sign off, close the chat client, release sockets and tree, release the block.
    void end();
    // The sign-off the connection state machine runs at exit.
    void signOffAtExit();
    void createConnectionMachine();
    void closeChatClient(SharedBlock block);

    ControlCenterSettings &m_settings;
    TunnelDriver &m_driver;
    DriverStatusRecord m_driverRecord;
    SharedMemory m_memory;
    QList<QIcon> m_treeImages;
    bool m_awaitingAnswer = false;
    bool m_connectLostFocus = false;
    bool m_ended = false;

    QTreeWidget *m_tree = nullptr;
    ServerTree *m_serverTree = nullptr;
    QLabel *m_connectionField = nullptr;
    QLabel *m_addressField = nullptr;
    QLabel *m_hostNameField = nullptr;
    QLabel *m_nicknameField = nullptr;
    QLabel *m_versionField = nullptr;
    QLabel *m_messageField = nullptr;
    QPushButton *m_connect = nullptr;
    QPushButton *m_chat = nullptr;
    QPushButton *m_settingsButton = nullptr;
    QPushButton *m_exit = nullptr;
    QPushButton *m_help = nullptr;
    QAction *m_runChat = nullptr;
    QStatusBar *m_statusBar = nullptr;
    std::unique_ptr<ConnectionMachine> m_connection;
};

} // namespace ferry
