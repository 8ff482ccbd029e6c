// What the running client wires beside the core: finger windows joining the window
// map and tabs, and the typed-lines seam that drives a client from a file.

#include "chat/app/clientwiring.h"
#include "chat/app/typedlines.h"
#include "chat/finger/fingerview.h"
#include "tests/chat/dcc/dccwindowsrig.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestClientWiring : public QObject {
    Q_OBJECT
private slots:
    void fingerWindowJoinsAndLeavesTheWindowList()
    {
        ferry::test::TestEnv env;
        DccSide me(QStringLiteral("me"));
        WireFinger(me.app, me.frame);
        const QString title = QStringLiteral("Finger: alice@127.0.0.1");

        me.app.ProcessInput(QStringLiteral("/finger alice@127.0.0.1"));
        auto *window = me.find<tavern::CFingerFrame>(title);
        QVERIFY(window);
        QVERIFY(me.hasTab(title));
        QVERIFY(me.inWindowMap(title));
        QCOMPARE(me.frame.GetSelectedTabText(), title);

        // Its tab brings it back after another window took the front.
        me.frame.windowArea()->setActiveSubWindow(me.frame.frameFor(QStringLiteral("Server")));
        emit me.frame.tabBar()->windowTabChosen(title);
        QCOMPARE(me.frame.windowArea()->currentSubWindow(), window);

        window->close();
        QTRY_VERIFY(!me.find<tavern::CFingerFrame>(title));
        QTRY_VERIFY(!me.hasTab(title));
        QVERIFY(!me.inWindowMap(title));
    }

    void typedLinesAreCutAndAddressed()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("typed.txt"));
        QVERIFY(writeFileBytes(path, "/join #x\r\nDCC Chat bob\thello\tthere\n#x\tpart", QIODevice::Append));
        CTypedLinesFeed feed(path);
        QSignalSpy typed(&feed, &CTypedLinesFeed::lineTyped);
        feed.Poll();
        QCOMPARE(typed.size(), 2);
        QCOMPARE(typed.at(0), (QVariantList{QString(), QStringLiteral("/join #x")}));
        QCOMPARE(typed.at(1), (QVariantList{QStringLiteral("DCC Chat bob"), QStringLiteral("hello\tthere")}));

        // The unfinished line waits for its end; blank lines type nothing.
        QVERIFY(writeFileBytes(path, "ial\n\n", QIODevice::Append));
        feed.Poll();
        QCOMPARE(typed.size(), 3);
        QCOMPARE(typed.at(2), (QVariantList{QStringLiteral("#x"), QStringLiteral("partial")}));
        feed.Poll();
        QCOMPARE(typed.size(), 3);

        // A file written anew is read from its start.
        QFile::remove(path);
        QVERIFY(writeFileBytes(path, "again\n", QIODevice::Append));
        feed.Poll();
        QCOMPARE(typed.size(), 4);
        QCOMPARE(typed.at(3), (QVariantList{QString(), QStringLiteral("again")}));
    }

    void typedLinesReachDccChatWindows()
    {
        ferry::test::TestEnv env;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("typed.txt"));
        QVERIFY(writeFileBytes(path, "", QIODevice::Append));
        qputenv(CTypedLinesFeed::kVariable, path.toUtf8());
        DccSide me(QStringLiteral("me"));
        QObject owner;
        WireTypedLines(me.app, me.frame, &owner);
        qunsetenv(CTypedLinesFeed::kVariable);
        auto *feed = owner.findChild<CTypedLinesFeed *>();
        QVERIFY(feed);

        me.app.ProcessInput(QStringLiteral("/dcc chat bob"));
        QVERIFY(me.chat(QStringLiteral("DCC Chat bob")));
        QVERIFY(writeFileBytes(path, "DCC Chat bob\t/join #lanway\n/who\nno such window\t/quit\n", QIODevice::Append));
        feed->Poll();
        // The DCC window's command and the Server window's line reach the interpreter
        // in order; a line for a window that is not open is dropped.
        QCOMPARE(me.commands, (QStringList{"/join #lanway", "/who"}));
    }
};

QTEST_MAIN(TestClientWiring)
#include "test_clientwiring.moc"
