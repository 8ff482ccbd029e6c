// The built control center: what its start-up leaves in the registry and the
// shared block, the hand-over to a running copy, the start-up failure without a
// driver, and the ways it ends, taking a running chat client with it.

#include "common/registry.h"
#include "common/sharedblock.h"
#include "platform/sharedmemory.h"

#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferry;

namespace {

const QString kFerry97 = QStringLiteral("SOFTWARE\\Hollowell\\Ferry97");
const QString kDriverFailure = QStringLiteral(
    "Unable to open Ferry VxD. This may be due to an older or different version of Ferry being run. Please "
    "reinstall Ferry and or reboot your computer and try again.");

// Settings that need no address detection: a fixed own address.
void seedSettings(const QString &key, const QString &nickname)
{
    CRegistry registry;
    QVERIFY(registry.Create(key));
    registry.SetStringValue(QStringLiteral("Nickname"), nickname);
    registry.SetStringValue(QStringLiteral("Email"), QStringLiteral("player@example.com"));
    // A loopback address: the tracker socket binds the own address.
    registry.SetStringValue(QStringLiteral("IP Address"), QStringLiteral("127.0.2.44"));
    registry.SetStringValue(QStringLiteral("AlwaysUseIP"), QStringLiteral("True"));
}

// A control center started in the test's environment and this test's view of its block.
struct ControlCenter {
    const test::TestEnv &env;
    std::unique_ptr<QProcess> process;
    SharedMemory memory;

    explicit ControlCenter(const test::TestEnv &e) : env(e) {}
    ~ControlCenter()
    {
        memory.release();
        if (process && process->state() != QProcess::NotRunning)
            test::stopProcess(*process);
    }

    // Starts it and waits until its block is there and filled (the e-mail field,
    // never empty, is written last).
    bool start()
    {
        process = env.start(QStringLiteral("ferrycc"));
        if (!process->waitForStarted(5000))
            return false;
        return QTest::qWaitFor(
            [this] {
                return process->state() == QProcess::Running
                    && (memory.isMapped() || memory.open(env.shmName(), sharedblock::Size) == SharedMemory::Result::Ok)
                    && !block().email().isEmpty();
            },
            15000);
    }
    SharedBlock block() const { return SharedBlock(memory.data()); }

    // Waits until it takes termination signals, then sends one.
    bool signal(int signalNumber)
    {
        const qint64 pid = process->processId();
        if (!QTest::qWaitFor([&] { return test::catchesSignal(pid, signalNumber); }, 10000))
            return false;
        return ::kill(pid_t(pid), signalNumber) == 0;
    }
};

bool endedNormally(QProcess &process, int exitCode = 0)
{
    return process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == exitCode;
}

bool blockIsGone(const test::TestEnv &env)
{
    SharedMemory probe;
    return probe.open(env.shmName(), sharedblock::Size) == SharedMemory::Result::Absent;
}

} // namespace

class TestFerryccProcess : public QObject {
    Q_OBJECT
private slots:
    void firstStartWritesDefaultsAndFillsTheBlock()
    {
        test::TestEnv env;
        ControlCenter cc(env);
        QVERIFY(cc.start());
        QCOMPARE(cc.block().nickname(), QByteArray("YourNickName"));
        QCOMPARE(cc.block().blockMark(), 99);
        QCOMPARE(cc.block().chatWindow(), 0);

        CRegistry registry;
        QVERIFY(registry.Open(kFerry97, KEY_READ));
        QString flag;
        QVERIFY(registry.GetStringValue(QStringLiteral("RunChatOnConnect"), flag));
        QCOMPARE(flag, QStringLiteral("True"));
        QVERIFY(registry.Open(kFerry97 + QStringLiteral("\\Servers"), KEY_READ));
    }

    void settingsFileIsImportedOnceAndItsValuesUsed()
    {
        test::TestEnv env;
        const QString file = QDir(env.home()).filePath(QStringLiteral("settings.reg"));
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97]\r\n"
                      "\"Nickname\"=\"FromFile\"\r\n"
                      "\"Email\"=\"\"\r\n"
                      "\"IP Address\"=\"127.051.100.9\"\r\n"
                      "\"AlwaysUseIP\"=\"TRUE\"\r\n");
        }
        ControlCenter cc(env);
        QVERIFY(cc.start());
        QVERIFY(!QFile::exists(file));
        QCOMPARE(cc.block().nickname(), QByteArray("FromFile"));
        QCOMPARE(cc.block().ownAddress(), 0x7F336409u);   // 127.51.100.9
        QCOMPARE(cc.block().email(), QByteArray("unspecified_email_address"));
        QVERIFY(env.prompts().isEmpty());
    }

    void refusedSettingsFileIsKeptAndNamedOnce_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QByteArray>("nickname");
        const QByteArray key = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97]\r\n";
        QTest::newRow("cut off") << key + "\"Nickname\"=\"Cut\"\r\n\"Email\"=hex:41,42,\\\r\n"
                                 << QStringLiteral("the file is cut off at line 4") << QByteArray("YourNickName");
        QTest::newRow("not a .reg file") << QByteArray("Nickname=Plain\r\n")
                                         << QStringLiteral("not a registration file") << QByteArray("YourNickName");
        QTest::newRow("a bad line") << key + "\"Nickname\"=\"Half\"\r\n\"Email\"=\"h@x\"\r\n\"tracker\"=dword:xyz\r\n"
                                    << QStringLiteral("line 5: malformed dword data") << QByteArray("Half");
    }
    void refusedSettingsFileIsKeptAndNamedOnce()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);
        QFETCH(QByteArray, nickname);
        test::TestEnv env;
        const QString file = QDir(env.home()).filePath(QStringLiteral("settings.reg"));
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
        ControlCenter cc(env);
        QVERIFY(cc.start());
        QVERIFY(QFile::exists(file));
        QCOMPARE(cc.block().nickname(), nickname);
        const auto prompts = env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts.first().kind, QStringLiteral("warning"));
        QVERIFY2(prompts.first().text.contains(file) && prompts.first().text.contains(problem),
                 qPrintable(prompts.first().text));
    }

    void olderSettingsKeyIsTakenOver()
    {
        test::TestEnv env;
        seedSettings(QStringLiteral("SOFTWARE\\Hollowell\\Ferry"), QStringLiteral("Veteran"));
        ControlCenter cc(env);
        QVERIFY(cc.start());
        QCOMPARE(cc.block().nickname(), QByteArray("Veteran"));
        QCOMPARE(cc.block().ownAddress(), 0x7F00022Cu);   // 127.0.2.44
        CRegistry registry;
        QVERIFY(registry.Open(kFerry97, KEY_READ));
        QString nickname;
        QVERIFY(registry.GetStringValue(QStringLiteral("Nickname"), nickname));
        QCOMPARE(nickname, QStringLiteral("Veteran"));
    }

    void secondStartHandsOverToTheRunningOne()
    {
        test::TestEnv env;
        seedSettings(kFerry97, QStringLiteral("First"));
        ControlCenter cc(env);
        QVERIFY(cc.start());

        auto second = env.start(QStringLiteral("ferrycc"));
        QVERIFY(endedNormally(*second));
        QCOMPARE(cc.process->state(), QProcess::Running);
        // The second copy neither complained nor touched the first one's block.
        QVERIFY(env.prompts().isEmpty());
        QCOMPARE(cc.block().nickname(), QByteArray("First"));
    }

    void terminationSignalsEndItAndReleaseTheBlock_data()
    {
        test::addTerminationSignalRows();
    }

    void terminationSignalsEndItAndReleaseTheBlock()
    {
        QFETCH(int, signalNumber);
        test::TestEnv env;
        seedSettings(kFerry97, QStringLiteral("Leaver"));
        ControlCenter cc(env);
        QVERIFY(cc.start());
        QVERIFY(cc.signal(signalNumber));
        QVERIFY(endedNormally(*cc.process));
        cc.memory.release();
        QVERIFY(blockIsGone(env));
    }

    void runningChatClientIsClosedAtExit()
    {
        test::TestEnv env;
        seedSettings(kFerry97, QStringLiteral("Chatter"));
        ControlCenter cc(env);
        QVERIFY(cc.start());
        auto chat = env.start(QStringLiteral("tavern97"));
        QVERIFY(chat->waitForStarted(5000));
        QTRY_COMPARE_WITH_TIMEOUT(cc.block().chatWindow(), qint32(chat->processId()), 10000);

        QVERIFY(cc.signal(SIGTERM));
        QVERIFY(endedNormally(*cc.process));
        QVERIFY(endedNormally(*chat));
    }

    void blockWritableByOthersIsRefusedByBothPrograms()
    {
        test::TestEnv env;
        seedSettings(kFerry97, QStringLiteral("Victim"));
        // Another local user made the block first, for everyone to write.
        const QByteArray name = SharedMemory::systemName(env.shmName());
        const int fd = ::shm_open(name.constData(), O_RDWR | O_CREAT | O_EXCL, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::ftruncate(fd, off_t(sharedblock::Size)), 0);
        QCOMPARE(::fchmod(fd, 0666), 0);
        // A lock as a live control center holds it, so the chat client takes it for one.
        struct flock fl = {};
        fl.l_type = F_WRLCK;
        QCOMPARE(::fcntl(fd, F_OFD_SETLK, &fl), 0);

        auto cc = env.start(QStringLiteral("ferrycc"));
        QVERIFY(endedNormally(*cc, 1));
        auto chat = env.start(QStringLiteral("tavern97"));
        QVERIFY(endedNormally(*chat, 1));
        const auto prompts = env.prompts();
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(prompts[0].text, QStringLiteral("Unable to initialize memory."));
        QCOMPARE(prompts[1].text, QStringLiteral("Unable to Map memory"));
        // Nothing was written into it.
        void *p = ::mmap(nullptr, sharedblock::Size, PROT_READ, MAP_SHARED, fd, 0);
        QVERIFY(p != MAP_FAILED);
        QCOMPARE(SharedBlock(static_cast<unsigned char *>(p)).nickname(), QByteArray());
        ::munmap(p, sharedblock::Size);
        ::close(fd);
        ::shm_unlink(name.constData());
    }

    void missingDriverEndsTheStart()
    {
        test::TestEnv env;
        seedSettings(kFerry97, QStringLiteral("NoDriver"));
        QProcess cc;
        QProcessEnvironment environment = env.environment();
        environment.insert(QStringLiteral("FERRY_DRIVER_OPEN"), QStringLiteral("fail"));
        cc.setProcessEnvironment(environment);
        cc.setWorkingDirectory(env.home());
        cc.start(test::TestEnv::program(QStringLiteral("ferrycc")));
        QVERIFY(endedNormally(cc, 1));
        const auto prompts = env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts.first().kind, QStringLiteral("warning"));
        QCOMPARE(prompts.first().text, kDriverFailure);
        QVERIFY(blockIsGone(env));
    }
};

QTEST_MAIN(TestFerryccProcess)
#include "test_ferrycc_process.moc"
