#include "tools/ferryd/ferryserver.h"

#include "protocol/ports.h"
#include "tools/ferryd/describe.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

namespace ferryd {

namespace dg = ferry::datagrams;

FerryServer::FerryServer(Config config, Log log, QObject *parent)
    : QObject(parent),
      m_config(std::move(config)),
      m_log(std::move(log)),
      m_roster(m_config.maxPlayers),
      m_desk(m_roster, m_config.name, m_config.operators)
{
    if (m_config.tunnelAddress.isNull())
        m_config.tunnelAddress = m_config.address;
}

bool FerryServer::start(QString *error)
{
    m_server = new QUdpSocket(this);
    m_tracker = new QUdpSocket(this);
    const quint16 serverPort = ferry::port(ferry::kServerPort);
    const quint16 trackerPort = ferry::port(ferry::kTrackerPort);
    if (!m_server->bind(m_config.address, serverPort)) {
        *error = QStringLiteral("cannot bind %1:%2: %3").arg(m_config.address.toString()).arg(serverPort).arg(m_server->errorString());
        return false;
    }
    if (!m_tracker->bind(m_config.address, trackerPort)) {
        *error = QStringLiteral("cannot bind %1:%2: %3").arg(m_config.address.toString()).arg(trackerPort).arg(m_tracker->errorString());
        return false;
    }
    connect(m_server, &QUdpSocket::readyRead, this,
            [this] { readAll(m_server, describeToServer, &FerryServer::handleServer); });
    connect(m_tracker, &QUdpSocket::readyRead, this,
            [this] { readAll(m_tracker, describeToTracker, &FerryServer::handleTracker); });
    return true;
}

quint16 FerryServer::serverPort() const { return m_server ? m_server->localPort() : 0; }
quint16 FerryServer::trackerPort() const { return m_tracker ? m_tracker->localPort() : 0; }

void FerryServer::send(QUdpSocket *socket, const QByteArray &d, const Endpoint &to)
{
    m_log(QStringLiteral("-> %1 %2").arg(to.toString(), describeFromServer(d)));
    socket->writeDatagram(d, to.address, to.port);
}

void FerryServer::readAll(QUdpSocket *socket, QString (*describe)(const QByteArray &),
                          void (FerryServer::*handle)(const QByteArray &, const Endpoint &))
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram nd = socket->receiveDatagram(dg::kMaxDatagram);
        const QByteArray d = nd.data();
        if (d.isEmpty())
            continue;
        const Endpoint from{nd.senderAddress(), quint16(nd.senderPort())};
        m_log(QStringLiteral("<- %1 %2").arg(from.toString(), describe(d)));
        (this->*handle)(d, from);
    }
}

void FerryServer::handleTracker(const QByteArray &d, const Endpoint &from)
{
    if (dg::isType(d, dg::DirectoryType::DirectoryRequest))
        send(m_tracker, directory(), from);
}

void FerryServer::handleServer(const QByteArray &d, const Endpoint &from)
{
    if (const auto s = dg::decodeSignOn(d))
        return handleSignOn(*s, from);
    if (const auto p = dg::decodePeerPing(d))
        return handlePeerPing(d, *p, from);
    using dg::isType, dg::ServerType;
    if (isType(d, ServerType::Identification) || isType(d, ServerType::SignOn) || isType(d, ServerType::PeerPing)
        || isType(d, ServerType::PeerPingRelayed))
        return;  // identification answers are only logged; short sign-ons and pings are ignored
    if (isType(d, ServerType::Logoff) && d.size() == 1)
        return handleLogoff(from);
    if (isType(d, dg::DirectoryType::PlayerListRequest))
        return send(m_server, playerList(), from);
    handleService(d, from);
}

void FerryServer::handleSignOn(const dg::SignOn &s, const Endpoint &from)
{
    switch (m_roster.signOn(s.nickname, s.email, from)) {
    case Roster::Verdict::Accepted: {
        dg::Accepted a;
        a.tunnelAddress = m_config.tunnelAddress.toIPv4Address();
        a.tunnelPort = m_config.tunnelPort;
        send(m_server, dg::encodeAccepted(a), from);
        if (m_config.probe)
            send(m_server, dg::encodeSingle(dg::ServerType::IdentificationProbe), from);
        return;
    }
    case Roster::Verdict::NicknameInUse:
        return send(m_server, dg::encodeRefusal(dg::Refusal::NicknameInUse), from);
    case Roster::Verdict::ServerFull:
        return send(m_server, dg::encodeRefusal(dg::Refusal::ServerFull), from);
    case Roster::Verdict::NoAccess:
        return send(m_server, dg::encodeRefusal(dg::Refusal::NoAccess), from);
    }
}

void FerryServer::handleLogoff(const Endpoint &from)
{
    // Acknowledged even when nobody was signed on there: the control center
    // repeats its logoff until an acknowledgement arrives, and the first one
    // may have been lost.
    m_roster.logoff(from);
    send(m_server, dg::encodeSingle(dg::ServerType::LogoffAcknowledged), from);
}

void FerryServer::handlePeerPing(const QByteArray &d, const dg::PeerPing &ping, const Endpoint &from)
{
    if (!m_roster.at(from)) {
        m_log(QStringLiteral("   ping from a player not signed on, dropped"));
        return;
    }
    // The record's address names the other player: the pinged peer for a
    // request routed here, the pinging player for an answer coming back.
    const Player *to = m_roster.atAddress(ping.record.address(), from);
    if (!to) {
        m_log(QStringLiteral("   no other player at %1, dropped").arg(QHostAddress(ping.record.address()).toString()));
        return;
    }
    QByteArray relayed = d;
    relayed[0] = char(dg::typeByte(dg::ServerType::PeerPingRelayed));
    send(m_server, relayed, to->endpoint);
}

void FerryServer::handleService(const QByteArray &payload, const Endpoint &from)
{
    const Player *asker = m_roster.at(from);
    // Strangers are answered only for the requests a chat client makes, so that
    // a stray datagram (another server's notice, say) never starts an exchange.
    if (!asker && !dg::isServiceCode(std::uint8_t(payload.at(0)))) {
        m_log(QStringLiteral("   not a request from a player, ignored"));
        return;
    }
    const ServiceAnswer a = m_desk.answer(asker, payload);
    send(m_server, dg::encodeNotice(dg::ServerType::Notice1, a.text), from);
    if (a.removed)
        send(m_server, dg::encodeNotice(dg::ServerType::Notice1, a.removedText), a.removed->endpoint);
}

QByteArray FerryServer::directory() const
{
    dg::ServerEntry self;
    self.address = m_config.address.toString().toLatin1();
    self.description = m_config.name;
    self.users = int(m_roster.players().size());
    self.chatServer = m_config.chatServer;
    QList<dg::ServerEntry> all{self};
    all += m_config.others;
    return dg::encodeDirectory(all);
}

QByteArray FerryServer::playerList() const
{
    QList<dg::PlayerEntry> list;
    for (const Player &p : m_roster.players()) {
        dg::PlayerEntry e;
        e.nickname = p.nickname;
        e.address = p.endpoint.address.toString().toLatin1();
        e.task = "chat";
        e.status = "online";
        e.operatorText = m_desk.isOperator(p) ? "op" : "-";  // never empty: an empty string ends the list
        list << e;
    }
    return dg::encodePlayerList(list);
}

} // namespace ferryd
