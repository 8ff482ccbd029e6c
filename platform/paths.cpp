#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace ferry {

QString dataDir()
{
    QString dir = qEnvironmentVariable("FERRY_HOME");
    if (dir.isEmpty()) {
        QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (config.isEmpty())
            config = QDir::homePath() + QStringLiteral("/.config");
        dir = config + QStringLiteral("/hollowell");
    }
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

QString dataFile(const QString &name)
{
    return dataDir() + QLatin1Char('/') + name;
}

namespace {

// A directory itself (no link to one), the user's own, with no access for others.
bool isPrivateDir(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

} // namespace

QString privateRuntimeDir()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateDir(runtime))
        return QString::fromLocal8Bit(runtime);
    const QByteArray own = QFile::encodeName(QDir::tempPath() + QStringLiteral("/lanway98-%1").arg(::geteuid()));
    ::mkdir(own.constData(), 0700);
    return isPrivateDir(own) ? QFile::decodeName(own) : QString();
}

QString sharedBlockName()
{
    const QString name = qEnvironmentVariable("FERRY_SHM_NAME");
    if (!name.isEmpty())
        return name;
    return QStringLiteral("ferry_shared_mem.%1").arg(::geteuid());
}

} // namespace ferry
