#pragma once

// A Descent or Descent II game master on the IPX network, as the games behave:
// it registers with an IPX endpoint as a DOSBox client and answers the requests
// that reach its IPX socket. Descent II answers a game list request (56) with its
// announcement (43) and a request for its game (44, with its security value) with
// the full game information (57) and the players (45); Descent I answers its
// request (36) with its game information (37). Every answer goes to the network
// and node written inside the request, not to the packet's source.

#include "protocol/ipxpacket.h"
#include "tests/chat/spy/descentwire.h"

#include <QHostAddress>
#include <QTest>
#include <QUdpSocket>

class DescentHost {
public:
    enum class Game { Descent1, Descent2 };

    DescentHost(Game game, std::uint16_t ipxSocket, descentwire::Game info)
        : info(std::move(info)), m_game(game), m_socket(ipxSocket)
    {
        QObject::connect(&m_udp, &QUdpSocket::readyRead, [this] { read(); });
    }

    descentwire::Game info;
    // Whether a request for the game's details is answered at once; when not, the
    // test answers with answerDetails().
    bool answerDetailsAtOnce = true;
    // The request payloads that reached the host, in order.
    QList<QByteArray> requests;

    // Registers with the endpoint; false when it did not answer within 5 s.
    bool registerWith(const QHostAddress &endpoint, quint16 port)
    {
        m_endpoint = endpoint;
        m_port = port;
        if (!m_udp.bind(QHostAddress::LocalHost, 0))
            return false;
        m_udp.writeDatagram(ferry::ipx::registrationRequest(), endpoint, port);
        return QTest::qWaitFor([this] { return m_registered; }, 5000);
    }
    const ferry::ipx::Address &address() const { return m_own; }
    // Where the last request asked the answer to go.
    const ferry::ipx::Address &lastRequester() const { return m_lastRequester; }

    // Sends the game's announcement (with its name as given) to a requester.
    void announceTo(const ferry::ipx::Address &to, const QByteArray &name)
    {
        descentwire::Game g = info;
        g.name = name;
        send(to, m_game == Game::Descent2 ? descentwire::descent2Announcement(g) : descentwire::descent1GameInfo(g));
    }
    // Answers the last request for the game's details.
    void answerDetails()
    {
        send(m_detailsRequester, descentwire::descent2GameInfo(info));
        send(m_detailsRequester, descentwire::descent2Players(info));
    }
    // The requests of a type seen so far.
    QList<QByteArray> requestsOfType(std::uint8_t type) const
    {
        QList<QByteArray> of;
        for (const QByteArray &r : requests)
            if (r.size() > 4 && std::uint8_t(r[4]) == type)
                of << r;
        return of;
    }

private:
    void read()
    {
        while (m_udp.hasPendingDatagrams()) {
            QByteArray packet(2048, '\0');
            packet.truncate(m_udp.readDatagram(packet.data(), packet.size()));
            const auto header = ferry::ipx::parseHeader(packet);
            if (!header)
                continue;
            if (!m_registered) {
                m_own = header->destination;
                m_own.socket = m_socket;
                m_registered = true;
                continue;
            }
            if (header->destination.socket == m_socket)
                onRequest(ferry::ipx::payload(packet, *header));
        }
    }

    // The requester's address as the request writes it.
    static ferry::ipx::Address requester(const QByteArray &r, int at, std::uint16_t socket)
    {
        ferry::ipx::Address a;
        a.network = std::uint32_t(std::uint8_t(r[at])) << 24 | std::uint32_t(std::uint8_t(r[at + 1])) << 16
                    | std::uint32_t(std::uint8_t(r[at + 2])) << 8 | std::uint8_t(r[at + 3]);
        for (int i = 0; i < 6; ++i)
            a.node[std::size_t(i)] = std::uint8_t(r[at + 4 + i]);
        a.socket = socket;
        return a;
    }

    void onRequest(const QByteArray &r)
    {
        if (r.size() < 38)
            return;
        requests << r;
        const std::uint8_t type = std::uint8_t(r[4]);
        m_lastRequester = requester(r, m_game == Game::Descent2 ? 21 : 14, m_socket);
        if (m_game == Game::Descent2 && type == 56) {
            announceTo(m_lastRequester, info.name);
        } else if (m_game == Game::Descent2 && type == 44) {
            std::uint32_t security = 0;
            for (int i = 3; i >= 0; --i)
                security = security << 8 | std::uint8_t(r[5 + i]);
            if (security != info.security)
                return;
            m_detailsRequester = m_lastRequester;
            if (answerDetailsAtOnce)
                answerDetails();
        } else if (m_game == Game::Descent1 && type == 36) {
            announceTo(m_lastRequester, info.name);
        }
    }

    void send(const ferry::ipx::Address &to, const QByteArray &payload)
    {
        ferry::ipx::Header h;
        h.packetType = 4;
        h.destination = to;
        h.source = m_own;
        m_udp.writeDatagram(ferry::ipx::buildPacket(h, payload), m_endpoint, m_port);
    }

    Game m_game;
    std::uint16_t m_socket;
    QUdpSocket m_udp;
    QHostAddress m_endpoint;
    quint16 m_port = 0;
    bool m_registered = false;
    ferry::ipx::Address m_own;
    ferry::ipx::Address m_lastRequester;
    ferry::ipx::Address m_detailsRequester;
};
