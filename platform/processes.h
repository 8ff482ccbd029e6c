#pragma once

// Questions about other processes of this user, by process id.

#include <QString>

namespace ferry::processes {

// True when the process exists, has not ended (a zombie has), and runs the program
// named programName (its executable's file name, e.g. "tavern97"). A process id
// reused by another program does not count.
bool isRunningProgram(qint64 pid, const QString &programName);

// When the process started (clock ticks after boot, /proc/<pid>/stat field 22): together
// with the id it names one process, as ids are reused. 0 when it does not run (or is a zombie).
quint64 startTime(qint64 pid);

// Sends SIGTERM to the process when it is running programName; false otherwise.
bool terminateProgram(qint64 pid, const QString &programName);

} // namespace ferry::processes
