#pragma once

// The formatting codes chat programs put into lines: colour (0x03 with a foreground
// and an optional background number, 0x04 with hexadecimal RGB), bold 0x02, italic
// 0x1D, underline 0x1F, strike-through 0x1E, monospace 0x11, reverse 0x16 and reset
// 0x0F. A line is split into its plain text (what is shown, searched for links and
// written to logs) and runs of that text with their styles. Widget-free; the codes
// are never taken for markup of any other kind.

#include <QColor>
#include <QList>
#include <QString>

namespace tavern {

struct IrcStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool reverse = false;
    QColor foreground; // invalid: the line's own colour
    QColor background; // invalid: the pane's background
    bool operator==(const IrcStyle &) const = default;
    bool isPlain() const { return *this == IrcStyle{}; }
};

// A half-open range [start, end) of the plain text in one style.
struct IrcRun {
    qsizetype start = 0;
    qsizetype end = 0;
    IrcStyle style;
};

// Style runs kept per line at the most.
inline constexpr qsizetype kMaxIrcRuns = 256;

struct IrcFormattedLine {
    QString plain;
    QList<IrcRun> runs; // cover the plain text in order, without gaps; none for plain text
};

// Colours 0..15 of the common palette; 99 and numbers without a colour give an invalid one.
QColor IrcPaletteColour(int number);

bool isFormattingCode(QChar c);
IrcFormattedLine ParseIrcFormatting(const QString &line);

// The line without its formatting codes.
QString StripIrcFormatting(const QString &line);

} // namespace tavern
