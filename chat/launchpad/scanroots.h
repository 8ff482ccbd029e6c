#pragma once

// The folders the game search offers: the mounted file systems, in place of the
// drive letters of the games' home system. Pseudo and virtual file systems (proc,
// sysfs, tmpfs, overlay, squashfs, ...) are left out; removable media are listed
// apart and not offered.

#include <QString>
#include <QStringList>

namespace tavern {

struct CMountPoint {
    QString rootPath;   // where it is mounted
    QString fileSystem; // e.g. "ext4"
    QByteArray device;  // e.g. "/dev/sda1"
};

struct CScanRoots {
    QStringList fixed;     // offered, in mount order
    QStringList removable; // not offered
};

// True for file systems that hold no games: kernel, memory and image file systems.
bool IsPseudoFileSystem(const QString &fileSystem);
// True for a mount of a removable device, or one under /media or /run/media.
bool IsRemovableMount(const CMountPoint &mount, const QString &sysBlockRoot = QStringLiteral("/sys/class/block"));

// Sorts the given mounts; the same mount point is listed once.
CScanRoots ClassifyMounts(const QList<CMountPoint> &mounts,
                          const QString &sysBlockRoot = QStringLiteral("/sys/class/block"));
// The mounts of this machine, sorted.
CScanRoots SystemScanRoots();

} // namespace tavern
