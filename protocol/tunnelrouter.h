#pragma once

// Routes IPX frames between the members of a tunnelling server: every signed-on
// player whose tunnel socket has introduced itself (tunnelframes.h). No sockets
// here: the caller hands in each received frame with its sender and sends what
// the router delivers, so the same routing serves ferryd and a control center's
// local server.
//
// Rules: a frame must be at most 1,500 bytes, come from a member's tunnel
// socket, hold a well-formed IPX packet, and carry the sender's own node address
// in its source node. A broadcast goes to every other member, a unicast to the
// member whose node address its destination node holds. Anything else is dropped
// and counted.

#include "protocol/tunnelframes.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace ferry::tunnel {

// A UDP endpoint: IPv4 address and port, host order.
struct Peer {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    bool operator==(const Peer &) const = default;
};
inline size_t qHash(const Peer &p, size_t seed = 0) { return ::qHash((quint64(p.address) << 16) | p.port, seed); }

enum class Drop {
    NotAPlayer,   // the sender is no member
    Spoofed,      // the source node is not the sender's own
    Oversize,     // more than 1,500 bytes
    Malformed,    // not an IPX frame, or its header is cut short or inconsistent
    Unroutable,   // a unicast to no other member
};
inline constexpr int kDropKinds = 5;
// A short phrase for logs: "not from a player", "spoofed source node", ...
const char *dropText(Drop drop);

struct RouteCounters {
    quint64 routed = 0;      // frames accepted and passed on
    quint64 delivered = 0;   // copies sent to members
    std::array<quint64, kDropKinds> dropped{};
    quint64 droppedOf(Drop d) const { return dropped[std::size_t(d)]; }
};

class TunnelRouter {
public:
    struct Member {
        int id = 0;
        Peer peer;
        std::uint32_t nodeAddress = 0;  // IPv4 address its nodes start with (host order)
    };
    using Deliver = std::function<void(const Member &to, const QByteArray &frame)>;

    // Adds a member, or moves it to another socket or node address. Refused (and
    // nothing changes) when another member holds that socket or node address.
    bool join(int id, Peer peer, std::uint32_t nodeAddress);
    void leave(int id);
    const Member *member(int id) const;
    const Member *memberAt(const Peer &peer) const;
    int size() const { return int(m_members.size()); }

    struct Outcome {
        const Member *sender = nullptr;  // the member it came from, when it is one
        std::optional<Drop> drop;
    };
    // One frame (a whole datagram) that arrived from `from`.
    Outcome route(const QByteArray &frame, const Peer &from, const Deliver &deliver);

    const RouteCounters &counters() const { return m_counters; }
    // Counts a frame the caller dropped itself (an unwelcome hello).
    void countDrop(Drop drop) { ++m_counters.dropped[std::size_t(drop)]; }

private:
    Outcome dropped(Drop drop, const Member *sender);

    QHash<int, Member> m_members;
    QHash<Peer, int> m_byPeer;
    QHash<std::uint32_t, int> m_byNode;
    RouteCounters m_counters;
};

} // namespace ferry::tunnel
