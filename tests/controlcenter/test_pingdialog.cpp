#include "controlcenter/pingdialog.h"
#include "tests/support/wholetexts.h"

#include <QRegularExpression>
#include <QTest>

using namespace ferry;

namespace {

// Calls the pacing tick until four lines are there, as the timer would.
void driveToFourLines(PingDialog &dialog)
{
    for (int n = 1; n <= PingDialog::kLineCount; ++n) {
        dialog.onTimerTick();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.lines().size() >= n, 5000);
    }
}

} // namespace

class TestPingDialog : public QObject {
    Q_OBJECT
private slots:
    void fourRepliesFromLoopback()
    {
        if (!IcmpEcho().available())
            QSKIP("no ICMP socket can be opened here (ping_group_range excludes this group, no CAP_NET_RAW)");
        PingDialog dialog(QStringLiteral("127.0.0.1"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Pinging 127.0.0.1"));
        QVERIFY(dialog.lines().isEmpty());
        driveToFourLines(dialog);
        if (QTest::currentTestFailed())
            return;
        const QRegularExpression reply(QStringLiteral("^Reply from 127\\.0\\.0\\.1 : Time=\\d+ms TTL=\\d+$"));
        for (const QString &line : dialog.lines())
            QVERIFY2(reply.match(line).hasMatch(), qPrintable(line));

        // Shown, every line and the title are whole.
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(test::clippedTexts(dialog), QStringList());

        // Further ticks add nothing: the dialog always shows four lines.
        dialog.onTimerTick();
        QTest::qWait(50);
        QCOMPARE(dialog.lines().size(), 4);
    }

    void noResponseLines()
    {
        if (!IcmpEcho().available())
            QSKIP("no ICMP socket can be opened here (ping_group_range excludes this group, no CAP_NET_RAW)");
        PingDialog dialog(QStringLiteral("198.51.100.77"), nullptr, 40);
        driveToFourLines(dialog);
        QCOMPARE(dialog.lines(), QStringList(4, QStringLiteral("No response from node.")));
    }

    void internalFailureLines()
    {
        // Neither socket kind allowed, as on a system that grants neither.
        PingDialog noSocket(QStringLiteral("127.0.0.1"), nullptr, 100, 0);
        driveToFourLines(noSocket);
        QCOMPARE(noSocket.lines(), QStringList(4, QStringLiteral("Ping internal failure.")));

        PingDialog noName(QStringLiteral("no-such-host.invalid"), nullptr, 100);
        driveToFourLines(noName);
        QCOMPARE(noName.lines(), QStringList(4, QStringLiteral("Ping internal failure.")));
    }

    void pacesItselfWithoutTicks()
    {
        // Left alone, the timer sends the first echo and each next one after a line.
        PingDialog dialog(QStringLiteral("127.0.0.1"), nullptr, 100, 0);
        QTRY_COMPARE(dialog.lines().size(), 4);
    }
};

QTEST_MAIN(TestPingDialog)
#include "test_pingdialog.moc"
