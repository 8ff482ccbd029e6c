// The application's side of the connection to the chat server: what it says and
// sends when the session connects, registers, loses the connection or meets a
// certificate it cannot verify, the timer that falls back to a public server while
// we stay unregistered, and the quit at the end.

#include "chat/core/chatfrontend.h"
#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"
#include "protocol/ports.h"

#include <QHostAddress>
#include <QUdpSocket>

namespace {

// The user name word of the USER line (at most eight characters).
constexpr const char *kUserName = "tavern";
const QString kAppCaption = QStringLiteral("The Hearthside 97");
const QString kDisconnectedText =
    QStringLiteral("You have been disconnected from the server!\nYou must exit this application to reconnect.");

bool isUrgent(const QByteArray &line)
{
    // The answer to the server's keep-alive must never wait behind paced lines.
    return line.startsWith("PONG ") || line.startsWith("pong ");
}

} // namespace

void CTavernwApp::notice(const QString &caption, const QString &text, CChatPrompt::Icon icon, CChatPrompt::Kind kind)
{
    CChatPrompt prompt;
    prompt.kind = kind;
    prompt.style = CChatPrompt::Style::Message;
    prompt.icon = icon;
    prompt.caption = caption;
    prompt.text = text;
    // Equal notices coalesce while one is on screen: the text tells plain notices
    // apart; of the other kinds (parse errors, kicks) one box stands for all.
    prompt.peer = kind == CChatPrompt::Kind::Notice ? text : QString();
    const QString key = QString::number(int(kind)) + u'\n' + prompt.peer;
    if (m_prompts.Has(kind, prompt.peer)) {
        ++m_noticeRepeats[key];
        return;
    }
    Ask(prompt, [this, key, text](const CPromptAnswer &) {
        const int repeats = m_noticeRepeats.take(key);
        if (repeats > 0)
            PrintLine(QStringLiteral("** %1 more like this came while it was shown: %2")
                          .arg(repeats)
                          .arg(text.section(u'\n', 0, 0)),
                      m_Settings.Status);
    });
}

CChatSession::Endpoint CTavernwApp::configuredEndpoint() const
{
    return {m_Settings.ChatServer, quint16(m_Settings.ChatServerPort), m_Settings.ChatServerTLS};
}

void CTavernwApp::wireSession()
{
    connect(&m_session, &CChatSession::connected, this, &CTavernwApp::onConnected);
    connect(&m_session, &CChatSession::lineReceived, this,
            [this](const QByteArray &line) { OnServerLine(DecodeChatText(line)); });
    connect(&m_session, &CChatSession::closed, this, &CTavernwApp::onClosed);
    connect(&m_session, &CChatSession::connectFailed, this, &CTavernwApp::onConnectFailed);
    connect(&m_session, &CChatSession::certificateRejected, this, &CTavernwApp::onCertificateRejected);
    connect(&m_session, &CChatSession::reconnectPlanned, this, [this](int seconds) {
        PrintLine(QStringLiteral("** Reconnecting to the chat server in %1 seconds...").arg(seconds), m_Settings.Status);
    });
    connect(&m_session, &CChatSession::reconnecting, this, [this] {
        PrintLine(QStringLiteral("Attempting to connect to chat server...."), m_Settings.Status);
    });
    bool reportedDrop = false;
    connect(&m_session, &CChatSession::lineDropped, this, [this, reportedDrop]() mutable {
        if (reportedDrop)
            return;
        reportedDrop = true;
        PrintLine(QStringLiteral("** Too many lines waiting to be sent: further lines are dropped."), m_Settings.Status);
    });
    m_session.SetTrustCheck([](const QString &host, const QString &fingerprint) {
        return tavern::settingsstore::TrustedCertificate(host) == fingerprint;
    });
}

void CTavernwApp::SetAutoReconnect(bool on)
{
    m_Settings.AutoReconnect = on;
    m_session.SetAutoReconnect(on);
}

bool CTavernwApp::ConnectToServer()
{
    m_strNick = m_identity.nickname.startsWith(u'#') ? u'$' + m_identity.nickname.mid(1) : m_identity.nickname;
    m_strChannel = m_Settings.Channel;
    PrintLine(QStringLiteral("Attempting to connect to chat server...."), m_Settings.Status);
    // The wait for the server counts from here: the main frame's timer already ticks
    // while start-up questions (the launchpad's first run) are open, and a user who
    // takes a minute over them must not be sent to the fallback server unasked.
    m_bConnectStarted = true;
    m_session.SetAutoReconnect(m_Settings.AutoReconnect);
    m_session.Connect(configuredEndpoint());

    auto *local = new QUdpSocket(this);
    if (!local->bind(QHostAddress(QString::fromLatin1(ferry::kLoopbackAddress)), ferry::port(ferry::kChatLinkPort))) {
        delete local;
        notice(QStringLiteral("Error"), QStringLiteral("Unable to create local socket."), CChatPrompt::Icon::Warning);
        return false;
    }
    m_pLocalSocket = local;
    return true;
}

void CTavernwApp::SwitchServer(const QString &arguments)
{
    const QString host = GetWord(0, arguments);
    if (host.isEmpty()) {
        PrintLine(QStringLiteral("** Usage: /server host [port], or [+port] for TLS"), m_Settings.Status);
        return;
    }
    QString portText = GetWord(1, arguments);
    const bool tls = portText.startsWith(u'+');
    if (tls)
        portText.remove(0, 1);
    bool ok = true;
    const uint port = portText.isEmpty() ? (tls ? 6697 : 6667) : portText.toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
        PrintLine(QStringLiteral("** Not a port: %1").arg(GetWord(1, arguments)), m_Settings.Status);
        return;
    }
    if (m_session.IsReady())
        m_session.Quit(QStringLiteral("QUIT :%1\n").arg(QuitMessage()).toUtf8());
    m_bRegistered = false;
    m_modeQueries.clear();
    for (CTavernwDoc *doc : ChannelDocs())
        doc->ClearUsers();
    PrintLine(QStringLiteral("Attempting to connect to chat server...."), m_Settings.Status);
    m_session.Connect({host, quint16(port), tls});
}

void CTavernwApp::onConnectFailed(QAbstractSocket::SocketError error)
{
    // A name that cannot be resolved is the failure a connect request reports at once;
    // a refused or timed-out connection is left to the fallback (or the retries).
    if (error == QAbstractSocket::HostNotFoundError || error == QAbstractSocket::UnsupportedSocketOperationError)
        notice(kAppCaption, QStringLiteral("Connect Failed!!!"), CChatPrompt::Icon::None);
}

void CTavernwApp::onConnected()
{
    m_bUserQuit = false;
    const QString user = QString::fromLatin1(kUserName);
    SendLine(QStringLiteral("USER %1 %1 %1 :%2").arg(user, m_identity.email));
    PrintLine(QStringLiteral("Connected to Server, Sending User Information....."), m_Settings.Status);
    SendLine(QStringLiteral("NICK ") + m_strNick);
}

void CTavernwApp::onClosed()
{
    m_bRegistered = false;
    m_modeQueries.clear(); // their answers will not come on a new connection
    // The users of a channel are listed again when it is joined again.
    for (CTavernwDoc *doc : ChannelDocs())
        doc->ClearUsers();
    if (m_session.AutoReconnect() && !m_bUserQuit && !m_bQuitting) {
        PrintLine(QStringLiteral("** The connection to the chat server was lost."), m_Settings.Status);
        return; // the session plans the retry and says when
    }
    m_session.SetAutoReconnect(false); // the user's own QUIT is not undone
    PrintLine(kDisconnectedText, m_Settings.Status);
    if (!m_bQuitting)
        notice(QStringLiteral("Disconnected From Server"), kDisconnectedText, CChatPrompt::Icon::Error);
}

void CTavernwApp::onCertificateRejected(const QString &host, quint16 port, const QString &fingerprint,
                                        const QString &reasons)
{
    const QString line = QStringLiteral("** The certificate of %1 (port %2) cannot be verified: %3. SHA-256 fingerprint: %4")
                             .arg(host)
                             .arg(port)
                             .arg(reasons, fingerprint);
    PrintLine(line, m_Settings.Status);
    CChatPrompt prompt;
    prompt.kind = CChatPrompt::Kind::Certificate;
    prompt.peer = host;
    prompt.style = CChatPrompt::Style::YesNo;
    prompt.icon = CChatPrompt::Icon::Warning;
    prompt.caption = QStringLiteral("Certificate Not Verified");
    prompt.text = QStringLiteral("The chat server %1 (port %2) presented a certificate that cannot be verified:\n%3\n\n"
                                 "SHA-256 fingerprint:\n%4\n\n"
                                 "Trust this certificate for %1 from now on and connect?")
                      .arg(host)
                      .arg(port)
                      .arg(reasons, fingerprint);
    const CChatSession::Endpoint endpoint = m_session.CurrentEndpoint();
    Ask(prompt, [this, host, fingerprint, endpoint](const CPromptAnswer &answer) {
        if (!answer.accepted) {
            PrintLine(QStringLiteral("** Not connected: the certificate of %1 is not trusted.").arg(host), m_Settings.Status);
            return;
        }
        tavern::settingsstore::TrustCertificate(host, fingerprint);
        PrintLine(QStringLiteral("Attempting to connect to chat server...."), m_Settings.Status);
        m_session.Connect(endpoint);
    });
}

void CTavernwApp::SendLine(const QString &line)
{
    QByteArray bytes = line.toUtf8();
    bytes.removeIf([](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    bytes.append('\n');
    if (bytes.startsWith("QUIT ") || bytes.startsWith("quit "))
        m_bUserQuit = true;
    m_session.Send(bytes, isUrgent(bytes));
    emit lineSent(bytes);
}

void CTavernwApp::askForNickname()
{
    CChatPrompt prompt;
    prompt.kind = CChatPrompt::Kind::Nickname;
    prompt.style = CChatPrompt::Style::Text;
    prompt.caption = QStringLiteral("Nickname");
    prompt.text = QStringLiteral("Nickname in use or invalid, please choose another!");
    prompt.initial = m_strNick;
    // One question answers any number of refusals that arrive while it is open.
    Ask(prompt, [this](const CPromptAnswer &answer) {
        // A dialog closed without OK leaves the refused nickname; sending it again would
        // only bring the same refusal back, so nothing is sent and /nick remains open.
        if (!answer.accepted)
            return;
        m_strNick = answer.text;
        SendLine(QStringLiteral("NICK ") + m_strNick);
    });
}

void CTavernwApp::registrationComplete()
{
    const bool again = m_bEverRegistered;
    m_bRegistered = true;
    m_bEverRegistered = true;
    m_session.ResetBackoff();
    SendLine(QStringLiteral("JOIN ") + m_Settings.Channel);
    queryChannelModes(m_Settings.Channel);
    if (!again)
        return;
    // After a reconnection (or a change of server) the channels still open are joined again.
    QStringList rejoined;
    for (const QString &channel : m_windows.ChannelNames()) {
        if (channel.compare(m_Settings.Channel, Qt::CaseInsensitive) == 0)
            continue;
        SendLine(QStringLiteral("JOIN ") + channel);
        rejoined << channel;
    }
    PrintLine(rejoined.isEmpty() ? QStringLiteral("** Reconnected to the chat server.")
                                 : QStringLiteral("** Reconnected to the chat server; joining %1 again.")
                                       .arg(rejoined.join(QStringLiteral(", "))),
              m_Settings.Status);
}

void CTavernwApp::OnTimerTick()
{
    m_session.Tick();
    reportDroppedCtcp();
    if (m_bConnectStarted && !m_bEverRegistered) {
        if (m_nConnectWait <= kFallbackTicks) {
            ++m_nConnectWait;
        } else {
            m_nConnectWait = 0;
            notice(QStringLiteral("Error Connecting to chat Server"),
                   QStringLiteral("Unable to connect to the chat server you specified.\n"
                                  "Tavern will attempt to connect you to a public (Not controlled by "
                                  "Hollowell Networks) chat Server.\n You May want to check the chat "
                                  "server settings under preferences."),
                   CChatPrompt::Icon::Error);
            m_session.Connect({m_strFallbackHost, m_nFallbackPort, false});
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
    m_session.Quit(QStringLiteral("quit :%1\n").arg(QuitMessage()).toUtf8());
    if (m_pLocalSocket) {
        m_pLocalSocket->close();
        delete m_pLocalSocket;
        m_pLocalSocket = nullptr;
    }
}
