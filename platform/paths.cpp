#include "platform/paths.h"

#include <QDir>
#include <QStandardPaths>

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

QString sharedBlockName()
{
    const QString name = qEnvironmentVariable("FERRY_SHM_NAME");
    if (!name.isEmpty())
        return name;
    return QStringLiteral("ferry_shared_mem.%1").arg(::geteuid());
}

} // namespace ferry
