#include "chat/launchpad/scanroots.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

namespace tavern {

namespace {

// 1 or 0 from a sysfs "removable" file; -1 when there is none.
int removableFlag(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return f.read(4).trimmed() == "1" ? 1 : 0;
}

} // namespace

bool IsPseudoFileSystem(const QString &fileSystem)
{
    static const QSet<QString> pseudo = {
        QStringLiteral("proc"), QStringLiteral("sysfs"), QStringLiteral("tmpfs"), QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"), QStringLiteral("overlay"), QStringLiteral("squashfs"), QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"), QStringLiteral("pstore"), QStringLiteral("bpf"), QStringLiteral("debugfs"),
        QStringLiteral("tracefs"), QStringLiteral("securityfs"), QStringLiteral("configfs"), QStringLiteral("fusectl"),
        QStringLiteral("mqueue"), QStringLiteral("hugetlbfs"), QStringLiteral("autofs"), QStringLiteral("binfmt_misc"),
        QStringLiteral("ramfs"), QStringLiteral("nsfs"), QStringLiteral("efivarfs"), QStringLiteral("rpc_pipefs"),
        QStringLiteral("nfsd"), QStringLiteral("selinuxfs"), QStringLiteral("rootfs"), QStringLiteral("none"),
        QStringLiteral("fuse.gvfsd-fuse"), QStringLiteral("fuse.portal"), QStringLiteral("fuse.snapfuse"),
        QStringLiteral("fuse.lxcfs"), QStringLiteral("aufs"),
    };
    return fileSystem.isEmpty() || pseudo.contains(fileSystem.toLower());
}

bool IsRemovableMount(const CMountPoint &mount, const QString &sysBlockRoot)
{
    const QString root = QDir::cleanPath(mount.rootPath);
    if (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/")))
        return true;
    if (!mount.device.startsWith("/dev/"))
        return false;
    // A partition has no "removable" file of its own; its disk, one folder up, has.
    const QString name = QFileInfo(QFile::decodeName(mount.device)).fileName();
    const QString block = QFileInfo(sysBlockRoot + u'/' + name).canonicalFilePath();
    if (block.isEmpty())
        return false;
    int flag = removableFlag(block + QStringLiteral("/removable"));
    if (flag < 0)
        flag = removableFlag(QFileInfo(block).path() + QStringLiteral("/removable"));
    return flag == 1;
}

CScanRoots ClassifyMounts(const QList<CMountPoint> &mounts, const QString &sysBlockRoot)
{
    CScanRoots roots;
    QSet<QString> seen;
    for (const CMountPoint &mount : mounts) {
        if (IsPseudoFileSystem(mount.fileSystem) || mount.rootPath.isEmpty() || seen.contains(mount.rootPath))
            continue;
        seen.insert(mount.rootPath);
        (IsRemovableMount(mount, sysBlockRoot) ? roots.removable : roots.fixed) << mount.rootPath;
    }
    return roots;
}

CScanRoots SystemScanRoots()
{
    QList<CMountPoint> mounts;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady())
            mounts.append({volume.rootPath(), QString::fromLatin1(volume.fileSystemType()), volume.device()});
    return ClassifyMounts(mounts);
}

} // namespace tavern
