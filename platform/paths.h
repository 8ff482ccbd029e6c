#pragma once

#include <QString>

namespace ferry {

// The folder that holds registry.db, tavern97.ini and the other state files:
// $FERRY_HOME when set, else ${XDG_CONFIG_HOME:-~/.config}/hollowell. Created on first use.
QString dataDir();

// A path inside dataDir().
QString dataFile(const QString &name);

// Name of the shared session block: $FERRY_SHM_NAME, else "ferry_shared_mem." and
// the user id, so that each user of the machine has a block of their own.
QString sharedBlockName();

// A folder that only this user may enter, for the programs' local sockets:
// $XDG_RUNTIME_DIR when it is such a folder, else "lanway98-<uid>" in the
// temporary folder, made when missing. Empty when neither is a real folder of
// the user's own closed to everyone else (another user may have put it there first).
QString privateRuntimeDir();

} // namespace ferry
