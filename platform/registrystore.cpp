#include "platform/registrystore.h"

#include "platform/paths.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>

#include <sqlite3.h>

namespace ferry::reg {

namespace {

struct RootEntry {
    HKEY root;
    const char *name;
    const char *shortName;
};

constexpr RootEntry kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_USERS, "HKEY_USERS", "HKU"},
    {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA", nullptr},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC"},
    {HKEY_DYN_DATA, "HKEY_DYN_DATA", "HKDD"},
};

// How long a store locked by another process is waited on.
constexpr int kBusyWaitMs = 10000;

// Names are compared in their case-folded form, kept in a column of their own.
QString fold(const QString &name) { return name.toCaseFolded(); }

QStringList components(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

// Line breaks and NULs could never be written to a registration file and read back.
bool isWritableName(const QString &name)
{
    for (const QChar c : name)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isNull())
            return false;
    return true;
}

// A prepared statement borrowed from the cache; reset when it goes out of scope.
class Query {
public:
    explicit Query(sqlite3_stmt *s) : m_s(s) {}
    ~Query()
    {
        if (m_s) {
            sqlite3_reset(m_s);
            sqlite3_clear_bindings(m_s);
        }
    }
    bool ok() const { return m_s != nullptr; }
    Query &bind(int i, qint64 v) { sqlite3_bind_int64(m_s, i, v); return *this; }
    Query &bind(int i, const QString &v)
    {
        const QByteArray u = v.toUtf8();
        sqlite3_bind_text(m_s, i, u.isEmpty() ? "" : u.constData(), int(u.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Query &bindBlob(int i, const QByteArray &v)
    {
        if (v.isEmpty())
            sqlite3_bind_zeroblob(m_s, i, 0);
        else
            sqlite3_bind_blob(m_s, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    int step() { return sqlite3_step(m_s); }
    qint64 integer(int c) const { return sqlite3_column_int64(m_s, c); }
    QString text(int c) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_s, c)),
                                 sqlite3_column_bytes(m_s, c));
    }
    QByteArray blob(int c) const
    {
        const void *p = sqlite3_column_blob(m_s, c);
        const int n = sqlite3_column_bytes(m_s, c);
        return p && n > 0 ? QByteArray(static_cast<const char *>(p), n) : QByteArray();
    }

private:
    sqlite3_stmt *m_s;
};

const char *const kSchema =
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY, parent INTEGER, name TEXT NOT NULL,"
    " folded TEXT NOT NULL, class TEXT NOT NULL DEFAULT '', written INTEGER NOT NULL DEFAULT 0);"
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_by_name ON keys(parent, folded);"
    "CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(parent);"
    "CREATE TABLE IF NOT EXISTS vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL,"
    " folded TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS vals_by_name ON vals(key, folded);"
    "CREATE INDEX IF NOT EXISTS vals_by_key ON vals(key);";

} // namespace

// ---- names and codecs ----

QString rootName(HKEY root)
{
    for (const RootEntry &r : kRoots)
        if (r.root == root)
            return QString::fromLatin1(r.name);
    return QStringLiteral("Unknown");
}

bool parseRootName(const QString &name, HKEY &root)
{
    for (const RootEntry &r : kRoots) {
        if (name.compare(QLatin1String(r.name), Qt::CaseInsensitive) == 0
            || (r.shortName && name.compare(QLatin1String(r.shortName), Qt::CaseInsensitive) == 0)) {
            root = r.root;
            return true;
        }
    }
    return false;
}

bool isPredefinedRoot(quint32 root)
{
    for (const RootEntry &r : kRoots)
        if (r.root == root)
            return true;
    return false;
}

bool splitFullPath(const QString &fullPath, HKEY &root, QString &path)
{
    const qsizetype slash = fullPath.indexOf(QLatin1Char('\\'));
    if (!parseRootName(slash < 0 ? fullPath : fullPath.left(slash), root))
        return false;
    path = slash < 0 ? QString() : fullPath.mid(slash + 1);
    return true;
}

QByteArray encodeString(const QString &text)
{
    QByteArray data = text.toUtf8();
    data.append('\0');
    return data;
}

QString decodeString(const QByteArray &data)
{
    const qsizetype nul = data.indexOf('\0');
    return QString::fromUtf8(nul < 0 ? data : data.left(nul));
}

QByteArray encodeStringList(const QStringList &list)
{
    QByteArray data;
    for (const QString &s : list)
        data += encodeString(s);
    data.append('\0');
    return data;
}

QStringList decodeStringList(const QByteArray &data)
{
    QStringList list;
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype nul = data.indexOf('\0', pos);
        if (nul < 0)
            nul = data.size();
        if (nul == pos)
            break;
        list << QString::fromUtf8(data.mid(pos, nul - pos));
        pos = nul + 1;
    }
    return list;
}

QByteArray encodeDword(quint32 value)
{
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = char((value >> (8 * i)) & 0xFF);
    return data;
}

bool isStringKind(quint32 type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// ---- store ----

Store::Store(const QString &path) : m_path(path)
{
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        m_message = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    // A store locked by another process is waited on, never treated as broken.
    sqlite3_busy_timeout(m_db, kBusyWaitMs);
    // Two programs started together may both find a new file: switching it to
    // the write-ahead log, or reading it while the other one does, can report
    // "locked" without waiting, so the set-up is tried again until the wait ends.
    QElapsedTimer waited;
    waited.start();
    int rc = initSchema();
    while ((rc & 0xFF) == SQLITE_BUSY && waited.elapsed() < kBusyWaitMs) {
        QThread::msleep(20);
        m_message.clear();
        rc = initSchema();
    }
    if (rc != SQLITE_OK) {
        if (m_message.isEmpty())
            m_message = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

Store::~Store()
{
    for (sqlite3_stmt *s : std::as_const(m_statements))
        sqlite3_finalize(s);
    if (m_db)
        sqlite3_close(m_db);
}

int Store::initSchema()
{
    // The write-ahead log lets readers go on while one process writes; NORMAL
    // syncing keeps the file consistent after a crash of either program.
    int rc = sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_stmt *check = nullptr;
    rc = sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &check, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    rc = sqlite3_step(check);
    const bool ready = rc == SQLITE_ROW && sqlite3_column_int(check, 0) >= 1;
    sqlite3_finalize(check);
    if (ready)
        return SQLITE_OK;
    if (rc != SQLITE_ROW)
        return rc;
    QByteArray sql = QByteArray("BEGIN IMMEDIATE;") + kSchema;
    qint64 id = 1;
    for (const RootEntry &r : kRoots) {
        sql += QByteArray("INSERT OR IGNORE INTO keys(id, parent, name, folded) VALUES(") + QByteArray::number(id++)
            + ", NULL, '" + r.name + "', '" + QByteArray(r.name).toLower() + "');";
    }
    sql += "PRAGMA user_version=1; COMMIT;";
    rc = sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        m_message = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return rc;
}

qint64 Store::rootKey(HKEY root)
{
    qint64 id = 1;
    for (const RootEntry &r : kRoots) {
        if (r.root == root)
            return id;
        ++id;
    }
    return 0;
}

sqlite3_stmt *Store::prepare(const char *sql)
{
    if (!m_db)
        return nullptr;
    auto it = m_statements.constFind(sql);
    if (it != m_statements.constEnd())
        return it.value();
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
        m_message = QString::fromUtf8(sqlite3_errmsg(m_db));
        return nullptr;
    }
    m_statements.insert(sql, s);
    return s;
}

int Store::fail(int sqliteCode)
{
    if (m_db)
        m_message = QString::fromUtf8(sqlite3_errmsg(m_db));
    switch (sqliteCode & 0xFF) {
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_REGISTRY_CORRUPT;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

int Store::exec(const char *sql)
{
    if (!m_db)
        return ERROR_REGISTRY_IO_FAILED;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? ERROR_SUCCESS : fail(rc);
}

Store::Transaction::Transaction(Store &store, Kind kind) : m_store(store)
{
    if (!store.m_db) {
        m_status = ERROR_REGISTRY_IO_FAILED;
        return;
    }
    if (store.m_depth++ == 0) {
        m_outer = true;
        m_status = store.exec(kind == Write ? "BEGIN IMMEDIATE" : "BEGIN");
    }
}

int Store::Transaction::commit()
{
    if (m_done)
        return m_status;
    m_done = true;
    --m_store.m_depth;
    if (m_outer && m_status == ERROR_SUCCESS) {
        m_status = m_store.exec("COMMIT");
        if (m_status != ERROR_SUCCESS)
            m_store.exec("ROLLBACK");
    }
    return m_status;
}

Store::Transaction::~Transaction()
{
    if (m_done)
        return;
    --m_store.m_depth;
    if (m_outer && m_status == ERROR_SUCCESS)
        m_store.exec("ROLLBACK");
}

bool Store::keyExists(qint64 id)
{
    Query q(prepare("SELECT 1 FROM keys WHERE id = ?"));
    return q.ok() && q.bind(1, id).step() == SQLITE_ROW;
}

int Store::keyPath(qint64 id, HKEY &root, QString &path)
{
    Transaction read(*this, Transaction::Read);
    if (read.status())
        return read.status();
    QStringList parts;
    qint64 current = id;
    while (current > qint64(std::size(kRoots))) {
        Query q(prepare("SELECT parent, name FROM keys WHERE id = ?"));
        if (!q.ok())
            return ERROR_REGISTRY_IO_FAILED;
        const int rc = q.bind(1, current).step();
        if (rc != SQLITE_ROW)
            return rc == SQLITE_DONE ? ERROR_KEY_DELETED : fail(rc);
        parts.prepend(q.text(1));
        current = q.integer(0);
    }
    if (current < 1)
        return ERROR_KEY_DELETED;
    root = kRoots[current - 1].root;
    path = parts.join(QLatin1Char('\\'));
    return read.commit();
}

int Store::findChild(qint64 parent, const QString &name, qint64 &id)
{
    Query q(prepare("SELECT id FROM keys WHERE parent = ? AND folded = ?"));
    if (!q.ok())
        return ERROR_REGISTRY_IO_FAILED;
    const int rc = q.bind(1, parent).bind(2, fold(name)).step();
    if (rc == SQLITE_ROW) {
        id = q.integer(0);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : fail(rc);
}

int Store::touch(qint64 id)
{
    Query q(prepare("UPDATE keys SET written = ? WHERE id = ?"));
    if (!q.ok())
        return ERROR_REGISTRY_IO_FAILED;
    const int rc = q.bind(1, nowMs()).bind(2, id).step();
    if (rc != SQLITE_DONE)
        return fail(rc);
    return sqlite3_changes(m_db) > 0 ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

int Store::openKey(qint64 parent, const QString &path, qint64 &id)
{
    Transaction read(*this, Transaction::Read);
    if (read.status())
        return read.status();
    if (!keyExists(parent))
        return ERROR_KEY_DELETED;
    qint64 current = parent;
    for (const QString &part : components(path)) {
        if (const int err = findChild(current, part, current))
            return err;
    }
    id = current;
    return read.commit();
}

int Store::createKey(qint64 parent, const QString &path, const QString &className, qint64 &id, bool *created)
{
    if (created)
        *created = false;
    // Most calls open keys that exist: look first, take the write lock only to create.
    if (openKey(parent, path, id) == ERROR_SUCCESS)
        return ERROR_SUCCESS;
    if (!isWritableName(path))
        return ERROR_INVALID_PARAMETER;
    Transaction write(*this, Transaction::Write);
    if (write.status())
        return write.status();
    if (!keyExists(parent))
        return ERROR_KEY_DELETED;
    qint64 current = parent;
    const QStringList parts = components(path);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        qint64 child = 0;
        const int err = findChild(current, parts[i], child);
        if (err == ERROR_FILE_NOT_FOUND) {
            Query q(prepare("INSERT INTO keys(parent, name, folded, class, written) VALUES(?, ?, ?, ?, ?)"));
            if (!q.ok())
                return ERROR_REGISTRY_IO_FAILED;
            const bool last = i == parts.size() - 1;
            const int rc = q.bind(1, current).bind(2, parts[i]).bind(3, fold(parts[i]))
                               .bind(4, last ? className : QString()).bind(5, nowMs()).step();
            if (rc != SQLITE_DONE)
                return fail(rc);
            child = sqlite3_last_insert_rowid(m_db);
            if (const int t = touch(current))
                return t;
            if (last && created)
                *created = true;
        } else if (err) {
            return err;
        }
        current = child;
    }
    id = current;
    return write.commit();
}

int Store::deleteKey(qint64 parent, const QString &path)
{
    Transaction write(*this, Transaction::Write);
    if (write.status())
        return write.status();
    qint64 id = 0;
    if (const int err = openKey(parent, path, id))
        return err;
    if (id <= qint64(std::size(kRoots)))
        return ERROR_ACCESS_DENIED;
    qint64 owner = 0;
    {
        Query q(prepare("SELECT parent FROM keys WHERE id = ?"));
        if (!q.ok() || q.bind(1, id).step() != SQLITE_ROW)
            return ERROR_KEY_DELETED;
        owner = q.integer(0);
    }
    if (const int err = clearKey(id))
        return err;
    Query q(prepare("DELETE FROM keys WHERE id = ?"));
    if (!q.ok())
        return ERROR_REGISTRY_IO_FAILED;
    if (const int rc = q.bind(1, id).step(); rc != SQLITE_DONE)
        return fail(rc);
    if (const int err = touch(owner))
        return err;
    return write.commit();
}

int Store::clearKey(qint64 id)
{
    Transaction write(*this, Transaction::Write);
    if (write.status())
        return write.status();
    if (!keyExists(id))
        return ERROR_KEY_DELETED;
    // Every key below this one, then their values and the keys themselves.
    static const char *const values =
        "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id)"
        " DELETE FROM vals WHERE key IN sub";
    static const char *const keys =
        "WITH RECURSIVE sub(id) AS (SELECT id FROM keys WHERE parent = ?1"
        " UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id)"
        " DELETE FROM keys WHERE id IN sub";
    for (const char *sql : {values, keys}) {
        Query q(prepare(sql));
        if (!q.ok())
            return ERROR_REGISTRY_IO_FAILED;
        if (const int rc = q.bind(1, id).step(); rc != SQLITE_DONE)
            return fail(rc);
    }
    if (const int err = touch(id))
        return err;
    return write.commit();
}

int Store::keyInfo(qint64 id, KeyInfo &info)
{
    Transaction read(*this, Transaction::Read);
    if (read.status())
        return read.status();
    {
        Query q(prepare("SELECT class, written FROM keys WHERE id = ?"));
        if (!q.ok())
            return ERROR_REGISTRY_IO_FAILED;
        const int rc = q.bind(1, id).step();
        if (rc != SQLITE_ROW)
            return rc == SQLITE_DONE ? ERROR_KEY_DELETED : fail(rc);
        info.className = q.text(0);
        info.lastWriteMs = q.integer(1);
    }
    {
        Query q(prepare("SELECT count(*), coalesce(max(length(name)), 0), coalesce(max(length(class)), 0)"
                        " FROM keys WHERE parent = ?"));
        if (!q.ok() || q.bind(1, id).step() != SQLITE_ROW)
            return ERROR_REGISTRY_IO_FAILED;
        info.subKeys = int(q.integer(0));
        info.maxSubKeyNameLength = int(q.integer(1));
        info.maxClassLength = int(q.integer(2));
    }
    {
        Query q(prepare("SELECT count(*), coalesce(max(length(name)), 0), coalesce(max(length(data)), 0)"
                        " FROM vals WHERE key = ?"));
        if (!q.ok() || q.bind(1, id).step() != SQLITE_ROW)
            return ERROR_REGISTRY_IO_FAILED;
        info.values = int(q.integer(0));
        info.maxValueNameLength = int(q.integer(1));
        info.maxValueDataLength = int(q.integer(2));
    }
    return read.commit();
}

int Store::enumKey(qint64 id, int index, QString &name, QString &className)
{
    if (index < 0)
        return ERROR_INVALID_PARAMETER;
    Query q(prepare("SELECT name, class FROM keys WHERE parent = ? ORDER BY id LIMIT 1 OFFSET ?"));
    if (!q.ok())
        return ERROR_REGISTRY_IO_FAILED;
    const int rc = q.bind(1, id).bind(2, index).step();
    if (rc == SQLITE_ROW) {
        name = q.text(0);
        className = q.text(1);
        return ERROR_SUCCESS;
    }
    if (rc != SQLITE_DONE)
        return fail(rc);
    return keyExists(id) ? ERROR_NO_MORE_ITEMS : ERROR_KEY_DELETED;
}

int Store::enumValue(qint64 id, int index, Value &value)
{
    if (index < 0)
        return ERROR_INVALID_PARAMETER;
    Query q(prepare("SELECT name, type, data FROM vals WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?"));
    if (!q.ok())
        return ERROR_REGISTRY_IO_FAILED;
    const int rc = q.bind(1, id).bind(2, index).step();
    if (rc == SQLITE_ROW) {
        value = {q.text(0), quint32(q.integer(1)), q.blob(2)};
        return ERROR_SUCCESS;
    }
    if (rc != SQLITE_DONE)
        return fail(rc);
    return keyExists(id) ? ERROR_NO_MORE_ITEMS : ERROR_KEY_DELETED;
}

template <typename T, typename Row>
int Store::collect(const char *sql, qint64 id, QList<T> &out, Row row)
{
    out.clear();
    Query q(prepare(sql));
    if (!q.ok())
        return ERROR_REGISTRY_IO_FAILED;
    q.bind(1, id);
    int rc;
    while ((rc = q.step()) == SQLITE_ROW)
        out.append(row(q));
    return rc == SQLITE_DONE ? ERROR_SUCCESS : fail(rc);
}

int Store::subKeys(qint64 id, QList<SubKey> &keys)
{
    return collect("SELECT id, name, class FROM keys WHERE parent = ? ORDER BY id", id, keys,
                   [](const Query &q) { return SubKey{q.integer(0), q.text(1), q.text(2)}; });
}

int Store::values(qint64 id, QList<Value> &values)
{
    return collect("SELECT name, type, data FROM vals WHERE key = ? ORDER BY id", id, values,
                   [](const Query &q) { return Value{q.text(0), quint32(q.integer(1)), q.blob(2)}; });
}

int Store::queryValue(qint64 id, const QString &name, quint32 &type, QByteArray &data)
{
    Query q(prepare("SELECT type, data FROM vals WHERE key = ? AND folded = ?"));
    if (!q.ok())
        return ERROR_REGISTRY_IO_FAILED;
    const int rc = q.bind(1, id).bind(2, fold(name)).step();
    if (rc == SQLITE_ROW) {
        type = quint32(q.integer(0));
        data = q.blob(1);
        return ERROR_SUCCESS;
    }
    if (rc != SQLITE_DONE)
        return fail(rc);
    return keyExists(id) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
}

int Store::setValue(qint64 id, const QString &name, quint32 type, const QByteArray &data)
{
    if (!isWritableName(name))
        return ERROR_INVALID_PARAMETER;
    Transaction write(*this, Transaction::Write);
    if (write.status())
        return write.status();
    if (const int err = touch(id))
        return err;
    // An existing value keeps its row, so its name's case and its place in the order stay.
    Query q(prepare("INSERT INTO vals(key, name, folded, type, data) VALUES(?, ?, ?, ?, ?)"
                    " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data"));
    if (!q.ok())
        return ERROR_REGISTRY_IO_FAILED;
    const int rc = q.bind(1, id).bind(2, name).bind(3, fold(name)).bind(4, qint64(type)).bindBlob(5, data).step();
    if (rc != SQLITE_DONE)
        return fail(rc);
    return write.commit();
}

int Store::deleteValue(qint64 id, const QString &name)
{
    Transaction write(*this, Transaction::Write);
    if (write.status())
        return write.status();
    Query q(prepare("DELETE FROM vals WHERE key = ? AND folded = ?"));
    if (!q.ok())
        return ERROR_REGISTRY_IO_FAILED;
    if (const int rc = q.bind(1, id).bind(2, fold(name)).step(); rc != SQLITE_DONE)
        return fail(rc);
    if (sqlite3_changes(m_db) == 0)
        return keyExists(id) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    if (const int err = touch(id))
        return err;
    return write.commit();
}

int Store::flush()
{
    if (!m_db)
        return ERROR_REGISTRY_IO_FAILED;
    if (m_depth > 0)
        return ERROR_SUCCESS;   // the open transaction's commit writes it
    const int rc = sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    return rc == SQLITE_OK || rc == SQLITE_BUSY ? ERROR_SUCCESS : fail(rc);
}

// ---- the process-wide store ----

namespace {
struct DefaultStore {
    QString overridePath;
    std::shared_ptr<Store> store;
};
DefaultStore &defaults()
{
    static DefaultStore d;
    return d;
}
} // namespace

std::shared_ptr<Store> defaultStore()
{
    DefaultStore &d = defaults();
    const QString path = d.overridePath.isEmpty() ? ferry::dataFile(QStringLiteral("registry.db")) : d.overridePath;
    if (!d.store || d.store->path() != path)
        d.store = std::make_shared<Store>(path);
    return d.store;
}

void setDefaultStorePath(const QString &path)
{
    defaults().overridePath = path;
    defaults().store.reset();
}

void resetDefaultStore()
{
    defaults().store.reset();
}

} // namespace ferry::reg
