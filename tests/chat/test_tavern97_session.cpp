// The built chat client in a whole session: refused without the control center;
// with a block and a real chat server it registers, signs on with the identity from
// the block and joins the channel; a second copy ends quietly; SIGTERM makes it say
// goodbye to the server and write ShowChanList.

#include "chat/core/settingsstore.h"
#include "common/registry.h"
#include "common/sharedblock.h"
#include "platform/sharedmemory.h"
#include "tests/chat/freshregistry.h"
#include "tests/chat/ircpeer.h"
#include "tests/support/ngircdfixture.h"
#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QTest>

#include <csignal>

using namespace ferry;

namespace {

QString chatKey()
{
    return QString::fromLatin1(tavern::settingsstore::kChatKey);
}

bool finishedWith(QProcess &process, int code)
{
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == code;
}

} // namespace

class TestTavern97Session : public QObject {
    Q_OBJECT
private slots:
    void refusesWithoutTheControlCenter()
    {
        test::TestEnv env;
        auto chat = env.start(QStringLiteral("tavern97"));
        QVERIFY(finishedWith(*chat, 1));
        const auto prompts = env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts.at(0).kind, QStringLiteral("warning"));
        QCOMPARE(prompts.at(0).caption, QStringLiteral("Error"));
        QCOMPARE(prompts.at(0).text, QStringLiteral("Lanway98 Control Center must be active to use chat."));
    }

    void wholeSessionWithARealServer()
    {
        test::TestEnv env;
        reg::resetDefaultStore();
        test::NgircdFixture server;
        QString why;
        if (!server.start(&why))
            QSKIP(qPrintable(why));
        QVERIFY(pointChatServerAt(server.host(), server.port()));
        {
            CRegistry reg;
            QVERIFY(reg.Open(chatKey()));
            QVERIFY(reg.SetStringValue(QStringLiteral("QuitMsg"), QStringLiteral("KILLED by nobody")));
        }

        IrcPeer watcher;
        QVERIFY(watcher.connectTo(server, QStringLiteral("watcher")));
        watcher.send(QStringLiteral("JOIN #lanway"));
        QVERIFY(watcher.waitFor(" 366 watcher #lanway"));

        auto creator = test::startBlockCreator(env, QStringLiteral("127.0.0.1"), QStringLiteral("Tester"),
                                               QStringLiteral("tester@lanway.test"));
        QVERIFY(creator);
        SharedMemory memory;
        QCOMPARE(memory.open(env.shmName(), sharedblock::Size), SharedMemory::Result::Ok);
        SharedBlock block(memory.data());

        auto chat = env.start(QStringLiteral("tavern97"));
        QVERIFY(chat->waitForStarted(5000));
        QTRY_COMPARE_WITH_TIMEOUT(block.chatWindow(), qint32(chat->processId()), 10000);
        QVERIFY(watcher.waitFor(":Tester!", 10000));
        QVERIFY(watcher.waitFor(" JOIN :#lanway") || watcher.received().contains(" JOIN #lanway"));

        // Signed on with the e-mail address of the block as its descriptive name.
        watcher.forget();
        watcher.send(QStringLiteral("WHOIS Tester"));
        QVERIFY(watcher.waitFor(" 311 watcher Tester "));
        QVERIFY(watcher.waitFor(":tester@lanway.test"));

        // A second copy hands over and ends; the first stays registered and connected.
        auto second = env.start(QStringLiteral("tavern97"));
        QVERIFY(finishedWith(*second, 0));
        QCOMPARE(chat->state(), QProcess::Running);
        QCOMPARE(block.chatWindow(), qint32(chat->processId()));

        // Forget ShowChanList so that the end of the run must write it again.
        {
            CRegistry reg;
            QVERIFY(reg.Open(chatKey()));
            QVERIFY(reg.DeleteValue(QStringLiteral("ShowChanList")));
        }
        watcher.forget();
        QVERIFY(test::catchesSignal(chat->processId(), SIGTERM));
        QCOMPARE(::kill(pid_t(chat->processId()), SIGTERM), 0);
        QVERIFY(finishedWith(*chat, 0));
        // The server wraps a client's quit reason in double quotes.
        QVERIFY2(watcher.waitFor("QUIT :\"Leaving\""), watcher.received().constData());
        QVERIFY(watcher.received().startsWith(":Tester!"));

        CRegistry reg;
        QVERIFY(reg.Open(chatKey()));
        quint32 shown = 0;
        QVERIFY(reg.GetDoubleWordValue(QStringLiteral("ShowChanList"), shown));
        QCOMPARE(shown, 1u);
        QString quitMsg;
        QVERIFY(reg.GetStringValue(QStringLiteral("QuitMsg"), quitMsg));
        QCOMPARE(quitMsg, QStringLiteral("KILLED by nobody"));

        creator->closeWriteChannel();
        creator->waitForFinished(5000);
        reg::resetDefaultStore();
    }
};

QTEST_MAIN(TestTavern97Session)
#include "test_tavern97_session.moc"
