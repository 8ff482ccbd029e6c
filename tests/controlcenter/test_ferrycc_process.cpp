// The built control center ends through its normal exit path on termination signals.

#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QTest>

#include <csignal>

using namespace ferry;

class TestFerryccProcess : public QObject {
    Q_OBJECT
private slots:
    void terminationSignalsEndItNormally_data()
    {
        test::addTerminationSignalRows();
    }

    void terminationSignalsEndItNormally()
    {
        QFETCH(int, signalNumber);
        test::TestEnv env;
        auto cc = env.start(QStringLiteral("ferrycc"));
        QVERIFY(cc->waitForStarted(5000));
        const qint64 pid = cc->processId();
        QTRY_VERIFY_WITH_TIMEOUT(test::catchesSignal(pid, signalNumber) || cc->state() != QProcess::Running,
                                 10000);
        QCOMPARE(cc->state(), QProcess::Running);
        QCOMPARE(::kill(pid_t(pid), signalNumber), 0);
        QVERIFY(cc->waitForFinished(10000));
        QCOMPARE(cc->exitStatus(), QProcess::NormalExit);
        QCOMPARE(cc->exitCode(), 0);
    }
};

QTEST_MAIN(TestFerryccProcess)
#include "test_ferrycc_process.moc"
