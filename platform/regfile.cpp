#include "platform/regfile.h"

#include <QFile>
#include <QStringDecoder>

namespace ferry::reg {

namespace {

const QLatin1String kHeader5("Windows Registry Editor Version 5.00");
const QLatin1String kHeader4("REGEDIT4");

QString fromWindows1252(const QByteArray &bytes)
{
    // 0x80..0x9F differ from Latin-1; 0 marks the five unassigned codes, kept as they are.
    static const char16_t high[32] = {
        0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
        0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        text += QChar(u >= 0x80 && u < 0xA0 && high[u - 0x80] ? high[u - 0x80] : char16_t(u));
    }
    return text;
}

// 8-bit text: UTF-8 when it is valid, else Windows-1252.
QString decode8Bit(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? fromWindows1252(bytes) : text;
}

QByteArray toUtf16Le(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QString fromUtf16Le(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(char16_t(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8));
    return text;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool parseHexNumber(QStringView s, int maxDigits, quint32 &value)
{
    if (s.isEmpty() || s.size() > maxDigits)
        return false;
    value = 0;
    for (const QChar c : s) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        value = value << 4 | quint32(d);
    }
    return true;
}

// After a value's data only blanks and a comment may follow.
bool onlyCommentLeft(QStringView rest)
{
    rest = rest.trimmed();
    return rest.isEmpty() || rest.startsWith(QLatin1Char(';'));
}

// A quoted text starting at pos (at the opening quote). Only \\ and \" are
// escapes; any other backslash stays as it is. pos ends after the closing quote.
bool parseQuoted(QStringView line, qsizetype &pos, QString &out)
{
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return true;
        }
        if (c == QLatin1Char('\\') && pos + 1 < line.size()
            && (line[pos + 1] == QLatin1Char('\\') || line[pos + 1] == QLatin1Char('"')))
            ++pos;
        out += line[pos];
    }
    return false;
}

QString trimmedStart(const QString &s)
{
    qsizetype i = 0;
    while (i < s.size() && s[i].isSpace())
        ++i;
    return s.mid(i);
}

// Names the store cannot hold (see Store) are malformed lines, not storage failures.
bool hasLineBreakOrNul(const QString &name)
{
    return name.contains(QLatin1Char('\r')) || name.contains(QChar(0));
}

class Parser {
public:
    explicit Parser(Document &doc) : m_doc(doc) {}

    void run(const QString &text, bool endsWithNewline)
    {
        m_lines = text.split(QLatin1Char('\n'));
        if (endsWithNewline && !m_lines.isEmpty())
            m_lines.removeLast();
        for (QString &l : m_lines)
            if (l.endsWith(QLatin1Char('\r')))
                l.chop(1);
        if (!readHeader())
            return;
        m_doc.accepted = true;
        while (m_next < m_lines.size()) {
            const int lineNo = int(m_next) + 1;
            const QString line = m_lines[m_next++].trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
                continue;
            const bool lastLine = m_next == m_lines.size();
            const qsizetype errorsBefore = m_doc.errors.size();
            if (line.startsWith(QLatin1Char('[')))
                section(line, lineNo);
            else if (line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@')))
                value(line, lineNo);
            else
                error(lineNo, QStringLiteral("unrecognised line"));
            if (m_truncated || (lastLine && !endsWithNewline && m_doc.errors.size() > errorsBefore)) {
                refuse(QStringLiteral("the file is cut off at line %1").arg(lineNo));
                return;
            }
        }
    }

private:
    void error(int line, const QString &message) { m_doc.errors.append({line, message}); }

    void refuse(const QString &why)
    {
        m_doc.accepted = false;
        m_doc.refusal = why;
        m_doc.statements.clear();
    }

    bool readHeader()
    {
        while (m_next < m_lines.size() && m_lines[m_next].trimmed().isEmpty())
            ++m_next;
        if (m_next == m_lines.size()) {
            refuse(QStringLiteral("the file is empty"));
            return false;
        }
        const QString header = m_lines[m_next++].trimmed();
        if (header.compare(kHeader5, Qt::CaseInsensitive) == 0)
            m_version5 = true;
        else if (header.compare(kHeader4, Qt::CaseInsensitive) != 0) {
            refuse(QStringLiteral("not a registration file (no REGEDIT4 or version 5.00 header)"));
            return false;
        }
        return true;
    }

    void section(const QString &line, int lineNo)
    {
        m_haveKey = false;
        const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
        if (close < 0 || !onlyCommentLeft(QStringView(line).mid(close + 1))) {
            error(lineNo, QStringLiteral("key name without closing ']'"));
            return;
        }
        // Blanks before the root's name are layout; every other one belongs to a key's name.
        QString name = trimmedStart(line.mid(1, close - 1));
        const bool remove = name.startsWith(QLatin1Char('-'));
        if (remove)
            name = trimmedStart(name.mid(1));
        Statement s;
        s.line = lineNo;
        if (hasLineBreakOrNul(name)) {
            error(lineNo, QStringLiteral("key name with a line break or NUL"));
            return;
        }
        if (!splitFullPath(name, s.root, s.path)) {
            error(lineNo, QStringLiteral("unknown root key in \"%1\"").arg(name.left(200)));
            return;
        }
        if (s.path.split(QLatin1Char('\\'), Qt::SkipEmptyParts).size() > kMaxKeyDepth) {
            error(lineNo, QStringLiteral("key nested deeper than %1 levels").arg(kMaxKeyDepth));
            return;
        }
        if (remove) {
            if (s.path.split(QLatin1Char('\\'), Qt::SkipEmptyParts).isEmpty()) {
                error(lineNo, QStringLiteral("a root key cannot be deleted"));
                return;
            }
            s.kind = Statement::DeleteKey;
        } else {
            s.kind = Statement::CreateKey;
            m_haveKey = true;
            m_root = s.root;
            m_path = s.path;
        }
        m_doc.statements.append(s);
    }

    // Joins the continuation lines of hex data (each line but the last ends in '\').
    bool joinContinuations(QString &rest)
    {
        while (rest.trimmed().endsWith(QLatin1Char('\\'))) {
            rest = rest.trimmed();
            rest.chop(1);
            if (m_next == m_lines.size()) {
                m_truncated = true;
                return false;
            }
            rest += m_lines[m_next++].trimmed();
        }
        return true;
    }

    void value(const QString &line, int lineNo)
    {
        Statement s;
        s.line = lineNo;
        qsizetype pos = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (!parseQuoted(line, pos, s.name)) {
            error(lineNo, QStringLiteral("value name without closing quote"));
            return;
        } else if (hasLineBreakOrNul(s.name)) {
            error(lineNo, QStringLiteral("value name with a line break or NUL"));
            return;
        }
        while (pos < line.size() && line[pos].isSpace())
            ++pos;
        if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
            error(lineNo, QStringLiteral("'=' expected after the value name"));
            return;
        }
        QString rest = line.mid(pos + 1).trimmed();
        if (rest.startsWith(QLatin1String("hex"), Qt::CaseInsensitive) && !joinContinuations(rest)) {
            error(lineNo, QStringLiteral("hex data continues past the end of the file"));
            return;
        }
        QString why;
        if (!valueData(rest, s, why)) {
            error(lineNo, why);
            return;
        }
        if (!m_haveKey) {
            error(lineNo, QStringLiteral("value outside a valid [key] section"));
            return;
        }
        s.root = m_root;
        s.path = m_path;
        m_doc.statements.append(s);
    }

    bool valueData(const QString &rest, Statement &s, QString &why)
    {
        if (rest.startsWith(QLatin1Char('"'))) {
            qsizetype pos = 0;
            QString text;
            if (!parseQuoted(rest, pos, text) || !onlyCommentLeft(QStringView(rest).mid(pos))) {
                why = QStringLiteral("malformed string data");
                return false;
            }
            s.kind = Statement::SetValue;
            s.type = REG_SZ;
            s.data = encodeString(text);
            return true;
        }
        if (rest.startsWith(QLatin1Char('-'))) {
            if (!onlyCommentLeft(QStringView(rest).mid(1))) {
                why = QStringLiteral("malformed value deletion");
                return false;
            }
            s.kind = Statement::DeleteValue;
            return true;
        }
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        const QString kind = rest.left(colon).trimmed().toLower();
        QStringView body = QStringView(rest).mid(colon + 1);
        const qsizetype comment = body.indexOf(QLatin1Char(';'));
        if (comment >= 0)
            body = body.left(comment);
        body = body.trimmed();
        s.kind = Statement::SetValue;
        if (colon > 0 && kind == QLatin1String("dword")) {
            quint32 v = 0;
            if (!parseHexNumber(body, 8, v)) {
                why = QStringLiteral("malformed dword data (1 to 8 hex digits expected)");
                return false;
            }
            s.type = REG_DWORD;
            s.data = encodeDword(v);
            return true;
        }
        if (colon > 0 && kind.startsWith(QLatin1String("hex"))) {
            s.type = REG_BINARY;
            if (kind != QLatin1String("hex")) {
                const QStringView code = QStringView(kind).mid(3);
                if (!code.startsWith(QLatin1Char('(')) || !code.endsWith(QLatin1Char(')'))
                    || !parseHexNumber(code.mid(1, code.size() - 2), 8, s.type)) {
                    why = QStringLiteral("malformed hex(type) prefix");
                    return false;
                }
            }
            if (!parseBytes(body, s.data)) {
                why = QStringLiteral("malformed hex data");
                return false;
            }
            if (isStringKind(s.type))
                s.data = storedText(s.data);
            return true;
        }
        why = QStringLiteral("unrecognised value data");
        return false;
    }

    static bool parseBytes(QStringView body, QByteArray &out)
    {
        out.clear();
        if (body.isEmpty())
            return true;
        const QList<QStringView> parts = body.split(QLatin1Char(','));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const QStringView p = parts[i].trimmed();
            if (p.isEmpty() && i == parts.size() - 1 && i > 0)
                break;   // one trailing comma is tolerated
            quint32 b = 0;
            if (!parseHexNumber(p, 2, b))
                return false;
            out.append(char(b));
        }
        return true;
    }

    // String kinds are stored as UTF-8: version 5 files give them as UTF-16LE,
    // REGEDIT4 files as 8-bit text. Odd-length UTF-16 cannot be text and stays raw.
    QByteArray storedText(const QByteArray &raw) const
    {
        if (!m_version5)
            return decode8Bit(raw).toUtf8();
        if (raw.size() % 2)
            return raw;
        return fromUtf16Le(raw).toUtf8();
    }

    Document &m_doc;
    QStringList m_lines;
    qsizetype m_next = 0;
    bool m_version5 = false;
    bool m_truncated = false;
    bool m_haveKey = false;
    HKEY m_root = HKEY_LOCAL_MACHINE;
    QString m_path;
};

QString escapeQuoted(const QString &s)
{
    QString out = s;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return out;
}

// "name"=hex(N):xx,xx,... wrapped like the system wraps it, below 80 columns.
QByteArray hexLine(const QByteArray &prefix, const QByteArray &data)
{
    QByteArray out = prefix;
    qsizetype column = prefix.size();
    for (qsizetype i = 0; i < data.size(); ++i) {
        out += QByteArray::number(quint8(data[i]), 16).rightJustified(2, '0');
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
            if (column > 75) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
    return out + "\r\n";
}

// A string written as "..." must read back the same: valid UTF-8, one NUL at the
// very end, no line breaks.
bool fitsQuoted(const QByteArray &data)
{
    if (data.isEmpty() || data.back() != '\0' || data.indexOf('\0') != data.size() - 1)
        return false;
    if (data.contains('\r') || data.contains('\n'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)utf8.decode(data);
    return !utf8.hasError();
}

QByteArray valueLine(const Value &v)
{
    const QByteArray name = v.name.isEmpty() ? QByteArray("@") : "\"" + escapeQuoted(v.name).toUtf8() + "\"";
    if (v.type == REG_SZ && fitsQuoted(v.data))
        return name + "=\"" + escapeQuoted(decodeString(v.data)).toUtf8() + "\"\r\n";
    if (v.type == REG_DWORD && v.data.size() == 4) {
        const quint32 d = quint8(v.data[0]) | quint8(v.data[1]) << 8 | quint8(v.data[2]) << 16
            | quint32(quint8(v.data[3])) << 24;
        return name + "=dword:" + QByteArray::number(d, 16).rightJustified(8, '0') + "\r\n";
    }
    if (v.type == REG_BINARY)
        return hexLine(name + "=hex:", v.data);
    const QByteArray data = isStringKind(v.type) ? toUtf16Le(QString::fromUtf8(v.data)) : v.data;
    return hexLine(name + "=hex(" + QByteArray::number(v.type, 16) + "):", data);
}

// The key, then each sub key with everything below it, in stored order. The walk
// keeps its own stack: a store may hold keys nested deeper than any call stack.
int writeKey(Store &store, qint64 id, const QString &fullName, QByteArray &out)
{
    struct Pending {
        qint64 id;
        QString fullName;
    };
    QList<Pending> stack{{id, fullName}};
    while (!stack.isEmpty()) {
        const Pending key = stack.takeLast();
        QList<Value> values;
        if (const int err = store.values(key.id, values))
            return err;
        out += "[" + key.fullName.toUtf8() + "]\r\n";
        for (const Value &v : values)
            out += valueLine(v);
        out += "\r\n";
        QList<SubKey> keys;
        if (const int err = store.subKeys(key.id, keys))
            return err;
        for (qsizetype i = keys.size(); i-- > 0;)
            stack.append({keys[i].id, key.fullName + QLatin1Char('\\') + keys[i].name});
    }
    return ERROR_SUCCESS;
}

QByteArray header() { return QByteArray(kHeader5.data(), kHeader5.size()) + "\r\n\r\n"; }

} // namespace

Document parseRegFile(const QByteArray &bytes)
{
    Document doc;
    QString text;
    if (bytes.startsWith("\xFF\xFE")) {
        if (bytes.size() % 2) {
            doc.refusal = QStringLiteral("the UTF-16 file is cut off (odd length)");
            return doc;
        }
        text = fromUtf16Le(bytes.mid(2));
    } else {
        const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
        if (body.contains('\0')) {
            doc.refusal = QStringLiteral("the file is not text");
            return doc;
        }
        text = decode8Bit(body);
    }
    Parser(doc).run(text, text.endsWith(QLatin1Char('\n')));
    return doc;
}

int applyStatements(Store &store, const QList<Statement> &statements)
{
    Store::Transaction write(store, Store::Transaction::Write);
    if (write.status())
        return write.status();
    for (const Statement &s : statements) {
        const qint64 root = Store::rootKey(s.root);
        qint64 key = 0;
        int err = ERROR_SUCCESS;
        switch (s.kind) {
        case Statement::CreateKey:
            err = store.createKey(root, s.path, QString(), key);
            break;
        case Statement::DeleteKey:
            err = store.deleteKey(root, s.path);
            break;
        case Statement::SetValue:
            err = store.createKey(root, s.path, QString(), key);
            if (!err)
                err = store.setValue(key, s.name, s.type, s.data);
            break;
        case Statement::DeleteValue:
            err = store.openKey(root, s.path, key);
            if (!err)
                err = store.deleteValue(key, s.name);
            break;
        }
        if (err && err != ERROR_FILE_NOT_FOUND)
            return err;
    }
    return write.commit();
}

ImportResult importRegData(Store &store, const QByteArray &bytes)
{
    ImportResult result;
    const Document doc = parseRegFile(bytes);
    result.errors = doc.errors;
    if (!doc.accepted) {
        result.refusal = doc.refusal;
        result.code = ERROR_INVALID_DATA;
        return result;
    }
    result.code = applyStatements(store, doc.statements);
    result.accepted = result.code == ERROR_SUCCESS;
    if (!result.accepted)
        result.refusal = QStringLiteral("the registry could not be written: %1").arg(store.lastMessage());
    return result;
}

ImportResult importRegFile(Store &store, const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        ImportResult result;
        result.code = ERROR_FILE_NOT_FOUND;
        result.refusal = QStringLiteral("cannot read %1: %2").arg(fileName, f.errorString());
        return result;
    }
    return importRegData(store, f.readAll());
}

int exportRegKeyById(Store &store, qint64 key, QByteArray &out)
{
    Store::Transaction read(store, Store::Transaction::Read);
    if (read.status())
        return read.status();
    HKEY root = HKEY_LOCAL_MACHINE;
    QString path;
    if (const int err = store.keyPath(key, root, path))
        return err;
    QByteArray text = header();
    const QString name = path.isEmpty() ? rootName(root) : rootName(root) + QLatin1Char('\\') + path;
    if (const int err = writeKey(store, key, name, text))
        return err;
    out = text;
    return read.commit();
}

int exportRegKey(Store &store, HKEY root, const QString &path, QByteArray &out)
{
    Store::Transaction read(store, Store::Transaction::Read);
    if (read.status())
        return read.status();
    qint64 key = 0;
    if (const int err = store.openKey(Store::rootKey(root), path, key))
        return err;
    if (const int err = exportRegKeyById(store, key, out))
        return err;
    return read.commit();
}

int exportRegAll(Store &store, QByteArray &out)
{
    Store::Transaction read(store, Store::Transaction::Read);
    if (read.status())
        return read.status();
    QByteArray text = header();
    for (quint32 r = HKEY_CLASSES_ROOT; r <= HKEY_DYN_DATA; ++r) {
        const HKEY root = HKEY(r);
        const qint64 id = Store::rootKey(root);
        KeyInfo info;
        if (const int err = store.keyInfo(id, info))
            return err;
        if (info.values > 0) {
            if (const int err = writeKey(store, id, rootName(root), text))
                return err;
            continue;
        }
        QList<SubKey> keys;
        if (const int err = store.subKeys(id, keys))
            return err;
        for (const SubKey &k : keys)
            if (const int err = writeKey(store, k.id, rootName(root) + QLatin1Char('\\') + k.name, text))
                return err;
    }
    out = text;
    return read.commit();
}

} // namespace ferry::reg
