#include "platform/processes.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

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

// The fields of /proc/<pid>/stat after the command, from the state letter on (the
// command in parentheses may itself contain parentheses and spaces).
QList<QByteArray> statFields(qint64 pid)
{
    if (pid <= 0 || pid > 0x7FFFFFFF)
        return {};
    QFile f(procPath(pid, "stat"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = f.read(4096);
    const auto close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size())
        return {};
    return stat.mid(close + 2).split(' ');
}

char processState(qint64 pid)
{
    const QList<QByteArray> fields = statFields(pid);
    return fields.isEmpty() || fields.first().isEmpty() ? 0 : fields.first().at(0);
}

bool isGone(char state)
{
    return state == 0 || state == 'Z' || state == 'X' || state == 'x';
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
    if (isGone(processState(pid)))
        return false;
    bool cut = false;
    const QString name = executableName(pid, &cut);
    return !name.isEmpty() && (name == programName || (cut && programName.startsWith(name)));
}

quint64 startTime(qint64 pid)
{
    // Field 3 (the state) is the first after the command; field 22 the start time.
    const QList<QByteArray> fields = statFields(pid);
    if (fields.size() < 20 || isGone(fields.first().isEmpty() ? 0 : fields.first().at(0)))
        return 0;
    return fields.at(19).toULongLong();
}

bool terminateProgram(qint64 pid, const QString &programName)
{
    return isRunningProgram(pid, programName) && ::kill(pid_t(pid), SIGTERM) == 0;
}

} // namespace ferry::processes
