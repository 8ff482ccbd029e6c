// The built chat client with a real shared block: registration, hand-over to the
// first copy, and the ways it is asked to end.

#include "common/sessionpeers.h"
#include "common/sharedblock.h"
#include "platform/sharedmemory.h"

#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QTest>

#include <csignal>

using namespace ferry;

namespace {

// A control center stand-in holding the block, and this test's view of it.
struct Session {
    test::TestEnv env;
    std::unique_ptr<QProcess> creator;
    SharedMemory memory;

    ~Session()
    {
        // The stand-in removes the block when its input ends; killing it would leave it behind.
        if (creator) {
            creator->closeWriteChannel();
            creator->waitForFinished(5000);
        }
    }

    bool start()
    {
        creator = test::startBlockCreator(env, "127.0.0.1", "Tester", "");
        return creator && memory.open(env.shmName(), sharedblock::Size) == SharedMemory::Result::Ok;
    }
    SharedBlock block() { return SharedBlock(memory.data()); }

    // Starts the chat client and waits until it has registered in the block.
    std::unique_ptr<QProcess> startChat()
    {
        auto chat = env.start(QStringLiteral("tavern97"));
        if (!chat->waitForStarted(5000))
            return chat;
        if (!QTest::qWaitFor([&] { return block().chatWindow() == chat->processId(); }, 10000))
            qWarning("the chat client did not register in the block");
        return chat;
    }
};

bool endedNormally(QProcess &process)
{
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

} // namespace

class TestTavern97Process : public QObject {
    Q_OBJECT
private slots:
    void secondCopyHandsOverToTheFirst()
    {
        Session s;
        QVERIFY(s.start());
        auto first = s.startChat();
        QCOMPARE(s.block().chatWindow(), qint32(first->processId()));
        QCOMPARE(sessionpeers::runningChatClient(s.block()), first->processId());

        auto second = s.env.start(QStringLiteral("tavern97"));
        QVERIFY(endedNormally(*second));
        QCOMPARE(first->state(), QProcess::Running);
        QCOMPARE(s.block().chatWindow(), qint32(first->processId()));

        // The control center's close request ends it through its normal exit.
        QVERIFY(sessionpeers::askChatClientToClose(s.block()));
        QVERIFY(endedNormally(*first));
        QCOMPARE(sessionpeers::runningChatClient(s.block()), 0);
    }

    void staleRegistrationIsReplaced()
    {
        Session s;
        QVERIFY(s.start());
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted());
        s.block().setChatWindow(qint32(sleeper.processId()));

        auto chat = s.startChat();
        QCOMPARE(s.block().chatWindow(), qint32(chat->processId()));
        QVERIFY(sessionpeers::destroyChatClient(s.block()));
        QVERIFY(endedNormally(*chat));
        QCOMPARE(sleeper.state(), QProcess::Running);
        sleeper.kill();
        sleeper.waitForFinished();
    }

    void terminationSignalsEndItNormally_data()
    {
        test::addTerminationSignalRows();
    }

    void terminationSignalsEndItNormally()
    {
        QFETCH(int, signalNumber);
        Session s;
        QVERIFY(s.start());
        auto chat = s.startChat();
        QCOMPARE(s.block().chatWindow(), qint32(chat->processId()));
        QVERIFY(test::catchesSignal(chat->processId(), signalNumber));
        QCOMPARE(::kill(pid_t(chat->processId()), signalNumber), 0);
        QVERIFY(endedNormally(*chat));
    }

    // On a first run the launchpad asks whether to configure it before the main window
    // shows. A termination signal (or the control center closing the chat) while that
    // question waits for an answer ends the program all the same.
    void endsWhileTheFirstRunQuestionIsOpen()
    {
        Session s;
        QVERIFY(s.start());
        QProcess chat;
        QProcessEnvironment e = s.env.environment();
        e.remove(QStringLiteral("FERRY_PROMPTS")); // the question really opens and waits
        chat.setProcessEnvironment(e);
        chat.setWorkingDirectory(s.env.home());
        chat.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        chat.start(test::TestEnv::program(QStringLiteral("tavern97")), {});
        QVERIFY(chat.waitForStarted(5000));
        QVERIFY(QTest::qWaitFor([&] { return s.block().chatWindow() == chat.processId(); }, 10000));
        QTest::qWait(500); // the question opens right after the registration
        QVERIFY(test::catchesSignal(chat.processId(), SIGTERM));
        QCOMPARE(::kill(pid_t(chat.processId()), SIGTERM), 0);
        const bool ended = endedNormally(chat);
        if (!ended)
            chat.kill();
        QVERIFY(ended);
    }
};

QTEST_MAIN(TestTavern97Process)
#include "test_tavern97_process.moc"
