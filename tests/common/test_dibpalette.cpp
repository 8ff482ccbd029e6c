#include "protocol/bytes.h"
#include "common/dib.h"
#include "common/dibpalette.h"
#include "tests/support/testenv.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using ferry::bytes::Writer;

namespace {

const QList<PaletteEntry> threeEntries{{255, 0, 0, 0}, {0, 128, 0, 4}, {1, 2, 3, 0}};

QByteArray chunk(const QByteArray &id, const QByteArray &content)
{
    QByteArray out;
    Writer w(out);
    w.raw(id);
    w.le32(quint32(content.size()));
    w.raw(content);
    if (content.size() % 2)
        w.u8(0);
    return out;
}

QByteArray riff(const QByteArray &chunks)
{
    QByteArray out;
    Writer w(out);
    w.raw("RIFF");
    w.le32(quint32(chunks.size() + 4));
    w.raw("PAL ");
    w.raw(chunks);
    return out;
}

QByteArray paletteContent(quint16 version, quint16 count, int entriesWritten)
{
    QByteArray out;
    Writer w(out);
    w.le16(version);
    w.le16(count);
    for (int i = 0; i < entriesWritten; ++i) {
        w.u8(quint8(i));
        w.u8(quint8(2 * i));
        w.u8(quint8(3 * i));
        w.u8(0);
    }
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestDibPalette : public QObject {
    Q_OBJECT
private slots:
    void builtFromAPicturesColourTable()
    {
        CDIB dib;
        dib.create(4, 4);
        dib.setColor(1, qRgb(10, 20, 30));
        CDIBPalette palette;
        QVERIFY(palette.create(dib));
        QCOMPARE(palette.entryCount(), 256);
        QCOMPARE(palette.entry(1), (PaletteEntry{10, 20, 30, 0}));

        // A true-colour picture has no table: the palette keeps what it had.
        QVERIFY(palette.create(threeEntries));
        QByteArray bmp;
        Writer w(bmp);
        w.raw("BM");
        w.le32(14 + 40 + 4);
        w.le32(0);
        w.le32(14 + 40);
        for (quint32 v : {40u, 1u, 1u})
            w.le32(v);
        w.le16(1);
        w.le16(24);
        w.zeros(24 + 4);
        QBuffer buffer(&bmp);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY(dib.load(buffer));
        QVERIFY(!palette.create(dib));
        QVERIFY(!palette.create(QList<PaletteEntry>()));
        QCOMPARE(palette.entries(), threeEntries);
        QCOMPARE(palette.nearestIndex(0x00FE0101), 0);
        QCOMPARE(palette.nearestIndex(0x00000000), 2);
    }

    void savedFileHasOneDataChunkAndLoadsBack()
    {
        QTemporaryDir dir;
        CDIBPalette palette;
        palette.create(threeEntries);
        const QString path = dir.filePath("x.pal");
        QVERIFY(palette.save(path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), 12 + 8 + 3 * 4 + 4);
        QCOMPARE(bytes.left(4), QByteArray("RIFF"));
        QCOMPARE(bytes.mid(8, 8), QByteArray("PAL data"));
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
        QCOMPARE(ferry::bytes::getLe32(p + 4), quint32(bytes.size() - 8));
        QCOMPARE(ferry::bytes::getLe32(p + 16), 3u * 4 + 4);
        QCOMPARE(ferry::bytes::getLe16(p + 20), quint16(0x300));
        QCOMPARE(ferry::bytes::getLe16(p + 22), quint16(3));

        CDIBPalette back;
        QVERIFY(back.load(path));
        QCOMPARE(back.entries(), threeEntries);
    }

    void otherChunksAreSkippedWithTheirPadding()
    {
        CDIBPalette palette;
        QVERIFY(palette.loadFromData(riff(chunk("INFO", "odd") + chunk("data", paletteContent(0x300, 2, 2)))));
        QCOMPARE(palette.entryCount(), 2);
        QCOMPARE(palette.entry(1), (PaletteEntry{1, 2, 3, 0}));
    }

    void badPaletteFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("zero entries") << riff(chunk("data", paletteContent(0x300, 0, 0)));
        QTest::newRow("version") << riff(chunk("data", paletteContent(0x200, 2, 2)));
        QTest::newRow("count beyond chunk") << riff(chunk("data", paletteContent(0x300, 3, 2)));
        QTest::newRow("count beyond 256") << riff(chunk("data", paletteContent(0x300, 257, 257)));
        QTest::newRow("no data chunk") << riff(chunk("INFO", paletteContent(0x300, 2, 2)));
        QTest::newRow("not a palette form") << QByteArray(riff(chunk("data", paletteContent(0x300, 2, 2)))).replace("PAL ", "WAVE");
        QTest::newRow("not RIFF") << QByteArray("JUNK").append(riff(chunk("data", paletteContent(0x300, 2, 2))).mid(4));
        QTest::newRow("truncated") << riff(chunk("data", paletteContent(0x300, 2, 2))).left(30);
        QByteArray oversized = riff(chunk("data", paletteContent(0x300, 2, 2)));
        oversized[16] = char(0xff); // chunk claims more than the file holds
        QTest::newRow("chunk size past end") << oversized;
        QTest::newRow("empty") << QByteArray();
    }

    void badPaletteFilesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        CDIBPalette palette;
        palette.create(threeEntries);
        QVERIFY(!palette.loadFromData(bytes));
        QCOMPARE(palette.entries(), threeEntries);
    }

    void loadingAsksForANameAndReportsFailures()
    {
        ferry::test::TestEnv env;
        QTemporaryDir dir;
        const QString good = dir.filePath("good.pal"), bad = dir.filePath("bad.pal");
        QVERIFY(writeFile(good, riff(chunk("data", paletteContent(0x300, 4, 4)))));
        QVERIFY(writeFile(bad, riff(chunk("data", paletteContent(0x300, 0, 0)))));
        env.setAnswers({"file:" + good, "cancel"});

        CDIBPalette palette;
        QVERIFY(palette.load());
        QCOMPARE(palette.entryCount(), 4);
        QVERIFY(!palette.load()); // cancelled
        QVERIFY(!palette.load(dir.filePath("missing.pal")));
        QVERIFY(!palette.load(bad));
        QCOMPARE(palette.entryCount(), 4);

        const auto log = env.prompts();
        QCOMPARE(log.size(), 4);
        QCOMPARE(log[2].caption, QString("Error"));
        QCOMPARE(log[2].text, QString("Failed to open file"));
        QCOMPARE(log[3].text, QString("Failed to load file"));
    }

    void swatchesFillCellsUpToTheEntryCount()
    {
        CDIBPalette palette;
        palette.create(threeEntries);
        QImage canvas(32, 32, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        palette.draw(painter, canvas.rect());
        painter.end();
        // 2-pixel cells whose edges sit one pixel in: cell j covers x = 2j+1 .. 2j+2.
        QCOMPARE(canvas.pixel(0, 1), qRgb(255, 255, 255));
        QCOMPARE(canvas.pixel(1, 1), qRgb(255, 0, 0));
        QCOMPARE(canvas.pixel(2, 2), qRgb(255, 0, 0));
        QCOMPARE(canvas.pixel(3, 1), qRgb(0, 128, 0));
        QCOMPARE(canvas.pixel(6, 2), qRgb(1, 2, 3));
        QCOMPARE(canvas.pixel(7, 1), qRgb(255, 255, 255));
        QCOMPARE(canvas.pixel(1, 3), qRgb(255, 255, 255));
    }

    void identityPaletteIsNotNeededAndChangesNothing()
    {
        CDIBPalette palette;
        palette.create(threeEntries);
        QVERIFY(!palette.makeIdentity());
        QCOMPARE(palette.entries(), threeEntries);
    }
};

QTEST_MAIN(TestDibPalette)
#include "test_dibpalette.moc"
