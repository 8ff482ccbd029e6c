#pragma once

// User-visible texts of the sign-on, sign-off, local server and relay, as the
// player sees them and the tests compare them.

namespace ferry::connectiontexts {

inline constexpr char NotConnected[] = "Not Connected";
inline constexpr char Connecting[] = "Connecting";
inline constexpr char Connected[] = "Connected";
inline constexpr char LocalServerActive[] = "Local Server Active";
inline constexpr char Disconnecting[] = "Disconnecting";
inline constexpr char UnknownState[] = "Beats Me!";

inline constexpr char ConnectButton[] = "&Connect";
inline constexpr char DisconnectButton[] = "&Disconnect";

// The target word of the local server toggle, compared without regard to case.
inline constexpr char LocalTarget[] = "Local";

inline constexpr char NicknameInUse[] =
    "Your nickname is the same as another player. Change it to something else in the Settings Dialog.";
inline constexpr char ServerFull[] =
    "The server is full, no more players are allowed. Try again later or select another server.";
inline constexpr char NoAccess[] = "You have no access to this server. Sorry.";
inline constexpr char NotConnectedToServer[] =
    "You are not connected to a server or have selected play game. Stop the current game and the try chatting "
    "again.";
inline constexpr char SocketFailed[] =
    "Lanway98 was unable to create the default socket. This error  is normally due to an incorrect IP address. "
    "Please select an IP address from the following dialog or enter it manually in the settings dialog after "
    "Lanway98 starts.";
inline constexpr char InvalidServer[] = "Invalid Server Selected";
inline constexpr char UnableToConnect[] = "Unable to connect to selected server.";
inline constexpr char CouldNotLogoff[] =
    "Could not logoff of this server, logging on again may fail with duplicate nickname.";

} // namespace ferry::connectiontexts
