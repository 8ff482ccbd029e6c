#include "platform/launcher.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace ferry::launcher {

QString findProgram(const QString &name)
{
    if (name.isEmpty())
        return QString();
    if (name.contains(QLatin1Char('/'))) {
        const QFileInfo info(name);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
    const QFileInfo info(beside);
    if (QCoreApplication::instance() && info.isFile() && info.isExecutable())
        return info.absoluteFilePath();
    return QStandardPaths::findExecutable(name);
}

bool startProgram(const QString &name, const QStringList &arguments, const QString &workingDirectory,
                  qint64 *pid)
{
    const QString program = findProgram(name);
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, arguments, workingDirectory, pid);
}

bool openUrl(const QString &urlOrPath)
{
    if (urlOrPath.isEmpty())
        return false;
    QUrl url(urlOrPath);
    if (url.scheme().isEmpty() || url.scheme().size() == 1) // no scheme, or a drive letter
        url = QUrl::fromLocalFile(QFileInfo(urlOrPath).absoluteFilePath());
    return QDesktopServices::openUrl(url);
}

} // namespace ferry::launcher
