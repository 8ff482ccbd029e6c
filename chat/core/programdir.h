#pragma once

#include <QString>

namespace tavern {

// The program's folder as its own command line names it: everything up to and
// including the last '/', without a leading double quote. Empty when the program
// was started by bare name (no '/' at all).
QString ProgramDirFromCommandLine(const QString &commandLine);

} // namespace tavern
