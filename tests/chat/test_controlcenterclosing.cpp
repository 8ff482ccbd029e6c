// The two programs together: a chat client started beside a running control center is
// ended through its normal shutdown when the control center exits, so its QUIT reaches
// the chat server.
#include "common/sharedblock.h"
#include "platform/sharedmemory.h"
#include "tests/chat/freshregistry.h"
#include "tests/chat/ircpeer.h"
#include "tests/support/ngircdfixture.h"
#include "tests/support/testenv.h"

#include <QTest>

#include <csignal>

using namespace ferry;

class TestControlCenterClosing : public QObject {
    Q_OBJECT
private slots:
    void exitingControlCenterEndsTheChatClientWithItsQuit()
    {
        test::TestEnv env;
        reg::resetDefaultStore();
        test::NgircdFixture server;
        QString why;
        if (!server.start(&why))
            QSKIP(qPrintable(why));
        QVERIFY(pointChatServerAt(server.host(), server.port()));
        IrcPeer watcher;
        QVERIFY(watcher.connectTo(server, QStringLiteral("watcher")));
        watcher.send(QStringLiteral("JOIN #lanway"));
        QVERIFY(watcher.waitFor(" 366 watcher #lanway"));

        auto control = env.start(QStringLiteral("ferrycc"));
        QVERIFY(control->waitForStarted(5000));
        SharedMemory memory;
        QTRY_COMPARE_WITH_TIMEOUT(memory.open(env.shmName(), sharedblock::Size), SharedMemory::Result::Ok, 10000);
        SharedBlock block(memory.data());
        const QByteArray nick = block.nickname();
        QVERIFY(!nick.isEmpty());

        auto chat = env.start(QStringLiteral("tavern97"));
        QVERIFY(chat->waitForStarted(5000));
        QTRY_COMPARE_WITH_TIMEOUT(block.chatWindow(), qint32(chat->processId()), 10000);
        if (!watcher.waitFor(QByteArray(":" + nick + "!"), 10000)) {
            for (const auto &p : env.prompts())
                qWarning() << p.kind << p.caption << p.text;
            QFAIL("the chat client did not sign on");
        }

        watcher.forget();
        QCOMPARE(::kill(pid_t(control->processId()), SIGTERM), 0);
        QVERIFY(control->waitForFinished(10000));
        QCOMPARE(control->exitCode(), 0);
        QVERIFY(chat->waitForFinished(10000));
        QCOMPARE(chat->exitStatus(), QProcess::NormalExit);
        QCOMPARE(chat->exitCode(), 0);
        QVERIFY2(watcher.waitFor(QByteArray(":" + nick + "!")) && watcher.waitFor(" QUIT :"),
                 watcher.received().constData());
        reg::resetDefaultStore();
    }
};

QTEST_MAIN(TestControlCenterClosing)
#include "test_controlcenterclosing.moc"
