#pragma once

// The byte work of the control center's ping relay between the chat client and
// the servers, kept free of sockets and clocks: the caller supplies the own
// address, the sequence number and the millisecond tick count.

#include "protocol/serverdatagrams.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace ferry::datagrams {

// A chat client's ping record wrapped for a server or a peer.
struct PingRelay {
    QByteArray datagram;           // type 8, sequence, markers, the record
    bool toPeer = false;           // true: send to peerAddress; false: to the chosen server
    std::uint32_t peerAddress = 0; // host order, meaningful when toPeer
};

// Wraps a datagram from the chat client (anything but a service request) for
// sending at port 2210. The record's address names the peer: when it is not zero
// and not the own address, the datagram goes straight to the peer (a ping request
// then carries the tick count at 17..20 of the record); otherwise to the server.
// Either way the record's address becomes the own address. Refused when the
// datagram is shorter than a record or its counted payload overruns it.
std::optional<PingRelay> wrapForRelay(const QByteArray &fromChatClient, std::uint16_t sequence,
                                      std::uint32_t ownAddress, std::uint32_t tickMs);

// What a relayed ping from a server or peer (type 7 or 8) asks of the control center.
struct PeerPingAction {
    enum Kind { AnswerSender, RelayToChatClient } kind = AnswerSender;
    QByteArray datagram;  // AnswerSender: the datagram to send back; else the record for the chat client
};

// A ping request (record type 5) is answered at once: the record becomes type 6
// and carries the own nickname. An answer (record type 6) is handed to the chat
// client as a bare ping record (its first 29 bytes) carrying elapsedMs, the time
// since its ping went out, at 17..20. Refused when the markers or the length are
// wrong, and for any other record: nothing but ping answers reaches the chat client.
std::optional<PeerPingAction> handlePeerPing(const QByteArray &datagram, const QByteArray &ownNickname,
                                             std::uint32_t elapsedMs);

} // namespace ferry::datagrams
