#include "platform/keylocks.h"

#include <QDir>
#include <QFile>

namespace ferry {

namespace {

bool ledLit(const QString &ledFolder)
{
    QFile brightness(ledFolder + QStringLiteral("/brightness"));
    if (!brightness.open(QIODevice::ReadOnly))
        return false;
    return brightness.read(16).trimmed().toInt() > 0;
}

} // namespace

KeyLocks readKeyLocks(const QString &ledsFolder)
{
    KeyLocks locks;
    const QDir folder(ledsFolder);
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        bool *lock = nullptr;
        if (name.endsWith(QLatin1String("::capslock")))
            lock = &locks.caps;
        else if (name.endsWith(QLatin1String("::numlock")))
            lock = &locks.num;
        else if (name.endsWith(QLatin1String("::scrolllock")))
            lock = &locks.scroll;
        if (lock && !*lock)
            *lock = ledLit(folder.filePath(name));
    }
    return locks;
}

KeyLocks currentKeyLocks()
{
    return readKeyLocks(QStringLiteral("/sys/class/leds"));
}

} // namespace ferry
