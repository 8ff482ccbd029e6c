#include "controlcenter/chatrelay.h"

#include "controlcenter/connectiontexts.h"
#include "protocol/serverdatagrams.h"
#include "controlcenter/ferrypingrelay.h"
#include "protocol/ports.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <chrono>

namespace ferry {

namespace dg = datagrams;

namespace {

// One counter for the whole program: every relayed ping carries the next number.
std::uint16_t g_relaySequence = 0;

QHostAddress loopback() { return QHostAddress(QString::fromLatin1(kLoopbackAddress)); }

} // namespace

std::uint32_t systemTickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

QUdpSocket *openDatagramSocket(QObject *owner, const QHostAddress &address, quint16 port,
                               const std::function<void()> &onReadyRead)
{
    auto *socket = new QUdpSocket(owner);
    if (!socket->bind(address, port)) {
        delete socket;
        return nullptr;
    }
    QObject::connect(socket, &QUdpSocket::readyRead, owner, onReadyRead);
    return socket;
}

ChatRelay::ChatRelay(Host host, QObject *parent)
    : QObject(parent), m_host(std::move(host)), m_tickClock(systemTickCount)
{
}

bool ChatRelay::open()
{
    if (m_local)
        return true;
    m_local = openDatagramSocket(this, loopback(), port(kServicePort), [this] { readChatClient(); });
    return m_local != nullptr;
}

void ChatRelay::close()
{
    delete m_local;
    m_local = nullptr;
}

void ChatRelay::sendToChatClient(const QByteArray &datagram)
{
    if (m_local)
        m_local->writeDatagram(datagram, loopback(), port(kChatLinkPort));
}

void ChatRelay::readChatClient()
{
    while (m_local && m_local->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_local->receiveDatagram(qint64(dg::kMaxDatagram));
        // Only the chat client on this machine may use the relay: anything from
        // another address, or from another port than the chat client's, is dropped.
        if (!datagram.senderAddress().isLoopback() || datagram.senderPort() != port(kChatLinkPort))
            continue;
        handleChatClientDatagram(datagram.data());
    }
}

void ChatRelay::handleChatClientDatagram(const QByteArray &datagram)
{
    if (datagram.isEmpty())
        return;
    if (!m_host.serverSocketExists()) {
        sendToChatClient(dg::encodeText(connectiontexts::NotConnectedToServer));
        return;
    }
    const QString target = m_host.target();
    if (target.isEmpty())
        return;
    if (dg::isType(datagram, dg::RelayType::ServiceRequest)) {
        if (const auto payload = dg::decodeServiceRequest(datagram))
            m_host.sendToServerPort(QHostAddress(target), *payload);
        return;
    }
    relayPing(datagram);
}

void ChatRelay::relayPing(const QByteArray &datagram)
{
    const auto relay = dg::wrapForRelay(datagram, g_relaySequence, m_host.ownAddress(), m_tickClock());
    if (!relay)
        return;
    const std::uint16_t sequence = g_relaySequence++;
    const QHostAddress to = relay->toPeer ? QHostAddress(relay->peerAddress) : QHostAddress(m_host.target());
    if (dg::isType(datagram, dg::RelayType::PingRequest)) {
        if (m_outstanding.size() >= kMaxOutstandingPings)
            m_outstanding.removeFirst();
        m_outstanding.append({sequence, to, m_tickClock()});
    }
    m_host.sendToServerPort(to, relay->datagram);
}

std::optional<std::uint32_t> ChatRelay::takeOutstanding(std::uint16_t sequence, const QHostAddress &from)
{
    const std::uint32_t now = m_tickClock();
    m_outstanding.removeIf([now](const OutstandingPing &p) { return now - p.sentTick > kPingAnswerWindowMs; });
    for (qsizetype i = 0; i < m_outstanding.size(); ++i) {
        const OutstandingPing &p = m_outstanding[i];
        if (p.sequence == sequence && p.to.isEqual(from, QHostAddress::TolerantConversion))
            return m_outstanding.takeAt(i).sentTick;
    }
    return std::nullopt;
}

void ChatRelay::handlePeerPing(const QByteArray &datagram, const QHostAddress &from)
{
    const auto ping = dg::decodePeerPing(datagram);
    if (!ping)
        return;
    if (ping->record.type == dg::typeByte(dg::RelayType::PingRequest)) {
        // Answered to where it came from, never to an address written inside it.
        if (const auto action = dg::handlePeerPing(datagram, m_host.ownNickname(), 0))
            m_host.sendToServerPort(from, action->datagram);
        return;
    }
    // Anyone can send a datagram from port 2210: only the answer to a ping of ours,
    // from where it went, is passed on, and only as the ping record.
    if (ping->record.type != dg::typeByte(dg::RelayType::PingAnswer))
        return;
    const auto sentTick = takeOutstanding(ping->sequence, from);
    if (!sentTick)
        return;
    if (const auto action = dg::handlePeerPing(datagram, m_host.ownNickname(), m_tickClock() - *sentTick))
        sendToChatClient(action->datagram);
}

bool ChatRelay::handleServerDatagram(const QByteArray &datagram, const QHostAddress &from, bool fromChosenServer)
{
    const auto type = dg::typeOf(datagram);
    if (!type)
        return false;
    if (dg::isType(datagram, dg::ServerType::PeerPing) || dg::isType(datagram, dg::ServerType::PeerPingRelayed)) {
        handlePeerPing(datagram, from);
        return true;
    }
    const bool relayType = dg::isNoticeType(*type) || *type == dg::typeByte(dg::ServerType::IdentificationProbe)
        || *type == dg::typeByte(dg::ServerType::ServiceReply);
    if (!relayType)
        return false;
    // Notices, probes and service replies count only from the server the player chose.
    if (!fromChosenServer)
        return true;
    if (dg::isNoticeType(*type)) {
        sendToChatClient(dg::noticeAsText(datagram));
    } else if (*type == dg::typeByte(dg::ServerType::IdentificationProbe)) {
        m_host.sendToServerPort(from, dg::encodeIdentification());
    } else if (const auto reply = dg::decodeServiceReply(datagram)) {
        sendToChatClient(*reply);
    }
    return true;
}

} // namespace ferry
