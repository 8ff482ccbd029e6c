#include "platform/regfile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ferry::reg;

namespace {

const qint64 kHklm = Store::rootKey(HKEY_LOCAL_MACHINE);

// Every value below a key, as "path|name|type|hex data" lines in enumeration order.
QStringList dump(Store &store, qint64 key, const QString &path = QString())
{
    QStringList out;
    QList<Value> values;
    store.values(key, values);
    for (const Value &v : values)
        out << QStringLiteral("%1|%2|%3|%4").arg(path, v.name).arg(v.type).arg(QString::fromLatin1(v.data.toHex()));
    QList<SubKey> keys;
    store.subKeys(key, keys);
    for (const SubKey &k : keys) {
        out << QStringLiteral("%1\\%2 [%3]").arg(path, k.name, k.className);
        out += dump(store, k.id, path + '\\' + k.name);
    }
    return out;
}

QStringList dumpAll(Store &store)
{
    QStringList out;
    for (quint32 r = HKEY_CLASSES_ROOT; r <= HKEY_DYN_DATA; ++r)
        out += dump(store, Store::rootKey(HKEY(r)), rootName(HKEY(r)));
    return out;
}

QByteArray value(Store &store, const QString &path, const QString &name, quint32 *type = nullptr)
{
    qint64 key = 0;
    quint32 t = 0;
    QByteArray data;
    if (store.openKey(kHklm, path, key) || store.queryValue(key, name, t, data))
        return "<missing>";
    if (type)
        *type = t;
    return data;
}

QByteArray utf16(const QString &s)
{
    QByteArray out("\xFF\xFE", 2);
    for (QChar c : s) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

} // namespace

class TestRegFile : public QObject {
    Q_OBJECT
private slots:
    void exportedSubtreeImportsBackToIdenticalValues()
    {
        QTemporaryDir dir;
        Store source(dir.filePath("a.db"));
        qint64 ferry = 0, chat = 0, other = 0, empty = 0;
        QCOMPARE(source.createKey(kHklm, "SOFTWARE\\Hollowell\\Ferry97", "", ferry), ERROR_SUCCESS);
        QCOMPARE(source.createKey(ferry, "Chat\\Colors", "", chat), ERROR_SUCCESS);
        QCOMPARE(source.createKey(ferry, "Servers\\Empty", "", empty), ERROR_SUCCESS);
        QCOMPARE(source.createKey(kHklm, "SOFTWARE\\Other", "", other), ERROR_SUCCESS);
        QCOMPARE(source.setValue(other, "NotExported", REG_SZ, encodeString("x")), ERROR_SUCCESS);
        QByteArray longBinary;
        for (int i = 0; i < 300; ++i)
            longBinary.append(char(i * 7));
        const QList<Value> values = {
            {"Nickname", REG_SZ, encodeString(QString::fromUtf8("Bob \"the\" \\\\server\\ caf\u00e9 \u2603"))},
            {"", REG_SZ, encodeString("default value")},
            {"Empty", REG_SZ, encodeString("")},
            {"TwoLines", REG_SZ, encodeString("first\r\nsecond")},
            {"Embedded", REG_SZ, QByteArray("a\0b\0", 4)},
            {"NoTerminator", REG_SZ, QByteArray("abc")},
            {"Path", REG_EXPAND_SZ, encodeString("%SystemRoot%\\system32")},
            {"Blob", REG_BINARY, longBinary},
            {"EmptyBlob", REG_BINARY, QByteArray()},
            {"ChatServerPort", REG_DWORD, encodeDword(6667)},
            {"URL", REG_DWORD, encodeDword(0x02FF0000)},
            {"ShortDword", REG_DWORD, QByteArray("\x01\x02", 2)},
            {"List", REG_MULTI_SZ, encodeStringList({"one", QString::fromUtf8("tw\u00f6"), "three"})},
            {"EmptyList", REG_MULTI_SZ, encodeStringList({})},
            {"Nothing", REG_NONE, QByteArray("\x05", 1)},
            {"BigEndian", REG_DWORD_BIG_ENDIAN, QByteArray("\x00\x00\x01\x00", 4)},
            {"Qword", 11, QByteArray(8, '\x11')},
            {"quote\"and\\slash", REG_SZ, encodeString("v")},
        };
        for (const Value &v : values)
            QCOMPARE(source.setValue(ferry, v.name, v.type, v.data), ERROR_SUCCESS);
        QCOMPARE(source.setValue(chat, "Action", REG_DWORD, encodeDword(0xFF)), ERROR_SUCCESS);

        QByteArray text;
        QCOMPARE(exportRegKey(source, HKEY_LOCAL_MACHINE, "software\\hollowell", text), ERROR_SUCCESS);
        QVERIFY(text.startsWith("Windows Registry Editor Version 5.00\r\n"));
        QVERIFY(text.contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97]\r\n"));
        QVERIFY(text.contains("\"ChatServerPort\"=dword:00001a0b\r\n"));
        QVERIFY(!text.contains("NotExported"));
        for (const QByteArray &line : text.split('\n'))
            QVERIFY2(line.size() <= 80, line.constData());

        Store target(dir.filePath("b.db"));
        const ImportResult result = importRegData(target, text);
        QVERIFY2(result.complete(), qPrintable(result.errors.isEmpty() ? result.refusal : result.errors.first().message));
        qint64 hollowellA = 0, hollowellB = 0;
        QCOMPARE(source.openKey(kHklm, "SOFTWARE\\Hollowell", hollowellA), ERROR_SUCCESS);
        QCOMPARE(target.openKey(kHklm, "SOFTWARE\\Hollowell", hollowellB), ERROR_SUCCESS);
        const QStringList expected = dump(source, hollowellA);
        QCOMPARE(expected.size(), values.size() + 6);   // plus Action and five keys
        QCOMPARE(dump(target, hollowellB), expected);

        // Exporting the imported copy gives the same text again.
        QByteArray again;
        QCOMPARE(exportRegKey(target, HKEY_LOCAL_MACHINE, "SOFTWARE\\Hollowell", again), ERROR_SUCCESS);
        QCOMPARE(again, text);
    }

    void readsBothFormatsWithAllTheirForms()
    {
        QTemporaryDir dir;
        Store store(dir.filePath("r.db"));
        const QByteArray v4 =
            "REGEDIT4\r\n"
            "; settings for the control center\r\n"
            "\r\n"
            "[HKLM\\SOFTWARE\\Hollowell\\Ferry97]\r\n"
            "\"Nickname\"=\"Caf\xe9\"\r\n"          // Windows-1252 text
            "@=\"default\"\r\n"
            "\"tracker\" = \"tracker.example\" ; trailing comment\r\n"
            "\"Bin\"=hex:01,02,\\\r\n"
            "    03,ff\r\n"
            "\"Exp\"=hex(2):25,41,25,00\r\n"
            "\"Gone\"=\"soon\"\r\n"
            "\"gone\"=-\r\n"
            "\"Dw\"=dword:7\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97\\Servers\\Old]\r\n"
            "\"x\"=\"y\"\r\n"
            "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97\\Servers]\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"
            "\"ProxyEnable\"=hex:01,00,00,00\r\n";
        ImportResult r = importRegData(store, v4);
        QVERIFY2(r.complete(), qPrintable(r.errors.isEmpty() ? r.refusal : r.errors.first().message));
        const QString key = "SOFTWARE\\Hollowell\\Ferry97";
        QCOMPARE(value(store, key, "nickname"), encodeString(QString::fromUtf8("Caf\u00e9")));
        QCOMPARE(value(store, key, ""), encodeString("default"));
        QCOMPARE(value(store, key, "Tracker"), encodeString("tracker.example"));
        quint32 type = 0;
        QCOMPARE(value(store, key, "Bin", &type), QByteArray("\x01\x02\x03\xff", 4));
        QCOMPARE(type, quint32(REG_BINARY));
        QCOMPARE(value(store, key, "Exp", &type), encodeString("%A%"));
        QCOMPARE(type, quint32(REG_EXPAND_SZ));
        QCOMPARE(value(store, key, "Gone"), QByteArray("<missing>"));
        QCOMPARE(value(store, key, "Dw"), encodeDword(7));
        qint64 id = 0;
        QCOMPARE(store.openKey(kHklm, key + "\\Servers", id), ERROR_FILE_NOT_FOUND);
        QCOMPARE(store.openKey(Store::rootKey(HKEY_CURRENT_USER),
                               "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", id),
                 ERROR_SUCCESS);

        // Version 5 as the system writes it: UTF-16LE with a mark, string lists in UTF-16.
        const QString v5 = QString::fromUtf8(
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97\\Chat]\r\n"
            "\"QuitMsg\"=\"Tsch\u00fcss \u2603\"\r\n"
            "\"Words\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00\r\n");
        r = importRegData(store, utf16(v5));
        QVERIFY(r.complete());
        QCOMPARE(value(store, key + "\\Chat", "QuitMsg"), encodeString(QString::fromUtf8("Tsch\u00fcss \u2603")));
        QCOMPARE(value(store, key + "\\Chat", "Words", &type), encodeStringList({"a", "bc"}));
        QCOMPARE(type, quint32(REG_MULTI_SZ));
    }

    void malformedLinesAreReportedAndSkippedWhole()
    {
        QTemporaryDir dir;
        Store store(dir.filePath("m.db"));
        const QByteArray text =
            "Windows Registry Editor Version 5.00\n"
            "\"Orphan\"=\"no key yet\"\n"            // 2
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n"
            "\"Good1\"=\"a\"\n"
            "\"Bin\"=hex:01,02,\\\n"                 // 5: its continuation is bad
            "  03,zz\n"
            "\"Dw\"=dword:123456789\n"               // 7: nine digits
            "\"Open\"=\"unterminated\n"              // 8
            "\"NoEquals\" \"x\"\n"                   // 9
            "garbage\n"                              // 10
            "[HKEY_NOWHERE\\X]\n"                    // 11
            "\"UnderBadKey\"=\"x\"\n"                // 12
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n"
            "\"Bare\rReturn\"=\"x\"\n"                // 14
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n"
            "\"Good2\"=dword:00000002\n";
        const ImportResult r = importRegData(store, text);
        QVERIFY(r.accepted);
        QList<int> lines;
        for (const LineError &e : r.errors)
            lines << e.line;
        QCOMPARE(lines, QList<int>({2, 5, 7, 8, 9, 10, 11, 12, 14}));
        qint64 key = 0;
        QCOMPARE(store.openKey(kHklm, "SOFTWARE\\T", key), ERROR_SUCCESS);
        QList<Value> values;
        QCOMPARE(store.values(key, values), ERROR_SUCCESS);
        QCOMPARE(values.size(), 2);
        QCOMPARE(values[0].name, QString("Good1"));
        QCOMPARE(values[1].name, QString("Good2"));
    }

    void refusedFilesLeaveThePreviousState_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray head = "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n";
        QTest::newRow("no header") << QByteArray("[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n\"Keep\"=\"new\"\r\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut in continuation") << head + "\"Keep\"=\"new\"\r\n\"Bin\"=hex:01,02,\\\r\n";
        QTest::newRow("cut in last line") << head + "\"Keep\"=\"new\"\r\n\"Last\"=\"unfinis";
        QTest::newRow("not text") << head + "\"Keep\"=\"new\"\r\n" + QByteArray(16, '\0');
        QTest::newRow("odd UTF-16") << utf16("Windows Registry Editor Version 5.00\r\n").append('x');
    }

    void refusedFilesLeaveThePreviousState()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        Store store(dir.filePath("t.db"));
        ImportResult r = importRegData(store, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n\"Keep\"=\"old\"\n");
        QVERIFY(r.complete());
        const QStringList before = dumpAll(store);
        r = importRegData(store, bytes);
        QVERIFY(!r.accepted);
        QVERIFY(!r.refusal.isEmpty());
        QCOMPARE(dumpAll(store), before);
    }

    void exportOfEverythingCoversEachRoot()
    {
        QTemporaryDir dir;
        Store store(dir.filePath("e.db"));
        qint64 a = 0, b = 0;
        QCOMPARE(store.createKey(Store::rootKey(HKEY_CURRENT_USER), "Software\\X", "", a), ERROR_SUCCESS);
        QCOMPARE(store.createKey(kHklm, "SOFTWARE\\Y", "", b), ERROR_SUCCESS);
        QCOMPARE(store.setValue(a, "v", REG_SZ, encodeString("1")), ERROR_SUCCESS);
        QCOMPARE(store.setValue(Store::rootKey(HKEY_USERS), "AtRoot", REG_DWORD, encodeDword(3)), ERROR_SUCCESS);
        QByteArray text;
        QCOMPARE(exportRegAll(store, text), ERROR_SUCCESS);
        Store copy(dir.filePath("copy.db"));
        QVERIFY(importRegData(copy, text).complete());
        QCOMPARE(dumpAll(copy), dumpAll(store));
        QCOMPARE(exportRegKey(store, HKEY_LOCAL_MACHINE, "SOFTWARE\\Missing", text), ERROR_FILE_NOT_FOUND);
    }
};

QTEST_GUILESS_MAIN(TestRegFile)
#include "test_regfile.moc"
