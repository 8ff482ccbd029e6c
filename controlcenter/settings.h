#pragma once

// The control center's settings record: what it reads from its registry key at
// start-up and after every settings change, plus what it learns at run time (the
// own address, the host name, the connection state).
//
// Flags are stored as the strings "True" and "False"; a flag is on when its text
// equals "True" without regard to case. Value names match without regard to case.

#include "platform/driverrecord.h"

#include <QString>

class CRegistry;

namespace ferry {

namespace settingskeys {
inline constexpr char Ferry97[] = "SOFTWARE\\Hollowell\\Ferry97";
inline constexpr char Hollowell[] = "SOFTWARE\\Hollowell";
// Where settings lived before the current key; copied over when the current key is missing.
inline constexpr char Legacy[] = "SOFTWARE\\Hollowell\\Ferry";
inline constexpr char Servers[] = "SOFTWARE\\Hollowell\\Ferry97\\Servers";

inline constexpr char Nickname[] = "Nickname";
inline constexpr char Email[] = "Email";
inline constexpr char IpAddress[] = "IP Address";
inline constexpr char AlwaysUseIp[] = "AlwaysUseIP";
inline constexpr char EnableCompression[] = "EnableCompression";
inline constexpr char EnableIpxWinsock[] = "EnableIPXWinsock";
inline constexpr char BufferSends[] = "BufferSends";
inline constexpr char SendSocketClose[] = "SendSocketClose";
inline constexpr char RunChatOnConnect[] = "RunChatOnConnect";
inline constexpr char DisableAltTab[] = "DisableALTTAB";
inline constexpr char SortByTask[] = "SortByTask";
inline constexpr char TranslateTaskNames[] = "TranslateTaskNames";
inline constexpr char HelpServer[] = "HelpServer";
inline constexpr char FirstHelpPage[] = "FirstHelpPage";
inline constexpr char ChatServer[] = "ChatServer";
inline constexpr char Tracker[] = "tracker";
} // namespace settingskeys

// Written on a first start, when no settings exist yet.
inline constexpr char DefaultNickname[] = "YourNickName";
inline constexpr char DefaultEmail[] = "you@example.com";

// On when text equals "True" without regard to case.
bool flagIsOn(const QString &text);
// "True" or "False", the form the control center writes.
QString flagText(bool on);

// The flags of the advanced settings dialog.
struct AdvancedFlags {
    bool enableCompression = false;
    bool runChatOnConnect = false;
    bool enableIpxWinsock = false;
    bool bufferSends = false;
    bool sendSocketClose = false;
    bool disableAltTab = false;
    bool operator==(const AdvancedFlags &) const = default;
};

// The advanced flags and the registry values that hold them, in the dialog's order.
struct AdvancedFlagValue {
    const char *valueName;
    bool AdvancedFlags::*flag;
};
inline constexpr AdvancedFlagValue kAdvancedFlagValues[] = {
    {settingskeys::EnableCompression, &AdvancedFlags::enableCompression},
    {settingskeys::RunChatOnConnect, &AdvancedFlags::runChatOnConnect},
    {settingskeys::EnableIpxWinsock, &AdvancedFlags::enableIpxWinsock},
    {settingskeys::BufferSends, &AdvancedFlags::bufferSends},
    {settingskeys::SendSocketClose, &AdvancedFlags::sendSocketClose},
    {settingskeys::DisableAltTab, &AdvancedFlags::disableAltTab},
};

// Connection states of the sign-on.
enum ConnectionState : int {
    NotConnected = 0,
    SigningOn = 1,
    SignedOn = 2,
    LocalServerRunning = 3,
    SigningOff = 4,
};

struct ControlCenterSettings {
    QString nickname;
    QString email;
    // The address typed in the settings dialog; 0 and empty when none is configured.
    quint32 configuredAddress = 0;
    QString configuredAddressText;
    // The address sockets, the driver and the shared block use (host-order number
    // and dotted text); detected at start-up or chosen by the player.
    quint32 ownAddress = 0;
    QString ownAddressText = QStringLiteral("0.0.0.0");
    QString hostName;
    QString helpServer;
    QString firstHelpPage;
    QString chatServer;   // host:port
    QString tracker;
    bool alwaysUseConfiguredAddress = false;
    AdvancedFlags advanced;
    bool sortByTask = true;
    bool translateTaskNames = true;
    int connectionState = NotConnected;

    // Reads the settings key. False when the key is missing or holds fewer than two
    // values; fields whose value is missing keep what they hold.
    bool read(CRegistry &registry);
    // The same through the process's registry.
    bool read();

    void setOwnAddress(quint32 address);
    // The Help button's target: help server followed directly by the first page.
    QString helpUrl() const { return helpServer + firstHelpPage; }
    // Whether the player is signed on or runs a local server (the chat client may run).
    bool inSession() const { return connectionState == SignedOn || connectionState == LocalServerRunning; }

    // The driver record's option words from the flags.
    void fillDriverOptions(DriverStatusRecord &record) const;
};

// Keeping the task-switching keys blocked has no equivalent on Linux desktops;
// the flag is kept and written but changes nothing here.
void applyDisableAltTab(bool on);

} // namespace ferry
