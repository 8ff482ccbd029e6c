#pragma once

// A text picture of what the chat windows show, for tests and automation that
// drive the running program from outside (the "dump" request, when the variable
// FERRY_WINDOW_DUMP names the file to write). One record a line, fields split by
// tabs, in the order of the window area:
//
//   window <name> <title>
//   user <list item>                  (channel windows: "@nick", "+nick", "nick")
//   line <colour> <text>              (colour 0x00BBGGRR as 8 hex digits)
//   tab <name> <unseen|seen>          (the tab bar, left to right)
//   menu <item> <checked|unchecked>   (menu items that carry a check mark and are offered)
//
// A window that is a form (the game spy) is shown as "window <title> <title>" and
// its controls as formcontrols.h describes (field, check, item records).
//
// Tabs and line breaks inside texts are shown as blanks, so every record stays one line.

#include <QString>

namespace tavern {

class CMainFrame;

QString DumpWindows(const CMainFrame &frame);
// Writes the dump to the file at once (replacing it whole); false when it cannot.
bool WriteWindowDump(const CMainFrame &frame, const QString &path);

} // namespace tavern
