// The connection to the chat server: connecting and registering, cutting the
// received bytes into lines, sending lines, the close notification and the timer
// that falls back to a public server while we stay unregistered.

#include "chat/core/chatfrontend.h"
#include "chat/core/tavernwapp.h"
#include "protocol/ports.h"
#include "platform/prompts.h"

#include <QHostAddress>
#include <QUdpSocket>

namespace {

// The user name word of the USER line (at most eight characters).
constexpr const char *kUserName = "tavern";
const QString kAppCaption = QStringLiteral("The Hearthside 97");

} // namespace

bool CTavernwApp::ConnectToServer()
{
    m_strNick = m_identity.nickname.startsWith(u'#') ? u'$' + m_identity.nickname.mid(1) : m_identity.nickname;
    m_strChannel = m_Settings.Channel;
    PrintLine(QStringLiteral("Attempting to connect to chat server...."), m_Settings.Status);
    startSocket(m_Settings.ChatServer, quint16(m_Settings.ChatServerPort));

    auto *local = new QUdpSocket(this);
    if (!local->bind(QHostAddress(QString::fromLatin1(ferry::kLoopbackAddress)), ferry::port(ferry::kChatLinkPort))) {
        delete local;
        ferry::prompts::warning(nullptr, QStringLiteral("Error"), QStringLiteral("Unable to create local socket."));
        return false;
    }
    m_pLocalSocket = local;
    return true;
}

void CTavernwApp::startSocket(const QString &host, quint16 port)
{
    m_pServerSocket = new CChatServerSocket(this);
    connect(m_pServerSocket, &QTcpSocket::connected, this, &CTavernwApp::onConnected);
    connect(m_pServerSocket, &QTcpSocket::readyRead, this, &CTavernwApp::OnServerReceive);
    connect(m_pServerSocket, &QTcpSocket::disconnected, this, &CTavernwApp::onClosed);
    connect(m_pServerSocket, &QTcpSocket::errorOccurred, this, &CTavernwApp::onSocketError);
    m_pServerSocket->connectToHost(host, port);
}

// The old socket may be the sender of the receive notification that is still on the
// stack (a modal prompt inside dispatch lets the timer run), so it is deleted later,
// on a tick outside dispatch.
void CTavernwApp::retireSocket()
{
    if (!m_pServerSocket)
        return;
    m_pServerSocket->disconnect(this);
    m_pServerSocket->abort();
    m_retiredSockets << m_pServerSocket;
    m_pServerSocket = nullptr;
    m_cutter.Clear();
}

void CTavernwApp::onSocketError(QAbstractSocket::SocketError error)
{
    // A name that cannot be resolved is the failure a connect request reports at once;
    // a refused or timed-out connection is left to the fallback.
    if (error == QAbstractSocket::HostNotFoundError || error == QAbstractSocket::UnsupportedSocketOperationError)
        ferry::prompts::message(nullptr, kAppCaption, QStringLiteral("Connect Failed!!!"));
}

void CTavernwApp::onConnected()
{
    const QString user = QString::fromLatin1(kUserName);
    SendLine(QStringLiteral("USER %1 %1 %1 :%2").arg(user, m_identity.email));
    PrintLine(QStringLiteral("Connected to Server, Sending User Information....."), m_Settings.Status);
    SendLine(QStringLiteral("NICK ") + m_strNick);
}

void CTavernwApp::onClosed()
{
    const QString text = QStringLiteral("You have been disconnected from the server!\nYou must exit this application to reconnect.");
    PrintLine(text, m_Settings.Status);
    if (!m_bQuitting)
        ferry::prompts::error(nullptr, QStringLiteral("Disconnected From Server"), text);
}

void CTavernwApp::OnServerReceive()
{
    if (!m_pServerSocket)
        return;
    QByteArray received;
    for (;;) {
        const QByteArray chunk = m_pServerSocket->read(1999);
        if (chunk.isEmpty())
            break;
        received += chunk;
    }
    FeedServerBytes(received);
}

void CTavernwApp::FeedServerBytes(const QByteArray &bytes)
{
    m_cutter.Append(bytes);
    dispatchPending();
}

void CTavernwApp::dispatchPending()
{
    // A line that opened a modal prompt lets receive notifications in: those only append.
    if (m_bDispatching) {
        m_bReceivedWhileDispatching = true;
        return;
    }
    m_bDispatching = true;
    // Lines that arrived during dispatch are cut right after it, not left waiting for
    // the next receive notification (which may be minutes away, past a PING's deadline).
    do {
        m_bReceivedWhileDispatching = false;
        m_cutter.Cut([this](const QByteArray &line) { OnServerLine(DecodeChatText(line)); });
    } while (m_bReceivedWhileDispatching);
    m_bDispatching = false;
}

void CTavernwApp::SendLine(const QString &line)
{
    QByteArray bytes = line.toUtf8();
    bytes.removeIf([](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    bytes.append('\n');
    if (m_pServerSocket && m_pServerSocket->state() == QAbstractSocket::ConnectedState)
        m_pServerSocket->write(bytes);
    emit lineSent(bytes);
}

void CTavernwApp::askForNickname()
{
    const QString refused = m_strNick;
    const auto answer = ferry::prompts::askText(nullptr, QStringLiteral("Nickname"),
                                                QStringLiteral("Nickname in use or invalid, please choose another!"),
                                                refused);
    // A dialog closed without OK leaves the refused nickname; sending it again would only
    // bring the same refusal back, so nothing is sent and /nick remains open to the user.
    if (!answer)
        return;
    m_strNick = *answer;
    SendLine(QStringLiteral("NICK ") + m_strNick);
}

void CTavernwApp::registrationComplete()
{
    m_bRegistered = true;
    SendLine(QStringLiteral("JOIN ") + m_Settings.Channel);
    SendLine(QStringLiteral("MODE ") + m_Settings.Channel);
}

void CTavernwApp::OnTimerTick()
{
    if (!m_bDispatching) {
        qDeleteAll(m_retiredSockets);
        m_retiredSockets.clear();
    }
    if (!m_bRegistered) {
        if (m_nConnectWait <= kFallbackTicks) {
            ++m_nConnectWait;
        } else {
            m_nConnectWait = 0;
            ferry::prompts::error(nullptr, QStringLiteral("Error Connecting to chat Server"),
                                  QStringLiteral("Unable to connect to the chat server you specified.\n"
                                                 "Tavern will attempt to connect you to a public (Not controlled by "
                                                 "Hollowell Networks) chat Server.\n You May want to check the chat "
                                                 "server settings under preferences."));
            if (m_pServerSocket && !m_bRegistered) {
                retireSocket();
                startSocket(m_strFallbackHost, m_nFallbackPort);
            }
        }
    }
    if (m_nSplash == 8) {
        if (m_pFrontEnd)
            m_pFrontEnd->EndSplash();
        ++m_nSplash;
    } else if (m_nSplash < 8) {
        ++m_nSplash;
    }
}

void CTavernwApp::Disconnect()
{
    if (m_pServerSocket) {
        SendLine(QStringLiteral("quit :") + QuitMessage());
        m_pServerSocket->disconnect(this);
        m_pServerSocket->flush();
        m_pServerSocket->disconnectFromHost();
    }
    if (m_pLocalSocket) {
        m_pLocalSocket->close();
        delete m_pLocalSocket;
        m_pLocalSocket = nullptr;
    }
}
