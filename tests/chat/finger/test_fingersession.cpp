// The finger query against a scripted daemon on loopback.

#include "chat/finger/fingersession.h"
#include "tests/chat/finger/fingerdaemon.h"

#include <QSignalSpy>
#include <QTest>

using namespace tavern;

namespace {

// A session aimed at the daemon that collects what it shows.
struct Query {
    CFingerSession session;
    QString shown;
    int pieces = 0;
    QSignalSpy finished{&session, &CFingerSession::finished};

    Query(const QString &target, quint16 port, int silenceLimitMs = 0) : session(target)
    {
        session.setPort(port);
        if (silenceLimitMs > 0)
            session.setSilenceLimit(silenceLimitMs);
        QObject::connect(&session, &CFingerSession::textReceived, &session, [this](const QString &t) {
            shown += t;
            ++pieces;
        });
        session.Start();
    }
};

} // namespace

class TestFingerSession : public QObject {
    Q_OBJECT
private slots:
    void targetAndRequest()
    {
        const FingerTarget t = FingerTarget::Parse("alice@host.example@x");
        QCOMPARE(t.user, QString("alice"));
        QCOMPARE(t.host, QString("host.example@x"));
        const FingerTarget none = FingerTarget::Parse("alice");
        QVERIFY(none.user.isEmpty() && none.host.isEmpty());

        QCOMPARE(FingerRequest("alice \t "), QByteArray("alice\r\n"));
        QCOMPARE(FingerRequest(" /W alice"), QByteArray(" /W alice\r\n"));
        QCOMPARE(FingerRequest(QString("al\r\nice") + QChar(0)), QByteArray("alice\r\n"));
        QCOMPARE(FingerRequest(QString::fromUtf8("jörg")), QByteArray("j\xc3\xb6rg\r\n"));
    }

    void answerThenClosed()
    {
        FingerDaemon daemon;
        daemon.answer = {"Login: alice\r\nPlan: <b>none</b>\r\n"};
        // The blanks before the at sign do not reach the daemon.
        Query q("alice  @127.0.0.1", daemon.port());
        QTRY_COMPARE(q.finished.count(), 1);
        QCOMPARE(daemon.request, QByteArray("alice\r\n"));
        QCOMPARE(q.shown, QString("Login: alice\r\nPlan: <b>none</b>\r\n\nHost connection closed."));
        QCOMPARE(q.session.state(), CFingerSession::State::Closed);
        QCOMPARE(daemon.connections, 1);
    }

    void piecesArriveInOrderUnchanged()
    {
        FingerDaemon daemon;
        daemon.stepwise = true;
        QByteArray whole;
        for (int i = 0; i < 40; ++i)
            daemon.answer << QByteArray::number(i) + (i % 3 == 0 ? "\r\n" : " ");
        // A two-byte character cut between two pieces, then Windows-1252 text.
        daemon.answer << "J\xc3" << "\xb6rg\r\n" << "caf\xe9\r\n";
        for (const QByteArray &piece : std::as_const(daemon.answer))
            whole += piece;

        Query q("bob@127.0.0.1", daemon.port());
        QTRY_VERIFY(daemon.requestComplete());
        while (!daemon.answered()) {
            const int before = q.pieces;
            daemon.sendNext();
            if (!daemon.answered())
                QTRY_VERIFY(q.pieces > before);
        }
        QTRY_COMPARE(q.finished.count(), 1);
        const QString expected = QString::fromLatin1(whole.left(whole.indexOf("J\xc3")))
            + QString::fromUtf8("J\u00f6rg\r\n") + QString::fromUtf8("caf\u00e9\r\n")
            + "\nHost connection closed.";
        QCOMPARE(q.shown, expected);
        QVERIFY(q.pieces > 40);
    }

    void characterCutByTheCloseIsStillShown()
    {
        FingerDaemon daemon;
        daemon.answer = {"ok \xe2\x82"};
        Query q("carol@127.0.0.1", daemon.port());
        QTRY_COMPARE(q.finished.count(), 1);
        QCOMPARE(q.shown, QString::fromUtf8("ok \u00e2\u201a\nHost connection closed."));
    }

    void failuresAreReported()
    {
        // A port nobody listens on any more refuses the connection.
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            closedPort = probe.serverPort();
        }
        Query refused("alice@127.0.0.1", closedPort);
        QTRY_COMPARE(refused.finished.count(), 1);
        QCOMPARE(refused.shown, QString("Host connection failed."));
        QCOMPARE(refused.session.state(), CFingerSession::State::Failed);

        Query unknown("alice@no-such-host.invalid", closedPort);
        QTRY_COMPARE_WITH_TIMEOUT(unknown.finished.count(), 1, 15000);
        QCOMPARE(unknown.shown, QString("Host lookup failed."));

        // Without an at sign there is no host to ask.
        Query noHost("alice", closedPort);
        QTRY_COMPARE(noHost.finished.count(), 1);
        QCOMPARE(noHost.shown, QString("Host lookup failed."));

        // A host that takes the request and keeps silent is given up on and let go;
        // one that keeps talking is not cut off by the same limit.
        FingerDaemon silent;
        silent.stepwise = true;
        silent.answer = {"never sent"};
        Query waiting("carol@127.0.0.1", silent.port(), 700);
        QTRY_VERIFY(silent.requestComplete());
        QTRY_COMPARE_WITH_TIMEOUT(waiting.finished.count(), 1, 10000);
        QCOMPARE(waiting.shown, QString("Host did not answer."));
        QTRY_VERIFY(silent.peerGone);

        FingerDaemon slow;
        slow.stepwise = true;
        slow.answer = {"one ", "two ", "three"};
        Query patient("dave@127.0.0.1", slow.port(), 1500);
        QTRY_VERIFY(slow.requestComplete());
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(900); // the three pauses add up to more than the limit
            slow.sendNext();
        }
        QTRY_COMPARE_WITH_TIMEOUT(patient.finished.count(), 1, 10000);
        QCOMPARE(patient.shown, QString("one two three\nHost connection closed."));
    }

    void endingTheQueryEarlyClosesTheConnection()
    {
        FingerDaemon daemon;
        daemon.stepwise = true;
        daemon.answer = {"never"};
        {
            Query q("dave@127.0.0.1", daemon.port());
            QTRY_VERIFY(daemon.requestComplete());
        }
        QTRY_VERIFY(daemon.peerGone);
        // Ended while the look-up is still running: the answer is dropped.
        { Query q("erin@localhost", daemon.port()); }
        QTest::qWait(50);
        QCOMPARE(daemon.connections, 1);
    }
};

QTEST_MAIN(TestFingerSession)
#include "test_fingersession.moc"
