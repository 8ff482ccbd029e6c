#include "common/registry.h"
#include "platform/registrystore.h"

#include "tests/support/testenv.h"

#include <QFile>
#include <QTest>

using ferry::test::TestEnv;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run ferryreg(const TestEnv &env, const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment(env.environment());
    p.start(TestEnv::program("ferryreg"), args);
    Run r;
    if (!p.waitForFinished(30000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString writeFile(const TestEnv &env, const QString &name, const QByteArray &bytes)
{
    const QString path = env.home() + '/' + name;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

} // namespace

class TestFerryReg : public QObject {
    Q_OBJECT
private slots:
    void importsAndExportsThroughTheDataFolder()
    {
        TestEnv env;
        ferry::reg::resetDefaultStore();
        const QString file = writeFile(env, "settings.reg",
                                       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97]\r\n"
                                       "\"tracker\"=\"tracker.example\"\r\n\"HelpServer\"=\"http://help\"\r\n"
                                       "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"x\"=dword:00000001\r\n");
        Run r = ferryreg(env, {"import", file});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());

        // The values are where the programs look for them.
        CRegistry reg;
        QVERIFY(reg.Open("SOFTWARE\\Hollowell\\Ferry97"));
        QString tracker;
        QVERIFY(reg.GetStringValue("Tracker", tracker));
        QCOMPARE(tracker, QString("tracker.example"));

        r = ferryreg(env, {"export", "HKLM\\software\\hollowell"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("Windows Registry Editor Version 5.00\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell]\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97]\r\n"
                                   "\"tracker\"=\"tracker.example\"\r\n\"HelpServer\"=\"http://help\"\r\n\r\n"));
        r = ferryreg(env, {"export"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("[HKEY_CURRENT_USER\\Software\\Other]\r\n\"x\"=dword:00000001\r\n"));
        QVERIFY(r.out.contains("\"tracker\"=\"tracker.example\""));
        ferry::reg::resetDefaultStore();
    }

    void failuresAreReportedWithTheirLines()
    {
        TestEnv env;
        const QString partial = writeFile(env, "partial.reg",
                                          "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n\"a\"=\"1\"\n"
                                          "\"b\"=dword:xyz\n\"c\"=\"3\"\n");
        Run r = ferryreg(env, {"import", partial});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("partial.reg:4:"), r.err.constData());
        r = ferryreg(env, {"export", "HKEY_LOCAL_MACHINE\\SOFTWARE\\T"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("\"a\"=\"1\"\r\n\"c\"=\"3\"\r\n"));
        QVERIFY(!r.out.contains("\"b\""));

        const QString refused = writeFile(env, "refused.reg", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\U]\n\"a\"=\"1\"\n");
        r = ferryreg(env, {"import", refused});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("not imported"));
        r = ferryreg(env, {"export", "HKLM\\SOFTWARE\\U"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("key not found"));
        QVERIFY(r.out.isEmpty());

        QCOMPARE(ferryreg(env, {"import", env.home() + "/missing.reg"}).exitCode, 2);
        QCOMPARE(ferryreg(env, {"export", "HKEY_NOWHERE\\X"}).exitCode, 2);
        QCOMPARE(ferryreg(env, {}).exitCode, 2);
        QCOMPARE(ferryreg(env, {"import"}).exitCode, 2);
        QCOMPARE(ferryreg(env, {"frobnicate", "x"}).exitCode, 2);
    }

    void hostileNestingIsBoundedBothWays()
    {
        TestEnv env;
        ferry::reg::resetDefaultStore();
        // 12,000 levels in one section: refused with its line; 512 are the most allowed.
        const QByteArray tooDeep = "[HKEY_LOCAL_MACHINE\\SOFTWARE" + QByteArray("\\k").repeated(12000) + "]\n";
        const QByteArray deepest = "[HKEY_LOCAL_MACHINE\\SOFTWARE" + QByteArray("\\k").repeated(511) + "]\n";
        const QString file = writeFile(env, "deep.reg", "REGEDIT4\n" + tooDeep + "\"v\"=\"1\"\n" + deepest + "\"w\"=\"2\"\n");
        Run r = ferryreg(env, {"import", file});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("deep.reg:2: key nested deeper than 512 levels"), r.err.left(300).constData());
        QVERIFY(!r.err.contains("deep.reg:4:"));

        // A store that already holds a deeper chain exports it even on a small stack.
        {
            const auto store = ferry::reg::defaultStore();
            qint64 key = 0;
            QCOMPARE(store->createKey(ferry::reg::Store::rootKey(HKEY_LOCAL_MACHINE),
                                      "SOFTWARE\\Chain" + QString("\\c").repeated(4000), QString(), key), 0);
            QCOMPARE(store->setValue(key, "bottom", REG_SZ, ferry::reg::encodeString("reached")), 0);
        }
        ferry::reg::resetDefaultStore();
        QProcess p;
        p.setProcessEnvironment(env.environment());
        p.start("bash", {"-c", "ulimit -s 256 && exec \"$0\" export HKLM\\\\SOFTWARE\\\\Chain", TestEnv::program("ferryreg")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QByteArray out = p.readAllStandardOutput();
        QCOMPARE(out.count("]\r\n"), 4001);
        QVERIFY(out.endsWith(QString("\\c").repeated(4000).toUtf8() + "]\r\n\"bottom\"=\"reached\"\r\n\r\n"));
    }

    void blanksAroundKeyNamesSurviveARoundTrip()
    {
        TestEnv env;
        ferry::reg::resetDefaultStore();
        const QByteArray key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ Lead\\Trail \\  both  ]\r\n";
        const QString file = writeFile(env, "blanks.reg", "Windows Registry Editor Version 5.00\r\n\r\n" + key
                                       + "\" v \"=\"x\"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lead\\Trail\\both]\r\n\"v\"=\"y\"\r\n");
        QCOMPARE(ferryreg(env, {"import", file}).exitCode, 0);
        CRegistry reg;
        QVERIFY(reg.Open("SOFTWARE\\ Lead\\Trail \\  both  ", KEY_READ));
        QString value;
        QVERIFY(reg.GetStringValue(" v ", value));
        QCOMPARE(value, QString("x"));

        const Run first = ferryreg(env, {"export", "HKLM\\SOFTWARE"});
        QCOMPARE(first.exitCode, 0);
        QVERIFY(first.out.contains(key + "\" v \"=\"x\"\r\n"));
        // Into a fresh registry and out again: the same text, byte for byte.
        TestEnv other;
        ferry::reg::resetDefaultStore();
        QCOMPARE(ferryreg(other, {"import", writeFile(other, "again.reg", first.out)}).exitCode, 0);
        QCOMPARE(ferryreg(other, {"export", "HKLM\\SOFTWARE"}).out, first.out);
        ferry::reg::resetDefaultStore();
    }
};

QTEST_GUILESS_MAIN(TestFerryReg)
#include "test_ferryreg.moc"
