#include "chat/core/linkscan.h"

#include <algorithm>
#include <cstring>

namespace tavern {

namespace {

char asciiLower(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 'A' && u <= 'Z')
        return char(u - 'A' + 'a');
    return u < 0x80 ? char(u) : '\0';
}

// Position of the first occurrence of the ASCII lower-case `prefix` in line[from..),
// compared without regard to ASCII case, or -1.
qsizetype findPrefix(QStringView line, const char *prefix, qsizetype from)
{
    const qsizetype n = qsizetype(std::strlen(prefix));
    for (qsizetype i = from; i + n <= line.size(); ++i) {
        qsizetype k = 0;
        while (k < n && asciiLower(line[i + k]) == prefix[k])
            ++k;
        if (k == n)
            return i;
    }
    return -1;
}

} // namespace

QList<LinkSpan> findLinks(QStringView line)
{
    QList<LinkSpan> links;
    for (const char *prefix : kLinkPrefixes) {
        qsizetype from = 0;
        for (;;) {
            const qsizetype p = findPrefix(line, prefix, from);
            if (p < 0)
                break;
            qsizetype e = p;
            while (e < line.size() && line[e] != u' ' && line[e] != u')')
                ++e;
            links.append({p, e});
            from = e;
        }
    }
    return links;
}

QList<LinkSpan> mergedLinks(QStringView line)
{
    QList<LinkSpan> links = findLinks(line);
    if (links.size() < 2)
        return links;
    std::sort(links.begin(), links.end(),
              [](const LinkSpan &a, const LinkSpan &b) { return a.start < b.start; });
    QList<LinkSpan> merged;
    merged.reserve(links.size());
    for (const LinkSpan &l : links) {
        if (!merged.isEmpty() && l.start <= merged.last().end)
            merged.last().end = std::max(merged.last().end, l.end);
        else
            merged.append(l);
    }
    return merged;
}

LinkAction actionForLink(const QString &link)
{
    if (link.startsWith(QLatin1String("finger:")))
        return {LinkAction::Command, QLatin1String("/finger ") + link.mid(7)};
    if (link.startsWith(QLatin1String("GetFile"))) {
        const qsizetype at = link.indexOf(u'@');
        if (at < 0)
            return {};
        const QString nick = link.mid(at + 1);
        const QString file = at > 8 ? link.mid(8, at - 8) : QString();
        return {LinkAction::Command, QLatin1String("/ctcp ") + nick + QLatin1String(" FILEREQ ") + file};
    }
    return {LinkAction::Open, link};
}

} // namespace tavern
