#pragma once

// IPX packets as DOSBox carries them over UDP: one datagram holds one raw IPX
// packet, a 30-byte header followed by the data, every header field big-endian.
//
//   0  checksum (0xFFFF: none)      2  length, header included
//   4  transport control (hops)     5  packet type
//   6  destination network (4)     10 destination node (6)   16 destination socket
//   18 source network (4)           22 source node (6)        28 source socket
//
// A client registers by sending a bare header to socket 2 with a zero
// destination node; the answer's destination network and node are its address
// from then on. Socket 2 also carries the echo pings of "ipxnet ping".
//
// Nodes of this network: bytes 0..3 are the player's IPv4 address in reverse
// byte order (byte 3 is the first address byte, so bytes 3,2,1,0 read as the
// dotted address), bytes 4..5 number the local clients of that player.
//
// Parsing is bounded by the received size; the length field is checked against
// it and never trusted to read further.

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace ferry::ipx {

inline constexpr std::size_t kHeaderSize = 30;
inline constexpr std::size_t kNodeSize = 6;
// The largest packet carried: a datagram of 1,500 bytes at most, header included.
inline constexpr std::size_t kMaxPacket = 1500;
inline constexpr std::uint16_t kNoChecksum = 0xFFFF;
// Registration and echo (ping) socket.
inline constexpr std::uint16_t kEchoSocket = 2;

using Node = std::array<std::uint8_t, kNodeSize>;

inline constexpr Node kBroadcastNode = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

struct Address {
    std::uint32_t network = 0;
    Node node{};
    std::uint16_t socket = 0;
    bool operator==(const Address &) const = default;
};

struct Header {
    std::uint16_t checksum = kNoChecksum;
    std::uint16_t length = kHeaderSize;
    std::uint8_t transportControl = 0;
    std::uint8_t packetType = 0;
    Address destination;
    Address source;
    bool operator==(const Header &) const = default;
};

// The 30 header bytes, the length field as given.
QByteArray encodeHeader(const Header &header);
// Header and data; the length field becomes 30 + the data's size.
QByteArray buildPacket(Header header, const QByteArray &data);

// The header of a received packet. Nothing when fewer than 30 bytes arrived, or
// the length field is below 30 or beyond the bytes received.
std::optional<Header> parseHeader(const char *data, std::size_t size);
inline std::optional<Header> parseHeader(const QByteArray &packet)
{
    return parseHeader(packet.constData(), std::size_t(packet.size()));
}
// The data after the header, as far as the header's length field reaches.
QByteArray payload(const QByteArray &packet, const Header &header);

// A destination node whose first four bytes are 0xFF reaches every client, as
// DOSBox's own server decides.
bool isBroadcast(const Node &node);

// The node of a player's local client: the address reversed, then the number.
Node nodeFor(std::uint32_t ipv4, std::uint16_t clientNumber);
// The IPv4 address (host order) a node's first four bytes stand for.
std::uint32_t nodeAddress(const Node &node);
// The local client number in bytes 4..5.
std::uint16_t nodeClientNumber(const Node &node);

// Registration: a bare header to socket 2 whose destination node starts with
// four zero bytes (DOSBox sends zero networks and nodes, and source socket 2).
bool isRegistrationRequest(const Header &header);
QByteArray registrationRequest();
// The answer: destination = the client's new address (network, node, socket 2);
// source network 1 and the endpoint's own node, socket 2.
QByteArray registrationReply(std::uint32_t network, const Node &clientNode, const Node &endpointNode);

} // namespace ferry::ipx
