#include "common/registry.h"

#include "tests/support/testenv.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ferry::reg;

class TestRegistry : public QObject {
    Q_OBJECT

    std::unique_ptr<ferry::test::TestEnv> m_env;

private slots:
    void init()
    {
        m_env = std::make_unique<ferry::test::TestEnv>();
        resetDefaultStore();
    }
    void cleanup()
    {
        resetDefaultStore();
        m_env.reset();
    }

    void settingsReadDefaultAndWriteBack()
    {
        CRegistry reg;
        QCOMPARE(reg.GetRootKeyName(), QString("HKEY_LOCAL_MACHINE"));
        CRegistry::CreationDisposition disposition {};
        QVERIFY(reg.Create("SOFTWARE\\Hollowell\\Ferry97\\Chat", "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           &disposition));
        QCOMPARE(disposition, CRegistry::REG_CREATED_NEW_KEY);
        QCOMPARE(reg.GetKeyName(), QString("SOFTWARE\\Hollowell\\Ferry97\\Chat"));
        quint32 autoLog = 99;
        QVERIFY(!reg.GetDoubleWordValue("AutoLog", autoLog));
        QCOMPARE(reg.GetErrorCode(), ERROR_FILE_NOT_FOUND);
        QCOMPARE(autoLog, 99u);
        QString channel = "stale";
        QVERIFY(!reg.GetStringValue("Channel", channel));
        QVERIFY(channel.isEmpty());
        QVERIFY(reg.SetDoubleWordValue("AutoLog", 0));
        QVERIFY(reg.SetValue("FontSize", 8));
        QVERIFY(reg.SetStringValue("Channel", "#lanway"));
        QVERIFY(reg.SetValue("QuitMsg", "Leaving"));
        QVERIFY(reg.SetStringArrayValue("Recent", {"#a", "#b"}));
        QVERIFY(reg.SetBinaryValue("ProxyEnable", QByteArray("\x01\0\0\0", 4)));
        QCOMPARE(reg.GetErrorCode(), ERROR_SUCCESS);
        QVERIFY(reg.Close());

        // A second object (the next start) sees the values, names without regard to case.
        CRegistry again;
        QVERIFY(again.Open("software\\hollowell\\ferry97\\CHAT", KEY_QUERY_VALUE | KEY_SET_VALUE
                                                                     | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS));
        QCOMPARE(again.GetNumberOfValues(), 6);
        QVERIFY(again.GetLastWriteTime() > 116444736000000000ull);   // after 1970 in file time
        QVERIFY(again.GetValue("autolog", autoLog));
        QCOMPARE(autoLog, 0u);
        QVERIFY(again.GetValue("CHANNEL", channel));
        QCOMPARE(channel, QString("#lanway"));
        QStringList recent;
        QVERIFY(again.GetValue("recent", recent));
        QCOMPARE(recent, QStringList({"#a", "#b"}));
        quint32 proxy = 0;
        QVERIFY(again.GetDoubleWordValue("ProxyEnable", proxy));   // 4-byte binary reads as a number
        QCOMPARE(proxy, 1u);
        QVERIFY(QFile::exists(m_env->home() + "/registry.db"));

        // Enumeration gives the first-written order and ends with 259.
        QStringList names;
        QString name;
        CRegistry::KeyValueTypes type {};
        QByteArray data;
        int index = 0;
        while (again.EnumerateValues(index++, name, type, data))
            names << name;
        QCOMPARE(again.GetErrorCode(), ERROR_NO_MORE_ITEMS);
        QCOMPARE(names, QStringList({"AutoLog", "FontSize", "Channel", "QuitMsg", "Recent", "ProxyEnable"}));
        QVERIFY(again.Create("SOFTWARE\\Hollowell\\Ferry97\\Chat\\Filters", {}, 0, KEY_ALL_ACCESS, nullptr,
                             &disposition));
        QVERIFY(again.Open("SOFTWARE\\Hollowell\\Ferry97\\Chat"));
        QCOMPARE(again.GetNumberOfSubkeys(), 1);
        QString cls;
        QVERIFY(again.EnumerateKeys(0, name, cls));
        QCOMPARE(name, QString("Filters"));
        QVERIFY(!again.EnumerateKeys(1, name, cls));
        QCOMPARE(again.GetErrorCode(), ERROR_NO_MORE_ITEMS);
    }

    void valuesOfTheWrongKindAreNotMisread()
    {
        CRegistry reg;
        QVERIFY(reg.Create("SOFTWARE\\Kinds"));
        QVERIFY(reg.SetStringValue("Text", "1"));
        QVERIFY(reg.SetValue("Eight", REG_BINARY, QByteArray(8, '\x01')));
        QVERIFY(reg.SetValue("Short", REG_DWORD, QByteArray(2, '\x01')));
        QVERIFY(reg.SetDoubleWordValue("Number", 0x02FF0000));
        quint32 number = 5;
        QVERIFY(!reg.GetDoubleWordValue("Text", number));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_DATA);
        QVERIFY(!reg.GetDoubleWordValue("Eight", number));
        QCOMPARE(reg.GetErrorCode(), ERROR_MORE_DATA);
        QVERIFY(!reg.GetDoubleWordValue("Short", number));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_DATA);
        QCOMPARE(number, 5u);
        QString text = "stale";
        QVERIFY(!reg.GetStringValue("Number", text));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_DATA);
        QVERIFY(text.isEmpty());
        QStringList list{"stale"};
        QVERIFY(!reg.GetStringArrayValue("Text", list));
        QVERIFY(list.isEmpty());
        QByteArray raw;
        QVERIFY(reg.GetBinaryValue("Text", raw));   // binary reads any kind as it is stored
        QCOMPARE(raw, QByteArray("1\0", 2));

        // The caller's-buffer forms: a size query, too small (234 with the needed size), enough.
        CRegistry::KeyValueTypes type {};
        quint32 size = 0;
        QVERIFY(reg.QueryValue("Eight", type, nullptr, size));
        QCOMPARE(size, 8u);
        char buffer[8] = {};
        size = 4;
        QVERIFY(!reg.QueryValue("Eight", type, buffer, size));
        QCOMPARE(reg.GetErrorCode(), ERROR_MORE_DATA);
        QCOMPARE(size, 8u);
        QVERIFY(reg.QueryValue("Eight", type, buffer, size));
        QCOMPARE(QByteArray(buffer, 8), QByteArray(8, '\x01'));
        QCOMPARE(type, REG_BINARY);
        QString name;
        size = 1;
        QVERIFY(!reg.EnumerateValues(3, name, type, buffer, size));
        QCOMPARE(reg.GetErrorCode(), ERROR_MORE_DATA);
        QCOMPARE(name, QString("Number"));
        QCOMPARE(size, 4u);
    }

    void errorCodesOfMisuse()
    {
        CRegistry reg;
        quint32 v = 0;
        // No key open yet.
        QVERIFY(!reg.SetDoubleWordValue("x", 1));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_HANDLE);
        QVERIFY(!reg.QueryInfo());
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_HANDLE);
        QVERIFY(!reg.Open("SOFTWARE\\Missing"));
        QCOMPARE(reg.GetErrorCode(), ERROR_FILE_NOT_FOUND);

        QVERIFY(reg.Create("SOFTWARE\\Misuse"));
        QVERIFY(!reg.GetDoubleWordValue(QString(), v));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_PARAMETER);
        QVERIFY(!reg.SetValue(QString(), REG_SZ, QByteArray("x")));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_PARAMETER);
        QVERIFY(!reg.SetValue("x", REG_BINARY, nullptr, 4));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_PARAMETER);
        QVERIFY(!reg.Create(QString()));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_PARAMETER);
        QVERIFY(!reg.DeleteValue("never"));
        QCOMPARE(reg.GetErrorCode(), ERROR_FILE_NOT_FOUND);
        // The empty name is the key's default value, a value like any other.
        QVERIFY(reg.SetStringValue("", "default"));
        QString text;
        QVERIFY(reg.GetStringValue("", text));
        QCOMPARE(text, QString("default"));

        // Rights asked for at open are enforced.
        QVERIFY(reg.Open("SOFTWARE\\Misuse", KEY_READ));
        QVERIFY(reg.GetStringValue("", text));
        QVERIFY(!reg.SetStringValue("", "changed"));
        QCOMPARE(reg.GetErrorCode(), ERROR_ACCESS_DENIED);

        // Roots: current user and classes root are local only; no remote registry at all.
        QVERIFY(!reg.Connect(HKEY_CURRENT_USER, "OTHERPC"));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_HANDLE);
        QVERIFY(!reg.Connect(HKEY(0x1234)));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_HANDLE);
        QCOMPARE(rootName(HKEY(0x1234)), QString("Unknown"));
        QVERIFY(!reg.Connect(HKEY_LOCAL_MACHINE, "\\\\OTHERPC"));
        QCOMPARE(reg.GetErrorCode(), ERROR_BAD_NETPATH);
        QVERIFY(!reg.Create("SOFTWARE\\Remote"));   // nothing lands in the local store instead
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_HANDLE);
        QVERIFY(reg.Connect(HKEY_CURRENT_USER));
        QCOMPARE(reg.GetRootKeyName(), QString("HKEY_CURRENT_USER"));
        QVERIFY(!reg.GetComputerName().isEmpty());
        QVERIFY(!reg.Open("SOFTWARE\\Misuse"));   // that key lives in the local machine root
        QCOMPARE(reg.GetErrorCode(), ERROR_FILE_NOT_FOUND);
    }

    void facilitiesThisPlatformLacksSayNo()
    {
        CRegistry reg;
        QVERIFY(reg.Create("SOFTWARE\\Unsupported"));
        char descriptor[16] = {};
        quint32 size = sizeof descriptor;
        QVERIFY(!reg.GetSecurity(4, nullptr, size));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_PARAMETER);
        QVERIFY(!reg.GetSecurity(4, descriptor, size));
        QCOMPARE(reg.GetErrorCode(), ERROR_NOT_SUPPORTED);
        QVERIFY(!reg.SetSecurity(4, nullptr));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_PARAMETER);
        QVERIFY(!reg.SetSecurity(4, descriptor));
        QCOMPARE(reg.GetErrorCode(), ERROR_NOT_SUPPORTED);
        QVERIFY(!reg.Load("Hive", QString()));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_PARAMETER);
        QVERIFY(!reg.Load("Hive", "hive.dat"));
        QCOMPARE(reg.GetErrorCode(), ERROR_NOT_SUPPORTED);
        QVERIFY(!reg.UnLoad("Hive"));
        QCOMPARE(reg.GetErrorCode(), ERROR_NOT_SUPPORTED);
        QVERIFY(!reg.Replace("Hive", "new.dat", QString()));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_PARAMETER);
        QVERIFY(!reg.Replace("Hive", "new.dat", "old.dat"));
        QCOMPARE(reg.GetErrorCode(), ERROR_NOT_SUPPORTED);
        int event = 0;
        QVERIFY(!reg.NotifyChange(&event));
        QCOMPARE(reg.GetErrorCode(), ERROR_NOT_SUPPORTED);
        QVERIFY(!reg.Create("SOFTWARE\\Volatile", "", REG_OPTION_VOLATILE));
        QCOMPARE(reg.GetErrorCode(), ERROR_NOT_SUPPORTED);
        QVERIFY(reg.Flush());
    }

    void deleteKeyLeavesTheOpenKeyAlone()
    {
        CRegistry reg;
        QVERIFY(reg.Create("SOFTWARE\\Hollowell\\Ferry97\\Servers\\One"));
        QVERIFY(reg.SetStringValue("Address", "1.2.3.4"));
        QVERIFY(reg.Create("SOFTWARE\\Hollowell\\Ferry97\\Tasks"));
        QVERIFY(reg.DeleteKey("SOFTWARE\\Hollowell\\Ferry97\\Servers"));
        QCOMPARE(reg.GetKeyName(), QString("SOFTWARE\\Hollowell\\Ferry97\\Tasks"));
        QVERIFY(reg.SetStringValue("StillHere", "yes"));   // still the Tasks key, not its parent
        QVERIFY(reg.Open("SOFTWARE\\Hollowell\\Ferry97"));
        QCOMPARE(reg.GetNumberOfSubkeys(), 1);
        QCOMPARE(reg.GetNumberOfValues(), 0);
        QVERIFY(!reg.DeleteKey("SOFTWARE\\Hollowell\\Ferry97\\Servers"));
        QCOMPARE(reg.GetErrorCode(), ERROR_FILE_NOT_FOUND);

        // A key deleted through another object reports it.
        CRegistry other;
        QVERIFY(other.DeleteKey("SOFTWARE\\Hollowell"));
        QVERIFY(!reg.SetStringValue("x", "y"));
        QCOMPARE(reg.GetErrorCode(), ERROR_KEY_DELETED);
    }

    void saveAndRestoreCarryASubtree()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("chat.reg");
        CRegistry reg;
        QVERIFY(reg.Create("SOFTWARE\\Hollowell\\Ferry97\\Chat\\Colors"));
        QVERIFY(reg.SetDoubleWordValue("Action", 0xFF));
        QVERIFY(reg.Create("SOFTWARE\\Hollowell\\Ferry97\\Chat"));
        QVERIFY(reg.SetStringValue("Channel", "#lanway"));
        QVERIFY(reg.Save(file));
        QVERIFY(!reg.Save(file));
        QCOMPARE(reg.GetErrorCode(), ERROR_ALREADY_EXISTS);

        QVERIFY(reg.SetStringValue("Channel", "#changed"));
        QVERIFY(reg.SetStringValue("Added", "x"));
        QVERIFY(reg.Restore(file));
        QString text;
        QVERIFY(reg.GetStringValue("Channel", text));
        QCOMPARE(text, QString("#lanway"));
        QVERIFY(!reg.GetStringValue("Added", text));
        QCOMPARE(reg.GetNumberOfSubkeys(), 1);

        // Restored onto another key, the saved tree lands below that key.
        CRegistry copy;
        QVERIFY(copy.Connect(HKEY_CURRENT_USER));
        QVERIFY(copy.Create("Software\\Backup"));
        QVERIFY(copy.Restore(file));
        QVERIFY(copy.Open("Software\\Backup\\Colors"));
        quint32 action = 0;
        QVERIFY(copy.GetDoubleWordValue("Action", action));
        QCOMPARE(action, 0xFFu);

        // A damaged file changes nothing.
        const QString bad = dir.filePath("bad.reg");
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97\\Chat]\r\n"
                "\"Channel\"=\"#bad\"\r\nnot a value\r\n");
        f.close();
        QVERIFY(!reg.Restore(bad));
        QCOMPARE(reg.GetErrorCode(), ERROR_INVALID_DATA);
        QVERIFY(reg.GetStringValue("Channel", text));
        QCOMPARE(text, QString("#lanway"));
        QVERIFY(!reg.Restore(dir.filePath("missing.reg")));
        QCOMPARE(reg.GetErrorCode(), ERROR_FILE_NOT_FOUND);
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "test_registry.moc"
