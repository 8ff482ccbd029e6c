#include "platform/registrystore.h"

#include "tests/support/testenv.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace ferry::reg;

namespace {

QStringList valueNames(Store &store, qint64 key)
{
    QStringList names;
    Value v;
    for (int i = 0; store.enumValue(key, i, v) == ERROR_SUCCESS; ++i)
        names << v.name;
    return names;
}

QStringList keyNames(Store &store, qint64 key)
{
    QStringList names;
    QString name, cls;
    for (int i = 0; store.enumKey(key, i, name, cls) == ERROR_SUCCESS; ++i)
        names << name;
    return names;
}

} // namespace

class TestRegistryStore : public QObject {
    Q_OBJECT
private slots:
    void keysAndValuesKeepCaseButMatchWithoutIt()
    {
        QTemporaryDir dir;
        Store store(dir.filePath("registry.db"));
        QVERIFY(store.isOpen());
        const qint64 hklm = Store::rootKey(HKEY_LOCAL_MACHINE);
        qint64 chat = 0, again = 0;
        bool created = false;
        QCOMPARE(store.createKey(hklm, "SOFTWARE\\Hollowell\\Ferry97\\Chat", "cls", chat, &created), ERROR_SUCCESS);
        QVERIFY(created);
        QCOMPARE(store.createKey(hklm, "software\\HOLLOWELL\\ferry97\\chat", "", again, &created), ERROR_SUCCESS);
        QVERIFY(!created);
        QCOMPARE(again, chat);
        HKEY root;
        QString path;
        QCOMPARE(store.keyPath(chat, root, path), ERROR_SUCCESS);
        QCOMPARE(root, HKEY_LOCAL_MACHINE);
        QCOMPARE(path, QString("SOFTWARE\\Hollowell\\Ferry97\\Chat"));

        QCOMPARE(store.setValue(chat, "AutoLog", REG_DWORD, encodeDword(1)), ERROR_SUCCESS);
        QCOMPARE(store.setValue(chat, "AUTOLOG", REG_DWORD, encodeDword(0)), ERROR_SUCCESS);
        quint32 type = 0;
        QByteArray data;
        QCOMPARE(store.queryValue(chat, "autolog", type, data), ERROR_SUCCESS);
        QCOMPARE(type, quint32(REG_DWORD));
        QCOMPARE(data, encodeDword(0));
        QCOMPARE(valueNames(store, chat), QStringList{"AutoLog"});
        QCOMPARE(store.queryValue(chat, "Missing", type, data), ERROR_FILE_NOT_FOUND);
        QCOMPARE(store.setValue(chat, "Two\nLines", REG_SZ, encodeString("x")), ERROR_INVALID_PARAMETER);
        QCOMPARE(store.createKey(chat, "Bad\rKey", "", again), ERROR_INVALID_PARAMETER);

        // The roots are separate trees.
        qint64 id = 0;
        QCOMPARE(store.openKey(Store::rootKey(HKEY_CURRENT_USER), "SOFTWARE\\Hollowell", id), ERROR_FILE_NOT_FOUND);
    }

    void enumerationFollowsFirstWriteOrder()
    {
        QTemporaryDir dir;
        Store store(dir.filePath("registry.db"));
        qint64 key = 0;
        QCOMPARE(store.createKey(Store::rootKey(HKEY_LOCAL_MACHINE), "Filters", "", key), ERROR_SUCCESS);
        for (const char *word : {"zebra", "apple", "mango", "kiwi"})
            QCOMPARE(store.setValue(key, word, REG_DWORD, encodeDword(7)), ERROR_SUCCESS);
        QCOMPARE(store.setValue(key, "APPLE", REG_DWORD, encodeDword(8)), ERROR_SUCCESS);   // keeps its place
        QCOMPARE(store.deleteValue(key, "mango"), ERROR_SUCCESS);
        QCOMPARE(store.setValue(key, "Mango", REG_SZ, encodeString("x")), ERROR_SUCCESS);   // rewritten: last
        QCOMPARE(valueNames(store, key), QStringList({"zebra", "apple", "kiwi", "Mango"}));
        Value v;
        QCOMPARE(store.enumValue(key, 4, v), ERROR_NO_MORE_ITEMS);
        QCOMPARE(store.enumValue(key, 1, v), ERROR_SUCCESS);
        QCOMPARE(v.data, encodeDword(8));
        QCOMPARE(store.deleteValue(key, "mango"), ERROR_SUCCESS);
        QCOMPARE(store.deleteValue(key, "mango"), ERROR_FILE_NOT_FOUND);

        qint64 sub = 0;
        for (const char *name : {"Servers", "Tasks", "Chat"})
            QCOMPARE(store.createKey(key, name, "", sub), ERROR_SUCCESS);
        QCOMPARE(keyNames(store, key), QStringList({"Servers", "Tasks", "Chat"}));

        KeyInfo info;
        QCOMPARE(store.keyInfo(key, info), ERROR_SUCCESS);
        QCOMPARE(info.values, 3);
        QCOMPARE(info.subKeys, 3);
        QCOMPARE(info.maxValueNameLength, 5);
        QCOMPARE(info.maxSubKeyNameLength, 7);
        QVERIFY(info.lastWriteMs > 0);
    }

    void deletingAKeyRemovesItsSubtreeOnly()
    {
        QTemporaryDir dir;
        Store store(dir.filePath("registry.db"));
        const qint64 hklm = Store::rootKey(HKEY_LOCAL_MACHINE);
        qint64 a = 0, deep = 0, sibling = 0;
        QCOMPARE(store.createKey(hklm, "A\\B\\C\\D", "", deep), ERROR_SUCCESS);
        QCOMPARE(store.createKey(hklm, "A\\Sibling", "", sibling), ERROR_SUCCESS);
        QCOMPARE(store.setValue(deep, "v", REG_SZ, encodeString("deep")), ERROR_SUCCESS);
        QCOMPARE(store.setValue(sibling, "v", REG_SZ, encodeString("kept")), ERROR_SUCCESS);
        QCOMPARE(store.deleteKey(hklm, "a\\b"), ERROR_SUCCESS);
        QCOMPARE(store.openKey(hklm, "A\\B", a), ERROR_FILE_NOT_FOUND);
        QCOMPARE(store.openKey(hklm, "A", a), ERROR_SUCCESS);
        QCOMPARE(keyNames(store, a), QStringList{"Sibling"});
        quint32 type;
        QByteArray data;
        QCOMPARE(store.queryValue(sibling, "v", type, data), ERROR_SUCCESS);
        // A handle to a deleted key reports it, for reads and writes alike.
        QCOMPARE(store.queryValue(deep, "v", type, data), ERROR_KEY_DELETED);
        QCOMPARE(store.setValue(deep, "v", REG_SZ, encodeString("x")), ERROR_KEY_DELETED);
        // Nothing of the deleted subtree is left behind to reappear.
        qint64 recreated = 0;
        QCOMPARE(store.createKey(hklm, "A\\B\\C\\D", "", recreated), ERROR_SUCCESS);
        QCOMPARE(valueNames(store, recreated), QStringList());
        QCOMPARE(store.deleteKey(hklm, "Nope"), ERROR_FILE_NOT_FOUND);
        QCOMPARE(store.deleteKey(hklm, ""), ERROR_ACCESS_DENIED);
    }

    void stringCodecsFollowTheStoredLayout()
    {
        QCOMPARE(encodeString("ab"), QByteArray("ab\0", 3));
        QCOMPARE(encodeStringList({"a", "bc"}), QByteArray("a\0bc\0\0", 6));
        QCOMPARE(decodeStringList(QByteArray("a\0bc\0\0ignored\0", 14)), QStringList({"a", "bc"}));
        QCOMPARE(decodeStringList(QByteArray("a\0b", 3)), QStringList({"a", "b"}));
        QCOMPARE(decodeString(encodeString(QString::fromUtf8("Spamfish\u00a9"))), QString::fromUtf8("Spamfish\u00a9"));
        QCOMPARE(encodeDword(0x02FF0000), QByteArray("\0\0\xFF\x02", 4));
    }

    void aFileThatIsNoStoreIsRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("registry.db");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
        f.close();
        Store store(path);
        QVERIFY(!store.isOpen());
        qint64 id = 0;
        QVERIFY(store.createKey(Store::rootKey(HKEY_LOCAL_MACHINE), "A", "", id) != ERROR_SUCCESS);
        QFile again(path);
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), QByteArray(8192, 'x'));
    }

    void twoProcessesWritingAtOnceLoseNothing()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("registry.db");
        const int count = 10000;
        QProcess a, b;
        for (QProcess *p : {&a, &b})
            p->setProcessChannelMode(QProcess::ForwardedChannels);
        a.start(ferry::test::TestEnv::program("regwriter"), {db, "SOFTWARE\\Shared", "a", QString::number(count)});
        b.start(ferry::test::TestEnv::program("regwriter"), {db, "SOFTWARE\\Shared", "b", QString::number(count)});
        QVERIFY(a.waitForFinished(60000));
        QVERIFY(b.waitForFinished(60000));
        QCOMPARE(a.exitCode(), 0);
        QCOMPARE(b.exitCode(), 0);

        Store store(db);
        qint64 key = 0;
        QCOMPARE(store.openKey(Store::rootKey(HKEY_LOCAL_MACHINE), "SOFTWARE\\Shared", key), ERROR_SUCCESS);
        QList<Value> all;
        QCOMPARE(store.values(key, all), ERROR_SUCCESS);
        QCOMPARE(all.size(), 2 * count);
        QSet<QString> seen;
        for (const Value &v : all) {
            const int index = v.name.mid(1).toInt();
            QCOMPARE(v.type, quint32(REG_DWORD));
            QCOMPARE(v.data, encodeDword(quint32(index)));
            seen.insert(v.name);
        }
        QCOMPARE(seen.size(), 2 * count);
        // Each writer's values keep its own order among the interleaving.
        int lastA = -1;
        for (const Value &v : all)
            if (v.name.startsWith('a')) {
                QCOMPARE(v.name.mid(1).toInt(), lastA + 1);
                lastA++;
            }
    }

    void defaultStoreFollowsTheDataFolder()
    {
        ferry::test::TestEnv env;
        resetDefaultStore();
        auto store = defaultStore();
        QCOMPARE(store->path(), env.home() + "/registry.db");
        QVERIFY(store->isOpen());
        QCOMPARE(defaultStore().get(), store.get());
        QTemporaryDir other;
        setDefaultStorePath(other.filePath("x.db"));
        QCOMPARE(defaultStore()->path(), other.filePath("x.db"));
        setDefaultStorePath(QString());
        QCOMPARE(defaultStore()->path(), env.home() + "/registry.db");
        resetDefaultStore();
    }
};

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "test_registrystore.moc"
