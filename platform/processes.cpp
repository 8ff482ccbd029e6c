#include "platform/processes.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>

#include <sys/types.h>
#include <unistd.h>

namespace ferry::processes {

namespace {

QString procPath(qint64 pid, const char *entry)
{
    return QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(entry));
}

// The state letter from /proc/<pid>/stat; it follows the last ')' (the command in
// parentheses may itself contain parentheses and spaces).
char processState(qint64 pid)
{
    QFile f(procPath(pid, "stat"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.read(4096);
    const auto close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size())
        return 0;
    return stat.at(close + 2);
}

// The file name of the process's executable. When the executable link cannot be
// read, the kernel's command name, which is cut to 15 bytes (*cut is then set).
QString executableName(qint64 pid, bool *cut)
{
    *cut = false;
    QString target = QFile::symLinkTarget(procPath(pid, "exe"));
    if (!target.isEmpty()) {
        // A program rebuilt while it runs shows as "<path> (deleted)".
        const QString deleted = QStringLiteral(" (deleted)");
        if (target.endsWith(deleted))
            target.chop(deleted.size());
        return QFileInfo(target).fileName();
    }
    QFile comm(procPath(pid, "comm"));
    if (!comm.open(QIODevice::ReadOnly))
        return QString();
    const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
    *cut = name.size() == 15;
    return name;
}

} // namespace

bool isRunningProgram(qint64 pid, const QString &programName)
{
    if (pid <= 0 || pid > 0x7FFFFFFF || programName.isEmpty())
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    const char state = processState(pid);
    if (state == 0 || state == 'Z' || state == 'X' || state == 'x')
        return false;
    bool cut = false;
    const QString name = executableName(pid, &cut);
    return !name.isEmpty() && (name == programName || (cut && programName.startsWith(name)));
}

bool terminateProgram(qint64 pid, const QString &programName)
{
    return isRunningProgram(pid, programName) && ::kill(pid_t(pid), SIGTERM) == 0;
}

} // namespace ferry::processes
