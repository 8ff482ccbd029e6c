#pragma once

// The sign-on to a tunnelling server and the sign-off, the local server toggle,
// the 3-second retry timer, and the server datagram socket through which the
// server's answers, notices and the peers' pings arrive (handed to the chat
// relay where they are meant for the chat client).
//
// The machine owns its sockets and timer; what the player sees (connection
// text, button states) it sets through a View the main dialog supplies.

#include "common/sharedblock.h"
#include "controlcenter/chatrelay.h"
#include "controlcenter/localserver.h"
#include "controlcenter/servertarget.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class QUdpSocket;
class QWidget;

namespace ferry {

struct ControlCenterSettings;
struct DriverStatusRecord;
class TunnelDriver;

class ConnectionMachine : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryTimerId = 69;
    static constexpr int kRetryPeriodMs = 3000;
    // Ticks without an answer before the attempt is given up.
    static constexpr int kMaxRetries = 5;

    struct View {
        // The state into the settings record and the buttons to match.
        std::function<void(int state)> setState;
        std::function<void(const QString &)> setConnectionText;
        // Connect disabled while a first attempt waits for its answer.
        std::function<void(bool waiting)> setAwaitingAnswer;
        std::function<void(const QString &)> setConnectButtonText;
        std::function<void()> refreshFields;
        std::function<void()> startChatClient;
        std::function<std::optional<SharedBlock>()> sharedBlock;
        QWidget *promptParent = nullptr;
    };

    ConnectionMachine(ControlCenterSettings &settings, TunnelDriver &driver, DriverStatusRecord &record, View view,
                      QObject *parent = nullptr);
    ~ConnectionMachine() override;

    // Where the player's choice comes from (the server tree). Until one is set, the
    // registry's server list is asked.
    void setChoiceSource(std::function<ServerChoice()> source) { m_choiceSource = std::move(source); }
    // Called when the local server stops, to clear the tree's local-server flag.
    void setLocalServerStopped(std::function<void()> hook) { m_localServerStopped = std::move(hook); }

    // Connect / Disconnect, and the tree's connect and local server commands.
    void onConnect();
    // Signs on to the given server (or toggles the local server) whatever the tree
    // shows; the retries of this attempt keep to it.
    void connectTo(const ServerChoice &choice);
    // Sign-off from the target; also run at exit.
    void logoff();
    // The retry timer's tick.
    void onRetryTick();

    // One datagram that arrived on the server datagram socket.
    void handleServerDatagram(const QByteArray &datagram, const QHostAddress &from, quint16 fromPort);

    // Closes both sockets and stops the timer (at exit).
    void releaseSockets();

    // The connection text for the current state.
    QString connectionText() const;

    int retryCount() const { return m_retryCount; }
    bool retryTimerActive() const { return m_retryTimer.isActive(); }
    QString target() const { return m_target; }
    QString serverDescription() const { return m_description; }
    QString chatServerText() const { return m_chatServer; }
    bool hasServerSocket() const { return m_serverSocket != nullptr; }
    // The address the server socket is bound to, for tests; null without a socket.
    QHostAddress serverSocketAddress() const;
    ChatRelay &relay() { return m_relay; }
    const LocalServer &localServer() const { return m_localServer; }

private:
    int state() const;
    void setState(int state);
    void resolveTarget();
    bool isLocalTarget() const;
    void toggleLocalServer();
    void signOff();
    void signOn();
    bool createServerSocket();
    void closeServerSocket();
    void readServerSocket();
    void sendToServerPort(const QHostAddress &to, const QByteArray &datagram);
    void sendToTarget(const QByteArray &datagram);
    void startRetryTimer();
    void giveUp(int finalState);
    void accept(const QByteArray &datagram);
    void acknowledgeLogoff();
    void refuse(const char *message);
    void openTunnelWithIdentity();
    void refreshConnectionText();
    void refreshAll();

    ControlCenterSettings &m_settings;
    TunnelDriver &m_driver;
    DriverStatusRecord &m_record;
    View m_view;
    std::function<ServerChoice()> m_choiceSource;
    std::function<void()> m_localServerStopped;
    std::optional<ServerChoice> m_requestedChoice;

    QString m_target;
    QString m_description;
    QString m_chatServer;
    QString m_progressText;
    int m_retryCount = 0;
    QTimer m_retryTimer;
    QUdpSocket *m_serverSocket = nullptr;
    ChatRelay m_relay;
    LocalServer m_localServer;
};

} // namespace ferry
