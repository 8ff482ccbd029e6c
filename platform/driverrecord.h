#pragma once

// The 56-byte status record exchanged with the tunnel driver on every control
// call. The caller fills the "in" fields, the driver writes the "out" fields.
// Words are little-endian; the record is always read and written through
// encode()/decode(), never by casting a struct onto the bytes.

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>

namespace ferry {

namespace driverrecord {
inline constexpr std::size_t kAddressOffset = 0;          // own address / tunnel address word
inline constexpr std::size_t kServerAddressOffset = 4;    // server address, network order
inline constexpr std::size_t kStateOffset = 8;            // out: tunnel state / IPX-not-bound word
inline constexpr std::size_t kBusyOffset = 12;            // out: an application uses the tunnel
inline constexpr std::size_t kReservedOffset = 16;
inline constexpr std::size_t kCompressionOffset = 20;
inline constexpr std::size_t kUnbufferedSendsOffset = 24;
inline constexpr std::size_t kIpxOverSocketsOffset = 28;
inline constexpr std::size_t kSendSocketCloseOffset = 32;
inline constexpr std::size_t kTunnelPortOffset = 36;      // 16 bits, host order
inline constexpr std::size_t kNicknameOffset = 38;
inline constexpr std::size_t kNicknameSize = 18;          // NUL-terminated
inline constexpr std::size_t kSize = 56;
static_assert(kNicknameOffset + kNicknameSize == kSize, "status record is 56 bytes");
static_assert(kTunnelPortOffset + 2 == kNicknameOffset, "port field is 16 bits wide");
} // namespace driverrecord

// Values of the word at offset 8 after code 3.
enum class DriverTunnelState : std::uint32_t { NoTunnel = 1, TunnelToServer = 2 };

using DriverRecordBytes = std::array<unsigned char, driverrecord::kSize>;

struct DriverStatusRecord {
    // Offset 0. Codes 5, 6, 7: own address in network order; code 9: the tunnel
    // address word of the accept datagram in host order. Use the helpers below.
    std::uint32_t addressWord = 0;
    std::uint32_t serverAddressWord = 0;   // offset 4, network order (code 2)
    std::uint32_t stateWord = 0;           // offset 8, written by the driver
    std::uint32_t busyWord = 0;            // offset 12, written by the driver
    std::uint32_t reserved = 0;            // offset 16
    std::uint32_t compression = 0;         // offset 20
    std::uint32_t unbufferedSends = 0;     // offset 24
    std::uint32_t ipxOverSockets = 0;      // offset 28
    std::uint32_t sendSocketClose = 0;     // offset 32
    std::uint16_t tunnelPort = 0;          // offset 36, host order (code 9)
    QByteArray nickname;                   // offset 38; cut to 17 bytes on encode

    DriverRecordBytes encode() const;
    static DriverStatusRecord decode(const DriverRecordBytes &bytes);
    // Decodes the first 56 bytes; a shorter buffer yields a record of zeros.
    static DriverStatusRecord decode(const QByteArray &bytes);

    // The own or server address (IPv4 as a host-order number, e.g. 0x7F000001)
    // stored so that the record's bytes hold it in network order.
    void setOwnAddress(std::uint32_t ipv4) { addressWord = networkOrderWord(ipv4); }
    std::uint32_t ownAddress() const { return ipv4FromNetworkOrderWord(addressWord); }
    void setServerAddress(std::uint32_t ipv4) { serverAddressWord = networkOrderWord(ipv4); }
    std::uint32_t serverAddress() const { return ipv4FromNetworkOrderWord(serverAddressWord); }

    // The word whose little-endian bytes spell ipv4 in network order, and back.
    static std::uint32_t networkOrderWord(std::uint32_t ipv4);
    static std::uint32_t ipv4FromNetworkOrderWord(std::uint32_t word) { return networkOrderWord(word); }

    bool operator==(const DriverStatusRecord &) const = default;
};

} // namespace ferry
