#include "platform/launcher.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ferry;

class TestLauncher : public QObject {
    Q_OBJECT
private slots:
    void findsProgramsOnPathAndByPath()
    {
        QVERIFY(!launcher::findProgram("sh").isEmpty());
        QVERIFY(launcher::findProgram("no-such-program-here-4711").isEmpty());
        QVERIFY(launcher::findProgram("").isEmpty());
        QCOMPARE(launcher::findProgram("/bin/sh"), QString("/bin/sh"));
    }

    void startsWithoutAShell()
    {
        // Arguments reach the program as they are: no shell expands or splits them.
        QTemporaryDir dir;
        const QString out = dir.filePath("out.txt");
        const QString script = dir.filePath("write.sh");
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$2\"\n");
        f.close();
        f.setPermissions(f.permissions() | QFile::ExeOwner);
        qint64 pid = 0;
        QVERIFY(launcher::startProgram(script, {"$HOME; echo hi", out}, dir.path(), &pid));
        QVERIFY(pid > 0);
        QTRY_VERIFY(QFile::exists(out) && QFile(out).size() > 0);
        QFile r(out);
        QVERIFY(r.open(QIODevice::ReadOnly));
        QCOMPARE(r.readAll(), QByteArray("$HOME; echo hi"));
        QVERIFY(!launcher::startProgram("no-such-program-here-4711"));
    }
};

QTEST_MAIN(TestLauncher)
#include "test_launcher.moc"
