#pragma once

// User-visible texts of the control center's boxes that more than one place needs
// or that tests compare against.

namespace ferry::messages {

inline constexpr char ErrorCaption[] = "Error";

inline constexpr char SettingsUnreadable[] =
    "Unable to read Lanway98 registry parameters.\nPlease install Lanway98 again.";
inline constexpr char SplashFailed[] = "Failed to create splash screen";
inline constexpr char InvalidAddress[] = "Invalid IP Address, try again.";
inline constexpr char NicknameHasSpace[] = "Nicknames cannot contain a space. Please try again.";
inline constexpr char UnsafeExitQuestion[] =
    "There is a still a process using Lanway98 and it might not be safe to exit. Are you sure you want to "
    "leave Lanway98?";
inline constexpr char UnsafeExitCaption[] = "Safe to Exit?";
inline constexpr char ProxyFieldsRequired[] =
    "Both the name and port are required to use a proxy. Please fill them both out.";

// Values the player's own texts above do not cover; refused in the same manner.
inline constexpr char NicknameEmpty[] = "Nicknames cannot be empty. Please try again.";
inline constexpr char ServerDescriptionEmpty[] = "Server descriptions cannot be empty. Please try again.";
inline constexpr char ProxyPortInvalid[] = "The proxy port must be a number from 1 to 65535. Please try again.";

} // namespace ferry::messages
