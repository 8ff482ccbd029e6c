#include "protocol/bytes.h"

#include <QTest>

using namespace ferry::bytes;

class TestBytes : public QObject {
    Q_OBJECT
private slots:
    void readsBothByteOrdersAndStopsAtTheEnd()
    {
        const QByteArray data = QByteArray::fromHex("0102030405");
        Reader r(data);
        QCOMPARE(r.le16(), std::uint16_t(0x0201));
        QCOMPARE(r.be16(), std::uint16_t(0x0304));
        QVERIFY(r.ok());
        QCOMPARE(r.le32(), std::uint32_t(0)); // only one byte left
        QVERIFY(!r.ok());
        QCOMPARE(r.pos(), std::size_t(4));
    }

    void stringsEndAtNulOrFieldOrData()
    {
        const QByteArray data("abc\0defgh", 9);
        Reader r(data);
        QCOMPARE(r.cstr(6), QByteArray("abc"));
        QCOMPARE(r.cstr(), QByteArray("fgh")); // no NUL: ends at the data's end
        QVERIFY(r.ok());
        const QByteArray xyz("xyz");
        Reader field(xyz);
        QCOMPARE(field.cstr(3), QByteArray("xyz"));
    }

    void writerFieldsAreCutAndTerminated()
    {
        QByteArray out;
        Writer w(out);
        w.le32(0x11223344);
        w.field("toolongname", 5);
        w.be16(0x0102);
        QCOMPARE(out, QByteArray::fromHex("44332211") + QByteArray("tool\0", 5) + QByteArray::fromHex("0102"));
    }
};

QTEST_MAIN(TestBytes)
#include "test_bytes.moc"
