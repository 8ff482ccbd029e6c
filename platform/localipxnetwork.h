#pragma once

// The player's own IPX network: the local clients (DOSBox instances, the game
// spy) registered with the local endpoint, and where each packet they send goes.
// No sockets here: the transport hands in what its sockets receive and sends
// what this decides, so every rule can be driven directly.
//
// A client registers with a bare header to socket 2 and gets a node of its own:
// the player's address reversed, then its number (1, 2, ...). At most 64 clients
// are registered at a time. DOSBox says no goodbye when it quits, so a client
// silent for a while is sent an echo ping (a broadcast to socket 2, which DOSBox
// answers itself, even while its game idles); one that answers nothing after a
// few pings is forgotten, and the driver soon stops reporting a game. A broadcast
// goes to every other local client and into the tunnel, a unicast to a local
// node stays local, anything else goes into the tunnel. Packets from the tunnel
// reach the local client they name, or all of them when broadcast.

#include "protocol/ipxpacket.h"
#include "protocol/tunnelrouter.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <functional>
#include <optional>

namespace ferry {

class LocalIpxNetwork {
public:
    static constexpr int kMaxClients = 64;
    // The network number every local client is given (DOSBox's own server gives 0).
    static constexpr std::uint32_t kNetwork = 0;

    struct Client {
        tunnel::Peer peer;
        ipx::Node node{};
        qint64 lastHeardMs = 0;
        int pingsUnanswered = 0;
    };

    // When a silent client is pinged and how long it may stay silent: pinged
    // once quietMs have passed since it was last heard, then on every check
    // (checkSilentClients, every intervalMs), forgotten on the check after
    // `pings` unanswered pings: with the defaults 35 to 40 s after it quit.
    struct KeepAlive {
        qint64 quietMs = 20 * 1000;
        int intervalMs = 5 * 1000;
        int pings = 3;
    };

    using SendToClient = std::function<void(const tunnel::Peer &to, const QByteArray &packet)>;
    using SendToTunnel = std::function<void(const QByteArray &packet)>;
    using Clock = std::function<qint64()>;  // milliseconds, monotonic

    LocalIpxNetwork(SendToClient toClient, SendToTunnel toTunnel);

    // The player's address, whose reversed bytes start every node. Changing it
    // forgets every client (their nodes no longer hold).
    void setOwnAddress(std::uint32_t ipv4);
    std::uint32_t ownAddress() const { return m_ownAddress; }
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setKeepAlive(const KeepAlive &keepAlive) { m_keepAlive = keepAlive; }
    const KeepAlive &keepAlive() const { return m_keepAlive; }

    enum class Verdict { Registered, Refused, Delivered, NotAClient, Spoofed, Oversize, Malformed, NoSuchNode };
    // One datagram from a local client's socket.
    Verdict fromClient(const QByteArray &datagram, const tunnel::Peer &from);
    // One IPX packet out of the tunnel; returns how many local clients it reached.
    int fromTunnel(const QByteArray &packet);

    // Pings the clients silent for quietMs and forgets those that have left
    // their pings unanswered. Returns how many pings went out.
    int checkSilentClients();
    void clear() { m_clients.clear(); }

    const QList<Client> &clients() const { return m_clients; }
    int clientCount() const { return int(m_clients.size()); }

private:
    Verdict registerClient(const tunnel::Peer &from);
    Client *clientAt(const tunnel::Peer &peer);
    const Client *clientWithNode(const ipx::Node &node) const;
    std::uint16_t nextClientNumber();
    void sendToClient(const Client &c, const QByteArray &packet) { m_toClient(c.peer, packet); }

    SendToClient m_toClient;
    SendToTunnel m_toTunnel;
    Clock m_clock;
    KeepAlive m_keepAlive;
    std::uint32_t m_ownAddress = 0;
    std::uint16_t m_lastNumber = 0;
    QList<Client> m_clients;
};

} // namespace ferry
