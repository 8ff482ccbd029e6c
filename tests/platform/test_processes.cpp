#include "platform/processes.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace ferry;

class TestProcesses : public QObject {
    Q_OBJECT
private slots:
    void recognisesARunningProgramByItsExecutable()
    {
        const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QVERIFY(processes::isRunningProgram(QCoreApplication::applicationPid(), self));
        QVERIFY(!processes::isRunningProgram(QCoreApplication::applicationPid(), QStringLiteral("tavern97")));
        QVERIFY(!processes::isRunningProgram(0, self));
        QVERIFY(!processes::isRunningProgram(-1, self));
        QVERIFY(!processes::isRunningProgram(QCoreApplication::applicationPid(), QString()));
    }

    void anotherProgramsProcessDoesNotCount()
    {
        // A process id that now belongs to some other program names no chat client.
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted());
        const qint64 pid = sleeper.processId();
        QVERIFY(processes::isRunningProgram(pid, QStringLiteral("sleep")));
        QVERIFY(!processes::isRunningProgram(pid, QStringLiteral("tavern97")));
        QVERIFY(!processes::terminateProgram(pid, QStringLiteral("tavern97")));
        QCOMPARE(sleeper.state(), QProcess::Running);

        QVERIFY(processes::terminateProgram(pid, QStringLiteral("sleep")));
        QVERIFY(sleeper.waitForFinished(5000));
        QCOMPARE(sleeper.exitStatus(), QProcess::CrashExit);
        QVERIFY(!processes::isRunningProgram(pid, QStringLiteral("sleep")));
    }

    void anEndedButUnreapedProcessIsNotRunning()
    {
        const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        QVERIFY(child > 0);
        // Until reaped the child is a zombie that still answers kill(pid, 0).
        QTRY_VERIFY(!processes::isRunningProgram(child, self));
        QCOMPARE(::waitpid(child, nullptr, 0), child);
    }
};

QTEST_MAIN(TestProcesses)
#include "test_processes.moc"
