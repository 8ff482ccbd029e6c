#pragma once

// The settings a message view reads each time it uses them. The application fills
// this from its chat settings; the view never reads the registry itself.

#include "chat/core/profanity.h"

#include <QString>
#include <QStringList>

namespace tavern {

struct MessageViewSettings {
    // Colours as 0x00BBGGRR; a 0x02 top byte (palette-relative) is accepted as is.
    quint32 background = 0x00FFFFFF;
    quint32 url = 0x02FF0000;
    QString fontName = QStringLiteral("Courier New");
    int fontSize = 8;
    bool profanityFilter = false;
    QStringList profanityWords = defaultProfanityWords();
    // Log every window from its first line.
    bool autoLog = false;
    // Where window logs are written; empty means the current directory.
    QString logFolder;
    // The application-wide "stop scrolling" state.
    bool stopScrolling = false;
    // Lines kept on screen; older ones drop (the log keeps everything). 10,000 lines
    // is days of a busy channel's history while keeping memory flat.
    int scrollbackLines = 10000;
    // And at most this much text (the pane keeps it as UTF-16, two bytes a
    // character), so that long lines cannot take gigabytes within the line count.
    qint64 scrollbackBytes = 32 * 1024 * 1024;
};

} // namespace tavern
