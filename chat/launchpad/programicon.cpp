#include "chat/launchpad/programicon.h"

#include "chat/launchpad/peimage.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace tavern {

namespace {

// Larger files are no icons; reading them would only cost time and memory.
constexpr qint64 kMaxPictureBytes = 8 * 1024 * 1024;
constexpr qint64 kMaxDesktopEntryBytes = 256 * 1024;
constexpr int kMaxImagesPerIcon = 64;

// Every image of a picture file (an .ico holds several sizes) in one icon.
QIcon iconFromDevice(QIODevice *device, const QByteArray &format = QByteArray())
{
    QImageReader reader(device, format);
    QIcon icon;
    for (int i = 0; i < kMaxImagesPerIcon; ++i) {
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
        if (!reader.jumpToNextImage())
            break;
    }
    return icon;
}

QIcon pictureIcon(const QString &path)
{
    QFile file(path);
    if (file.size() > kMaxPictureBytes || !file.open(QIODevice::ReadOnly))
        return QIcon();
    QIcon icon = iconFromDevice(&file);
    if (icon.isNull()) {
        // Formats read through an icon engine (svg) rather than an image reader.
        icon = QIcon(path);
        if (icon.pixmap(32, 32).isNull())
            return QIcon();
    }
    return icon;
}

QIcon desktopEntryIcon(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QIcon();
    const QString name = DesktopEntryValue(file.read(kMaxDesktopEntryBytes), QStringLiteral("Icon"));
    if (name.isEmpty())
        return QIcon();
    if (name.startsWith(u'/'))
        return QFileInfo(name).suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0
                   ? QIcon() : pictureIcon(name);
    return QIcon::fromTheme(name);
}

QIcon windowsProgramIcon(const QString &path)
{
    QByteArray ico = FirstIconGroupAsIco(FileBytes(path));
    if (ico.isEmpty())
        return QIcon();
    QBuffer buffer(&ico);
    buffer.open(QIODevice::ReadOnly);
    return iconFromDevice(&buffer, "ico");
}

// A plain program window, for where the desktop has no icon theme.
QIcon drawnApplicationIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(0x20, 0x20, 0x20));
    p.setBrush(Qt::white);
    p.drawRect(2, 4, 27, 23);
    p.fillRect(3, 5, 26, 5, QColor(0x00, 0x00, 0x80));
    p.fillRect(24, 6, 3, 3, QColor(0xC0, 0xC0, 0xC0));
    return QIcon(pixmap);
}

} // namespace

QString DesktopEntryValue(const QByteArray &text, const QString &key)
{
    bool inEntry = false;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && QString::fromUtf8(line.left(eq)).trimmed() == key)
            return QString::fromUtf8(line.mid(eq + 1)).trimmed();
    }
    return QString();
}

QIcon FirstIcon(const QString &path)
{
    const QString native = QString(path).replace(u'\\', u'/');
    const QFileInfo info(native);
    if (native.isEmpty() || !info.isFile())
        return QIcon();
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("desktop"))
        return desktopEntryIcon(native);
    if (suffix == QLatin1String("exe") || suffix == QLatin1String("dll") || suffix == QLatin1String("icl"))
        return windowsProgramIcon(native);
    if (!QImageReader::imageFormat(native).isEmpty() || suffix == QLatin1String("svg") || suffix == QLatin1String("ico"))
        return pictureIcon(native);
    // A Windows program without the usual suffix still carries its icons.
    if (DetectExecutableFormat(FileBytes(native)) == ExecutableFormat::Windows)
        return windowsProgramIcon(native);
    return QIcon();
}

QIcon DefaultApplicationIcon()
{
    static const QIcon drawn = drawnApplicationIcon();
    return QIcon::fromTheme(QStringLiteral("application-x-executable"), drawn);
}

QIcon IconOrDefault(const QString &path)
{
    const QIcon icon = FirstIcon(path);
    return icon.isNull() ? DefaultApplicationIcon() : icon;
}

} // namespace tavern
