#include "platform/paths.h"

#include <QDir>
#include <QStandardPaths>

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
    return name.isEmpty() ? QStringLiteral("ferry_shared_mem") : name;
}

} // namespace ferry
