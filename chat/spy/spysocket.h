#pragma once

// The game spy's IPX datagram socket, behind an interface so that the listener
// can be driven by tests that hand it datagrams. Opening may take a while (the
// IPX network hands out the address): until the socket is ready it sends nothing
// and receives nothing; when it cannot open it turns failed with the text to show.

#include "chat/spy/spypackets.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace tavern::spy {

struct SpyDatagram {
    QByteArray payload;
    SpyAddress from;
};

class ISpySocket {
public:
    enum class State { Opening, Ready, Failed };

    virtual ~ISpySocket() = default;

    // Binds the IPX socket number: datagrams sent to it are received, sends leave from it.
    // Binding again moves the socket to the new number.
    virtual void Bind(std::uint16_t socket) = 0;
    virtual State state() const = 0;
    // What to tell the user when the socket failed.
    virtual QString failureText() const = 0;
    // The own network and node (socket: the bound number); valid once ready.
    virtual SpyAddress ownAddress() const = 0;
    // Sends one datagram; errors are ignored (the network is lossy anyway).
    virtual void SendTo(const SpyAddress &to, const QByteArray &payload) = 0;
    // The next datagram waiting for the bound socket, without waiting; nullopt when
    // none. Also carries the opening forward.
    virtual std::optional<SpyDatagram> Receive() = 0;
};

} // namespace tavern::spy
