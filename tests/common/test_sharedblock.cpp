#include "common/sharedblock.h"

#include <QTest>

#include <functional>

using namespace ferry;
namespace sb = ferry::sharedblock;

namespace {

QByteArray filled(char c) { return QByteArray(int(sb::Size), c); }
unsigned char *raw(QByteArray &a) { return reinterpret_cast<unsigned char *>(a.data()); }

// The bytes of a text field as they must stand: text, then NULs to the field's end.
QByteArray field(const QByteArray &text, std::size_t width)
{
    return text + QByteArray(int(width) - text.size(), '\0');
}

} // namespace

class TestSharedBlock : public QObject {
    Q_OBJECT
private slots:
    void creationWritesTheEstablishedLayout()
    {
        QByteArray mem = filled('\xAA');
        SharedBlock(raw(mem)).initialize(0x0A000102, "Rooster", "rooster@example.org");

        QByteArray expected;
        expected += QByteArray::fromHex("0a000102");           // 10.0.1.2, first octet first
        expected += field("Rooster", 16);
        expected += QByteArray::fromHex("00000000");           // no chat client yet
        expected += QByteArray::fromHex("63000000");           // mark 99, little-endian
        expected += QByteArray(17, '\0');
        expected += field("rooster@example.org", 256);
        expected += QByteArray(259, '\0');
        QCOMPARE(expected.size(), int(sb::Size));
        QCOMPARE(mem, expected);

        const SharedBlock block(raw(mem));
        QCOMPARE(block.ownAddress(), 0x0A000102u);
        QCOMPARE(block.nickname(), QByteArray("Rooster"));
        QCOMPARE(block.email(), QByteArray("rooster@example.org"));
        QCOMPARE(block.blockMark(), 99);
        QCOMPARE(block.chatWindow(), 0);
        QCOMPARE(block.serverName(), QByteArray());
    }

    void eachWriterTouchesOnlyItsField_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("width");
        QTest::addColumn<std::function<void(SharedBlock &)>>("write");
        using F = std::function<void(SharedBlock &)>;
        QTest::newRow("address") << 0 << 4 << F([](SharedBlock &b) { b.setOwnAddress(0x01020304); });
        QTest::newRow("nickname") << 4 << 16 << F([](SharedBlock &b) { b.setNickname(QByteArray(40, 'n')); });
        QTest::newRow("chat window") << 20 << 4 << F([](SharedBlock &b) { b.setChatWindow(-2); });
        QTest::newRow("mark") << 24 << 4 << F([](SharedBlock &b) { b.writeBlockMark(); });
        QTest::newRow("email") << 45 << 256 << F([](SharedBlock &b) { b.setEmail(QByteArray(400, 'e')); });
        QTest::newRow("empty email") << 45 << 256 << F([](SharedBlock &b) { b.setEmail(""); });
        QTest::newRow("server") << 301 << 259 << F([](SharedBlock &b) { b.setServerName(QByteArray(400, 's')); });
        QTest::newRow("clear server") << 301 << 1 << F([](SharedBlock &b) { b.clearServerName(); });
    }

    void eachWriterTouchesOnlyItsField()
    {
        QFETCH(int, offset);
        QFETCH(int, width);
        QFETCH(std::function<void(SharedBlock &)>, write);
        QByteArray mem = filled('\x5A');
        const QByteArray before = mem;
        SharedBlock block(raw(mem));
        write(block);
        for (int i = 0; i < int(sb::Size); ++i) {
            const bool inField = i >= offset && i < offset + width;
            if (!inField && mem[i] != before[i])
                QFAIL(qPrintable(QStringLiteral("byte %1 changed").arg(i)));
        }
        QVERIFY(mem != before);
    }

    void textIsCutSoThatANulEndsItInsideTheField()
    {
        QByteArray mem = filled('\0');
        SharedBlock block(raw(mem));
        block.initialize(0, QByteArray("abcdefghijklmnopqrstuvwxyz"), QByteArray(300, 'm'));
        QCOMPARE(mem.mid(4, 16), QByteArray("abcdefghijklmno") + '\0');
        QCOMPARE(block.nickname(), QByteArray("abcdefghijklmno"));
        QCOMPARE(block.chatWindow(), 0);

        block.setServerName("Far Away Server");
        block.setEmail(QByteArray(300, 'x'));
        QCOMPARE(mem.mid(45, 256), QByteArray(255, 'x') + '\0');
        QCOMPARE(block.email(), QByteArray(255, 'x'));
        QCOMPARE(block.serverName(), QByteArray("Far Away Server"));

        block.setServerName(QByteArray(500, 'y'));
        QCOMPARE(mem.mid(301, 259), QByteArray(258, 'y') + '\0');

        // A shorter text leaves nothing of the longer one behind it.
        block.setEmail("a@b");
        QCOMPARE(mem.mid(45, 256), field("a@b", 256));
        // Text ends at an embedded NUL.
        block.setNickname(QByteArray("ab\0cd", 5));
        QCOMPARE(mem.mid(4, 16), field("ab", 16));
    }

    void emptyEmailIsStoredAsUnspecified()
    {
        QByteArray mem = filled('\x11');
        SharedBlock block(raw(mem));
        block.initialize(0, "nick", "");
        QCOMPARE(block.email(), QByteArray("unspecified_email_address"));
        block.setEmail("someone@example.org");
        block.refreshIdentity(0, "nick", "");
        QCOMPARE(mem.mid(45, 256), field("unspecified_email_address", 256));
    }

    void refreshKeepsChatWindowAndServerName()
    {
        QByteArray mem = filled('\0');
        SharedBlock block(raw(mem));
        block.initialize(0x01020304, "old", "old@example.org");
        block.setChatWindow(4242);
        block.setServerName("Hub One");
        block.refreshIdentity(0x05060708, "new", "new@example.org");
        QCOMPARE(block.ownAddress(), 0x05060708u);
        QCOMPARE(block.nickname(), QByteArray("new"));
        QCOMPARE(block.email(), QByteArray("new@example.org"));
        QCOMPARE(block.chatWindow(), 4242);
        QCOMPARE(block.serverName(), QByteArray("Hub One"));
        QCOMPARE(block.blockMark(), 99);

        block.clearServerName();
        QCOMPARE(block.serverName(), QByteArray());
        QCOMPARE(quint8(mem[301]), quint8(0));
    }

    void readsStayInsideFieldsWithoutNul()
    {
        // A field caught without its terminator (another process mid-write) ends at the
        // field's end instead of running into the next field.
        QByteArray mem = filled('Q');
        const SharedBlock block(raw(mem));
        QCOMPARE(block.nickname(), QByteArray(16, 'Q'));
        QCOMPARE(block.email(), QByteArray(256, 'Q'));
        QCOMPARE(block.serverName(), QByteArray(259, 'Q'));
    }

    void chatWindowIsALittleEndianSignedWord()
    {
        QByteArray mem = filled('\0');
        SharedBlock block(raw(mem));
        block.setChatWindow(0x12345678);
        QCOMPARE(mem.mid(20, 4), QByteArray::fromHex("78563412"));
        block.setChatWindow(-1);
        QCOMPARE(block.chatWindow(), -1);
    }
};

QTEST_MAIN(TestSharedBlock)
#include "test_sharedblock.moc"
