#include "common/sessionpeers.h"
#include "common/sharedblock.h"
#include "platform/sharedmemory.h"

#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QHostAddress>
#include <QTest>

using namespace ferry;
namespace sb = ferry::sharedblock;

namespace {

QByteArray expectedBlock(const char *address, const QByteArray &nick, const QByteArray &email)
{
    QByteArray mem(int(sb::Size), '\x77');
    SharedBlock(reinterpret_cast<unsigned char *>(mem.data()))
        .initialize(QHostAddress(QLatin1String(address)).toIPv4Address(), nick, email);
    return mem;
}

// Sends one command line to a "shmpeer create" process and waits for its "ok".
bool command(QProcess &peer, const QByteArray &line)
{
    peer.write(line + '\n');
    return test::readLine(peer) == "ok";
}

} // namespace

class TestSessionPeers : public QObject {
    Q_OBJECT
private slots:
    void controlCenterWritesAreSeenByteForByteElsewhere()
    {
        test::TestEnv env;
        auto creator = test::startBlockCreator(env, "172.16.5.4", "Wanderer", "");
        QVERIFY(creator);

        SharedMemory memory;
        QCOMPARE(memory.open(env.shmName(), sb::Size), SharedMemory::Result::Ok);
        SharedBlock block(memory.data());
        QCOMPARE(block.bytes(), expectedBlock("172.16.5.4", "Wanderer", ""));
        QCOMPARE(block.email(), QByteArray("unspecified_email_address"));

        // The chat client's field is its own: identity refreshes leave it alone.
        block.setChatWindow(31337);
        QVERIFY(command(*creator, "server\tNorthern Hub"));
        QCOMPARE(block.serverName(), QByteArray("Northern Hub"));

        const QByteArray longEmail = QByteArray(300, 'w');
        QVERIFY(command(*creator, "refresh\t10.1.2.3\tRenamed\t" + longEmail));
        QCOMPARE(block.bytes().mid(int(sb::EmailOffset), int(sb::EmailWidth)), longEmail.left(255) + '\0');
        QCOMPARE(block.serverName(), QByteArray("Northern Hub"));
        QCOMPARE(block.nickname(), QByteArray("Renamed"));
        QCOMPARE(block.ownAddress(), QHostAddress(QStringLiteral("10.1.2.3")).toIPv4Address());
        QCOMPARE(block.chatWindow(), 31337);

        QVERIFY(command(*creator, "refresh\t10.1.2.3\tRenamed\t"));
        QCOMPARE(block.email(), QByteArray("unspecified_email_address"));

        QVERIFY(command(*creator, "clearserver"));
        QCOMPARE(block.serverName(), QByteArray());
        QCOMPARE(block.chatWindow(), 31337);
        QCOMPARE(block.blockMark(), 99);

        creator->closeWriteChannel();
        QVERIFY(creator->waitForFinished(5000));
        QCOMPARE(creator->exitCode(), 0);
    }

    void chatClientWritesAreSeenByTheCreator()
    {
        test::TestEnv env;
        SharedMemory memory;
        QCOMPARE(memory.create(env.shmName(), sb::Size), SharedMemory::Result::Ok);
        SharedBlock block(memory.data());
        block.initialize(0xC0A80001, "Keeper", "keeper@example.org");
        block.setServerName("Hub");
        const QByteArray before = block.bytes();

        auto dump = env.start(QStringLiteral("shmpeer"), {"dump"});
        QVERIFY(dump->waitForFinished(5000));
        QCOMPARE(dump->exitCode(), 0);
        QCOMPARE(QByteArray::fromHex(dump->readAll().trimmed()), before);

        auto writer = env.start(QStringLiteral("shmpeer"), {"setwindow", "-123456"});
        QVERIFY(writer->waitForFinished(5000));
        QCOMPARE(writer->exitCode(), 0);
        QCOMPARE(block.chatWindow(), -123456);
        QByteArray after = block.bytes();
        after.replace(int(sb::ChatWindowOffset), int(sb::ChatWindowWidth), before.mid(20, 4));
        QCOMPARE(after, before);
    }

    void openerWithoutCreatorFindsNothing()
    {
        test::TestEnv env;
        auto dump = env.start(QStringLiteral("shmpeer"), {"dump"});
        QVERIFY(dump->waitForFinished(5000));
        QCOMPARE(dump->exitCode(), 10 + int(SharedMemory::Result::Absent));
    }

    void onlyALiveChatClientCounts()
    {
        QByteArray mem(int(sb::Size), '\0');
        SharedBlock block(reinterpret_cast<unsigned char *>(mem.data()));
        QCOMPARE(sessionpeers::runningChatClient(block), 0);

        // A process id now used by another program is not the chat client.
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted());
        block.setChatWindow(qint32(sleeper.processId()));
        QCOMPARE(sessionpeers::runningChatClient(block), 0);
        QVERIFY(!sessionpeers::bringChatClientToFront(block));
        QVERIFY(!sessionpeers::askChatClientToClose(block));
        QVERIFY(!sessionpeers::destroyChatClient(block));
        QCOMPARE(sleeper.state(), QProcess::Running);
        sleeper.kill();
        sleeper.waitForFinished();
    }

    void failureTextsOfTheControlCenter()
    {
        using R = SharedMemory::Result;
        QCOMPARE(sessionpeers::creationFailureText(R::CannotCreate), QStringLiteral("Unable to initialize memory."));
        QCOMPARE(sessionpeers::creationFailureText(R::InUse), QStringLiteral("Unable to initialize memory."));
        QCOMPARE(sessionpeers::creationFailureText(R::CannotMap), QStringLiteral("Unable to Map memory"));
        QVERIFY(sessionpeers::creationFailureText(R::Ok).isEmpty());
    }
};

QTEST_MAIN(TestSessionPeers)
#include "test_sessionpeers.moc"
