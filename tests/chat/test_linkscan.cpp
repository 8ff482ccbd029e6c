// Link detection, link actions, the profanity filter and window log files: the
// widget-free parts of the message view.

#include "chat/core/linkscan.h"
#include "chat/core/profanity.h"
#include "chat/core/windowlog.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace tavern;

namespace {

QStringList linkTexts(const QString &line, bool merged = false)
{
    QStringList out;
    for (const LinkSpan &s : merged ? mergedLinks(line) : findLinks(line))
        out << line.mid(s.start, s.end - s.start);
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestLinkScan : public QObject {
    Q_OBJECT
private slots:
    void findsLinks_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("links");
        QTest::newRow("ends before paren") << "(see http://a.b/c) now" << QStringList{"http://a.b/c"};
        QTest::newRow("ends at blank and line end")
            << "go ftp://x/y and mailto:me@h" << QStringList{"ftp://x/y", "mailto:me@h"};
        QTest::newRow("upper-case prefix") << "HTTP://WWW.X.COM" << QStringList{"HTTP://WWW.X.COM"};
        QTest::newRow("two of one prefix") << "http:a http:b" << QStringList{"http:a", "http:b"};
        QTest::newRow("prefix inside a word") << "xxfinger:bob@h" << QStringList{"finger:bob@h"};
        QTest::newRow("bare prefix") << "finger:" << QStringList{"finger:"};
        QTest::newRow("file link") << "GetFile:a.zip@nick offered" << QStringList{"GetFile:a.zip@nick"};
        QTest::newRow("no link") << "http ftp mail" << QStringList{};
        QTest::newRow("prefix order, not position") << "ftp:1 http:2" << QStringList{"http:2", "ftp:1"};
        QTest::newRow("non-latin text around") << "İİ http:ü ßfinger:x" << QStringList{"http:ü", "finger:x"};
    }
    void findsLinks()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, links);
        QCOMPARE(linkTexts(line), links);
    }

    void mergesOverlappingLinks()
    {
        // "ftp:" inside an http link is found again, but only one run is underlined.
        QCOMPARE(linkTexts("http:ftp:x y", false), (QStringList{"http:ftp:x", "ftp:x"}));
        QCOMPARE(linkTexts("http:ftp:x y ftp:z", true), (QStringList{"http:ftp:x", "ftp:z"}));
    }

    // Random lines built from prefix pieces, blanks, parentheses and odd characters:
    // every link lies inside the line, starts with a prefix and holds no blank or ')',
    // and the merged runs are sorted and apart.
    void randomLinesGiveWellFormedLinks()
    {
        const QStringList pieces{"http:", "FTP:", "fInGeR:", "getfile:", "mailto:", " ", ")", "(",
                                 "x", "@", "ß", QString(QChar(0x130)), "htt", "p:"};
        QRandomGenerator rng(97);
        for (int round = 0; round < 2000; ++round) {
            QString line;
            for (int n = rng.bounded(12); n > 0; --n)
                line += pieces[rng.bounded(int(pieces.size()))];
            for (const LinkSpan &l : findLinks(line)) {
                QVERIFY(l.start >= 0 && l.start < l.end && l.end <= line.size());
                const QString text = line.mid(l.start, l.end - l.start);
                QVERIFY2(!text.contains(u' ') && !text.contains(u')'), qPrintable(line));
                bool prefixed = false;
                for (const char *p : kLinkPrefixes)
                    prefixed = prefixed || text.startsWith(QLatin1String(p), Qt::CaseInsensitive);
                QVERIFY2(prefixed, qPrintable(line));
            }
            const QList<LinkSpan> merged = mergedLinks(line);
            for (qsizetype i = 1; i < merged.size(); ++i)
                QVERIFY(merged[i - 1].end < merged[i].start);
        }
    }

    void linkActions_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("argument");
        QTest::newRow("finger") << "finger:bob@host" << int(LinkAction::Command) << "/finger bob@host";
        QTest::newRow("finger, prefix only") << "finger:" << int(LinkAction::Command) << "/finger ";
        QTest::newRow("finger, other case") << "FINGER:bob@h" << int(LinkAction::Open) << "FINGER:bob@h";
        QTest::newRow("file request")
            << "GetFile:a.zip@nick" << int(LinkAction::Command) << "/ctcp nick FILEREQ a.zip";
        QTest::newRow("8th character not looked at")
            << "GetFile=a.zip@nick" << int(LinkAction::Command) << "/ctcp nick FILEREQ a.zip";
        QTest::newRow("file link without at") << "GetFile:a.zip" << int(LinkAction::None) << "";
        QTest::newRow("at right after prefix")
            << "GetFile@nick" << int(LinkAction::Command) << "/ctcp nick FILEREQ ";
        QTest::newRow("lower-case file link") << "getfile:a@b" << int(LinkAction::Open) << "getfile:a@b";
        QTest::newRow("web, unchanged") << "HTTP://X.Y/Z" << int(LinkAction::Open) << "HTTP://X.Y/Z";
    }
    void linkActions()
    {
        QFETCH(QString, link);
        QFETCH(int, kind);
        QFETCH(QString, argument);
        const LinkAction a = actionForLink(link);
        QCOMPARE(int(a.kind), kind);
        QCOMPARE(a.argument, argument);
    }

    void profanity()
    {
        const QStringList words = defaultProfanityWords();
        QVERIFY(containsProfanity(u"SHITake mushrooms", words));
        QVERIFY(containsProfanity(u"what the fUcK", words));
        QVERIFY(!containsProfanity(u"shi t fu ck", words));
        QVERIFY(!containsProfanity(u"anything", {QString()}));
        QVERIFY(containsProfanity(u"darn it", {"darn"}));
    }

    void logFileNames_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("file");
        QTest::newRow("channel keeps #") << "#descent" << "#descent";
        QTest::newRow("server") << "Server" << "Server";
        QTest::newRow("traversal") << "../../etc/passwd" << "etcpasswd";
        QTest::newRow("backslash") << "..\\x\\y" << "xy";
        QTest::newRow("hidden") << ".bashrc" << "bashrc";
        QTest::newRow("control chars") << QString("a\nb\tc") << "abc";
        QTest::newRow("nothing left") << "./.." << "_";
    }
    void logFileNames()
    {
        QFETCH(QString, window);
        QFETCH(QString, file);
        QCOMPARE(logFileNameFor(window), file);
    }

    void logAppendsAcrossOpens()
    {
        QTemporaryDir dir;
        WindowLog log;
        QVERIFY(log.open(dir.path(), "#chan"));
        QCOMPARE(log.path(), dir.filePath("#chan"));
        log.writeLine("one");
        log.writeLine(QString::fromUtf8("zwei ü"));
        // Written through at once: visible before the log is closed.
        QCOMPARE(readAll(dir.filePath("#chan")), QByteArray("one\nzwei \xc3\xbc\n"));
        log.close();
        QVERIFY(log.open(dir.path(), "#chan"));
        log.writeLine("three");
        log.close();
        log.writeLine("after close"); // ignored
        QCOMPARE(readAll(dir.filePath("#chan")), QByteArray("one\nzwei \xc3\xbc\nthree\n"));

        // A missing folder is made; one that cannot be (a file in the way) fails the open.
        QVERIFY(log.open(dir.filePath("logs/made"), "#chan"));
        QVERIFY(QFile::exists(dir.filePath("logs/made/#chan")));
        QFile blocker(dir.filePath("blocked"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        QVERIFY(!log.open(dir.filePath("blocked/logs"), "#chan"));
        QVERIFY(!log.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestLinkScan)
#include "test_linkscan.moc"
