#include "server/ferryserver.h"

#include "protocol/ports.h"
#include "server/describe.h"

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace ferryd {

namespace dg = ferry::datagrams;
namespace tn = ferry::tunnel;

namespace {

qint64 monotonicMs() { return QDeadlineTimer::current().deadline(); }

tn::Peer peerOf(const Endpoint &e)
{
    bool ok = false;
    const quint32 ipv4 = e.address.toIPv4Address(&ok);
    return ok ? tn::Peer{ipv4, e.port} : tn::Peer{};
}

} // namespace

FerryServer::FerryServer(Config config, Log log, QObject *parent)
    : QObject(parent),
      m_config(std::move(config)),
      m_log(std::move(log)),
      m_clock(monotonicMs),
      m_roster(m_config.maxPlayers),
      m_desk(m_roster, m_config.name, m_config.operators)
{
    if (m_config.tunnelAddress.isNull())
        m_config.tunnelAddress = m_config.address;
    if (m_config.tunnelPort == 0)
        m_config.tunnelPort = ferry::port(ferry::kTunnelPort);
    m_silenceTimer.setInterval(30 * 1000);
    connect(&m_silenceTimer, &QTimer::timeout, this, &FerryServer::dropSilentPlayers);
}

FerryServer::~FerryServer() = default;

bool FerryServer::start(QString *error)
{
    const auto bindOrFail = [this, error](QUdpSocket *&socket, quint16 port) {
        socket = new QUdpSocket(this);
        if (socket->bind(m_config.address, port))
            return true;
        *error = QStringLiteral("cannot bind %1:%2: %3").arg(m_config.address.toString()).arg(port).arg(socket->errorString());
        return false;
    };
    if (!bindOrFail(m_server, ferry::port(ferry::kServerPort)) || !bindOrFail(m_tunnel, m_config.tunnelPort))
        return false;
    if (m_config.tracker && !bindOrFail(m_tracker, ferry::port(ferry::kTrackerPort)))
        return false;
    connect(m_server, &QUdpSocket::readyRead, this,
            [this] { readAll(m_server, describeToServer, &FerryServer::handleServer); });
    if (m_tracker)
        connect(m_tracker, &QUdpSocket::readyRead, this,
                [this] { readAll(m_tracker, describeToTracker, &FerryServer::handleTracker); });
    connect(m_tunnel, &QUdpSocket::readyRead, this, &FerryServer::readTunnel);
    m_silenceTimer.start();
    return true;
}

quint16 FerryServer::serverPort() const { return m_server ? m_server->localPort() : 0; }
quint16 FerryServer::trackerPort() const { return m_tracker ? m_tracker->localPort() : 0; }
quint16 FerryServer::tunnelPort() const { return m_tunnel ? m_tunnel->localPort() : 0; }

void FerryServer::send(QUdpSocket *socket, const QByteArray &d, const Endpoint &to)
{
    m_log(QStringLiteral("-> %1 %2").arg(to.toString(), describeFromServer(d)));
    socket->writeDatagram(d, to.address, to.port);
}

void FerryServer::answerStranger(QUdpSocket *socket, const QByteArray &d, const Endpoint &to)
{
    if (m_roster.at(to) || m_strangerAnswers.allow(to.address.toIPv4Address(), m_clock()))
        return send(socket, d, to);
    m_log(QStringLiteral("   %1 asked too often, not answered").arg(to.address.toString()));
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
        if (const Player *p = m_roster.at(from))
            m_roster.heardFrom(p->id, m_clock());
        (this->*handle)(d, from);
    }
}

void FerryServer::handleTracker(const QByteArray &d, const Endpoint &from)
{
    if (dg::isType(d, dg::DirectoryType::DirectoryRequest))
        answerStranger(m_tracker, directory(), from);
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
        return answerStranger(m_server, playerList(), from);
    handleService(d, from);
}

void FerryServer::handleSignOn(const dg::SignOn &s, const Endpoint &from)
{
    switch (m_roster.signOn(s.nickname, s.email, from)) {
    case Roster::Verdict::Accepted: {
        m_roster.heardFrom(m_roster.at(from)->id, m_clock());
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
    if (const Player *p = m_roster.at(from))
        removePlayer(*p);
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
    answerStranger(m_server, dg::encodeNotice(dg::ServerType::Notice1, a.text), from);
    if (a.removed) {
        m_router.leave(a.removed->id);
        send(m_server, dg::encodeNotice(dg::ServerType::Notice1, a.removedText), a.removed->endpoint);
    }
}

void FerryServer::admitHost(const QByteArray &nickname, const QHostAddress &address)
{
    const Endpoint endpoint{address, ferry::port(ferry::kServerPort)};
    if (m_roster.signOn(nickname, QByteArray(), endpoint) == Roster::Verdict::Accepted)
        m_roster.heardFrom(m_roster.at(endpoint)->id, m_clock());
}

void FerryServer::removePlayer(const Player &p)
{
    m_router.leave(p.id);
    m_roster.logoff(p.endpoint);
}

void FerryServer::dropSilentPlayers()
{
    for (const Player &p : m_roster.takeSilent(m_clock(), kSilenceLimitMs)) {
        m_router.leave(p.id);
        m_log(QStringLiteral("   %1 at %2 silent for 10 minutes, dropped").arg(QString::fromUtf8(p.nickname), p.endpoint.toString()));
    }
}

// --- the tunnel ----------------------------------------------------------------

void FerryServer::readTunnel()
{
    // One byte more than a frame may have: a longer datagram fills it and is
    // then seen, and counted, as oversize.
    char buffer[tn::kMaxFrame + 1];
    while (m_tunnel->hasPendingDatagrams()) {
        QHostAddress address;
        quint16 port = 0;
        const qint64 n = m_tunnel->readDatagram(buffer, qint64(sizeof buffer), &address, &port);
        if (n >= 0)
            handleTunnelFrame(QByteArray(buffer, qsizetype(n)), Endpoint{address, port});
    }
}

void FerryServer::handleTunnelFrame(const QByteArray &frame, const Endpoint &from)
{
    if (std::size_t(frame.size()) <= tn::kMaxFrame) {
        if (const auto hello = tn::decodeHello(frame))
            return handleHello(*hello, from);
    }
    const tn::Peer peer = peerOf(from);
    const auto outcome = m_router.route(frame, peer, [this](const tn::TunnelRouter::Member &to, const QByteArray &out) {
        m_tunnel->writeDatagram(out, QHostAddress(to.peer.address), to.peer.port);
    });
    if (outcome.sender)
        m_roster.heardFrom(outcome.sender->id, m_clock());
    if (outcome.drop && *outcome.drop != tn::Drop::Unroutable)
        dropFrame(*outcome.drop, from);
}

void FerryServer::handleHello(const tn::Hello &hello, const Endpoint &from)
{
    // The keep-alive repeats the hello every 20 seconds; only a new tunnel is logged.
    const tn::TunnelRouter::Member *known = m_router.memberAt(peerOf(from));
    const bool fresh = !known || known->nodeAddress != hello.ownAddress;
    if (fresh)
        m_log(QStringLiteral("<- %1 tunnel hello \"%2\", node address %3")
                  .arg(from.toString(), printable(hello.nickname), QHostAddress(hello.ownAddress).toString()));
    const Player *player = m_roster.atAddressNamed(from.address, hello.nickname);
    if (!player) {
        m_router.countDrop(tn::Drop::NotAPlayer);
        return dropFrame(tn::Drop::NotAPlayer, from);
    }
    // Another player's own address may not be claimed as a node address.
    const Player *owner = m_roster.atAddress(hello.ownAddress, player->endpoint);
    if (owner || !m_router.join(player->id, peerOf(from), hello.ownAddress)) {
        m_log(QStringLiteral("   node address %1 belongs to another player, tunnel refused")
                  .arg(QHostAddress(hello.ownAddress).toString()));
        return;
    }
    m_roster.heardFrom(player->id, m_clock());
    if (fresh)
        m_log(QStringLiteral("-> %1 tunnel welcome for %2").arg(from.toString(), printable(player->nickname)));
    m_tunnel->writeDatagram(tn::encodeWelcome(hello.ownAddress), from.address, from.port);
}

void FerryServer::dropFrame(tn::Drop drop, const Endpoint &from)
{
    m_log(QStringLiteral("   tunnel frame from %1 dropped: %2 (%3 so far)")
              .arg(from.toString(), QLatin1String(tn::dropText(drop)))
              .arg(m_router.counters().droppedOf(drop)));
}

QString FerryServer::tunnelSummary() const
{
    const tn::RouteCounters &c = m_router.counters();
    QStringList drops;
    for (tn::Drop d : {tn::Drop::NotAPlayer, tn::Drop::Spoofed, tn::Drop::Oversize, tn::Drop::Malformed, tn::Drop::Unroutable})
        drops << QStringLiteral("%1 %2").arg(c.droppedOf(d)).arg(QLatin1String(tn::dropText(d)));
    return QStringLiteral("tunnel: %1 frames routed, %2 copies delivered; dropped: %3")
        .arg(c.routed)
        .arg(c.delivered)
        .arg(drops.join(QStringLiteral(", ")));
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
