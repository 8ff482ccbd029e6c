#include "chat/dcc/dccoffer.h"

#include <QHostAddress>
#include <QList>

namespace ferry::dcc {
namespace {

constexpr int kMaxFileNameLength = 200;
constexpr int kMaxWords = 8;
constexpr char kCtcp = '\x01';

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Splits the arguments into at most kMaxWords words. A word that opens with a
// double quote runs to the closing quote, so quoted names with blanks survive.
QList<QByteArray> splitWords(const QByteArray &text)
{
    QList<QByteArray> words;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && words.size() < kMaxWords) {
        while (i < n && isBlank(text[i]))
            ++i;
        if (i >= n)
            break;
        qsizetype start = i;
        if (text[i] == '"') {
            const qsizetype close = text.indexOf('"', i + 1);
            if (close > i) {
                words << text.mid(i + 1, close - i - 1);
                i = close + 1;
                continue;
            }
        }
        while (i < n && !isBlank(text[i]))
            ++i;
        words << text.mid(start, i - start);
    }
    return words;
}

QByteArray lineSafeNick(const QString &nick)
{
    QByteArray out;
    for (const char c : nick.toUtf8()) {
        if (static_cast<unsigned char>(c) > ' ' && c != 0x7F)
            out += c;
    }
    return out;
}

} // namespace

namespace {

// Plain decimal digits after an optional '+', at most maxDigits of them and a value
// of at most maxValue (maxDigits keeps the accumulation below 2^64).
std::optional<std::uint64_t> parseDecimal(const QByteArray &text, qsizetype maxDigits, std::uint64_t maxValue)
{
    qsizetype i = text.startsWith('+') ? 1 : 0;
    if (i >= text.size() || text.size() - i > maxDigits)
        return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + std::uint64_t(c - '0');
    }
    if (value > maxValue)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::uint32_t> ParseNumber(const QByteArray &text)
{
    const auto value = parseDecimal(text, 10, 0xFFFFFFFFu);
    return value ? std::optional<std::uint32_t>(std::uint32_t(*value)) : std::nullopt;
}

std::optional<std::uint64_t> ParseSize(const QByteArray &text)
{
    return parseDecimal(text, 19, std::uint64_t(kMaxFileSize));
}

Offer ParseOffer(const QByteArray &arguments)
{
    const QList<QByteArray> words = splitWords(arguments);
    if (words.isEmpty())
        return {};
    const QByteArray sub = words[0].toLower();
    if (sub == "chat" && words.size() >= 4) {
        const auto address = ParseNumber(words[2]);
        const auto port = ParseNumber(words[3]);
        if (address && port)
            return ChatOffer{*address, *port};
    } else if (sub == "send" && words.size() >= 5) {
        const auto address = ParseNumber(words[2]);
        const auto port = ParseNumber(words[3]);
        const auto size = ParseSize(words[4]);
        if (address && port && size && !words[1].isEmpty())
            return SendOffer{words[1], *address, *port, *size};
    }
    return {};
}

bool IsConnectable(std::uint32_t address, std::uint32_t port)
{
    return address != 0 && port >= 1 && port <= 65535;
}

QString OfferRefusal(std::uint32_t address, std::uint32_t port)
{
    if ((address >> 24) == 0)
        return QStringLiteral("the address is unspecified");
    if (address == 0xFFFFFFFFu)
        return QStringLiteral("the address is a broadcast address");
    if ((address >> 28) == 0xE)
        return QStringLiteral("the address is a multicast address");
    if (port < 1024)
        return QStringLiteral("the port is below 1024");
    if (port > 65535)
        return QStringLiteral("the port is no port number");
    return QString();
}

QString OfferRefusal(const SendOffer &offer)
{
    if (offer.size == 0)
        return QStringLiteral("the file is empty");
    return OfferRefusal(offer.address, offer.port);
}

QString DottedAddress(std::uint32_t address)
{
    return QHostAddress(address).toString();
}

QString FileNameOfPath(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

QString SanitizeOfferedFileName(const QByteArray &offered)
{
    QString name = FileNameOfPath(QString::fromUtf8(offered));
    QString plain;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || c.category() == QChar::Other_Format)
            continue;
        plain += c;
    }
    qsizetype start = 0;
    while (start < plain.size() && (plain[start] == QLatin1Char('.') || plain[start].isSpace()))
        ++start;
    plain = plain.mid(start).trimmed().left(kMaxFileNameLength);
    // Cutting may split a surrogate pair; drop a lone high surrogate at the end.
    if (!plain.isEmpty() && plain.back().isHighSurrogate())
        plain.chop(1);
    return plain.isEmpty() ? QStringLiteral("dccfile") : plain;
}

QByteArray ChatOfferBody(std::uint32_t address, std::uint16_t port)
{
    return "DCC CHAT chat " + QByteArray::number(address) + ' ' + QByteArray::number(port);
}

QByteArray SendOfferBody(const QString &path, std::uint32_t address, std::uint16_t port,
                         std::uint64_t size)
{
    QByteArray name;
    for (const char c : FileNameOfPath(path).toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (u == ' ' || u == '\t')
            name += '_';
        else if (u >= 0x20 && u != 0x7F)
            name += c;
    }
    if (name.isEmpty())
        name = "file";
    return "DCC send " + name + ' ' + QByteArray::number(address) + ' ' + QByteArray::number(port)
           + ' ' + QByteArray::number(size);
}

QByteArray CtcpLine(const QString &nick, const QByteArray &body)
{
    return "PRIVMSG " + lineSafeNick(nick) + " :" + kCtcp + body + kCtcp + '\n';
}

QByteArray ChatOfferLine(const QString &nick, std::uint32_t address, std::uint16_t port)
{
    return CtcpLine(nick, ChatOfferBody(address, port));
}

QByteArray SendOfferLine(const QString &nick, const QString &path, std::uint32_t address,
                         std::uint16_t port, std::uint64_t size)
{
    return CtcpLine(nick, SendOfferBody(path, address, port, size));
}

} // namespace ferry::dcc
