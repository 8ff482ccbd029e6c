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

    void cutsAnOverlongLineAtItsBound()
    {
        CLineCutter c;
        // A line of 60 KB in pieces: its first kMaxLine bytes arrive as one line, the
        // rest up to its line end is dropped, and the next line is whole.
        const QByteArray piece(20000, 'x');
        QList<QByteArray> lines = cutAll({"ok\nPRIVMSG #a :" + piece, piece, piece + "tail\r\nnext\n"}, &c);
        lines.removeAll(QByteArray());
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QByteArray("ok"));
        QCOMPARE(lines.at(1), ("PRIVMSG #a :" + piece).left(CLineCutter::kMaxLine));
        QCOMPARE(lines.at(2), QByteArray("next"));
        QCOMPARE(c.Pending(), QByteArray("\n")); // the last line end, kept as the cutter keeps it
        // The same line arriving whole in one chunk is cut the same way.
        lines = cutAll({"PRIVMSG #a :" + piece + piece + "\nnext\n"});
        QCOMPARE(lines.at(0).size(), CLineCutter::kMaxLine);
        QCOMPARE(lines.last(), QByteArray("next"));
    }

    void boundsTheLinesWaitingWhileAHandlerRuns()
    {
        CLineCutter c;
        c.Append("first\n");
        QList<QByteArray> lines;
        const QByteArray line(999, 'y');
        c.Cut([&](const QByteArray &l) {
            lines << l;
            // A handler that does not return while 10 MB of lines arrive.
            if (l == "first")
                for (int i = 0; i < 10000; ++i)
                    c.Append(line + "\n");
        });
        QVERIFY(c.Pending().size() <= CLineCutter::kMaxPending);
        c.Cut([&](const QByteArray &l) { lines << l; });
        c.Append("PING :after\n");
        c.Cut([&](const QByteArray &l) { lines << l; });
        lines.removeAll(QByteArray());
        // Whole lines only, and the flow goes on once there is room again.
        QVERIFY(lines.size() > 1000 && lines.size() < 1100);
        for (qsizetype i = 1; i + 1 < lines.size(); ++i)
            QCOMPARE(lines.at(i), line);
        QCOMPARE(lines.last(), QByteArray("PING :after"));
    }
};

QTEST_APPLESS_MAIN(TestLineCutter)
#include "test_linecutter.moc"
