#include "chat/windows/ircformat.h"

#include <algorithm>

namespace tavern {

namespace {

constexpr char16_t kBold = 0x02;
constexpr char16_t kColour = 0x03;
constexpr char16_t kHexColour = 0x04;
constexpr char16_t kReset = 0x0F;
constexpr char16_t kMonospace = 0x11;
constexpr char16_t kReverse = 0x16;
constexpr char16_t kItalic = 0x1D;
constexpr char16_t kStrike = 0x1E;
constexpr char16_t kUnderline = 0x1F;

bool isDigit(const QString &s, qsizetype i)
{
    return i < s.size() && s.at(i) >= u'0' && s.at(i) <= u'9';
}

bool isHexDigit(const QString &s, qsizetype i)
{
    if (i >= s.size())
        return false;
    const QChar c = s.at(i);
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// One or two digits at i: the number, and i moved past them; -1 without a digit.
int readNumber(const QString &s, qsizetype &i)
{
    if (!isDigit(s, i))
        return -1;
    int n = s.at(i++).unicode() - u'0';
    if (isDigit(s, i))
        n = n * 10 + (s.at(i++).unicode() - u'0');
    return n;
}

// Six hexadecimal digits at i: the colour, and i moved past them.
QColor readHex(const QString &s, qsizetype &i)
{
    for (qsizetype k = 0; k < 6; ++k)
        if (!isHexDigit(s, i + k))
            return QColor();
    const QColor colour(QStringLiteral("#") + s.mid(i, 6));
    i += 6;
    return colour;
}

} // namespace

QColor IrcPaletteColour(int number)
{
    static const QRgb palette[16] = {
        0xFFFFFF, 0x000000, 0x00007F, 0x009300, 0xFF0000, 0x7F0000, 0x9C009C, 0xFC7F00,
        0xFFFF00, 0x00FC00, 0x009393, 0x00FFFF, 0x0000FC, 0xFF00FF, 0x7F7F7F, 0xD2D2D2,
    };
    if (number < 0 || number > 15)
        return QColor();
    return QColor(palette[number]);
}

bool isFormattingCode(QChar c)
{
    switch (c.unicode()) {
    case kBold: case kColour: case kHexColour: case kReset: case kMonospace:
    case kReverse: case kItalic: case kStrike: case kUnderline:
        return true;
    default:
        return false;
    }
}

IrcFormattedLine ParseIrcFormatting(const QString &line)
{
    IrcFormattedLine out;
    if (std::none_of(line.begin(), line.end(), isFormattingCode)) {
        out.plain = line;
        return out;
    }
    out.plain.reserve(line.size());
    IrcStyle style;
    bool anyStyle = false;
    const auto startRun = [&] {
        // A line from a hostile peer may switch styles at every character; past a
        // bound the rest keeps the last style (the codes are still taken out).
        if (out.runs.size() >= kMaxIrcRuns && out.runs.last().start != out.runs.last().end)
            return;
        if (!out.runs.isEmpty() && out.runs.last().start == out.runs.last().end)
            out.runs.last().style = style; // nothing was written in the previous style
        else
            out.runs.append({out.plain.size(), out.plain.size(), style});
        anyStyle = anyStyle || !style.isPlain();
    };
    startRun();
    for (qsizetype i = 0; i < line.size();) {
        const char16_t c = line.at(i).unicode();
        ++i;
        switch (c) {
        case kBold: style.bold = !style.bold; break;
        case kItalic: style.italic = !style.italic; break;
        case kUnderline: style.underline = !style.underline; break;
        case kStrike: style.strike = !style.strike; break;
        case kReverse: style.reverse = !style.reverse; break;
        case kMonospace: break; // the pane's font is the one font
        case kReset: style = IrcStyle{}; break;
        case kColour: {
            const int fg = readNumber(line, i);
            if (fg < 0) {
                style.foreground = style.background = QColor();
                break;
            }
            style.foreground = IrcPaletteColour(fg);
            if (i < line.size() && line.at(i) == u',' && isDigit(line, i + 1)) {
                ++i;
                style.background = IrcPaletteColour(readNumber(line, i));
            }
            break;
        }
        case kHexColour: {
            const qsizetype before = i;
            const QColor fg = readHex(line, i);
            if (i == before) {
                style.foreground = style.background = QColor();
                break;
            }
            style.foreground = fg;
            if (i < line.size() && line.at(i) == u',') {
                qsizetype j = i + 1;
                const QColor bg = readHex(line, j);
                if (j != i + 1) {
                    style.background = bg;
                    i = j;
                }
            }
            break;
        }
        default:
            out.plain.append(QChar(c));
            out.runs.last().end = out.plain.size();
            continue;
        }
        startRun();
    }
    if (!out.runs.isEmpty() && out.runs.last().start == out.runs.last().end)
        out.runs.removeLast();
    if (!anyStyle)
        out.runs.clear();
    return out;
}

QString StripIrcFormatting(const QString &line)
{
    return ParseIrcFormatting(line).plain;
}

} // namespace tavern
