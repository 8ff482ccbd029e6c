#pragma once

// The game spy's IPX socket on Linux, where the kernel has no IPX: a client of
// the IPX-over-UDP tunnelling protocol DOSBox speaks, registered with the
// control center's local IPX endpoint. The registration's answer gives the own
// network and node; a binding is only the IPX socket number the spy sends from
// and accepts, so changing it keeps the registration (and the endpoint's client
// slot). Only datagrams from the endpoint itself are read.

#include "chat/spy/spysocket.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QUdpSocket>

#include <array>

namespace tavern::spy {

class CIpxSpySocket : public ISpySocket {
public:
    static constexpr int kRegistrationTimeoutMs = 3000;
    static constexpr const char *kCannotInitialize = "Unable to initialize Winsock IPX";
    static constexpr const char *kCannotBind = "Unable to bind socket";

    // Registers at once with the endpoint at host:port.
    CIpxSpySocket(const QHostAddress &endpoint, quint16 port);

    void Bind(std::uint16_t socket) override;
    State state() const override { return m_state; }
    QString failureText() const override { return m_failure; }
    SpyAddress ownAddress() const override { return m_own; }
    void SendTo(const SpyAddress &to, const QByteArray &payload) override;
    std::optional<SpyDatagram> Receive() override;

private:
    void fail(const char *text);
    // A datagram from the endpoint, checked; nullopt for anything not for the spy.
    std::optional<SpyDatagram> accept(const QByteArray &packet);

    QUdpSocket m_udp;
    QHostAddress m_endpoint;
    quint16 m_port;
    State m_state = State::Opening;
    QString m_failure;
    SpyAddress m_own;
    QElapsedTimer m_registering;
};

} // namespace tavern::spy
