#include "common/profile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestProfile : public QObject {
    Q_OBJECT
private slots:
    void missingFileGivesDefaultsAndWritingCreatesIt()
    {
        QTemporaryDir dir;
        PrivateProfile ini(dir.filePath("tavern97.ini"));
        QCOMPARE(ini.getString("Server", "Left", "d"), QString("d"));
        QCOMPARE(ini.getInt("Server", "Left", 42), 42);
        QVERIFY(ini.writeInt("Server", "Left", 10));
        QVERIFY(QFile::exists(ini.path()));
        QCOMPARE(ini.getInt("server", "LEFT", 42), 10);
    }

    void namesMatchWithoutCaseAndOtherLinesSurvive()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("t.ini");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("; comment\r\n[Frame]\r\nTop = 5 \r\nName=\"quoted value\"\r\n\r\n[Other]\r\nX=1\r\n");
        f.close();
        PrivateProfile ini(path);
        QCOMPARE(ini.getInt("FRAME", "top", 0), 5);
        QCOMPARE(ini.getString("frame", "name"), QString("quoted value"));
        QVERIFY(ini.writeString("frame", "TOP", "7"));
        QVERIFY(ini.writeString("FRAME", "New", "n"));
        QCOMPARE(ini.getInt("Frame", "Top", 0), 7);
        QCOMPARE(ini.getString("Frame", "new"), QString("n"));
        QCOMPARE(ini.getInt("Other", "X", 0), 1);
        QCOMPARE(ini.keys("Frame"), QStringList({"TOP", "Name", "New"}));
        QCOMPARE(ini.sections(), QStringList({"Frame", "Other"}));
        QFile r(path);
        QVERIFY(r.open(QIODevice::ReadOnly));
        QVERIFY(r.readAll().startsWith("; comment\r\n"));
    }

    void numbersParseLikeTheSystemDid()
    {
        QTemporaryDir dir;
        PrivateProfile ini(dir.filePath("n.ini"));
        ini.writeString("S", "a", "12abc");
        ini.writeString("S", "b", "abc");
        ini.writeString("S", "c", "-3");
        ini.writeString("S", "d", "");
        QCOMPARE(ini.getInt("S", "a", 99), 12);
        QCOMPARE(ini.getInt("S", "b", 99), 0);
        QCOMPARE(ini.getInt("S", "c", 99), -3);
        QCOMPARE(ini.getInt("S", "d", 99), 0);
        QCOMPARE(ini.getString("S", "d", "x"), QString(""));
    }

    void removingKeysAndSections()
    {
        QTemporaryDir dir;
        PrivateProfile ini(dir.filePath("r.ini"));
        ini.writeString("A", "k", "1");
        ini.writeString("A", "j", "2");
        ini.writeString("B", "k", "3");
        QVERIFY(ini.writeString("a", "K", QString()));
        QCOMPARE(ini.getString("A", "k", "gone"), QString("gone"));
        QCOMPARE(ini.getString("A", "j"), QString("2"));
        QVERIFY(ini.removeSection("a"));
        QCOMPARE(ini.sections(), QStringList({"B"}));
    }
};

QTEST_MAIN(TestProfile)
#include "test_profile.moc"
