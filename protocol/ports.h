#pragma once

#include <QtGlobal>
#include <cstdint>

// Fixed UDP ports and addresses of the network. Every fixed port is moved by
// $FERRY_PORT_OFFSET on both sides so that tests can run side by side.
namespace ferry {

inline constexpr std::uint16_t kServerPort = 2210;      // tunnelling server sign-on and relay
inline constexpr std::uint16_t kTunnelPort = 2211;      // tunnelling server's tunnel endpoint (IPX frames)
inline constexpr std::uint16_t kIpxEndpointPort = 2213; // a player's local IPX endpoint (DOSBox protocol)
inline constexpr std::uint16_t kServicePort = 2217;     // control center's relay for the chat client
inline constexpr std::uint16_t kChatLinkPort = 2218;    // chat client's local game-service socket
inline constexpr std::uint16_t kTrackerPort = 2224;     // tracker directory
inline constexpr std::uint16_t kChatServerPort = 6667;  // default chat server port (not offset)
inline constexpr std::uint16_t kFingerPort = 79;        // finger service (not offset)
inline constexpr const char *kLoopbackAddress = "127.0.0.1";

inline int portOffset()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("FERRY_PORT_OFFSET", &ok);
    return ok ? n : 0;
}

// A fixed port plus the offset.
inline std::uint16_t port(std::uint16_t fixed)
{
    return static_cast<std::uint16_t>(fixed + portOffset());
}

} // namespace ferry
