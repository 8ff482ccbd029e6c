#include "chat/core/ircline.h"

#include <QStringDecoder>

namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes map to the C1 control of the same value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isSeparator(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Position of the n-th word's first character, or -1.
qsizetype wordStart(int n, const QString &text)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    for (int word = 0;; ++word) {
        while (i < size && isSeparator(text.at(i)))
            ++i;
        if (i >= size)
            return -1;
        if (word == n)
            return i;
        while (i < size && !isSeparator(text.at(i)))
            ++i;
    }
}

} // namespace

QString DecodeChatText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b));
    }
    return text;
}

std::optional<CIrcLine> CIrcLine::Parse(const QString &line)
{
    CIrcLine out;
    QString rest = line;
    if (line.startsWith(u':')) {
        const qsizetype blank = line.indexOf(u' ');
        if (blank < 0)
            return std::nullopt;
        out.prefix = line.mid(1, blank - 1);
        const qsizetype bang = out.prefix.indexOf(u'!');
        out.sender = bang < 0 ? out.prefix : out.prefix.left(bang);
        rest = line.mid(blank + 1);
    }
    const qsizetype blank = rest.indexOf(u' ');
    if (blank < 0) {
        out.command = rest;
    } else {
        out.command = rest.left(blank);
        out.params = rest.mid(blank + 1);
    }
    return out;
}

QString GetWord(int n, const QString &text)
{
    const qsizetype start = n < 0 ? -1 : wordStart(n, text);
    if (start < 0)
        return QString();
    if (text.at(start) == u':')
        return text.mid(start + 1, kGetWordMax);
    qsizetype end = start;
    while (end < text.size() && !isSeparator(text.at(end)))
        ++end;
    return text.mid(start, qMin<qsizetype>(end - start, kGetWordMax));
}

QString RestAfterWord(int n, const QString &text)
{
    const qsizetype start = n < 0 ? -1 : wordStart(n, text);
    if (start < 0)
        return QString();
    qsizetype end = start;
    while (end < text.size() && !isSeparator(text.at(end)))
        ++end;
    return end < text.size() ? text.mid(end + 1) : QString();
}

QString StripColon(const QString &text)
{
    return text.startsWith(u':') ? text.mid(1) : text;
}

std::uint32_t ParseCtcpNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == u' ' || text.at(i) == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        negative = text.at(i++) == u'-';
    std::uint32_t value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i)
        value = value * 10u + std::uint32_t(text.at(i).unicode() - u'0');
    return negative ? 0u - value : value;
}

QByteArray Utf8Prefix(const QString &text, std::size_t maxBytes)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype step = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QByteArray piece = text.mid(i, step).toUtf8();
        if (std::size_t(out.size() + piece.size()) > maxBytes)
            break;
        out += piece;
        i += step;
    }
    return out;
}
