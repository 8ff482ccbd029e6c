#include "chat/core/programdir.h"

namespace tavern {

QString ProgramDirFromCommandLine(const QString &commandLine)
{
    const qsizetype slash = commandLine.lastIndexOf(u'/');
    if (slash < 0)
        return QString();
    QString dir = commandLine.left(slash + 1);
    if (dir.startsWith(u'"'))
        dir.remove(0, 1);
    return dir;
}

} // namespace tavern
