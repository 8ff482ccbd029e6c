#pragma once

// "The first icon" of a file, as the launchpad shows it for a game: picture files
// (.ico with all its sizes, .png, .svg, .xpm, ...) directly; a desktop entry through
// its Icon= key (a file, or a name of the icon theme); a Windows program or library
// through its first icon group. Files that give none get the default application icon.

#include <QIcon>
#include <QString>

namespace tavern {

// The icon of the file at path; a null icon when it has none.
QIcon FirstIcon(const QString &path);
// The icon theme's application icon (a drawn one where there is no theme).
QIcon DefaultApplicationIcon();
// FirstIcon, or DefaultApplicationIcon when the file gives none.
QIcon IconOrDefault(const QString &path);

// The value of key in the [Desktop Entry] group of a desktop entry file's text.
QString DesktopEntryValue(const QByteArray &text, const QString &key);

} // namespace tavern
