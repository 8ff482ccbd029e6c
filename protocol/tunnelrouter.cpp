#include "protocol/tunnelrouter.h"

namespace ferry::tunnel {

const char *dropText(Drop drop)
{
    switch (drop) {
    case Drop::NotAPlayer: return "not from a player";
    case Drop::Spoofed: return "spoofed source node";
    case Drop::Oversize: return "over 1500 bytes";
    case Drop::Malformed: return "malformed";
    case Drop::Unroutable: return "no such player";
    }
    return "dropped";
}

bool TunnelRouter::join(int id, Peer peer, std::uint32_t nodeAddress)
{
    const auto peerOwner = m_byPeer.constFind(peer);
    if (peerOwner != m_byPeer.cend() && *peerOwner != id)
        return false;
    const auto nodeOwner = m_byNode.constFind(nodeAddress);
    if (nodeOwner != m_byNode.cend() && *nodeOwner != id)
        return false;
    leave(id);
    m_members.insert(id, Member{id, peer, nodeAddress});
    m_byPeer.insert(peer, id);
    m_byNode.insert(nodeAddress, id);
    return true;
}

void TunnelRouter::leave(int id)
{
    const auto it = m_members.constFind(id);
    if (it == m_members.cend())
        return;
    m_byPeer.remove(it->peer);
    m_byNode.remove(it->nodeAddress);
    m_members.erase(it);
}

const TunnelRouter::Member *TunnelRouter::member(int id) const
{
    const auto it = m_members.constFind(id);
    return it == m_members.cend() ? nullptr : &*it;
}

const TunnelRouter::Member *TunnelRouter::memberAt(const Peer &peer) const
{
    const auto it = m_byPeer.constFind(peer);
    return it == m_byPeer.cend() ? nullptr : member(*it);
}

TunnelRouter::Outcome TunnelRouter::dropped(Drop drop, const Member *sender)
{
    ++m_counters.dropped[std::size_t(drop)];
    return Outcome{sender, drop};
}

TunnelRouter::Outcome TunnelRouter::route(const QByteArray &frame, const Peer &from, const Deliver &deliver)
{
    const Member *sender = memberAt(from);
    if (std::size_t(frame.size()) > kMaxFrame)
        return dropped(Drop::Oversize, sender);
    if (!sender)
        return dropped(Drop::NotAPlayer, nullptr);
    const auto header = ipxFrameHeader(frame);
    if (!header)
        return dropped(Drop::Malformed, sender);
    if (ipx::nodeAddress(header->source.node) != sender->nodeAddress)
        return dropped(Drop::Spoofed, sender);

    // Trailing bytes beyond the packet's own length are not passed on.
    const QByteArray out = std::size_t(frame.size()) == kIpxFrameOverhead + header->length
        ? frame
        : frame.left(qsizetype(kIpxFrameOverhead + header->length));
    const ipx::Node &to = header->destination.node;
    if (ipx::isBroadcast(to)) {
        ++m_counters.routed;
        for (const Member &m : std::as_const(m_members)) {
            if (m.id != sender->id) {
                ++m_counters.delivered;
                deliver(m, out);
            }
        }
        return Outcome{sender, std::nullopt};
    }
    const auto target = m_byNode.constFind(ipx::nodeAddress(to));
    if (target == m_byNode.cend() || *target == sender->id)
        return dropped(Drop::Unroutable, sender);
    ++m_counters.routed;
    ++m_counters.delivered;
    deliver(*member(*target), out);
    return Outcome{sender, std::nullopt};
}

} // namespace ferry::tunnel
