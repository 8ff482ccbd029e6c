#pragma once

#include <QString>
#include <QStringList>

// Starting programs and handing files and addresses to the desktop. Programs are
// never started through a shell.
namespace ferry::launcher {

// Full path of a program given by name: beside the running executable first, then on PATH.
// An absolute or relative path with a '/' is returned as it is when it exists. Empty when not found.
QString findProgram(const QString &name);

// Starts a program detached. The process id is stored in *pid when given. False when the
// program cannot be found or started.
bool startProgram(const QString &name, const QStringList &arguments = {},
                  const QString &workingDirectory = QString(), qint64 *pid = nullptr);

// Opens a web address, a file or a folder with the desktop's handler ("open" / "explore").
bool openUrl(const QString &urlOrPath);

} // namespace ferry::launcher
