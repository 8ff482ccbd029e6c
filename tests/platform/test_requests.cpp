#include "platform/requests.h"

#include "platform/paths.h"

#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

#include <unistd.h>

using namespace ferry;
using requests::Request;

class TestRequests : public QObject {
    Q_OBJECT
private slots:
    void requestsReachAnotherProcess()
    {
        test::TestEnv env;
        auto peer = env.start(QStringLiteral("shmpeer"), {"listen"});
        QCOMPARE(test::readLine(*peer), QByteArray("listening"));
        const qint64 pid = peer->processId();

        QVERIFY(requests::sendRequest(pid, Request::BringToFront));
        QCOMPARE(test::readLine(*peer), QByteArray("front"));
        QVERIFY(requests::sendRequest(pid, Request::BringToFront));
        QCOMPARE(test::readLine(*peer), QByteArray("front"));

        QVERIFY(requests::sendRequest(pid, Request::Close));
        QCOMPARE(test::readLine(*peer), QByteArray("close"));
        QVERIFY(peer->waitForFinished(5000));
        QCOMPARE(peer->exitCode(), 0);

        // Nobody listens any more: the request is reported undelivered.
        QVERIFY(!requests::sendRequest(pid, Request::Close, 500));
    }

    void postedRequestDoesNotWaitForAHungReceiver()
    {
        test::TestEnv env;
        auto peer = env.start(QStringLiteral("shmpeer"), {"listen"});
        QCOMPARE(test::readLine(*peer), QByteArray("listening"));
        const qint64 pid = peer->processId();
        // Stopped, it answers nothing; the posted request is queued and the caller goes on.
        QCOMPARE(::kill(pid_t(pid), SIGSTOP), 0);
        QVERIFY(requests::postRequest(pid, Request::Close));
        QCOMPARE(::kill(pid_t(pid), SIGCONT), 0);
        QCOMPARE(test::readLine(*peer), QByteArray("close"));
        QVERIFY(peer->waitForFinished(5000));
        QVERIFY(!requests::postRequest(pid, Request::Close));

        // A receiver on this very thread cannot answer before the call returns.
        requests::Receiver receiver;
        QVERIFY(receiver.listen());
        QSignalSpy close(&receiver, &requests::Receiver::closeRequested);
        QVERIFY(requests::postRequest(QCoreApplication::applicationPid(), Request::Close));
        QTRY_COMPARE(close.count(), 1);
    }

    void endpointsBelongToOneBlockAndOneProcess()
    {
        test::TestEnv env;
        const QString mine = requests::endpointName(1234);
        QVERIFY(mine != requests::endpointName(1235));
        test::TestEnv other;
        QVERIFY(requests::endpointName(1234) != mine);
        QVERIFY(!requests::sendRequest(QCoreApplication::applicationPid(), Request::BringToFront, 500));
        QVERIFY(!requests::sendRequest(0, Request::BringToFront, 500));
    }

    void endpointsLieWhereNoOtherUserCanPutOne()
    {
        test::TestEnv env;
        const QFileInfo folder(QFileInfo(requests::controlCenterEndpointName()).absolutePath());
        QCOMPARE(QFileInfo(requests::endpointName(1)).absolutePath(), folder.absoluteFilePath());
        QVERIFY(folder.isDir() && !folder.isSymLink());
        QCOMPARE(folder.ownerId(), uint(::geteuid()));
        QCOMPARE(int(folder.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                             | QFile::WriteOther | QFile::ExeOther)),
                 0);

        // A runtime folder others may enter is passed over for one of our own.
        QTemporaryDir open;
        QFile::setPermissions(open.path(), QFile::permissions(open.path()) | QFile::ExeOther | QFile::WriteOther);
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", open.path().toLocal8Bit());
        const QString chosen = privateRuntimeDir();
        qputenv("XDG_RUNTIME_DIR", saved);
        QVERIFY(!chosen.isEmpty() && chosen != open.path());
    }

    void controlCenterEndpointBelongsToOneBlock()
    {
        test::TestEnv env;
        const QString mine = requests::controlCenterEndpointName();
        QVERIFY(mine != requests::endpointName(QCoreApplication::applicationPid()));
        QVERIFY(!requests::sendRequest(mine, Request::BringToFront, 500));
        {
            test::TestEnv other;
            QVERIFY(requests::controlCenterEndpointName() != mine);
        }
    }

    void receiverIgnoresWhatIsNotARequest()
    {
        test::TestEnv env;
        requests::Receiver receiver;
        QVERIFY(receiver.listen());
        QSignalSpy front(&receiver, &requests::Receiver::bringToFrontRequested);
        QSignalSpy close(&receiver, &requests::Receiver::closeRequested);

        const auto exchange = [](const QByteArray &sent) {
            QLocalSocket socket;
            socket.connectToServer(requests::endpointName(QCoreApplication::applicationPid()));
            if (!socket.waitForConnected(2000))
                return QByteArray("not connected");
            socket.write(sent);
            // The receiver runs on this thread: let the event loop turn until it hangs up.
            if (!QTest::qWaitFor([&socket] { return socket.state() == QLocalSocket::UnconnectedState; }, 3000))
                return QByteArray("still connected");
            return socket.readAll();
        };
        QCOMPARE(exchange("quit\n"), QByteArray());
        QCOMPARE(exchange(QByteArray(64, 'x')), QByteArray());
        QCOMPARE(front.count() + close.count(), 0);

        QCOMPARE(exchange("front\n"), QByteArray("ok\n"));
        QTRY_COMPARE(front.count(), 1);
        QCOMPARE(close.count(), 0);
    }
};

QTEST_MAIN(TestRequests)
#include "test_requests.moc"
