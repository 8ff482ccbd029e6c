#include "controlcenter/connectionmachine.h"

#include "common/registry.h"
#include "controlcenter/chatserverhandover.h"
#include "controlcenter/connectiontexts.h"
#include "protocol/serverdatagrams.h"
#include "controlcenter/ipxnotbounddialog.h"
#include "controlcenter/messages.h"
#include "controlcenter/settings.h"
#include "protocol/ports.h"
#include "platform/prompts.h"
#include "platform/tunneldriver.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

namespace ferry {

namespace dg = datagrams;
namespace texts = connectiontexts;

ConnectionMachine::ConnectionMachine(ControlCenterSettings &settings, TunnelDriver &driver,
                                     DriverStatusRecord &record, View view, QObject *parent)
    : QObject(parent),
      m_settings(settings),
      m_driver(driver),
      m_record(record),
      m_view(std::move(view)),
      m_relay(ChatRelay::Host{
                  [this] { return m_serverSocket != nullptr; },
                  [this] { return m_target; },
                  [this] { return std::uint32_t(m_settings.ownAddress); },
                  [this] { return m_settings.nickname.toUtf8(); },
                  [this](const QHostAddress &to, const QByteArray &d) { sendToServerPort(to, d); },
              },
              this)
{
    m_retryTimer.setInterval(kRetryPeriodMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &ConnectionMachine::onRetryTick);
    m_relay.open();
}

ConnectionMachine::~ConnectionMachine() = default;

int ConnectionMachine::state() const { return m_settings.connectionState; }

void ConnectionMachine::setState(int state) { m_view.setState(state); }

QString ConnectionMachine::connectionText() const
{
    switch (state()) {
    case NotConnected:
        return QLatin1String(texts::NotConnected);
    case SigningOn:
    case SigningOff:
        return m_progressText;
    case SignedOn:
        return QLatin1String(texts::Connected);
    case LocalServerRunning:
        return QLatin1String(texts::LocalServerActive);
    default:
        return QLatin1String(texts::UnknownState);
    }
}

void ConnectionMachine::refreshConnectionText() { m_view.setConnectionText(connectionText()); }

void ConnectionMachine::refreshAll()
{
    refreshConnectionText();
    m_view.refreshFields();
}

// ---------------------------------------------------------------------------
// Connect handler

void ConnectionMachine::onConnect()
{
    if (state() == SignedOn) {
        if (auto block = m_view.sharedBlock())
            block->clearServerName();
    } else {
        resolveTarget();
    }
    if (m_target.isEmpty())
        return;
    if (isLocalTarget())
        toggleLocalServer();
    else if (state() == SignedOn || state() == SigningOff)
        signOff();
    else
        signOn();
}

bool ConnectionMachine::isLocalTarget() const
{
    return m_target.compare(QLatin1String(texts::LocalTarget), Qt::CaseInsensitive) == 0;
}

void ConnectionMachine::connectTo(const ServerChoice &choice)
{
    m_requestedChoice = choice;
    onConnect();
    if (state() != SigningOn)
        m_requestedChoice.reset();
}

void ConnectionMachine::resolveTarget()
{
    ServerChoice choice;
    if (m_requestedChoice)
        choice = *m_requestedChoice;
    else if (m_choiceSource)
        choice = m_choiceSource();
    else if (const auto fromRegistry = chosenServerFromRegistry())
        choice = *fromRegistry;
    const ResolvedTarget resolved = ferry::resolveTarget(choice, m_settings.chatServer);
    if (!choice.localServer)
        m_description = resolved.description;
    if (resolved.invalid)
        prompts::warning(m_view.promptParent, QLatin1String(messages::ErrorCaption),
                         QLatin1String(texts::InvalidServer));
    m_target = resolved.target;
    if (!resolved.invalid && !resolved.isLocal())
        m_chatServer = resolved.chatServer;
}

void ConnectionMachine::openTunnelWithIdentity()
{
    m_record.setOwnAddress(m_settings.ownAddress);
    m_record.nickname = m_settings.nickname.toUtf8();
    m_driver.control(DriverCode::OpenTunnel, m_record);
    if (m_record.stateWord != 0) {
        IpxNotBoundDialog dialog(m_view.promptParent);
        prompts::execDialog(&dialog, dialog.windowTitle());
    }
}

void ConnectionMachine::toggleLocalServer()
{
    m_driver.control(DriverCode::Query, m_record);
    if (m_record.stateWord == std::uint32_t(DriverTunnelState::NoTunnel)) {
        closeServerSocket();
        openTunnelWithIdentity();
        // Serving before code 4, so that the driver's tunnel is welcomed at once.
        QString why;
        if (!m_localServer.start(QHostAddress(m_settings.ownAddressText), m_settings.nickname.toUtf8(), &why))
            qWarning("Local server: %s", qPrintable(why));
        m_driver.control(DriverCode::StartLocalServer, m_record);
        m_view.setConnectButtonText(QLatin1String(texts::DisconnectButton));
        setState(LocalServerRunning);
        refreshAll();
        if (m_settings.advanced.runChatOnConnect)
            m_view.startChatClient();
        return;
    }
    m_record.setOwnAddress(m_settings.ownAddress);
    m_driver.control(DriverCode::CloseTunnel, m_record);
    m_driver.control(DriverCode::StopLocalServer, m_record);
    m_localServer.stop();
    m_view.setConnectButtonText(QLatin1String(texts::ConnectButton));
    setState(NotConnected);
    if (m_localServerStopped)
        m_localServerStopped();
    refreshAll();
}

void ConnectionMachine::signOff()
{
    if (m_retryCount == 0) {
        m_progressText = QLatin1String(texts::Disconnecting);
        m_view.setAwaitingAnswer(true);
    }
    logoff();
    startRetryTimer();
}

void ConnectionMachine::signOn()
{
    closeServerSocket();
    if (!createServerSocket())
        return;
    if (m_retryCount == 0) {
        m_progressText = QLatin1String(texts::Connecting);
        m_view.setAwaitingAnswer(true);
    }
    m_driver.control(DriverCode::CloseTunnel, m_record);
    const QByteArray signOn = dg::encodeSignOn({m_settings.nickname.toUtf8(), m_settings.email.toUtf8()});
    setState(SigningOn);
    sendToTarget(signOn);
    refreshAll();
    startRetryTimer();
}

void ConnectionMachine::logoff()
{
    m_driver.control(DriverCode::Query, m_record);
    if (m_record.stateWord == std::uint32_t(DriverTunnelState::TunnelToServer))
        m_driver.control(DriverCode::CloseTunnel, m_record);
    m_view.refreshFields();
    // Without a server target there is nobody to tell, so no socket is needed
    // either: an exit without any sign-on must not complain about the own address,
    // nor one while the local server holds the server port.
    if (m_target.isEmpty() || isLocalTarget())
        return;
    if (!m_serverSocket && !createServerSocket())
        return;
    sendToTarget(dg::encodeSingle(dg::ServerType::Logoff));
    m_view.setConnectButtonText(QLatin1String(texts::ConnectButton));
    setState(SigningOff);
    refreshConnectionText();
}

// ---------------------------------------------------------------------------
// Retry timer

void ConnectionMachine::startRetryTimer()
{
    if (!m_retryTimer.isActive())
        m_retryTimer.start();
}

void ConnectionMachine::onRetryTick()
{
    const int current = state();
    if (current != SigningOn && current != SigningOff) {
        m_retryTimer.stop();
        return;
    }
    if (m_retryCount < kMaxRetries) {
        // Counted before the handler runs again, so that the handler sees a retry
        // (and keeps the progress text) and the text gains one dot per retry.
        ++m_retryCount;
        m_progressText += QLatin1Char('.');
        onConnect();
        return;
    }
    giveUp(current);
}

void ConnectionMachine::giveUp(int finalState)
{
    m_retryTimer.stop();
    m_requestedChoice.reset();
    const bool noAnswer = m_retryCount == kMaxRetries;
    setState(NotConnected);
    refreshConnectionText();
    if (noAnswer && finalState == SigningOn)
        prompts::warning(m_view.promptParent, QLatin1String(messages::ErrorCaption),
                         QLatin1String(texts::UnableToConnect));
    else if (noAnswer)
        prompts::information(m_view.promptParent, QLatin1String(messages::ErrorCaption),
                             QLatin1String(texts::CouldNotLogoff));
    m_retryCount = 0;
    m_view.setAwaitingAnswer(false);
    m_view.refreshFields();
}

// ---------------------------------------------------------------------------
// Server datagram socket

bool ConnectionMachine::createServerSocket()
{
    m_serverSocket = openDatagramSocket(this, QHostAddress(m_settings.ownAddressText), port(kServerPort),
                                        [this] { readServerSocket(); });
    if (!m_serverSocket)
        prompts::warning(m_view.promptParent, QLatin1String(messages::ErrorCaption),
                         QLatin1String(texts::SocketFailed));
    return m_serverSocket != nullptr;
}

void ConnectionMachine::closeServerSocket()
{
    delete m_serverSocket;
    m_serverSocket = nullptr;
}

QHostAddress ConnectionMachine::serverSocketAddress() const
{
    return m_serverSocket ? m_serverSocket->localAddress() : QHostAddress();
}

void ConnectionMachine::releaseSockets()
{
    m_retryTimer.stop();
    closeServerSocket();
    m_localServer.stop();
    m_relay.close();
}

void ConnectionMachine::sendToServerPort(const QHostAddress &to, const QByteArray &datagram)
{
    if (m_serverSocket && !to.isNull())
        m_serverSocket->writeDatagram(datagram, to, port(kServerPort));
}

void ConnectionMachine::sendToTarget(const QByteArray &datagram)
{
    // "Local" and other non-addresses make a null address, to which nothing is sent.
    sendToServerPort(QHostAddress(m_target), datagram);
}

void ConnectionMachine::readServerSocket()
{
    while (m_serverSocket && m_serverSocket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_serverSocket->receiveDatagram(qint64(dg::kMaxDatagram));
        handleServerDatagram(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()));
    }
}

void ConnectionMachine::handleServerDatagram(const QByteArray &datagram, const QHostAddress &from, quint16 fromPort)
{
    const auto type = dg::typeOf(datagram);
    if (!type || fromPort != port(kServerPort))
        return;
    // Answers to the sign-on and sign-off count only from the server the player chose;
    // anyone else could end or hijack the session with one forged byte.
    const QHostAddress target(m_target);
    const bool fromChosenServer = !target.isNull() && from.isEqual(target, QHostAddress::TolerantConversion);
    if (m_relay.handleServerDatagram(datagram, from, fromChosenServer) || !fromChosenServer)
        return;
    switch (dg::ServerType(*type)) {
    case dg::ServerType::LogoffAcknowledged:
        acknowledgeLogoff();
        break;
    case dg::ServerType::Accepted:
        if (state() == SigningOn)
            accept(datagram);
        break;
    case dg::ServerType::NicknameInUse:
        refuse(texts::NicknameInUse);
        break;
    case dg::ServerType::ServerFull:
        refuse(texts::ServerFull);
        break;
    case dg::ServerType::NoAccess:
        refuse(texts::NoAccess);
        break;
    default:
        break;
    }
}

void ConnectionMachine::acknowledgeLogoff()
{
    setState(NotConnected);
    m_retryCount = 0;
    m_view.setAwaitingAnswer(false);
    refreshAll();
}

void ConnectionMachine::refuse(const char *message)
{
    m_retryCount = kMaxRetries + 1;
    prompts::warning(m_view.promptParent, QLatin1String(messages::ErrorCaption), QLatin1String(message));
}

namespace {

// The chat client writes its settings key on its first start; a player who signs
// on before ever starting it must still have the chat server handed over.
void handOverChatServerForFirstRun(const QString &chatServerText)
{
    CRegistry chat;
    if (!chatServerText.isEmpty())
        chat.Create(QLatin1String(kChatSettingsKey));
    handOverChatServer(chatServerText);
}

} // namespace

void ConnectionMachine::accept(const QByteArray &datagram)
{
    const auto accepted = dg::decodeAccepted(datagram);
    if (!accepted)
        return;
    setState(SignedOn);
    m_requestedChoice.reset();
    m_retryCount = 0;
    m_retryTimer.stop();
    m_view.setConnectButtonText(QLatin1String(texts::DisconnectButton));
    m_view.setAwaitingAnswer(false);

    m_driver.control(DriverCode::Query, m_record);
    if (m_record.stateWord == std::uint32_t(DriverTunnelState::NoTunnel)) {
        // The server datagram socket stays open: the server's notices and the
        // relay's traffic keep arriving on it for the whole session.
        openTunnelWithIdentity();
        m_record.setServerAddress(QHostAddress(m_target).toIPv4Address());
        m_driver.control(DriverCode::BindServer, m_record);
        m_record.addressWord = accepted->tunnelAddress;
        m_record.tunnelPort = accepted->tunnelPort;
        m_driver.control(DriverCode::SetTunnelEndpoint, m_record);
        // The chat server is in the registry before the block names the server:
        // whoever sees the name may start the chat at once.
        handOverChatServerForFirstRun(m_chatServer);
        if (auto block = m_view.sharedBlock())
            block->setServerName(m_description.toUtf8());
        if (m_settings.advanced.runChatOnConnect)
            m_view.startChatClient();
    }
    refreshAll();
}

} // namespace ferry
