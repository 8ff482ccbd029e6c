#pragma once

// Where the control center's settings come from at start-up, and the writes its
// dialogs make.
//
// Start-up: a "settings.reg" file in the working folder is imported and deleted;
// then the settings key is read. When it cannot be read, the older key is copied
// over, or on a first start the defaults are written, and the key is read again.

#include "controlcenter/settings.h"

#include <QString>

namespace ferry {

inline constexpr char SettingsFileName[] = "settings.reg";

// Imports folder/settings.reg into the registry when it exists; the import has
// finished (and its values are written) when this returns. The file is deleted
// only when every line of it was imported: a file refused (cut off, not a
// registration file) or imported in part stays where it is, and *problem then
// names the file and its first problem, for the one warning the player sees.
// True when a file was found.
bool importSettingsFile(const QString &folder, QString *problem = nullptr);

// Copies every value of the older settings key into the current one, creating
// that key and its Servers subkey. False when the older key is missing or holds
// fewer than two values.
bool copyLegacySettings();

// Creates the settings key with the values of a first start and its Servers subkey.
void writeDefaultSettings();

// Reads the settings; when that fails, copies the older key or writes the
// defaults and reads again. False when the settings are still unreadable.
bool loadSettings(ControlCenterSettings &settings);

// The settings dialog's writes on OK.
void writeIdentitySettings(const QString &nickname, const QString &email, const QString &addressText,
                           bool alwaysUseAddress);
// The advanced settings dialog's writes on OK.
void writeAdvancedFlags(const AdvancedFlags &flags);

} // namespace ferry
