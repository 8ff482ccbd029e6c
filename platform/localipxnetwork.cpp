#include "platform/localipxnetwork.h"

#include <QDeadlineTimer>

namespace ferry {

namespace {

qint64 monotonicMs()
{
    return QDeadlineTimer::current().deadline();
}

} // namespace

LocalIpxNetwork::LocalIpxNetwork(SendToClient toClient, SendToTunnel toTunnel)
    : m_toClient(std::move(toClient)), m_toTunnel(std::move(toTunnel)), m_clock(monotonicMs)
{
}

void LocalIpxNetwork::setOwnAddress(std::uint32_t ipv4)
{
    if (ipv4 != m_ownAddress)
        m_clients.clear();
    m_ownAddress = ipv4;
}

LocalIpxNetwork::Client *LocalIpxNetwork::clientAt(const tunnel::Peer &peer)
{
    for (Client &c : m_clients) {
        if (c.peer == peer)
            return &c;
    }
    return nullptr;
}

const LocalIpxNetwork::Client *LocalIpxNetwork::clientWithNode(const ipx::Node &node) const
{
    for (const Client &c : m_clients) {
        if (c.node == node)
            return &c;
    }
    return nullptr;
}

std::uint16_t LocalIpxNetwork::nextClientNumber()
{
    // Numbers run on so that a forgotten client's node is not handed out again at
    // once; 0 is the endpoint's own node. At most 64 are in use, so one is free.
    for (;;) {
        m_lastNumber = std::uint16_t(m_lastNumber + 1);
        if (m_lastNumber == 0)
            continue;
        if (!clientWithNode(ipx::nodeFor(m_ownAddress, m_lastNumber)))
            return m_lastNumber;
    }
}

LocalIpxNetwork::Verdict LocalIpxNetwork::registerClient(const tunnel::Peer &from)
{
    Client *known = clientAt(from);
    if (!known) {
        if (m_clients.size() >= kMaxClients)
            return Verdict::Refused;
        m_clients.append(Client{from, ipx::nodeFor(m_ownAddress, nextClientNumber()), 0});
        known = &m_clients.last();
    }
    // A client that registers again (its first answer was lost) keeps its node.
    known->lastHeardMs = m_clock();
    known->pingsUnanswered = 0;
    sendToClient(*known, ipx::registrationReply(kNetwork, known->node, ipx::nodeFor(m_ownAddress, 0)));
    return Verdict::Registered;
}

LocalIpxNetwork::Verdict LocalIpxNetwork::fromClient(const QByteArray &datagram, const tunnel::Peer &from)
{
    if (std::size_t(datagram.size()) > ipx::kMaxPacket)
        return Verdict::Oversize;
    const auto header = ipx::parseHeader(datagram);
    if (!header)
        return Verdict::Malformed;
    if (ipx::isRegistrationRequest(*header))
        return registerClient(from);
    Client *sender = clientAt(from);
    if (!sender)
        return Verdict::NotAClient;
    // Any packet proves the client is still there; its answer to a keep-alive
    // ping is addressed to the endpoint's node and ends below as NoSuchNode.
    sender->lastHeardMs = m_clock();
    sender->pingsUnanswered = 0;
    if (header->source.node != sender->node)
        return Verdict::Spoofed;

    const QByteArray packet = datagram.size() == header->length ? datagram : datagram.left(header->length);
    const ipx::Node &to = header->destination.node;
    if (ipx::isBroadcast(to)) {
        const tunnel::Peer senderPeer = sender->peer;
        for (const Client &c : std::as_const(m_clients)) {
            if (!(c.peer == senderPeer))
                sendToClient(c, packet);
        }
        m_toTunnel(packet);
        return Verdict::Delivered;
    }
    if (ipx::nodeAddress(to) == m_ownAddress) {
        const Client *target = clientWithNode(to);
        if (!target)
            return Verdict::NoSuchNode;
        sendToClient(*target, packet);
        return Verdict::Delivered;
    }
    m_toTunnel(packet);
    return Verdict::Delivered;
}

int LocalIpxNetwork::fromTunnel(const QByteArray &packet)
{
    const auto header = ipx::parseHeader(packet);
    if (!header)
        return 0;
    const ipx::Node &to = header->destination.node;
    if (ipx::isBroadcast(to)) {
        for (const Client &c : std::as_const(m_clients))
            sendToClient(c, packet);
        return int(m_clients.size());
    }
    if (const Client *target = clientWithNode(to)) {
        sendToClient(*target, packet);
        return 1;
    }
    return 0;
}

int LocalIpxNetwork::checkSilentClients()
{
    const qint64 now = m_clock();
    const int limit = m_keepAlive.pings;
    const auto silent = [&](const Client &c) { return now - c.lastHeardMs >= m_keepAlive.quietMs; };
    m_clients.removeIf([&](const Client &c) { return silent(c) && c.pingsUnanswered >= limit; });

    // DOSBox answers only an echo ping sent to the broadcast node, so that is
    // its destination; the datagram itself goes to the one client alone.
    ipx::Header ping;
    ping.destination = {kNetwork, ipx::kBroadcastNode, ipx::kEchoSocket};
    ping.source = {kNetwork, ipx::nodeFor(m_ownAddress, 0), ipx::kEchoSocket};
    const QByteArray packet = ipx::encodeHeader(ping);
    int sent = 0;
    for (Client &c : m_clients) {
        if (!silent(c))
            continue;
        ++c.pingsUnanswered;
        sendToClient(c, packet);
        ++sent;
    }
    return sent;
}

} // namespace ferry
