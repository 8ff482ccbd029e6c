#include "common/registry.h"

#include <QFile>
#include <QSysInfo>

#include <algorithm>
#include <cstring>

using namespace ferry::reg;

namespace {

// Milliseconds since 1970 to 100-nanosecond intervals since 1601.
quint64 toFileTime(qint64 ms)
{
    constexpr qint64 kEpochDifferenceMs = 11644473600000LL;
    return ms + kEpochDifferenceMs < 0 ? 0 : quint64(ms + kEpochDifferenceMs) * 10000u;
}

bool isLocalComputer(const QString &computer)
{
    QString name = computer;
    while (name.startsWith(QLatin1Char('\\')))
        name.remove(0, 1);
    const QString local = QSysInfo::machineHostName();
    return name.compare(local, Qt::CaseInsensitive) == 0 || name.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        || name == QLatin1String(".");
}

QString normalisedPath(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

// Copies data into a caller's buffer of size bytes; size becomes the bytes needed.
int copyOut(const QByteArray &data, void *buffer, quint32 &size)
{
    const quint32 have = size;
    size = quint32(data.size());
    if (!buffer)
        return ERROR_SUCCESS;
    if (have < size)
        return ERROR_MORE_DATA;
    if (size)
        std::memcpy(buffer, data.constData(), size);
    return ERROR_SUCCESS;
}

} // namespace

CRegistry::CRegistry() : CRegistry(defaultStore()) {}

CRegistry::CRegistry(std::shared_ptr<Store> store) : m_store(std::move(store))
{
    m_computerName = QSysInfo::machineHostName();
    m_rootKeyName = rootName(m_rootHandle);
}

CRegistry::~CRegistry()
{
    Close();
}

bool CRegistry::result(int code)
{
    m_errorCode = code;
    return code == ERROR_SUCCESS;
}

bool CRegistry::needKey(quint32 access)
{
    if (!m_keyHandle)
        return result(ERROR_INVALID_HANDLE);
    if ((m_access & access) != access)
        return result(ERROR_ACCESS_DENIED);
    return true;
}

quint64 CRegistry::GetLastWriteTime() const
{
    return m_info.lastWriteMs ? toFileTime(m_info.lastWriteMs) : 0;
}

bool CRegistry::Close()
{
    m_keyHandle = 0;
    m_access = 0;
    m_info = KeyInfo();
    return result(ERROR_SUCCESS);
}

bool CRegistry::Connect(HKEY root, const QString &computer)
{
    if (!isPredefinedRoot(root))
        return result(ERROR_INVALID_HANDLE);
    const bool named = !computer.isEmpty();
    if (named && (root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_USER))
        return result(ERROR_INVALID_HANDLE);
    m_rootHandle = root;
    m_rootKeyName = rootName(root);
    m_computerName = named ? computer : QSysInfo::machineHostName();
    // Nothing may silently land in the local store when another machine was asked for.
    m_connected = !named || isLocalComputer(computer);
    return result(m_connected ? ERROR_SUCCESS : ERROR_BAD_NETPATH);
}

bool CRegistry::Create(const QString &subKey, const QString &className, quint32 options, quint32 access,
                       const void *security, CreationDisposition *disposition)
{
    if (subKey.isNull())
        return result(ERROR_INVALID_PARAMETER);
    if (!m_connected)
        return result(ERROR_INVALID_HANDLE);
    if (options & REG_OPTION_VOLATILE || security)
        return result(ERROR_NOT_SUPPORTED);
    qint64 id = 0;
    bool created = false;
    if (!result(m_store->createKey(Store::rootKey(m_rootHandle), subKey, className.isNull() ? QString() : className,
                                   id, &created)))
        return false;
    Close();
    m_keyHandle = id;
    m_access = access;
    m_keyName = subKey;
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    QueryInfo();
    return result(ERROR_SUCCESS);
}

bool CRegistry::Open(const QString &subKey, quint32 access)
{
    if (subKey.isNull())
        return result(ERROR_INVALID_PARAMETER);
    if (!m_connected)
        return result(ERROR_INVALID_HANDLE);
    qint64 id = 0;
    if (!result(m_store->openKey(Store::rootKey(m_rootHandle), subKey, id)))
        return false;
    Close();
    m_keyHandle = id;
    m_access = access;
    m_keyName = subKey;
    QueryInfo();
    return result(ERROR_SUCCESS);
}

bool CRegistry::DeleteKey(const QString &path)
{
    if (path.isNull())
        return result(ERROR_INVALID_PARAMETER);
    if (!m_connected)
        return result(ERROR_INVALID_HANDLE);
    return result(m_store->deleteKey(Store::rootKey(m_rootHandle), path));
}

bool CRegistry::DeleteValue(const QString &name)
{
    if (name.isNull())
        return result(ERROR_INVALID_PARAMETER);
    if (!needKey(KEY_SET_VALUE))
        return false;
    return result(m_store->deleteValue(m_keyHandle, name));
}

bool CRegistry::EnumerateKeys(int index, QString &name, QString &className)
{
    if (!needKey(KEY_ENUMERATE_SUB_KEYS))
        return false;
    return result(m_store->enumKey(m_keyHandle, index, name, className));
}

bool CRegistry::EnumerateValues(int index, QString &name, KeyValueTypes &type, QByteArray &data)
{
    if (!needKey(KEY_QUERY_VALUE))
        return false;
    Value v;
    if (!result(m_store->enumValue(m_keyHandle, index, v)))
        return false;
    name = v.name;
    type = KeyValueTypes(v.type);
    data = v.data;
    return true;
}

bool CRegistry::EnumerateValues(int index, QString &name, KeyValueTypes &type, void *data, quint32 &size)
{
    QByteArray bytes;
    if (!EnumerateValues(index, name, type, bytes))
        return false;
    return result(copyOut(bytes, data, size));
}

bool CRegistry::Flush()
{
    if (!needKey(0))
        return false;
    return result(m_store->flush());
}

bool CRegistry::readValue(const QString &name, KeyValueTypes &type, QByteArray &data)
{
    if (name.isNull())
        return result(ERROR_INVALID_PARAMETER);
    if (!needKey(KEY_QUERY_VALUE))
        return false;
    quint32 t = REG_NONE;
    if (!result(m_store->queryValue(m_keyHandle, name, t, data)))
        return false;
    type = KeyValueTypes(t);
    return true;
}

bool CRegistry::GetBinaryValue(const QString &name, QByteArray &value)
{
    KeyValueTypes type = REG_NONE;
    QByteArray data;
    if (!readValue(name, type, data))
        return false;
    value = data;
    return true;
}

bool CRegistry::GetDoubleWordValue(const QString &name, quint32 &value)
{
    KeyValueTypes type = REG_NONE;
    QByteArray data;
    if (!readValue(name, type, data))
        return false;
    if (data.size() > 4)
        return result(ERROR_MORE_DATA);
    if ((type != REG_DWORD && type != REG_BINARY) || data.size() != 4)
        return result(ERROR_INVALID_DATA);
    value = quint8(data[0]) | quint8(data[1]) << 8 | quint8(data[2]) << 16 | quint32(quint8(data[3])) << 24;
    return true;
}

// Reads a value of one of the given kinds; out is emptied on any failure.
template <typename Out, typename Decode>
bool CRegistry::readText(const QString &name, std::initializer_list<RegValueType> kinds, Out &out, Decode decode)
{
    KeyValueTypes type = REG_NONE;
    QByteArray data;
    out.clear();
    if (!readValue(name, type, data))
        return false;
    if (std::find(kinds.begin(), kinds.end(), type) == kinds.end())
        return result(ERROR_INVALID_DATA);
    out = decode(data);
    return true;
}

bool CRegistry::GetStringValue(const QString &name, QString &value)
{
    return readText(name, {REG_SZ, REG_EXPAND_SZ}, value, decodeString);
}

bool CRegistry::GetStringArrayValue(const QString &name, QStringList &value)
{
    return readText(name, {REG_MULTI_SZ}, value, decodeStringList);
}

bool CRegistry::GetSecurity(quint32, void *descriptor, quint32 &)
{
    if (!descriptor)
        return result(ERROR_INVALID_PARAMETER);
    if (!needKey(0))
        return false;
    return result(ERROR_NOT_SUPPORTED);
}

bool CRegistry::SetSecurity(quint32, const void *descriptor)
{
    if (!descriptor)
        return result(ERROR_INVALID_PARAMETER);
    if (!needKey(0))
        return false;
    return result(ERROR_NOT_SUPPORTED);
}

bool CRegistry::Load(const QString &subKey, const QString &fileName)
{
    if (subKey.isNull() || fileName.isNull())
        return result(ERROR_INVALID_PARAMETER);
    return result(ERROR_NOT_SUPPORTED);
}

bool CRegistry::UnLoad(const QString &subKey)
{
    if (subKey.isNull())
        return result(ERROR_INVALID_PARAMETER);
    return result(ERROR_NOT_SUPPORTED);
}

bool CRegistry::Replace(const QString &, const QString &newFile, const QString &oldFile)
{
    if (newFile.isNull() || oldFile.isNull())
        return result(ERROR_INVALID_PARAMETER);
    return result(ERROR_NOT_SUPPORTED);
}

bool CRegistry::NotifyChange(void *event, quint32, bool, bool asynchronous)
{
    if (asynchronous && !event)
        return result(ERROR_INVALID_PARAMETER);
    if (!needKey(KEY_NOTIFY))
        return false;
    return result(ERROR_NOT_SUPPORTED);
}

bool CRegistry::QueryInfo()
{
    if (!needKey(0))
        return false;
    KeyInfo info;
    if (!result(m_store->keyInfo(m_keyHandle, info)))
        return false;
    m_info = info;
    return true;
}

bool CRegistry::QueryValue(const QString &name, KeyValueTypes &type, QByteArray &data)
{
    return readValue(name, type, data);
}

bool CRegistry::QueryValue(const QString &name, KeyValueTypes &type, void *data, quint32 &size)
{
    QByteArray bytes;
    if (!readValue(name, type, bytes))
        return false;
    return result(copyOut(bytes, data, size));
}

bool CRegistry::Restore(const QString &fileName, quint32 flags)
{
    if (fileName.isNull())
        return result(ERROR_INVALID_PARAMETER);
    if (flags & REG_WHOLE_HIVE_VOLATILE)
        return result(ERROR_NOT_SUPPORTED);
    if (!needKey(KEY_SET_VALUE | KEY_CREATE_SUB_KEY))
        return false;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return result(f.exists() ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
    Document doc = parseRegFile(f.readAll());
    if (!doc.accepted || !doc.errors.isEmpty() || doc.statements.isEmpty()
        || doc.statements.first().kind != Statement::CreateKey)
        return result(ERROR_INVALID_DATA);

    // The file's first key is the saved key; everything in it moves below the open key.
    const Statement base = doc.statements.first();
    const QString basePath = normalisedPath(base.path).toCaseFolded();
    HKEY targetRoot = HKEY_LOCAL_MACHINE;
    QString targetPath;
    if (!result(m_store->keyPath(m_keyHandle, targetRoot, targetPath)))
        return false;
    for (Statement &s : doc.statements) {
        const QString path = normalisedPath(s.path);
        const QString folded = path.toCaseFolded();
        QString rest;
        if (folded == basePath)
            rest.clear();
        else if (basePath.isEmpty() || folded.startsWith(basePath + QLatin1Char('\\')))
            rest = path.mid(basePath.isEmpty() ? 0 : basePath.size() + 1);
        else
            return result(ERROR_INVALID_DATA);
        if (s.root != base.root || (s.kind == Statement::DeleteKey && rest.isEmpty()))
            return result(ERROR_INVALID_DATA);
        s.root = targetRoot;
        s.path = rest.isEmpty() ? targetPath : targetPath + QLatin1Char('\\') + rest;
    }
    Store::Transaction write(*m_store, Store::Transaction::Write);
    if (!result(write.status()) || !result(m_store->clearKey(m_keyHandle))
        || !result(applyStatements(*m_store, doc.statements)) || !result(write.commit()))
        return false;
    QueryInfo();
    return result(ERROR_SUCCESS);
}

bool CRegistry::Save(const QString &fileName, const void *security)
{
    if (fileName.isNull())
        return result(ERROR_INVALID_PARAMETER);
    if (security)
        return result(ERROR_NOT_SUPPORTED);
    if (!needKey(KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS))
        return false;
    if (QFile::exists(fileName))
        return result(ERROR_ALREADY_EXISTS);
    QByteArray text;
    if (!result(exportRegKeyById(*m_store, m_keyHandle, text)))
        return false;
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return result(f.exists() ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED);
    if (f.write(text) != text.size() || !f.flush()) {
        f.close();
        f.remove();
        return result(ERROR_REGISTRY_IO_FAILED);
    }
    return result(ERROR_SUCCESS);
}

bool CRegistry::SetValue(const QString &name, KeyValueTypes type, const QByteArray &data)
{
    if (name.isNull())
        return result(ERROR_INVALID_PARAMETER);
    if (!needKey(KEY_SET_VALUE))
        return false;
    return result(m_store->setValue(m_keyHandle, name, type, data));
}

bool CRegistry::SetValue(const QString &name, KeyValueTypes type, const void *data, quint32 size)
{
    if (!data && size)
        return result(ERROR_INVALID_PARAMETER);
    return SetValue(name, type, QByteArray(static_cast<const char *>(data), qsizetype(size)));
}

bool CRegistry::SetBinaryValue(const QString &name, const QByteArray &value)
{
    return SetValue(name, REG_BINARY, value);
}

bool CRegistry::SetDoubleWordValue(const QString &name, quint32 value)
{
    return SetValue(name, REG_DWORD, encodeDword(value));
}

bool CRegistry::SetStringValue(const QString &name, const QString &value)
{
    return SetValue(name, REG_SZ, encodeString(value));
}

bool CRegistry::SetStringArrayValue(const QString &name, const QStringList &value)
{
    return SetValue(name, REG_MULTI_SZ, encodeStringList(value));
}
