#pragma once

#include <QFont>
#include <QString>

#include <optional>

namespace tavern {

struct FontFlags {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    // Return nothing instead of the system font when the face is not installed.
    bool exact = false;
};

// The font of the chat views and input lines: face `faceName` in style `styleName`
// ("Regular", "Bold", "Italic", "Bold Italic"; derived from the flags when empty)
// at `pointSize` points. A face that is not installed gives the system font at that
// size (or nothing with the exact flag). Nothing without a running GUI application.
std::optional<QFont> createFontByStyle(const QString &faceName, const QString &styleName,
                                       int pointSize, const FontFlags &flags = {});

} // namespace tavern
