#pragma once

// CRegistry: one open registry key. Every operation returns true or false and
// keeps the system error code of the call (GetErrorCode(), 0 = success).
//
//     CRegistry reg;                                    // local machine, local store
//     if (reg.Create("SOFTWARE\\Hollowell\\Ferry97\\Chat")) {
//         quint32 autoLog = 0;
//         if (!reg.GetDoubleWordValue("AutoLog", autoLog))
//             reg.SetDoubleWordValue("AutoLog", autoLog);
//     }
//
// The object starts connected to HKEY_LOCAL_MACHINE of the process-wide store
// (registry.db in the data folder, see ferry::reg::defaultStore()). Paths are
// relative to the connected root, components separated by '\'. A null QString
// where a name, file or descriptor is required fails with 87; an empty name
// means the key's default value. Names match without regard to case.
//
// Reading checks the kind: a double word must be 4 bytes of REG_DWORD (or
// REG_BINARY), strings must be REG_SZ or REG_EXPAND_SZ, string arrays
// REG_MULTI_SZ; anything else fails with 13 (ERROR_INVALID_DATA), so a caller
// that falls back to its default never works with a misread value. Qt results
// have no fixed buffers; 234 (ERROR_MORE_DATA) comes from the forms that take a
// caller's buffer and size.
//
// There is no remote registry, no hive file, no security descriptor and no change
// notification on this platform: those operations fail with 50 (ERROR_NOT_SUPPORTED)
// or, for another computer, 53 (ERROR_BAD_NETPATH). Save and Restore write and
// read the key's subtree as a registration (.reg) file.

#include "platform/regfile.h"
#include "platform/registrystore.h"
#include "platform/winerror.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

// Access rights of an open key.
constexpr quint32 KEY_QUERY_VALUE = 0x0001;
constexpr quint32 KEY_SET_VALUE = 0x0002;
constexpr quint32 KEY_CREATE_SUB_KEY = 0x0004;
constexpr quint32 KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr quint32 KEY_NOTIFY = 0x0010;
constexpr quint32 KEY_CREATE_LINK = 0x0020;
constexpr quint32 KEY_READ = 0x20019;
constexpr quint32 KEY_WRITE = 0x20006;
constexpr quint32 KEY_ALL_ACCESS = 0xF003F;

// Create options and Restore flags.
constexpr quint32 REG_OPTION_NON_VOLATILE = 0;
constexpr quint32 REG_OPTION_VOLATILE = 1;
constexpr quint32 REG_WHOLE_HIVE_VOLATILE = 1;
constexpr quint32 REG_FORCE_RESTORE = 8;

class CRegistry {
public:
    using KeyValueTypes = RegValueType;
    enum CreationDisposition : quint32 { REG_CREATED_NEW_KEY = 1, REG_OPENED_EXISTING_KEY = 2 };

    CRegistry();
    // A registry over a given store (tests, tools).
    explicit CRegistry(std::shared_ptr<ferry::reg::Store> store);
    ~CRegistry();
    CRegistry(const CRegistry &) = delete;
    CRegistry &operator=(const CRegistry &) = delete;

    // Closes the open key and resets the information fields. Closing with no key open succeeds.
    bool Close();
    // Chooses the root for Create/Open/DeleteKey. HKEY_CLASSES_ROOT and HKEY_CURRENT_USER
    // exist only locally (a computer name gives 6); other computers give 53.
    bool Connect(HKEY root = HKEY_LOCAL_MACHINE, const QString &computer = QString());

    // Creates or opens subKey below the root and makes it the open key.
    bool Create(const QString &subKey, const QString &className = QStringLiteral(""),
                quint32 options = REG_OPTION_NON_VOLATILE, quint32 access = KEY_ALL_ACCESS,
                const void *security = nullptr, CreationDisposition *disposition = nullptr);
    // Opens an existing subKey below the root; reads its information (QueryInfo).
    bool Open(const QString &subKey, quint32 access = KEY_ALL_ACCESS);

    // Deletes the key at path below the root with everything under it. The open key stays open.
    bool DeleteKey(const QString &path);
    bool DeleteValue(const QString &name);

    // 259 (ERROR_NO_MORE_ITEMS) past the last entry. Order: first written first.
    bool EnumerateKeys(int index, QString &name, QString &className);
    bool EnumerateValues(int index, QString &name, KeyValueTypes &type, QByteArray &data);
    // Caller's buffer form: size in, bytes needed (or written) out; 234 when too small.
    bool EnumerateValues(int index, QString &name, KeyValueTypes &type, void *data, quint32 &size);

    bool Flush();

    bool GetBinaryValue(const QString &name, QByteArray &value);
    QString GetClassName() const { return m_info.className; }
    QString GetComputerName() const { return m_computerName; }
    bool GetDoubleWordValue(const QString &name, quint32 &value);
    int GetErrorCode() const { return m_errorCode; }
    QString GetKeyName() const { return m_keyName; }
    int GetNumberOfSubkeys() const { return m_info.subKeys; }
    int GetNumberOfValues() const { return m_info.values; }
    QString GetRootKeyName() const { return m_rootKeyName; }
    // Always unsupported; a null descriptor gives 87.
    bool GetSecurity(quint32 information, void *descriptor, quint32 &size);
    // On failure value is emptied.
    bool GetStringValue(const QString &name, QString &value);
    bool GetStringArrayValue(const QString &name, QStringList &value);
    bool GetValue(const QString &name, QByteArray &value) { return GetBinaryValue(name, value); }
    bool GetValue(const QString &name, quint32 &value) { return GetDoubleWordValue(name, value); }
    bool GetValue(const QString &name, QString &value) { return GetStringValue(name, value); }
    bool GetValue(const QString &name, QStringList &value) { return GetStringArrayValue(name, value); }

    // Hive files are not supported (50); missing arguments give 87.
    bool Load(const QString &subKey, const QString &fileName);
    bool NotifyChange(void *event = nullptr, quint32 filter = 0, bool wholeTree = true, bool asynchronous = true);

    // Class name, counts, longest lengths and last write time of the open key.
    bool QueryInfo();
    bool QueryValue(const QString &name, KeyValueTypes &type, QByteArray &data);
    // Caller's buffer form: size in, bytes needed (or written) out; 234 when too small.
    // A null data pointer only asks for the size.
    bool QueryValue(const QString &name, KeyValueTypes &type, void *data, quint32 &size);

    bool Replace(const QString &subKey, const QString &newFile, const QString &oldFile);
    // Replaces everything below the open key with the key saved in fileName (Save's output).
    // The file must be wholly well-formed; nothing changes otherwise.
    bool Restore(const QString &fileName, quint32 flags = 0);
    // Writes the open key and its subtree as a registration file; an existing file gives 183.
    bool Save(const QString &fileName, const void *security = nullptr);

    bool SetBinaryValue(const QString &name, const QByteArray &value);
    bool SetDoubleWordValue(const QString &name, quint32 value);
    bool SetSecurity(quint32 information, const void *descriptor);
    bool SetStringValue(const QString &name, const QString &value);
    bool SetStringArrayValue(const QString &name, const QStringList &value);
    // The raw form: stores data as given.
    bool SetValue(const QString &name, KeyValueTypes type, const QByteArray &data);
    bool SetValue(const QString &name, KeyValueTypes type, const void *data, quint32 size);
    bool SetValue(const QString &name, const QByteArray &value) { return SetBinaryValue(name, value); }
    bool SetValue(const QString &name, quint32 value) { return SetDoubleWordValue(name, value); }
    bool SetValue(const QString &name, int value) { return SetDoubleWordValue(name, quint32(value)); }
    bool SetValue(const QString &name, const QString &value) { return SetStringValue(name, value); }
    bool SetValue(const QString &name, const char *value) { return SetStringValue(name, QString::fromUtf8(value)); }
    bool SetValue(const QString &name, const QStringList &value) { return SetStringArrayValue(name, value); }

    bool UnLoad(const QString &subKey);

    // Information read by QueryInfo.
    int GetLongestSubkeyNameLength() const { return m_info.maxSubKeyNameLength; }
    int GetLongestClassNameLength() const { return m_info.maxClassLength; }
    int GetLongestValueNameLength() const { return m_info.maxValueNameLength; }
    int GetLongestValueDataLength() const { return m_info.maxValueDataLength; }
    // 100-nanosecond intervals since 1601-01-01 (UTC).
    quint64 GetLastWriteTime() const;

private:
    bool result(int code);
    bool needKey(quint32 access);
    bool readValue(const QString &name, KeyValueTypes &type, QByteArray &data);
    template <typename Out, typename Decode>
    bool readText(const QString &name, std::initializer_list<RegValueType> kinds, Out &out, Decode decode);

    std::shared_ptr<ferry::reg::Store> m_store;
    qint64 m_keyHandle = 0;       // 0: no key open
    quint32 m_access = 0;
    HKEY m_rootHandle = HKEY_LOCAL_MACHINE;
    bool m_connected = true;
    int m_errorCode = ERROR_SUCCESS;
    QString m_computerName;
    QString m_keyName;
    QString m_rootKeyName;
    ferry::reg::KeyInfo m_info;   // class name, counts, longest lengths, last write (from QueryInfo)
};
