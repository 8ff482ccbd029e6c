#pragma once

// Starting the program of a launchpad slot, as the desktop's "open" would, never
// through a shell:
//   - a desktop entry (.desktop) runs its Exec line;
//   - a DOS program (an MZ file without a Windows header, .com, .bat) runs in DOSBox:
//     its folder mounted as C:, IPX on and connected to the control center's IPX
//     endpoint, the program run with its parameters, DOSBox ending with it;
//   - a Windows program (PE or NE) runs through wine;
//   - any other executable file starts with the parameters split as a shell would;
//   - anything else opens with the desktop's default application.
// The working directory is the program's folder.

#include "chat/launchpad/launchslots.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace tavern {

enum class ProgramKind { Missing, DesktopEntry, Dos, Windows, Executable, Document };

ProgramKind ClassifyProgram(const QString &path);

// What a start depends on besides the slot.
struct CStartContext {
    // Full path of a helper program by name ("dosbox", "wine"); empty when not installed.
    std::function<QString(const QString &name)> findProgram;
    // A DOSBox configuration file that turns IPX on (given to DOSBox after the user's own).
    QString dosboxIpxConfig;
    // The control center's IPX endpoint DOSBox connects to; no connection when the host is empty.
    QString ipxHost;
    quint16 ipxPort = 0;
};

struct CStartPlan {
    QString program;          // the program to run; empty when the desktop opens openPath
    QStringList arguments;
    QString workingDirectory;
    QString openPath;         // a document for the desktop's default application
    QString failure;          // why it cannot be started; nothing else is set then
};

CStartPlan PlanStart(const CLaunchSlot &slot, const CStartContext &context);

// Starts the plan detached. The process id is stored in *pid (0 when the desktop
// opens a document). Empty on success, else why it failed.
QString StartPlanned(const CStartPlan &plan, qint64 *pid);

// Words split as a POSIX shell splits them: blanks separate, single quotes keep
// everything, double quotes keep all but \" \\ \$ \`, a backslash outside quotes
// takes the next character as it is. Nothing is expanded.
QStringList ShellWords(const QString &text);

// The arguments of a desktop entry's Exec value: quoting undone, field codes
// (%f %u %i ...) dropped, "%%" made '%', "%k" the entry's own path.
QStringList DesktopExecArguments(const QString &exec, const QString &entryPath);

// The DOSBox command line (without the program) for a DOS program.
QStringList DosBoxArguments(const QString &folder, const QString &fileName, const QString &parameters,
                            const CStartContext &context);

} // namespace tavern
