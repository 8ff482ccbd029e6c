#pragma once

// Finding the links in one chat line and deciding what a click on a link does.
// Widget-free so that it can be tested and fuzzed on its own.

#include <QList>
#include <QString>
#include <QStringView>

namespace tavern {

// A link as a half-open range [start, end) of positions in the line.
struct LinkSpan {
    qsizetype start = 0;
    qsizetype end = 0;
    bool operator==(const LinkSpan &) const = default;
};

// The prefixes that start a link, in the order they are searched.
inline constexpr const char *kLinkPrefixes[] = {"http:", "ftp:", "finger:", "getfile:", "mailto:"};

// Every link of the line, prefix by prefix in the order above and left to right
// within a prefix. A link starts at a prefix (matched without regard to ASCII case,
// also inside a word) and ends before the first blank or ')' or at the end of the
// line. Links found for different prefixes may overlap.
QList<LinkSpan> findLinks(QStringView line);

// The union of the links: sorted, overlapping and touching ranges joined. This is
// what ends up underlined.
QList<LinkSpan> mergedLinks(QStringView line);

// What a click on the underlined text `link` does.
struct LinkAction {
    enum Kind { None, Command, Open };
    Kind kind = None;
    QString argument; // the command line to run (no target window), or what to open
};

// "finger:" (exact case) runs "/finger <rest>"; "GetFile" (exact case, 8th
// character not looked at) with an '@' runs "/ctcp <nick> FILEREQ <file>" and
// without one does nothing; everything else is opened by the desktop.
LinkAction actionForLink(const QString &link);

} // namespace tavern
