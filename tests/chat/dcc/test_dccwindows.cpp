// DCC chat and transfer windows offscreen: two clients in one process offer,
// accept, talk and send files to each other over loopback.

#include "chat/core/colorref.h"
#include "chat/dcc/dccchatsession.h"
#include "chat/dcc/dcctransfer.h"
#include "tests/chat/dcc/dccwindowsrig.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

namespace {

QColor colourOfLine(tavern::CMessageView *view, const QString &text)
{
    view->flush();
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next())
        if (b.text() == text)
            return b.begin().fragment().charFormat().foreground().color();
    return QColor();
}

void typeLine(tavern::CInputLine *input, const QString &text)
{
    QTest::keyClicks(input, text);
    QTest::keyClick(input, Qt::Key_Return);
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    return writeFileBytes(dir.filePath(name), data) ? dir.filePath(name) : QString();
}

} // namespace

class TestDccWindows : public QObject {
    Q_OBJECT
private slots:
    void chatBetweenTwoWindows()
    {
        ferry::test::TestEnv env;
        DccSide alice(QStringLiteral("alice"));
        DccSide bob(QStringLiteral("bob"));
        env.setAnswers({QStringLiteral("yes")});

        alice.app.ProcessInput(QStringLiteral("/dcc chat bob"));
        QVERIFY(alice.sent.last().startsWith(QStringLiteral("PRIVMSG bob :\x01" "DCC CHAT chat 2130706433 ")));
        CDCCCFrm *a = alice.chat(QStringLiteral("DCC Chat bob"));
        QVERIFY(a);
        QVERIFY(alice.hasTab(QStringLiteral("DCC Chat bob")));
        QVERIFY(alice.inWindowMap(QStringLiteral("DCC Chat bob")));
        QCOMPARE(alice.frame.GetSelectedTabText(), QStringLiteral("DCC Chat bob"));
        QCOMPARE(a->document()->m_strPeerNick, QStringLiteral("bob"));

        alice.deliverOfferTo(bob);
        QTRY_COMPARE(env.prompts().size(), 1);
        QCOMPARE(env.prompts().at(0).caption, QStringLiteral("DCC Chat"));
        QVERIFY(env.prompts().at(0).text.startsWith(
            QStringLiteral("alice is requesting a DCC chat. Do you want to accept?\n(The offer comes from 127.0.0.1, port ")));
        QTRY_VERIFY(bob.chat(QStringLiteral("DCC Chat alice")));
        CDCCCFrm *b = bob.chat(QStringLiteral("DCC Chat alice"));
        QVERIFY(b);
        QVERIFY(bob.hasTab(QStringLiteral("DCC Chat alice")));
        QTRY_COMPARE(alice.chatLines(QStringLiteral("DCC Chat bob")),
                     (QStringList{"Attempting to establish DCC Connection...", "Connection established..."}));
        QTRY_COMPARE(bob.chatLines(QStringLiteral("DCC Chat alice")),
                     (QStringList{"Attempting to establish DCC Connection...", "Connection established..."}));

        // Lines, actions and markup-looking text, typed in the input lines.
        typeLine(a->inputLine(), QStringLiteral("hello bob"));
        QTRY_COMPARE(bob.chatLines(QStringLiteral("DCC Chat alice")).last(), QStringLiteral("<alice> hello bob"));
        typeLine(b->inputLine(), QStringLiteral("/ME waves"));
        typeLine(b->inputLine(), QStringLiteral("<b>not bold</b>"));
        const QStringList bobSees{"Attempting to establish DCC Connection...", "Connection established...",
                                  "<alice> hello bob", "* bob waves", "<bob> <b>not bold</b>"};
        QTRY_COMPARE(bob.chatLines(QStringLiteral("DCC Chat alice")), bobSees);
        QTRY_COMPARE(alice.chatLines(QStringLiteral("DCC Chat bob")).mid(2), bobSees.mid(2));
        const CChatSettings &s = alice.app.m_Settings;
        QCOMPARE(colourOfLine(a->view(), QStringLiteral("* bob waves")), tavern::colorFromRef(s.Action));
        QCOMPARE(colourOfLine(a->view(), QStringLiteral("<bob> <b>not bold</b>")), tavern::colorFromRef(s.Normal));
        QCOMPARE(colourOfLine(a->view(), QStringLiteral("Connection established...")), tavern::colorFromRef(s.Status));

        // A command typed there runs as a command with no target and does not reach the peer.
        typeLine(b->inputLine(), QStringLiteral("/join #descent"));
        QCOMPARE(bob.commands, QStringList{"/join #descent"});
        QTest::qWait(50);
        QVERIFY(!alice.chatLines(QStringLiteral("DCC Chat bob")).join(u'\n').contains(QLatin1String("descent")));

        // Lines printed to the window by name reach it through the window map.
        alice.app.PrintLine(QStringLiteral("note"), s.Status, QStringLiteral("DCC Chat bob"));
        QCOMPARE(alice.chatLines(QStringLiteral("DCC Chat bob")).last(), QStringLiteral("note"));

        // Bob closes his window: it leaves his map and tabs; Alice's stays and says so.
        b->close();
        QTRY_VERIFY(!bob.chat(QStringLiteral("DCC Chat alice")));
        QVERIFY(!bob.hasTab(QStringLiteral("DCC Chat alice")));
        QVERIFY(!bob.inWindowMap(QStringLiteral("DCC Chat alice")));
        QTRY_COMPARE(alice.chatLines(QStringLiteral("DCC Chat bob")).last(), QStringLiteral("Chat Connection closed."));
        QVERIFY(alice.chat(QStringLiteral("DCC Chat bob")));
        // Typed after the close: lost without a message, no crash.
        typeLine(a->inputLine(), QStringLiteral("anyone?"));
        QCOMPARE(alice.chatLines(QStringLiteral("DCC Chat bob")).last(), QStringLiteral("<alice> anyone?"));
    }

    void tabsActivateChatWindows()
    {
        ferry::test::TestEnv env;
        DccSide alice(QStringLiteral("alice"));
        alice.app.ProcessInput(QStringLiteral("/dcc chat bob"));
        alice.app.ProcessInput(QStringLiteral("/dcc chat carol"));
        CDCCCFrm *bob = alice.chat(QStringLiteral("DCC Chat bob"));
        CDCCCFrm *carol = alice.chat(QStringLiteral("DCC Chat carol"));
        QVERIFY(bob && carol);
        QCOMPARE(alice.frame.windowArea()->currentSubWindow(), carol);

        emit alice.frame.tabBar()->windowTabChosen(QStringLiteral("DCC Chat bob"));
        QCOMPARE(alice.frame.windowArea()->currentSubWindow(), bob);
        // The menu's buffer command works on the DCC chat window in front.
        alice.frame.action(QStringLiteral("&Clear Buffer"))->trigger();
        QVERIFY(alice.chatLines(QStringLiteral("DCC Chat bob")).isEmpty());
        QCOMPARE(alice.chatLines(QStringLiteral("DCC Chat carol")).size(), 1);
        alice.frame.windowArea()->setActiveSubWindow(carol);
        QCOMPARE(alice.frame.GetSelectedTabText(), QStringLiteral("DCC Chat carol"));

        // An unanswered offer leaves the window listening until it is closed.
        QCOMPARE(alice.chatLines(QStringLiteral("DCC Chat carol")),
                 QStringList{"Attempting to establish DCC Connection..."});
        carol->close();
        QTRY_VERIFY(!alice.chat(QStringLiteral("DCC Chat carol")));
        QVERIFY(!alice.hasTab(QStringLiteral("DCC Chat carol")));
        QVERIFY(alice.hasTab(QStringLiteral("DCC Chat bob")));
    }

    void closingTheMainWindowLeavesNoWindowBehind()
    {
        ferry::test::TestEnv env;
        DccSide alice(QStringLiteral("alice"));
        alice.app.ProcessInput(QStringLiteral("/dcc chat bob"));
        QVERIFY(alice.inWindowMap(QStringLiteral("DCC Chat bob")));
        alice.frame.close();
        QTRY_VERIFY(!alice.chat(QStringLiteral("DCC Chat bob")));
        QTRY_VERIFY(!alice.inWindowMap(QStringLiteral("DCC Chat bob")));
        QVERIFY(alice.app.ChannelDocs().isEmpty()); // walks the map's documents
    }

    void fileArrivesAndBothWindowsClose_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("one block") << 1024;
        QTest::newRow("three blocks") << 2500;
        QTest::newRow("many blocks") << 300 * 1024 + 17;
    }
    void fileArrivesAndBothWindowsClose()
    {
        QFETCH(int, size);
        ferry::test::TestEnv env;
        QTemporaryDir dir;
        DccSide alice(QStringLiteral("alice"));
        DccSide bob(QStringLiteral("bob"));
        const QByteArray data = filePattern(size, 7);
        const QString source = writeFile(dir, QStringLiteral("map pack.zip"), data);
        const QString target = dir.filePath(QStringLiteral("received.zip"));
        env.setAnswers({QStringLiteral("yes"), QStringLiteral("file:") + target});

        alice.app.ProcessInput(QStringLiteral("/dcc send bob ") + source);
        QVERIFY(alice.sent.last().startsWith(QStringLiteral("PRIVMSG bob :\x01" "DCC send map_pack.zip 2130706433 ")));
        CDCCFFrm *sending = alice.transfer(QStringLiteral("DCC Send: bob"));
        QVERIFY(sending);
        QCOMPARE(sending->windowTitle(), QStringLiteral("DCC Send: bob"));
        QCOMPARE(sending->view()->FileNameText(), source);
        QCOMPARE(sending->view()->StatusText(), QStringLiteral("0 bytes sent"));
        QCOMPARE(sending->geometry(), QRect(5, 5, 215, 130));
        QVERIFY(alice.inWindowMap(QStringLiteral("DCC Send: bob")));
        QVERIFY(!alice.hasTab(QStringLiteral("DCC Send: bob")));

        // The receiving window may come and go quickly: it is read when its transfer ends.
        QString receivingShows;
        QObject::connect(bob.handOver, &CDCCHandOver::transferOpened, [&](CDCCTransfer *t) {
            QObject::connect(t, &CDCCTransfer::finished, [&] {
                if (CDCCFFrm *receiving = bob.transfer(QStringLiteral("DCC Receive: alice")))
                    receivingShows = receiving->view()->FileNameText();
            });
        });
        alice.deliverOfferTo(bob);
        QTRY_COMPARE(env.prompts().size(), 2);
        QCOMPARE(env.prompts().at(0).caption, QStringLiteral("DCC File"));
        QVERIFY(env.prompts().at(0).text.startsWith(
            QStringLiteral("alice is sending you a file called map_pack.zip. Do you want to receive it?\n"
                           "(The offer comes from 127.0.0.1, port ")));
        QTRY_COMPARE_WITH_TIMEOUT(receivingShows, target, 10000);

        const QString doneAlice = QStringLiteral("** Transfer of file %1 completed succesfully").arg(source);
        const QString doneBob = QStringLiteral("** Transfer of file %1 completed succesfully").arg(target);
        QTRY_VERIFY_WITH_TIMEOUT(bob.serverLines().contains(doneBob), 10000);
        QVERIFY(alice.serverLines().contains(doneAlice));
        QCOMPARE(readFileBytes(target), data);
        QTRY_VERIFY(!alice.transfer(QStringLiteral("DCC Send: bob")));
        QTRY_VERIFY(!bob.transfer(QStringLiteral("DCC Receive: alice")));
        QVERIFY(!alice.inWindowMap(QStringLiteral("DCC Send: bob")));
        QVERIFY(!bob.inWindowMap(QStringLiteral("DCC Receive: alice")));
    }

    void emptyFileIsNotOffered()
    {
        ferry::test::TestEnv env;
        QTemporaryDir dir;
        DccSide alice(QStringLiteral("alice"));
        const QString source = writeFile(dir, QStringLiteral("empty.txt"), QByteArray());

        // Nothing to send, and no receiver would take it: no offer, no window, one line.
        alice.app.ProcessInput(QStringLiteral("/dcc send bob ") + source);
        QTRY_COMPARE(alice.serverLines().filter(QStringLiteral("** File %1 is empty: there is nothing to send").arg(source)).size(), 1);
        QCoreApplication::processEvents();
        QVERIFY(env.prompts().isEmpty());
        QVERIFY(alice.sent.filter(QStringLiteral("PRIVMSG")).isEmpty());
        QVERIFY(!alice.transfer(QStringLiteral("DCC Send: bob")));
    }

    void closingAWaitingSendWindowWithdrawsIt()
    {
        ferry::test::TestEnv env;
        QTemporaryDir dir;
        DccSide alice(QStringLiteral("alice"));
        const QString source = writeFile(dir, QStringLiteral("a.txt"), "abc");
        alice.app.ProcessInput(QStringLiteral("/dcc send bob ") + source);
        CDCCFFrm *sending = alice.transfer(QStringLiteral("DCC Send: bob"));
        QVERIFY(sending);
        const quint16 port = quint16(alice.sent.last().trimmed().remove(QChar(0x01)).split(u' ').value(5).toUInt());
        QVERIFY(port != 0);

        sending->close();
        QTRY_VERIFY(!alice.transfer(QStringLiteral("DCC Send: bob")));
        QVERIFY(!alice.inWindowMap(QStringLiteral("DCC Send: bob")));
        // Nobody listens for the receiver any more.
        QTcpSocket late;
        late.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(!late.waitForConnected(2000) || !late.waitForReadyRead(200));
        QVERIFY(alice.serverLines().filter(QStringLiteral("a.txt")).isEmpty());
    }

    void progressBarCountsKilobytes()
    {
        QCOMPARE(CDCCFView::ProgressMaximum(0), 1);
        QCOMPARE(CDCCFView::ProgressValue(0, 0), 0);
        QCOMPARE(CDCCFView::ProgressMaximum(500), 1);
        QCOMPARE(CDCCFView::ProgressValue(499, 500), 0);
        QCOMPARE(CDCCFView::ProgressValue(500, 500), 1);
        QCOMPARE(CDCCFView::ProgressMaximum(2500), 2);
        QCOMPARE(CDCCFView::ProgressValue(2048, 2500), 2);
        // Beyond 16 bits of kilobytes the bar still reaches its end.
        QCOMPARE(CDCCFView::ProgressMaximum(0xFFFFFFFFu), int(0xFFFFFFFFu / 1024));
        QCOMPARE(CDCCFView::ProgressValue(0xFFFFFFFFu, 0xFFFFFFFFu), int(0xFFFFFFFFu / 1024));
        // Beyond what the bar's range holds in kilobytes it counts megabytes.
        constexpr std::uint64_t kFiveTiB = std::uint64_t(5) << 40;
        QCOMPARE(CDCCFView::ProgressMaximum(kFiveTiB), int(kFiveTiB >> 20));
        QCOMPARE(CDCCFView::ProgressValue(kFiveTiB / 2, kFiveTiB), int(kFiveTiB >> 21));
    }

    void unreadableFileOpensNoWindow()
    {
        ferry::test::TestEnv env;
        DccSide alice(QStringLiteral("alice"));
        const int before = int(alice.frame.windowArea()->subWindowList().size());
        alice.app.ProcessInput(QStringLiteral("/dcc send bob /no/such/file.bin"));
        QTRY_COMPARE(env.prompts().size(), 1);
        QCOMPARE(env.prompts().at(0).text, QStringLiteral("Unable to open file!"));
        QCOMPARE(env.prompts().at(0).caption, QStringLiteral("Error"));
        QCOMPARE(int(alice.frame.windowArea()->subWindowList().size()), before);
        QVERIFY(alice.sent.isEmpty());
    }
};

QTEST_MAIN(TestDccWindows)
#include "test_dccwindows.moc"
