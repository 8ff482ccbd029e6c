#include "chat/windows/windowplacement.h"

#include "common/profile.h"
#include "platform/paths.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
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

bool TitleBarOnScreen(const QPoint &topLeft, int width)
{
    // A point some way into the title bar: enough of it to take hold of and drag.
    const QPoint grip = topLeft + QPoint(std::clamp(width / 2, 1, 100), 10);
    const auto screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(),
                       [&](const QScreen *screen) { return screen->availableGeometry().contains(grip); });
}

void PlaceMainWindow(QWidget &window, const PrivateProfile &ini)
{
    const QString section = QString::fromLatin1(kParentWndPlacement.name);
    const bool stored = ini.keys(section).contains(QStringLiteral("Left"), Qt::CaseInsensitive);
    QRect rect = ReadPlacement(ini, kParentWndPlacement).rect;
    if (const QScreen *primary = QGuiApplication::primaryScreen()) {
        const QRect available = primary->availableGeometry();
        // Room for the frame's border and title bar.
        rect.setSize(rect.size().boundedTo(available.size() - QSize(16, 48)).expandedTo(QSize(200, 150)));
        if (stored && !TitleBarOnScreen(rect.topLeft(), rect.width()))
            rect.moveTopLeft(available.topLeft());
    }
    window.resize(rect.size());
    if (stored)
        window.move(rect.topLeft());
}

void WriteMainWindowPlacement(PrivateProfile &ini, const QWidget &window)
{
    WriteRect(ini, kParentWndPlacement, QRect(window.pos(), window.size()));
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
