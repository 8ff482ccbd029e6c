#include "chat/gamelink/gamelink.h"

#include "chat/core/tavernwapp.h"
#include "chat/gamelink/servicedatagram.h"
#include "protocol/ports.h"

#include <QHostAddress>
#include <QUdpSocket>

using namespace gamelink;

namespace {

const QString kRequestingUsers = QStringLiteral("\r\nRequesting the user list from the server...");
const QString kRequestingInfo = QStringLiteral("** Requesting user information...");
const QString kPingResponse = QStringLiteral("Ping response from");

// A new measurement makes the user's statistics fresh for this many refreshes.
constexpr int kFreshPing = 4;

} // namespace

CGameLink::CGameLink(GameLinkHost host, QObject *parent) : QObject(parent), m_host(std::move(host)) {}

CGameLink *CGameLink::AttachToApp(CTavernwApp &app)
{
    GameLinkHost host;
    host.printStatus = [&app](const QString &text) { app.PrintLine(text, app.m_Settings.Status); };
    host.ownNick = [&app] { return app.OwnNick(); };
    host.configuredChannel = [&app] { return app.ConfiguredChannel(); };
    host.recordPing = [&app](const QString &nick, std::int32_t ms) {
        CUserRecord *record = app.UserRecord(nick);
        if (!record)
            return;
        record->pingTotal += std::uint32_t(ms);
        record->pingCount += 1;
        record->freshness = kFreshPing;
    };
    auto *link = new CGameLink(std::move(host), &app);
    link->SetSocket(app.LocalSocket());
    connect(&app, &CTavernwApp::udpPingReplyReceived, link,
            [link](const QString &, std::uint32_t address) { link->SendPingRequest(address); });
    app.m_CommandHooks.serviceCommand = [link = QPointer<CGameLink>(link)](const QString &word, const QString &arguments) {
        return link && link->RunServiceCommand(word, arguments);
    };
    return link;
}

void CGameLink::SetSocket(QUdpSocket *socket)
{
    if (m_socket)
        m_socket->disconnect(this);
    m_socket = socket;
    if (m_socket)
        connect(m_socket, &QUdpSocket::readyRead, this, &CGameLink::OnServiceDatagram);
}

void CGameLink::SendToService(const QByteArray &datagram)
{
    if (!m_socket)
        return;
    m_socket->writeDatagram(datagram, QHostAddress(QString::fromLatin1(ferry::kLoopbackAddress)),
                            ferry::port(ferry::kServicePort));
}

void CGameLink::OnServiceDatagram()
{
    const QHostAddress loopback(QString::fromLatin1(ferry::kLoopbackAddress));
    while (m_socket && m_socket->hasPendingDatagrams()) {
        QByteArray datagram(qsizetype(ferry::datagrams::kMaxDatagram), '\0');
        QHostAddress from;
        quint16 fromPort = 0;
        const qint64 n = m_socket->readDatagram(datagram.data(), datagram.size(), &from, &fromPort);
        // Only the control center's relay speaks for the game service: any other
        // local program could otherwise print lines or have us send pings.
        if (n <= 0 || from != loopback || fromPort != ferry::port(ferry::kServicePort))
            continue;
        datagram.truncate(qsizetype(n));
        HandleDatagram(datagram);
    }
}

void CGameLink::HandleDatagram(const QByteArray &datagram)
{
    if (datagram.isEmpty())
        return;
    switch (RelayType(std::uint8_t(datagram.at(0)))) {
    case RelayType::PingRequest:
        if (const auto request = ferry::datagrams::decodeChatRecordHeader(datagram); request && request->value != 0)
            SendToService(BuildPingAnswer(ownNick(), request->value));
        break;
    case RelayType::PingAnswer:
        if (const auto result = DecodePingResult(datagram)) {
            print(QStringLiteral("%1 %2 %3ms").arg(kPingResponse, result->nick).arg(result->milliseconds));
            // A negative time is printed as reported but would wrap the unsigned
            // running total, so it does not count towards the statistics.
            if (m_host.recordPing && result->milliseconds >= 0)
                m_host.recordPing(result->nick, result->milliseconds);
        }
        break;
    case RelayType::Text:
        for (const QString &line : DecodeServiceText(datagram))
            print(line);
        break;
    default:
        break;
    }
}

void CGameLink::RequestUsers()
{
    print(kRequestingUsers);
    SendToService(BuildUsersRequest());
}

void CGameLink::RequestWhois(const QString &name)
{
    print(kRequestingInfo);
    SendToService(BuildWhoisRequest(name));
}

void CGameLink::Ban(const QString &text)
{
    SendToService(BuildBanRequest(ServiceCode::Ban, text));
}

void CGameLink::Unban(const QString &text)
{
    SendToService(BuildBanRequest(ServiceCode::Unban, text));
}

void CGameLink::RequestBanList()
{
    SendToService(BuildBanListRequest());
}

void CGameLink::Kill(const QString &arguments)
{
    const KillArguments kill = ParseKillArguments(arguments);
    SendToService(BuildKillRequest(kill.name, kill.reason));
}

bool CGameLink::RunServiceCommand(const QString &word, const QString &arguments)
{
    const auto is = [&word](const char *name) { return word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("users"))
        RequestUsers();
    else if (is("swhois"))
        RequestWhois(arguments);
    else if (is("sban"))
        Ban(arguments);
    else if (is("sunban"))
        Unban(arguments);
    else if (is("sblist"))
        RequestBanList();
    else if (is("skill"))
        Kill(arguments);
    else
        return false;
    return true;
}

void CGameLink::SendPingRequest(std::uint32_t peerAddress)
{
    const QString channel = m_host.configuredChannel ? m_host.configuredChannel() : QString();
    SendToService(EncodePingRecord(RelayType::PingRequest, ownNick(), channel, peerAddress));
}

void CGameLink::print(const QString &text) const
{
    if (m_host.printStatus)
        m_host.printStatus(text);
}

QString CGameLink::ownNick() const
{
    return m_host.ownNick ? m_host.ownNick() : QString();
}
