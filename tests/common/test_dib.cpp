#include "protocol/bytes.h"
#include "common/dib.h"
#include "common/dibpalette.h"
#include "tests/support/testenv.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using ferry::bytes::Writer;

namespace {

struct BmpLayout {
    int headerSize = 40;
    int width = 3;
    int height = 2;
    int bitCount = 4;
    quint32 clrUsed = 0;
    quint32 compression = 0;
    QList<QRgb> colors;  // entries written to the table
    QByteArray bits;     // rows bottom-up, padded
    qint64 bitsOffsetAdjust = 0;
};

// A .bmp file image written field by field, independent of the code under test.
QByteArray makeBmp(const BmpLayout &s)
{
    const bool core = s.headerSize == 12;
    const int entry = core ? 3 : 4;
    QByteArray out;
    Writer w(out);
    const quint32 offset = quint32(14 + s.headerSize + s.colors.size() * entry + s.bitsOffsetAdjust);
    w.u8('B');
    w.u8('M');
    w.le32(offset + quint32(s.bits.size()));
    w.le32(0);
    w.le32(offset);
    w.le32(quint32(s.headerSize));
    if (core) {
        w.le16(quint16(s.width));
        w.le16(quint16(s.height));
        w.le16(1);
        w.le16(quint16(s.bitCount));
    } else {
        w.le32(quint32(s.width));
        w.le32(quint32(s.height));
        w.le16(1);
        w.le16(quint16(s.bitCount));
        w.le32(s.compression);
        w.le32(quint32(s.bits.size()));
        w.le32(2835);
        w.le32(2835);
        w.le32(s.clrUsed);
        w.le32(0);
    }
    for (QRgb c : s.colors) {
        w.u8(quint8(qBlue(c)));
        w.u8(quint8(qGreen(c)));
        w.u8(quint8(qRed(c)));
        if (!core)
            w.u8(0);
    }
    if (s.bitsOffsetAdjust > 0)
        w.zeros(size_t(s.bitsOffsetAdjust));
    w.raw(s.bits);
    return out;
}

QList<QRgb> sixteenColors()
{
    QList<QRgb> c;
    for (int i = 0; i < 16; ++i)
        c.append(qRgb(i * 16, 255 - i * 8, (i * 37) & 0xFF));
    return c;
}

// 3x2 at 4 bits: rows of 2 bytes padded to 4. Bottom row first.
QByteArray fourBitBits() { return QByteArray::fromHex("01200000" "fe3c0000"); }

BmpLayout fourBitLayout()
{
    BmpLayout layout;
    layout.colors = sixteenColors();
    layout.bits = fourBitBits();
    return layout;
}

bool loadBytes(CDIB &dib, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return dib.load(buffer);
}

// A 5x3 8-bit picture whose pixel (x, y) is 10 * y + x + 1.
CDIB numberedPicture()
{
    CDIB dib;
    dib.create(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            *dib.pixelAddress(x, y) = std::uint8_t(10 * y + x + 1);
    return dib;
}

} // namespace

class TestDib : public QObject {
    Q_OBJECT
private slots:
    void newPictureIsEmptySixteenSquareWithGreyTable()
    {
        CDIB dib;
        QCOMPARE(dib.rect(), QRect(0, 0, 16, 16));
        QCOMPARE(dib.bitCount(), 8);
        QCOMPARE(dib.colorCount(), 256);
        QCOMPARE(dib.color(200), qRgb(200, 200, 200));
        QCOMPARE(dib.headerBlock().size(), 1064);
        QCOMPARE(dib.bits(), QByteArray(16 * 16, '\0'));
        QVERIFY(!dib.create(0, 4));
        QVERIFY(!dib.create(CDIB::MaxSide + 1, 1));
        QCOMPARE(dib.width(), 16);
    }

    void coreHeaderLoadsLikeInfoHeader()
    {
        BmpLayout layout = fourBitLayout();
        CDIB info, core;
        QVERIFY(loadBytes(info, makeBmp(layout)));
        layout.headerSize = 12;
        QVERIFY(loadBytes(core, makeBmp(layout)));
        QCOMPARE(core.rect(), QRect(0, 0, 3, 2));
        QCOMPARE(core.colorCount(), 16);
        QCOMPARE(core.headerBlock().mid(0, 4), info.headerBlock().mid(0, 4)); // widened to 40
        for (int i = 0; i < 16; ++i)
            QCOMPARE(core.color(i), info.color(i));
        QCOMPARE(core.bits(), info.bits());
        QCOMPARE(core.toImage(), info.toImage());
        // Top-left pixel is the high nibble of the top (last stored) row.
        QCOMPARE(info.toImage().pixel(0, 0), sixteenColors()[0xf]);
        QCOMPARE(info.toImage().pixel(2, 1), sixteenColors()[2]);
    }

    void colorsUsedLowersTheCountButNeverRaisesIt()
    {
        BmpLayout layout = fourBitLayout();
        layout.clrUsed = 300;
        CDIB dib;
        QVERIFY(loadBytes(dib, makeBmp(layout)));
        QCOMPARE(dib.colorCount(), 16);

        // Five entries used: only five are read, and the bits follow them.
        layout.clrUsed = 5;
        layout.colors = sixteenColors().mid(0, 5);
        layout.bits = QByteArray::fromHex("01200000" "43010000");
        QVERIFY(loadBytes(dib, makeBmp(layout)));
        QCOMPARE(dib.colorCount(), 5);
        QCOMPARE(dib.color(4), sixteenColors()[4]);
        QCOMPARE(dib.color(5), qRgb(0, 0, 0));
        QCOMPARE(dib.toImage().pixel(0, 0), sixteenColors()[4]);

        layout.bitCount = 24;
        layout.colors.clear();
        layout.bits = QByteArray(2 * 12, '\x7f');
        QVERIFY(loadBytes(dib, makeBmp(layout)));
        QCOMPARE(dib.colorCount(), 0);
        QCOMPARE(dib.toImage().pixel(1, 1), qRgb(0x7f, 0x7f, 0x7f));
    }

    void bitsAreFoundAtTheFileHeadersOffset()
    {
        BmpLayout layout = fourBitLayout();
        layout.bitsOffsetAdjust = 7;
        CDIB dib;
        QVERIFY(loadBytes(dib, makeBmp(layout)));
        QCOMPARE(dib.bits(), fourBitBits());
    }

    void refusedFilesKeepThePreviousContent_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const BmpLayout good = fourBitLayout();
        const QByteArray valid = makeBmp(good);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not BM") << QByteArray("BX").append(valid.mid(2));
        QTest::newRow("short bits") << valid.left(valid.size() - 1);
        QTest::newRow("short table") << valid.left(14 + 40 + 10);
        const auto with = [&good](auto change) {
            BmpLayout s = good;
            change(s);
            return makeBmp(s);
        };
        QTest::newRow("odd header size") << with([](BmpLayout &s) { s.headerSize = 20; });
        QTest::newRow("run-length") << with([](BmpLayout &s) { s.compression = 2; });
        QTest::newRow("huge") << with([](BmpLayout &s) { s.width = s.height = 0x7fffffff; });
        QTest::newRow("bits beyond the limit") << with([](BmpLayout &s) {
            s.width = s.height = CDIB::MaxSide;
            s.bitCount = 32;
        });
        QTest::newRow("top-down") << with([](BmpLayout &s) { s.height = -2; });
        QTest::newRow("bit count 3") << with([](BmpLayout &s) { s.bitCount = 3; });
        QTest::newRow("offset past end")
            << with([](BmpLayout &s) { s.bitsOffsetAdjust = 1000; }).left(14 + 40 + 64 + 8);
        QByteArray overlapping = valid;
        overlapping[10] = 20; // bits offset inside the headers
        QTest::newRow("offset inside headers") << overlapping;
    }

    void refusedFilesKeepThePreviousContent()
    {
        QFETCH(QByteArray, bytes);
        const CDIB before = numberedPicture();
        CDIB dib = before;
        QVERIFY(!loadBytes(dib, bytes));
        QCOMPARE(dib.headerBlock(), before.headerBlock());
        QCOMPARE(dib.bits(), before.bits());
    }

    void everyTruncationOfAValidFileIsRefused()
    {
        const QByteArray valid = [] {
            QBuffer b;
            b.open(QIODevice::WriteOnly);
            numberedPicture().save(b);
            return b.data();
        }();
        for (int n = 0; n < valid.size(); ++n) {
            CDIB dib;
            QVERIFY2(!loadBytes(dib, valid.left(n)), qPrintable(QString::number(n)));
            QCOMPARE(dib.width(), 16);
        }
    }

    void saveWritesTheFixedLayoutAndLoadsBack()
    {
        CDIB dib = numberedPicture();
        dib.setColor(3, qRgb(1, 2, 3));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(dib.save(buffer));
        const QByteArray file = buffer.data();
        const auto *p = reinterpret_cast<const unsigned char *>(file.constData());
        QCOMPARE(file.left(2), QByteArray("BM"));
        QCOMPARE(ferry::bytes::getLe32(p + 2), 8u * 3 + 1078);
        QCOMPARE(ferry::bytes::getLe32(p + 10), 1078u);
        QCOMPARE(file.size(), 8 * 3 + 1078);
        QCOMPARE(file.mid(14, 1064), dib.headerBlock());

        CDIB back;
        QVERIFY(loadBytes(back, file));
        QCOMPARE(back.headerBlock(), dib.headerBlock());
        QCOMPARE(back.bits(), dib.bits());
        QCOMPARE(back.color(3), qRgb(1, 2, 3));
    }

    void saveByNameReportsFailures()
    {
        ferry::test::TestEnv env;
        QTemporaryDir dir;
        const CDIB dib = numberedPicture();
        const QString path = dir.filePath("pic.bmp");
        QVERIFY(dib.save(path));
        CDIB back;
        QVERIFY(back.load(path));
        QCOMPARE(back.bits(), dib.bits());
        QVERIFY(env.prompts().isEmpty());

        QVERIFY(!dib.save(dir.filePath("missing/pic.bmp")));
        QVERIFY(!back.load(dir.filePath("missing/pic.bmp")));
        const auto log = env.prompts();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].caption, QString("Error"));
        QCOMPARE(log[0].text, QString("Failed to open file"));
    }

    void serialiseLeavesTheStreamAfterThePicture()
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QDataStream out(&buffer);
        CDIB dib = numberedPicture();
        QVERIFY(dib.serialize(out, true));
        out << qint32(4242);
        buffer.seek(0);
        QDataStream in(&buffer);
        CDIB back;
        QVERIFY(back.serialize(in, false));
        qint32 trailer = 0;
        in >> trailer;
        QCOMPARE(trailer, 4242);
        QCOMPARE(back.bits(), dib.bits());
    }

    void pixelAddressStaysInsideThePicture()
    {
        CDIB dib = numberedPicture();
        const auto *bits = reinterpret_cast<const std::uint8_t *>(dib.bits().constData());
        QCOMPARE(static_cast<const CDIB &>(dib).pixelAddress(0, 0), bits + 2 * 8);
        QCOMPARE(static_cast<const CDIB &>(dib).pixelAddress(4, 2), bits + 4);
        QVERIFY(!dib.pixelAddress(-1, 0));
        QVERIFY(!dib.pixelAddress(5, 0));
        QVERIFY(!dib.pixelAddress(0, 3));
        QVERIFY(!dib.pixelAddress(0, -1));

        BmpLayout layout = fourBitLayout();
        CDIB fourBit;
        QVERIFY(loadBytes(fourBit, makeBmp(layout)));
        QVERIFY(!fourBit.pixelAddress(0, 0)); // pixel operations are for 8-bit pictures only
    }

    void copyBlockHonoursTransparencyAndClips()
    {
        const CDIB src = numberedPicture();
        CDIB srcWithHoles = src;
        *srcWithHoles.pixelAddress(1, 1) = 0;
        *srcWithHoles.pixelAddress(2, 0) = 0;

        CDIB dest;
        dest.create(6, 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                *dest.pixelAddress(x, y) = 99;

        CDIB all = dest;
        srcWithHoles.copyBits(all, 1, 2, 3, 2, 0, 0);
        QCOMPARE(*all.pixelAddress(1, 2), std::uint8_t(1));
        QCOMPARE(*all.pixelAddress(3, 2), std::uint8_t(0));
        QCOMPARE(*all.pixelAddress(2, 3), std::uint8_t(0));
        QCOMPARE(*all.pixelAddress(3, 3), std::uint8_t(13));
        QCOMPARE(*all.pixelAddress(4, 2), std::uint8_t(99)); // outside the block
        QCOMPARE(*all.pixelAddress(1, 4), std::uint8_t(99));

        for (int transparent : {0, 256}) { // only the low byte counts
            CDIB keyed = dest;
            srcWithHoles.copyBits(keyed, 1, 2, 3, 2, 0, 0, transparent);
            QCOMPARE(*keyed.pixelAddress(3, 2), std::uint8_t(99));
            QCOMPARE(*keyed.pixelAddress(2, 3), std::uint8_t(99));
            QCOMPARE(*keyed.pixelAddress(1, 2), std::uint8_t(1));
            QCOMPARE(*keyed.pixelAddress(3, 3), std::uint8_t(13));
        }

        CDIB untouched = dest;
        src.copyBits(untouched, 0, 0, 0, 3, 0, 0);
        QCOMPARE(untouched.bits(), dest.bits());

        // A block hanging over the edges copies only what lies inside both pictures.
        CDIB clipped = dest;
        src.copyBits(clipped, 4, 4, 5, 3, 0, 1);
        QCOMPARE(*clipped.pixelAddress(4, 4), std::uint8_t(11));
        QCOMPARE(*clipped.pixelAddress(5, 5), std::uint8_t(22));
        QCOMPARE(*clipped.pixelAddress(3, 4), std::uint8_t(99));
        src.copyBits(clipped, -2, -2, 5, 3, 0, 0);
        QCOMPARE(*clipped.pixelAddress(0, 0), std::uint8_t(23));
    }

    void mapColorsToPaletteTakesTheNearestEntries()
    {
        CDIB dib;
        dib.create(2, 1);
        dib.setColor(0, qRgb(250, 10, 10));
        dib.setColor(1, qRgb(10, 10, 240));
        *dib.pixelAddress(0, 0) = 0;
        *dib.pixelAddress(1, 0) = 1;
        CDIBPalette palette;
        QVERIFY(palette.create(QList<PaletteEntry>{{0, 0, 0, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}}));
        QVERIFY(dib.mapColorsToPalette(palette));
        QCOMPARE(*dib.pixelAddress(0, 0), std::uint8_t(2));
        QCOMPARE(*dib.pixelAddress(1, 0), std::uint8_t(1));
        QCOMPARE(dib.color(0), qRgb(0, 0, 0));
        QCOMPARE(dib.color(1), qRgb(0, 0, 255));
        QCOMPARE(dib.color(2), qRgb(255, 0, 0));
        QCOMPARE(dib.colorCount(), 256);
        QVERIFY(!dib.mapColorsToPalette(CDIBPalette()));
    }

    void drawPaintsTheTableColoursAtThePoint()
    {
        CDIB dib = numberedPicture();
        dib.setColor(23, qRgb(200, 100, 50));
        QImage canvas(10, 10, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        dib.draw(painter, 2, 3);
        painter.end();
        QCOMPARE(canvas.pixel(2 + 2, 3 + 2), qRgb(200, 100, 50));
        QCOMPARE(canvas.pixel(2, 3), qRgb(1, 1, 1));
        QCOMPARE(canvas.pixel(1, 3), qRgb(255, 255, 255));
        QCOMPARE(canvas.pixel(7, 3), qRgb(255, 255, 255));
    }

    void resourcePicturesAreBorrowedUntilWritten()
    {
        CDIB dib;
        QVERIFY(dib.loadResource(174));
        QCOMPARE(dib.rect(), QRect(0, 0, 300, 232));
        QCOMPARE(dib.bitCount(), 8);
        QVERIFY(!dib.ownsBits());
        const std::uint8_t original = *static_cast<const CDIB &>(dib).pixelAddress(0, 0);
        *dib.pixelAddress(0, 0) = std::uint8_t(original + 1);
        QVERIFY(dib.ownsBits());
        CDIB again;
        QVERIFY(again.loadResource(174));
        QCOMPARE(*static_cast<const CDIB &>(again).pixelAddress(0, 0), original);

        QVERIFY(again.loadResource(187));
        QCOMPARE(again.rect(), QRect(0, 0, 300, 20));
        QVERIFY(!again.loadResource(9999));
        QCOMPARE(again.height(), 20);
    }
};

QTEST_MAIN(TestDib)
#include "test_dib.moc"
