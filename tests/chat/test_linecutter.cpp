#include "chat/core/linecutter.h"

#include <QTest>

namespace {

// Feeds the chunks one after the other, cutting after each, and returns every line cut.
QList<QByteArray> cutAll(const QList<QByteArray> &chunks, CLineCutter *cutter = nullptr)
{
    CLineCutter local;
    CLineCutter &c = cutter ? *cutter : local;
    QList<QByteArray> lines;
    for (const QByteArray &chunk : chunks) {
        c.Append(chunk);
        c.Cut([&](const QByteArray &line) { lines << line; });
    }
    return lines;
}

} // namespace

class TestLineCutter : public QObject {
    Q_OBJECT
private slots:
    void cutsAtEveryKindOfLineEnd()
    {
        QCOMPARE(cutAll({"PING :a\r\nPING :b\r\n"}), (QList<QByteArray>{"PING :a", "PING :b"}));
        QCOMPARE(cutAll({"one\ntwo\rthree\n"}), (QList<QByteArray>{"one", "two", "three"}));
        // Blanks and tabs around a line go.
        QCOMPARE(cutAll({" \t padded line\t \n"}), (QList<QByteArray>{"padded line"}));
    }

    void aCrLfSplitAcrossChunksGivesOneEmptyLine()
    {
        QCOMPARE(cutAll({"PING :a\r", "\nPING :b\r\n"}), (QList<QByteArray>{"PING :a", "", "PING :b"}));
    }

    void keepsAPartialLineUntilItIsComplete()
    {
        CLineCutter c;
        QCOMPARE(cutAll({":srv 372 me :first ha"}, &c), QList<QByteArray>());
        QCOMPARE(c.Pending(), QByteArray(":srv 372 me :first ha"));
        QCOMPARE(cutAll({"lf\r\n:srv 37"}, &c), (QList<QByteArray>{":srv 372 me :first half"}));
        // The kept line end of the previous cut comes back as one empty line.
        QCOMPARE(cutAll({"6 me :end\n"}, &c), (QList<QByteArray>{"", ":srv 376 me :end"}));
    }

    void everySplitPointGivesTheSameNonEmptyLines()
    {
        const QByteArray stream("PRIVMSG #a :one\r\n:x NOTICE me :two\n\nPING :three\rlast\r\n");
        const QList<QByteArray> whole = cutAll({stream});
        QCOMPARE(whole.count(QByteArray()) + 4, whole.size());
        for (qsizetype split = 0; split <= stream.size(); ++split) {
            for (qsizetype second = split; second <= stream.size(); second += 7) {
                QList<QByteArray> lines = cutAll({stream.left(split), stream.mid(split, second - split), stream.mid(second)});
                lines.removeAll(QByteArray());
                QCOMPARE(lines, (QList<QByteArray>{"PRIVMSG #a :one", ":x NOTICE me :two", "PING :three", "last"}));
            }
        }
    }

    void bytesAppendedWhileCuttingWaitForTheNextCut()
    {
        CLineCutter c;
        c.Append("a\nb\n");
        QList<QByteArray> lines;
        c.Cut([&](const QByteArray &line) {
            lines << line;
            if (line == "a")
                c.Append("c\n");
        });
        QCOMPARE(lines, (QList<QByteArray>{"a", "b"}));
        c.Cut([&](const QByteArray &line) { lines << line; });
        QCOMPARE(lines.last(), QByteArray("c"));
    }

    void dropsAnOverlongLineToItsEnd()
    {
        CLineCutter c;
        const QByteArray flood(CLineCutter::kMaxPending / 2, 'x');
        QList<QByteArray> lines = cutAll({"ok\n" + flood, flood, flood, "tail\r\nnext\n"}, &c);
        lines.removeAll(QByteArray());
        QCOMPARE(lines, (QList<QByteArray>{"ok", "next"}));
        QVERIFY(c.Pending().size() <= CLineCutter::kMaxPending);
    }
};

QTEST_APPLESS_MAIN(TestLineCutter)
#include "test_linecutter.moc"
