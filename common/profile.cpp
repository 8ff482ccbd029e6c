#include "common/profile.h"

#include <QFile>
#include <QSaveFile>

namespace {

// "[name]" -> name, else null.
QString sectionName(const QString &line)
{
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
        return t.mid(1, t.size() - 2).trimmed();
    return QString();
}

bool isComment(const QString &line)
{
    const QString t = line.trimmed();
    return t.isEmpty() || t.startsWith(QLatin1Char(';'));
}

QString keyOf(const QString &line)
{
    const auto eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? line.trimmed() : line.left(eq).trimmed();
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the section's header line and one past its last line; -1 when absent.
std::pair<int, int> findSection(const QStringList &lines, const QString &section)
{
    int start = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString name = sectionName(lines.at(i));
        if (name.isNull())
            continue;
        if (start >= 0)
            return {start, i};
        if (sameName(name, section))
            start = i;
    }
    return {start, int(lines.size())};
}

int findKey(const QStringList &lines, std::pair<int, int> range, const QString &key)
{
    if (range.first < 0)
        return -1;
    for (int i = range.first + 1; i < range.second; ++i)
        if (!isComment(lines.at(i)) && sameName(keyOf(lines.at(i)), key))
            return i;
    return -1;
}

} // namespace

QStringList PrivateProfile::readLines() const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (QString &l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool PrivateProfile::writeLines(const QStringList &lines) const
{
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray out;
    for (const QString &l : lines)
        out += l.toUtf8() + "\r\n";
    f.write(out);
    return f.commit();
}

QString PrivateProfile::getString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QStringList lines = readLines();
    const int i = findKey(lines, findSection(lines, section), key);
    if (i < 0)
        return defaultValue;
    const QString &line = lines.at(i);
    const auto eq = line.indexOf(QLatin1Char('='));
    QString value = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
    if (value.size() >= 2
        && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            || (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
        value = value.mid(1, value.size() - 2);
    return value.isNull() ? QString(QLatin1String("")) : value;
}

int PrivateProfile::getInt(const QString &section, const QString &key, int defaultValue) const
{
    const QString value = getString(section, key, QString());
    if (value.isNull())
        return defaultValue;
    int i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == QLatin1Char('-') || value[i] == QLatin1Char('+')))
        negative = value[i++] == QLatin1Char('-');
    qint64 n = 0;
    for (; i < value.size() && value[i].isDigit() && n < 0x7FFFFFFF; ++i)
        n = n * 10 + value[i].digitValue();
    n = std::min<qint64>(n, 0x7FFFFFFF);
    return int(negative ? -n : n);
}

bool PrivateProfile::writeString(const QString &section, const QString &key, const QString &value)
{
    QStringList lines = readLines();
    auto range = findSection(lines, section);
    const int i = findKey(lines, range, key);
    if (value.isNull()) {
        if (i < 0)
            return true;
        lines.removeAt(i);
        return writeLines(lines);
    }
    const QString entry = key + QLatin1Char('=') + value;
    if (i >= 0) {
        lines[i] = entry;
    } else if (range.first >= 0) {
        // After the section's last entry, before any blank lines that separate it from the next.
        int at = range.second;
        while (at > range.first + 1 && lines.at(at - 1).trimmed().isEmpty())
            --at;
        lines.insert(at, entry);
    } else {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    }
    return writeLines(lines);
}

bool PrivateProfile::removeSection(const QString &section)
{
    QStringList lines = readLines();
    const auto range = findSection(lines, section);
    if (range.first < 0)
        return true;
    lines.erase(lines.begin() + range.first, lines.begin() + range.second);
    return writeLines(lines);
}

QStringList PrivateProfile::sections() const
{
    QStringList out;
    for (const QString &l : readLines()) {
        const QString name = sectionName(l);
        if (!name.isNull())
            out << name;
    }
    return out;
}

QStringList PrivateProfile::keys(const QString &section) const
{
    const QStringList lines = readLines();
    const auto range = findSection(lines, section);
    QStringList out;
    if (range.first < 0)
        return out;
    for (int i = range.first + 1; i < range.second; ++i)
        if (!isComment(lines.at(i)))
            out << keyOf(lines.at(i));
    return out;
}
