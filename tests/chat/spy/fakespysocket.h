#pragma once

// A spy socket the test holds on to after handing it to a listener: it records
// what is sent and bound, and hands over the datagrams the test queues.

#include "chat/spy/spysocket.h"

#include <QList>

#include <memory>

struct FakeSpyNetwork {
    tavern::spy::ISpySocket::State state = tavern::spy::ISpySocket::State::Ready;
    QString failure;
    tavern::spy::SpyAddress own;
    QList<std::uint16_t> bound;
    QList<tavern::spy::SpyDatagram> sent; // "from" holds the destination
    QList<tavern::spy::SpyDatagram> incoming;

    void deliver(const QByteArray &payload, const tavern::spy::SpyAddress &from = {})
    {
        incoming.append({payload, from});
    }
};

class FakeSpySocket : public tavern::spy::ISpySocket {
public:
    explicit FakeSpySocket(std::shared_ptr<FakeSpyNetwork> net) : m_net(std::move(net)) {}

    void Bind(std::uint16_t socket) override { m_net->bound << socket; }
    State state() const override { return m_net->state; }
    QString failureText() const override { return m_net->failure; }
    tavern::spy::SpyAddress ownAddress() const override { return m_net->own; }
    void SendTo(const tavern::spy::SpyAddress &to, const QByteArray &payload) override
    {
        if (m_net->state == State::Ready)
            m_net->sent.append({payload, to});
    }
    std::optional<tavern::spy::SpyDatagram> Receive() override
    {
        if (m_net->state != State::Ready || m_net->incoming.isEmpty())
            return std::nullopt;
        return m_net->incoming.takeFirst();
    }

private:
    std::shared_ptr<FakeSpyNetwork> m_net;
};
