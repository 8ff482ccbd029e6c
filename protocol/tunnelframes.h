#pragma once

// The frames between a player's tunnel driver and the tunnelling server's tunnel
// endpoint (the address and port of the accept datagram), one frame per UDP
// datagram, at most 1,500 bytes:
//
//   Hello    1, own address (4, network order), nickname[16] NUL-terminated: 21 bytes
//            The driver introduces its socket; the server accepts it only from the
//            address and with the nickname of a signed-on player. Sent again every
//            20 seconds as the keep-alive that holds NAT mappings open.
//   Welcome  2, node address (4, network order): 5 bytes
//            The server's answer to every accepted Hello.
//   Ipx      3, then one raw IPX packet (protocol/ipxpacket.h), either direction.
//
// A frame of any other type, or one shorter than its type needs, is malformed.

#include "protocol/datagram.h"
#include "protocol/ipxpacket.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ferry::tunnel {

enum class TunnelType : std::uint8_t {
    Hello = 1,
    Welcome = 2,
    Ipx = 3,
};

inline constexpr std::size_t kMaxFrame = datagrams::kMaxDatagram;
inline constexpr std::size_t kHelloSize = 21;
inline constexpr std::size_t kHelloNicknameField = 16;
inline constexpr std::size_t kWelcomeSize = 5;
// The type byte in front of an IPX packet.
inline constexpr std::size_t kIpxFrameOverhead = 1;
// Seconds between keep-alives of a driver, and of silence after which a peer is forgotten.
inline constexpr int kKeepAliveSeconds = 20;
inline constexpr int kSilenceLimitSeconds = 10 * 60;

struct Hello {
    std::uint32_t ownAddress = 0;  // host order
    QByteArray nickname;           // at most 15 bytes travel
};
QByteArray encodeHello(const Hello &hello);
std::optional<Hello> decodeHello(const QByteArray &frame);

QByteArray encodeWelcome(std::uint32_t nodeAddress);
// The node address a Welcome confirms (host order).
std::optional<std::uint32_t> decodeWelcome(const QByteArray &frame);

QByteArray encodeIpxFrame(const QByteArray &packet);
// The IPX header of an Ipx frame; nothing when the frame is not one or the packet
// inside is malformed (ipx::parseHeader).
std::optional<ipx::Header> ipxFrameHeader(const QByteArray &frame);
// The packet inside an Ipx frame, exactly as long as its header says.
QByteArray ipxFramePacket(const QByteArray &frame, const ipx::Header &header);

} // namespace ferry::tunnel
