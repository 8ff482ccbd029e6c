#pragma once

// The registry: a hierarchical store of typed values in one SQLite file
// (registry.db in the data folder). Key paths and value names keep the case they
// were first written with and match without regard to case. Values and sub keys
// enumerate in the order they were first written; overwriting a value keeps its
// place. String kinds hold UTF-8 bytes with their terminating NUL (a string list:
// each string with its NUL, then one more NUL); a double word is 4 bytes,
// little-endian. Every write is its own transaction unless a Transaction is open,
// so two processes sharing the file lose nothing and never see half a value.
//
// Key and value names may not contain line breaks or NULs (ERROR_INVALID_PARAMETER):
// every stored name must survive a registration file.
//
// All operations return a system error code (platform/winerror.h), 0 on success.

#include "platform/winerror.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// The predefined root keys, numbered as they have always been.
enum HKEY : quint32 {
    HKEY_CLASSES_ROOT = 0x80000000u,
    HKEY_CURRENT_USER = 0x80000001u,
    HKEY_LOCAL_MACHINE = 0x80000002u,
    HKEY_USERS = 0x80000003u,
    HKEY_PERFORMANCE_DATA = 0x80000004u,
    HKEY_CURRENT_CONFIG = 0x80000005u,
    HKEY_DYN_DATA = 0x80000006u,
};

// Value kinds with their stored type codes.
enum RegValueType : quint32 {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_DWORD_BIG_ENDIAN = 5,
    REG_LINK = 6,
    REG_MULTI_SZ = 7,
};

namespace ferry::reg {

// "HKEY_LOCAL_MACHINE" and the other full names; "Unknown" for anything else.
QString rootName(HKEY root);
// Accepts the full names and the short forms (HKLM, HKCU, HKCR, HKU, HKCC), any case.
bool parseRootName(const QString &name, HKEY &root);
bool isPredefinedRoot(quint32 root);

// Splits "HKEY_LOCAL_MACHINE\SOFTWARE\X" into root and "SOFTWARE\X".
bool splitFullPath(const QString &fullPath, HKEY &root, QString &path);

// Codecs of the stored data of each kind.
QByteArray encodeString(const QString &text);          // UTF-8 + NUL
QString decodeString(const QByteArray &data);          // up to the first NUL
QByteArray encodeStringList(const QStringList &list);  // each + NUL, then NUL
QStringList decodeStringList(const QByteArray &data);  // ends at an empty string
QByteArray encodeDword(quint32 value);
bool isStringKind(quint32 type);

struct Value {
    QString name;
    quint32 type = REG_NONE;
    QByteArray data;
};

struct SubKey {
    qint64 id = 0;
    QString name;
    QString className;
};

struct KeyInfo {
    QString className;
    int subKeys = 0;
    int values = 0;
    int maxSubKeyNameLength = 0;
    int maxClassLength = 0;
    int maxValueNameLength = 0;
    int maxValueDataLength = 0;
    qint64 lastWriteMs = 0;   // milliseconds since 1970 (UTC)
};

// One connection to the file. A store object belongs to one thread at a time.
class Store {
public:
    // Opens (and when needed creates) the store file. isOpen() tells whether that worked.
    explicit Store(const QString &path);
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }
    QString lastMessage() const { return m_message; }

    // Key handles are ids; a root's id comes from rootKey(). A key deleted
    // meanwhile (here or by another process) gives ERROR_KEY_DELETED.
    static qint64 rootKey(HKEY root);

    // Looks up a path of components separated by '\' below parent (empty components are ignored).
    int openKey(qint64 parent, const QString &path, qint64 &id);
    // Opens or creates the path; *created tells whether the last component was new.
    int createKey(qint64 parent, const QString &path, const QString &className, qint64 &id, bool *created = nullptr);
    // Deletes the key at path below parent with all its sub keys and values.
    int deleteKey(qint64 parent, const QString &path);
    // Removes every value and sub key of a key, keeping the key.
    int clearKey(qint64 id);
    bool keyExists(qint64 id);
    // The root and the path below it of a key, each component in its stored case.
    int keyPath(qint64 id, HKEY &root, QString &path);

    int keyInfo(qint64 id, KeyInfo &info);
    int enumKey(qint64 id, int index, QString &name, QString &className);
    int enumValue(qint64 id, int index, Value &value);
    int subKeys(qint64 id, QList<SubKey> &keys);
    int values(qint64 id, QList<Value> &values);

    int queryValue(qint64 id, const QString &name, quint32 &type, QByteArray &data);
    int setValue(qint64 id, const QString &name, quint32 type, const QByteArray &data);
    int deleteValue(qint64 id, const QString &name);

    // Writes the log back into the main file.
    int flush();

    // Groups operations into one transaction: a write transaction takes the
    // write lock at once (waiting briefly when another process holds it); a read
    // transaction gives one consistent view. Nested transactions join the outer one.
    class Transaction {
    public:
        enum Kind { Read, Write };
        Transaction(Store &store, Kind kind);
        ~Transaction();   // rolls back unless committed
        int status() const { return m_status; }
        int commit();
    private:
        Store &m_store;
        int m_status = ERROR_SUCCESS;
        bool m_outer = false;
        bool m_done = false;
    };

private:
    friend class Transaction;
    sqlite3_stmt *prepare(const char *sql);
    int fail(int sqliteCode);
    int exec(const char *sql);
    int findChild(qint64 parent, const QString &name, qint64 &id);
    template <typename T, typename Row>
    int collect(const char *sql, qint64 id, QList<T> &out, Row row);
    int touch(qint64 id);
    int initSchema(); // SQLite result code

    QString m_path;
    QString m_message;
    sqlite3 *m_db = nullptr;
    QHash<const char *, sqlite3_stmt *> m_statements;
    int m_depth = 0;
};

// The process-wide store: path set by setDefaultStorePath(), else registry.db in
// the data folder as FERRY_HOME names it at the time of the call. A change of that
// path opens the new file for later callers; holders of the old store keep it.
std::shared_ptr<Store> defaultStore();
// Overrides the default path (tests); an empty path follows FERRY_HOME again.
void setDefaultStorePath(const QString &path);
// Forgets the cached default store so that the next call opens it anew.
void resetDefaultStore();

} // namespace ferry::reg
