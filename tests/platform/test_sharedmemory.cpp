#include "platform/sharedmemory.h"

#include "platform/paths.h"

#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QTest>

#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferry;
using Result = SharedMemory::Result;

namespace {

constexpr std::size_t BlockSize = 560;

bool nameExists(const QString &name)
{
    return QFile::exists(QStringLiteral("/dev/shm") + QString::fromUtf8(SharedMemory::systemName(name)));
}

} // namespace

class TestSharedMemory : public QObject {
    Q_OBJECT
private slots:
    void openerSeesTheCreatorsMemory()
    {
        test::TestEnv env;
        SharedMemory opener;
        QCOMPARE(opener.open(env.shmName(), BlockSize), Result::Absent);

        SharedMemory creator;
        QCOMPARE(creator.create(env.shmName(), BlockSize), Result::Ok);
        QVERIFY(creator.isCreator());
        QCOMPARE(creator.size(), BlockSize);
        std::memset(creator.data(), 0, BlockSize);
        QCOMPARE(opener.open(env.shmName(), BlockSize), Result::Ok);
        QVERIFY(!opener.isCreator());

        // Two mappings of one object: writes through either show in the other.
        creator.data()[BlockSize - 1] = 0x42;
        QCOMPARE(opener.data()[BlockSize - 1], 0x42);
        opener.data()[20] = 0x17;
        QCOMPARE(creator.data()[20], 0x17);

        // Only one creator at a time, even within one process.
        SharedMemory second;
        QCOMPARE(second.create(env.shmName(), BlockSize), Result::InUse);
        QVERIFY(!second.isMapped());
        QCOMPARE(creator.data()[20], 0x17);

        // Releasing the opener leaves the creator's object alone.
        opener.release();
        QVERIFY(nameExists(env.shmName()));
        QCOMPARE(opener.open(env.shmName(), BlockSize), Result::Ok);

        // The creator's release removes the name: the next opener finds nothing.
        creator.release();
        QVERIFY(!nameExists(env.shmName()));
        SharedMemory late;
        QCOMPARE(late.open(env.shmName(), BlockSize), Result::Absent);
    }

    void objectTooSmallCannotBeMapped()
    {
        test::TestEnv env;
        SharedMemory creator;
        QCOMPARE(creator.create(env.shmName(), 10), Result::Ok);
        SharedMemory opener;
        QCOMPARE(opener.open(env.shmName(), BlockSize), Result::CannotMap);
        QVERIFY(!opener.isMapped());
        QVERIFY(!opener.errorString().isEmpty());
    }

    void blockOfAKilledCreatorIsAbsentAndReplaced()
    {
        test::TestEnv env;
        auto peer = test::startBlockCreator(env, "192.168.7.9", "Ghost", "ghost@example.org");
        QVERIFY(peer);
        SharedMemory opener;
        QCOMPARE(opener.open(env.shmName(), BlockSize), Result::Ok);
        QCOMPARE(opener.data()[3], 9);
        opener.release();

        // Its creator dies without releasing: the object stays behind, without an owner.
        peer->kill();
        QVERIFY(peer->waitForFinished(5000));
        QVERIFY(nameExists(env.shmName()));
        QCOMPARE(opener.open(env.shmName(), BlockSize), Result::Absent);

        // The next creator takes the name over.
        SharedMemory creator;
        QCOMPARE(creator.create(env.shmName(), BlockSize), Result::Ok);
        std::memset(creator.data(), 0, BlockSize);
        QCOMPARE(opener.open(env.shmName(), BlockSize), Result::Ok);
        QCOMPARE(opener.data()[3], 0);
    }

    void creatorInAnotherProcessExcludesThisOne()
    {
        test::TestEnv env;
        auto peer = test::startBlockCreator(env, "10.0.0.1", "Holder", "");
        QVERIFY(peer);
        SharedMemory creator;
        QCOMPARE(creator.create(env.shmName(), BlockSize), Result::InUse);

        // A peer that ends normally removes the name on its way out.
        peer->closeWriteChannel();
        QVERIFY(peer->waitForFinished(5000));
        QCOMPARE(peer->exitCode(), 0);
        QVERIFY(!nameExists(env.shmName()));
        QCOMPARE(creator.create(env.shmName(), BlockSize), Result::Ok);
    }

    void objectOfAnotherUserOrWritableByOthersIsRefused()
    {
        test::TestEnv env;
        const QByteArray name = SharedMemory::systemName(env.shmName());
        const int fd = ::shm_open(name.constData(), O_RDWR | O_CREAT | O_EXCL, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::ftruncate(fd, off_t(BlockSize)), 0);
        const auto bothRefuse = [&] {
            SharedMemory creator, opener;
            return creator.create(env.shmName(), BlockSize) == Result::Foreign && !creator.isMapped()
                && opener.open(env.shmName(), BlockSize) == Result::Foreign && !opener.isMapped();
        };
        QCOMPARE(::fchmod(fd, 0666), 0);
        QVERIFY(bothRefuse());
        QCOMPARE(::fchmod(fd, 0620), 0);
        QVERIFY(bothRefuse());
        if (::geteuid() == 0) {
            QCOMPARE(::fchmod(fd, 0600), 0);
            QCOMPARE(::fchown(fd, 65534, 65534), 0);
            QVERIFY(bothRefuse());
            QCOMPARE(::fchown(fd, 0, 0), 0);
        }
        // The refusals left the object alone; once it is private and the user's, a
        // creator takes it over as any stale block.
        QVERIFY(nameExists(env.shmName()));
        QCOMPARE(::fchmod(fd, 0600), 0);
        ::close(fd);
        SharedMemory creator;
        QCOMPARE(creator.create(env.shmName(), BlockSize), Result::Ok);
    }

    void defaultNameCarriesTheUserId()
    {
        test::TestEnv env;
        qunsetenv("FERRY_SHM_NAME");
        const QString name = sharedBlockName();
        qputenv("FERRY_SHM_NAME", env.shmName().toUtf8());
        QCOMPARE(name, QStringLiteral("ferry_shared_mem.%1").arg(::geteuid()));
        QCOMPARE(sharedBlockName(), env.shmName());
    }

    void namesAreMadeFitForTheSystem()
    {
        QCOMPARE(SharedMemory::systemName(QStringLiteral("ferry_shared_mem")), QByteArray("/ferry_shared_mem"));
        QCOMPARE(SharedMemory::systemName(QStringLiteral("a/b")), QByteArray("/a_b"));
    }
};

QTEST_MAIN(TestSharedMemory)
#include "test_sharedmemory.moc"
