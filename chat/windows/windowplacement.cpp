#include "chat/windows/windowplacement.h"

#include "common/profile.h"
#include "platform/paths.h"

#include <QWidget>

namespace tavern {

namespace {

bool isOn(const QString &value)
{
    // Read as a string of at most 100 characters; "TRUE" in any letter case is on.
    return value.left(100).compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
}

QString flag(bool on)
{
    return on ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

} // namespace

QString placementFile()
{
    return ferry::dataFile(QStringLiteral("tavern97.ini"));
}

StoredPlacement ReadPlacement(const PrivateProfile &ini, const PlacementSection &section)
{
    const QString s = QString::fromLatin1(section.name);
    const int top = ini.getInt(s, QStringLiteral("Top"), section.top);
    const int bottom = ini.getInt(s, QStringLiteral("Bottom"), section.bottom);
    const int left = ini.getInt(s, QStringLiteral("Left"), section.left);
    const int right = ini.getInt(s, QStringLiteral("Right"), section.right);
    StoredPlacement p;
    p.rect = QRect(left, top, right - left, bottom - top);
    p.minimized = isOn(ini.getString(s, QStringLiteral("Minimized"), QStringLiteral("FALSE")));
    p.maximized = isOn(ini.getString(s, QStringLiteral("Maximized"), QStringLiteral("TRUE")));
    return p;
}

void WriteRect(PrivateProfile &ini, const PlacementSection &section, const QRect &rect)
{
    const QString s = QString::fromLatin1(section.name);
    ini.writeInt(s, QStringLiteral("Top"), rect.top());
    ini.writeInt(s, QStringLiteral("Bottom"), rect.top() + rect.height());
    ini.writeInt(s, QStringLiteral("Left"), rect.left());
    ini.writeInt(s, QStringLiteral("Right"), rect.left() + rect.width());
}

void WriteChildPlacement(PrivateProfile &ini, const PlacementSection &section, const QRect &rect,
                         bool minimized, bool maximized)
{
    const QString s = QString::fromLatin1(section.name);
    ini.writeString(s, QStringLiteral("Minimized"), flag(minimized));
    ini.writeString(s, QStringLiteral("Maximized"), flag(maximized));
    if (!minimized && !maximized)
        WriteRect(ini, section, rect);
}

void ShowAsPlaced(QWidget &window, const PlacementSection &section)
{
    const PrivateProfile ini(placementFile());
    const StoredPlacement p = ReadPlacement(ini, section);
    window.setGeometry(p.rect);
    if (p.minimized)
        window.showMinimized();
    else if (p.maximized)
        window.showMaximized();
    else
        window.show();
}

} // namespace tavern
