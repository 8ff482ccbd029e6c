// The finger query against efingerd, a finger daemon nobody here wrote. The daemon
// serves one connection on its standard input and output, the way inetd starts it;
// the test accepts on a free loopback port and hands each connection to a new
// daemon process. Skipped where the daemon is not installed.

#include "chat/finger/fingersession.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <unistd.h>

using namespace tavern;

namespace {

constexpr const char *kDaemon = "/usr/sbin/efingerd";

// Accepts connections and starts the daemon with the connection as its stdin and stdout.
class InetdLike : public QTcpServer {
public:
    QList<QProcess *> daemons;

protected:
    void incomingConnection(qintptr fd) override
    {
        auto *daemon = new QProcess(this);
        daemon->setChildProcessModifier([fd] {
            ::dup2(int(fd), 0);
            ::dup2(int(fd), 1);
        });
        daemon->start(QString::fromLatin1(kDaemon), {"-n", "-t", "10"});
        daemon->waitForStarted();
        ::close(int(fd));
        daemons << daemon;
    }
};

} // namespace

class TestFingerRealDaemon : public QObject {
    Q_OBJECT
private slots:
    void answerFromEfingerd()
    {
        if (!QFileInfo(QString::fromLatin1(kDaemon)).isExecutable())
            QSKIP("efingerd is not installed");
        InetdLike inetd;
        QVERIFY(inetd.listen(QHostAddress::LocalHost, 0));

        CFingerSession session("root @127.0.0.1");
        session.setPort(inetd.serverPort());
        QString shown;
        connect(&session, &CFingerSession::textReceived, this, [&](const QString &t) { shown += t; });
        QSignalSpy finished(&session, &CFingerSession::finished);
        session.Start();

        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(inetd.daemons.size(), 1);
        // What the daemon says depends on its scripts and the account it runs under;
        // it answers, ends the connection, and the end is shown after its answer.
        const QString closed = QStringLiteral("\nHost connection closed.");
        QVERIFY2(shown.endsWith(closed), qPrintable(shown));
        QVERIFY2(shown.size() > closed.size() && shown.contains("\r\n"), qPrintable(shown));
        QCOMPARE(session.state(), CFingerSession::State::Closed);
    }
};

QTEST_MAIN(TestFingerRealDaemon)
#include "test_fingerrealdaemon.moc"
