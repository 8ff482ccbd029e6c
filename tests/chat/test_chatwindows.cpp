// The chat windows, tab bar, user list and channel list with a real application
// object and main frame on the offscreen screen; server lines are fed to the core.

#include "chat/dcc/dccfilewindow.h"
#include "chat/dcc/dcctransfer.h"
#include "chat/windows/channellistdlg.h"
#include "chat/windows/chanulist.h"
#include "chat/windows/windowplacement.h"
#include "chat/windows/windowdump.h"
#include "chat/windows/windowtabs.h"
#include "common/profile.h"
#include "tests/chat/chatwindowsclient.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace tavern;

namespace {

const QColor kRed(255, 0, 0);

QStringList sentLines(const QSignalSpy &spy)
{
    QStringList out;
    for (const auto &args : spy)
        out << QString::fromUtf8(args.at(0).toByteArray()).trimmed();
    return out;
}

QColor tabColour(const WindowedClient &c, const QString &name)
{
    CWindowTabBar *tabs = c.frame.tabBar();
    return tabs->tabTextColor(tabs->findWindowTab(name));
}

} // namespace

class TestChatWindows : public QObject {
    Q_OBJECT
private slots:
    void windowsAreMadeByNameWithTheirKinds()
    {
        WindowedClient c;
        CChatFrame *server = c.window(QStringLiteral("Server"));
        QVERIFY(server);
        QCOMPARE(server->windowTitle(), QStringLiteral("Server"));
        QVERIFY(!server->userList());

        c.feed(QStringLiteral(":me!u@h JOIN #Lanway"));
        QVERIFY(c.app.Windows().Contains(QStringLiteral("#lanway")));
        QVERIFY(c.app.FindChannel(QStringLiteral("#LANWAY")));
        CChatFrame *chan = c.window(QStringLiteral("#lanway"));
        QVERIFY(chan);
        QCOMPARE(chan->windowTitle(), QStringLiteral("#Lanway"));
        QVERIFY(chan->userList());
        QCOMPARE(c.frame.GetSelectedTabText(), QStringLiteral("#Lanway"));
        QVERIFY(c.shown(QStringLiteral("Server")).contains(QStringLiteral("Attemping to Join channel...")));

        // Routing ignores case: a line for "#LANWAY" lands in the one channel window.
        c.feed(QStringLiteral(":bob!u@h PRIVMSG #LANWAY :hello there"));
        QVERIFY(c.shown(QStringLiteral("#Lanway")).contains(QStringLiteral("<bob> hello there")));

        // A private line opens a private window named as the sender wrote it.
        c.feed(QStringLiteral(":Bob!u@h PRIVMSG me :psst"));
        CChatFrame *priv = c.window(QStringLiteral("Bob"));
        QVERIFY(priv);
        QCOMPARE(priv->windowTitle(), QStringLiteral("Bob"));
        QVERIFY(!priv->userList());
        QVERIFY(c.shown(QStringLiteral("Bob")).contains(QStringLiteral("<Bob> psst")));

        // OpenPrivateWindow finds the open one without regard to case, else opens one.
        const int before = c.windowCount();
        c.app.OpenPrivateWindow(QStringLiteral("BOB"));
        QCOMPARE(c.windowCount(), before);
        c.app.OpenPrivateWindow(QStringLiteral("carol"));
        QCOMPARE(c.windowCount(), before + 1);
        QCOMPARE(c.frame.activeChatFrame(), c.window(QStringLiteral("carol")));
        QCOMPARE(c.frame.GetSelectedTabText(), QStringLiteral("carol"));
    }

    void topicAndModesMakeTheTitle()
    {
        WindowedClient c;
        c.feed(QStringLiteral(":me!u@h JOIN #descent"));
        c.feed(QStringLiteral(":irc.test 331 me #descent :No topic is set"));
        QCOMPARE(c.window(QStringLiteral("#descent"))->windowTitle(), QStringLiteral("#descent - No Topic"));
        c.feed(QStringLiteral(":irc.test 332 me #descent :Anarchy at eight"));
        QCOMPARE(c.window(QStringLiteral("#descent"))->windowTitle(), QStringLiteral("#descent - Topic: Anarchy at eight"));
        c.feed(QStringLiteral(":irc.test 324 me #descent +tn"));
        QCOMPARE(c.window(QStringLiteral("#descent"))->windowTitle(),
                 QStringLiteral("#descent[+tn] - Topic: Anarchy at eight"));
    }

    void tabTurnsRedForUnseenLinesUntilSelected()
    {
        WindowedClient c;
        c.feed(QStringLiteral(":me!u@h JOIN #lanway"));
        QCOMPARE(c.frame.GetSelectedTabText(), QStringLiteral("#lanway"));
        const QColor normal = tabColour(c, QStringLiteral("#lanway"));
        QVERIFY(normal != kRed);

        c.feed(QStringLiteral(":irc.test 372 me :- server news"));
        QCOMPARE(tabColour(c, QStringLiteral("Server")), kRed);
        c.feed(QStringLiteral(":bob!u@h PRIVMSG #lanway :seen at once"));
        QCOMPARE(tabColour(c, QStringLiteral("#lanway")), normal);

        // The user picks the Server tab: its window comes up and the mark goes.
        CWindowTabBar *tabs = c.frame.tabBar();
        tabs->setCurrentIndex(tabs->findWindowTab(QStringLiteral("Server")));
        QCOMPARE(c.frame.activeChatFrame(), c.window(QStringLiteral("Server")));
        QVERIFY(!c.app.HasUnseenLines(QStringLiteral("Server")));
        QCOMPARE(tabColour(c, QStringLiteral("Server")), normal);

        // Activating a window selects its tab and clears its mark too.
        c.feed(QStringLiteral(":bob!u@h PRIVMSG #lanway :while away"));
        QCOMPARE(tabColour(c, QStringLiteral("#lanway")), kRed);
        c.frame.windowArea()->setActiveSubWindow(c.window(QStringLiteral("#lanway")));
        QCOMPARE(c.frame.GetSelectedTabText(), QStringLiteral("#lanway"));
        QCOMPARE(tabColour(c, QStringLiteral("#lanway")), normal);
    }

    void tabLookupsIgnoreCaseAndTakeTheFirst()
    {
        CWindowTabBar tabs;
        tabs.AddWindowTab(QStringLiteral("Server"));
        tabs.AddWindowTab(QStringLiteral("Bob"));
        tabs.AddWindowTab(QStringLiteral("bob"));
        QCOMPARE(tabs.GetSelectedTabText(), QStringLiteral("bob"));
        tabs.SelectWindowTab(QStringLiteral("BOB"));
        QCOMPARE(tabs.currentIndex(), 1);
        tabs.RemoveWindowTab(QStringLiteral("bOB"));
        QCOMPARE(tabs.count(), 2);
        QCOMPARE(tabs.tabText(1), QStringLiteral("bob"));
        tabs.AddWindowTab(QString(400, u'x'));
        QCOMPARE(tabs.GetSelectedTabText().size(), 300);
    }

    void closingWindowsFollowTheirKind()
    {
        WindowedClient c;
        QSignalSpy sent(&c.app, &CTavernwApp::lineSent);
        c.feed(QStringLiteral(":me!u@h JOIN #Lanway"));
        c.feed(QStringLiteral(":me!u@h JOIN #other"));

        // The Server window stays while the program runs.
        QVERIFY(!c.window(QStringLiteral("Server"))->close());
        QVERIFY(c.window(QStringLiteral("Server")));

        QVERIFY(c.window(QStringLiteral("#Lanway"))->close());
        QVERIFY(c.shown(QStringLiteral("Server")).contains(QStringLiteral("* Leaving channel #Lanway")));
        QCOMPARE(sentLines(sent), QStringList{QStringLiteral("PART #Lanway")});
        QVERIFY(!c.app.FindChannel(QStringLiteral("#lanway")));
        QCOMPARE(c.frame.tabBar()->findWindowTab(QStringLiteral("#Lanway")), -1);
        QTRY_VERIFY(!c.window(QStringLiteral("#Lanway")));

        // A private window leaves quietly.
        c.feed(QStringLiteral(":bob!u@h PRIVMSG me :hi"));
        sent.clear();
        QVERIFY(c.window(QStringLiteral("bob"))->close());
        QVERIFY(sent.isEmpty());
        QVERIFY(!c.app.FindWindow(QStringLiteral("bob")));

        // Left by the user: the window stays, lists nobody and closes without a second PART.
        c.feed(QStringLiteral(":me!u@h JOIN #left"));
        c.feed(QStringLiteral(":irc.test 353 me = #left :me bob"));
        c.feed(QStringLiteral(":me!u@h PART #left"));
        QVERIFY(c.window(QStringLiteral("#left")));
        QVERIFY(c.window(QStringLiteral("#left"))->userList()->count() == 0);
        sent.clear();
        QVERIFY(c.window(QStringLiteral("#left"))->close());
        QVERIFY(sent.isEmpty());

        // Kicked out: the core drops the window, nothing is parted a second time.
        c.feed(QStringLiteral(":op!u@h KICK #other me :bye"));
        QTRY_VERIFY(!c.window(QStringLiteral("#other")));
        QVERIFY(!sentLines(sent).contains(QStringLiteral("PART #other")));

        // Quitting: the frame closes every window without parting.
        c.frame.close();
        QVERIFY(c.app.IsQuitting());
        QVERIFY(!sentLines(sent).contains(QStringLiteral("PART #other")));
        QCOMPARE(c.windowCount(), 0);
    }

    void typedTextGoesOutInTheWindowsContext()
    {
        WindowedClient c;
        QSignalSpy sent(&c.app, &CTavernwApp::lineSent);
        c.feed(QStringLiteral(":me!u@h JOIN #lanway"));
        QLineEdit *input = c.window(QStringLiteral("#lanway"))->inputLine();
        input->setText(QStringLiteral("who wants a game?"));
        QTest::keyClick(input, Qt::Key_Return);
        QVERIFY(input->text().isEmpty());
        QCOMPARE(sentLines(sent).last(), QStringLiteral("PRIVMSG #lanway :who wants a game?"));
        QVERIFY(c.shown(QStringLiteral("#lanway")).contains(QStringLiteral("<me> who wants a game?")));

        // In the Server window there is no target: commands go out, plain text does not.
        QLineEdit *serverInput = c.window(QStringLiteral("Server"))->inputLine();
        sent.clear();
        serverInput->setText(QStringLiteral("nobody hears this"));
        QTest::keyClick(serverInput, Qt::Key_Return);
        serverInput->setText(QStringLiteral("/whois bob"));
        QTest::keyClick(serverInput, Qt::Key_Return);
        QCOMPARE(sentLines(sent), QStringList{QStringLiteral("WHOIS bob")});

        // A runner plugged in later receives the text and the target.
        QStringList ran;
        c.frame.SetCommandRunner([&](const QString &t, const QString &target) { ran << target + u'|' + t; });
        input->setText(QStringLiteral("/me waves"));
        QTest::keyClick(input, Qt::Key_Return);
        c.frame.action(QStringLiteral("List &Users"))->trigger();
        QCOMPARE(ran, (QStringList{QStringLiteral("#lanway|/me waves"), QStringLiteral("|/who")}));
    }

    // Keys as a person types them: the active window's line has the keyboard from the
    // start, keys typed into a message view land there, a private message opening its
    // window mid-line neither splits nor steals the line.
    void typedKeysReachTheInputLineAndStayThere()
    {
        WindowedClient c;
        QSignalSpy sent(&c.app, &CTavernwApp::lineSent);
        c.frame.SetCommandRunner([&](const QString &t, const QString &target) { c.app.ProcessInput(t, target); });
        c.frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&c.frame));
        QTRY_COMPARE(QApplication::focusWidget(), c.window(QStringLiteral("Server"))->inputLine());

        c.feed(QStringLiteral(":me!u@h JOIN #lanway"));
        CChatFrame *chan = c.window(QStringLiteral("#lanway"));
        QCOMPARE(QApplication::focusWidget(), chan->inputLine());
        chan->view()->setFocus();
        QTest::keyClicks(chan->view(), QStringLiteral("hello wo"));
        QCOMPARE(chan->inputLine()->text(), QStringLiteral("hello wo"));
        QCOMPARE(QApplication::focusWidget(), chan->inputLine());

        c.feed(QStringLiteral(":bob!u@h PRIVMSG me :psst"));
        QVERIFY(c.window(QStringLiteral("bob")));
        QCOMPARE(c.frame.activeChatFrame(), chan);
        QCOMPARE(QApplication::focusWidget(), chan->inputLine());
        QCOMPARE(tabColour(c, QStringLiteral("bob")), kRed);
        QCOMPARE(c.frame.GetSelectedTabText(), QStringLiteral("#lanway"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("rld"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(sentLines(sent).last(), QStringLiteral("PRIVMSG #lanway :hello world"));

        // Up recalls the line; F7 pressed in the view sends its text; Tab fills in bob.
        QTest::keyClick(chan->inputLine(), Qt::Key_Up);
        QCOMPARE(chan->inputLine()->text(), QStringLiteral("hello world"));
        QTest::keyClick(chan->inputLine(), Qt::Key_Escape);
        c.app.m_Settings.FKeys[5] = QStringLiteral("/me is $USER");
        QTest::keyClick(chan->view(), Qt::Key_F7);
        QCOMPARE(sentLines(sent).last(), QStringLiteral("PRIVMSG #lanway :\x01" "ACTION is me\x01"));
        QTest::keyClick(chan->inputLine(), Qt::Key_Tab);
        QCOMPARE(chan->inputLine()->text(), QStringLiteral("/msg \"bob\" "));
        QTest::keyClicks(chan->inputLine(), QStringLiteral("hi"));
        QTest::keyClick(chan->inputLine(), Qt::Key_Return);
        QCOMPARE(sentLines(sent).last(), QStringLiteral("PRIVMSG bob :hi"));

        // "Clear the Active Window" empties the channel's view; a middle click on a tab
        // closes its window, except the Server window's.
        c.frame.action(QStringLiteral("Clear the Active Window"))->trigger();
        QCOMPARE(c.shown(QStringLiteral("#lanway")), QStringList{QString()});
        CWindowTabBar *tabs = c.frame.tabBar();
        QTest::mouseClick(tabs, Qt::MiddleButton, {}, tabs->tabRect(tabs->findWindowTab(QStringLiteral("bob"))).center());
        QTRY_VERIFY(!c.window(QStringLiteral("bob")));
        QTest::mouseClick(tabs, Qt::MiddleButton, {}, tabs->tabRect(tabs->findWindowTab(QStringLiteral("Server"))).center());
        QVERIFY(c.window(QStringLiteral("Server")));
    }

    // A transfer window comes and goes without touching the chat windows' layout or
    // which of them is active.
    void transferWindowLeavesTheLayoutAlone()
    {
        WindowedClient c;
        c.feed(QStringLiteral(":me!u@h JOIN #lanway"));
        CChatFrame *chan = c.window(QStringLiteral("#lanway"));
        const auto layout = [&] {
            QStringList out;
            for (QMdiSubWindow *w : c.frame.windowArea()->subWindowList())
                out << QStringLiteral("%1 %2 %3").arg(w->windowTitle()).arg(w->isMaximized()).arg(w->isVisible());
            return out;
        };
        const QStringList before = layout();
        QVERIFY(chan->isMaximized());
        CDCCFFrm *transfer = OpenDccFileWindow(new CDCCTransfer, c.frame);
        QVERIFY(!transfer->isMaximized());
        QCOMPARE(c.frame.activeChatFrame(), chan);
        QVERIFY(chan->isMaximized());
        QVERIFY(transfer->close());
        QTRY_COMPARE(c.frame.windowArea()->subWindowList().size(), 2);
        QCOMPARE(c.frame.activeChatFrame(), chan);
        QCOMPARE(layout(), before);
    }

    void placementIsStoredPerKindWithDefaults()
    {
        {
            // No tavern97.ini: a channel window opens maximized.
            WindowedClient c;
            c.feed(QStringLiteral(":me!u@h JOIN #a"));
            QVERIFY(c.window(QStringLiteral("#a"))->isMaximized());
        }
        {
            WindowedClient c;
            PrivateProfile ini(placementFile());
            ini.writeString(QStringLiteral("ChatWnd"), QStringLiteral("Maximized"), QStringLiteral("no"));
            // A maximized active window would take the next one maximized along.
            c.window(QStringLiteral("Server"))->showNormal();
            c.feed(QStringLiteral(":me!u@h JOIN #a"));
            CChatFrame *w = c.window(QStringLiteral("#a"));
            QVERIFY(!w->isMaximized());
            QCOMPARE(w->geometry(), QRect(0, 0, 511, 162));

            // A normal window stores its rectangle; the next of its kind opens there.
            w->setGeometry(QRect(10, 20, 300, 200));
            QVERIFY(w->close());
            QCOMPARE(ini.getInt(QStringLiteral("ChatWnd"), QStringLiteral("Left"), -1), 10);
            QCOMPARE(ini.getInt(QStringLiteral("ChatWnd"), QStringLiteral("Top"), -1), 20);
            QCOMPARE(ini.getInt(QStringLiteral("ChatWnd"), QStringLiteral("Right"), -1), 310);
            QCOMPARE(ini.getInt(QStringLiteral("ChatWnd"), QStringLiteral("Bottom"), -1), 220);
            QCOMPARE(ini.getString(QStringLiteral("ChatWnd"), QStringLiteral("Maximized")), QStringLiteral("FALSE"));
            c.feed(QStringLiteral(":me!u@h JOIN #b"));
            QCOMPARE(c.window(QStringLiteral("#b"))->geometry(), QRect(10, 20, 300, 200));

            // Closed while minimized: the flag is stored, the rectangle kept.
            c.window(QStringLiteral("#b"))->showMinimized();
            QVERIFY(c.window(QStringLiteral("#b"))->close());
            QCOMPARE(ini.getString(QStringLiteral("ChatWnd"), QStringLiteral("Minimized")), QStringLiteral("TRUE"));
            QCOMPARE(ini.getInt(QStringLiteral("ChatWnd"), QStringLiteral("Left"), -1), 10);
            c.feed(QStringLiteral(":me!u@h JOIN #c"));
            QVERIFY(c.window(QStringLiteral("#c"))->isMinimized());

            // Private windows have their own section: untouched defaults here.
            c.app.OpenPrivateWindow(QStringLiteral("bob"));
            QVERIFY(c.window(QStringLiteral("bob"))->isMaximized());

            // "true" in lower case counts as on.
            ini.writeString(QStringLiteral("ChatWnd"), QStringLiteral("Minimized"), QStringLiteral("false"));
            ini.writeString(QStringLiteral("ChatWnd"), QStringLiteral("Maximized"), QStringLiteral("true"));
            c.feed(QStringLiteral(":me!u@h JOIN #d"));
            QVERIFY(c.window(QStringLiteral("#d"))->isMaximized());
        }
    }

    void mainFramePlacement()
    {
        ferry::test::TestEnv env;
        PrivateProfile ini(placementFile());
        {
            // First start: the size of the defaults, the place left to the window manager.
            CMainFrame frame;
            QCOMPARE(frame.size(), QSize(636, 470));
            frame.show();
            frame.move(40, 50);
            frame.resize(700, 500);
            frame.close();
        }
        QCOMPARE(ReadPlacement(ini, kParentWndPlacement).rect, QRect(40, 50, 700, 500));
        {
            // Closed while maximized: the earlier rectangle stays.
            CMainFrame frame;
            QCOMPARE(QRect(frame.pos(), frame.size()), QRect(40, 50, 700, 500));
            frame.showMaximized();
            frame.close();
        }
        QCOMPARE(ReadPlacement(ini, kParentWndPlacement).rect, QRect(40, 50, 700, 500));

        // A stored place with the title bar off every screen comes back onto the screen.
        WriteRect(ini, kParentWndPlacement, QRect(-3000, -20, 700, 500));
        CMainFrame frame;
        QVERIFY(TitleBarOnScreen(frame.pos(), frame.width()));
        QCOMPARE(frame.size(), QSize(700, 500));
    }

    void userListShowsTheChannelInOrderWithMarks()
    {
        WindowedClient c;
        c.feed(QStringLiteral(":me!u@h JOIN #lanway"));
        c.feed(QStringLiteral(":irc.test 353 me = #lanway :me @Zed +carol bob"));
        CChanUList *list = c.window(QStringLiteral("#lanway"))->userList();
        QCOMPARE(list->itemTexts(), c.app.FindChannel(QStringLiteral("#lanway"))->Users().Items());
        QStringList sorted = list->itemTexts();
        std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        QCOMPARE(list->itemTexts(), sorted);
        QVERIFY(list->itemTexts().contains(QStringLiteral("@Zed")));

        QVERIFY(!list->AddUser(QStringLiteral("BOB")));
        QVERIFY(list->AddUser(QStringLiteral("@bob")));
        QVERIFY(list->itemTexts().contains(QStringLiteral("bob")));
        QVERIFY(list->RemoveUser(QStringLiteral("bob")));
        QVERIFY(!list->itemTexts().contains(QStringLiteral("@bob")));
        QVERIFY(list->itemTexts().contains(QStringLiteral("bob")));
        QVERIFY(!list->RemoveUser(QStringLiteral("nobody")));

        c.feed(QStringLiteral(":Zed!u@h MODE #lanway +v carol"));
        c.feed(QStringLiteral(":Zed!u@h MODE #lanway +o bob"));
        c.feed(QStringLiteral(":carol!u@h NICK :dave"));
        QVERIFY(list->itemTexts().contains(QStringLiteral("@bob")));
        QVERIFY(list->itemTexts().contains(QStringLiteral("+dave")));
        QVERIFY(!list->IsUserListed(QStringLiteral("carol")));

        // Selecting a user notes the nickname; double-click opens the private window.
        const auto found = list->findItems(QStringLiteral("+dave"), Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        list->setCurrentItem(found.first());
        QCOMPARE(c.app.FindChannel(QStringLiteral("#lanway"))->SelectedNick(), QStringLiteral("dave"));
        emit list->itemDoubleClicked(found.first());
        QVERIFY(c.window(QStringLiteral("dave")));

        // The selection survives other users coming.
        c.feed(QStringLiteral(":x!u@h JOIN #lanway"));
        QCOMPARE(list->currentItem()->text(), QStringLiteral("+dave"));
    }

    // The list follows the channel one edit at a time; after every kind of edit,
    // including a rename onto a nickname already there and modes for nicknames not
    // listed, it shows exactly the channel's users.
    void userListFollowsEveryEdit()
    {
        WindowedClient c;
        c.feed(QStringLiteral(":me!u@h JOIN #lanway"));
        CChanUList *list = c.window(QStringLiteral("#lanway"))->userList();
        const CTavernwDoc *doc = c.app.FindChannel(QStringLiteral("#lanway"));
        const QStringList modes{QStringLiteral("+o"), QStringLiteral("-o"), QStringLiteral("+v"), QStringLiteral("-v")};
        quint32 state = 7;
        const auto next = [&state](quint32 n) {
            state = state * 1103515245u + 12345u;
            return (state >> 16) % n;
        };
        for (int step = 0; step < 400; ++step) {
            const QString nick = QStringLiteral("u%1").arg(next(12));
            switch (next(5)) {
            case 0: c.feed(QStringLiteral(":%1!x@h JOIN #lanway").arg(nick)); break;
            case 1: c.feed(QStringLiteral(":%1!x@h PART #lanway").arg(nick)); break;
            case 2: c.feed(QStringLiteral(":me!x@h MODE #lanway %1 %2").arg(modes.at(int(next(4))), nick)); break;
            case 3: c.feed(QStringLiteral(":%1!x@h NICK :U%2").arg(nick).arg(next(12))); break;
            default: c.feed(QStringLiteral(":irc.test 353 me = #lanway :@%1 +u%2").arg(nick).arg(next(12))); break;
            }
            QCOMPARE(list->itemTexts(), doc->Users().Items());
        }
        QVERIFY(list->count() > 3);
    }

    void channelListRowsAndJoin()
    {
        QCOMPARE(ChannelListRow(QStringLiteral("me #descent 5 :Anarchy  at eight")),
                 QStringLiteral("#descent\t5\tAnarchy  at eight"));
        QCOMPARE(ChannelListRow(QStringLiteral("me #quiet 1 plain words")),
                 QStringLiteral("#quiet\t1\tplain"));
        QCOMPARE(ChannelListRow(QStringLiteral("me\r\n#x")), QStringLiteral("#x\t\t"));
        QCOMPARE(ChannelListRow(QString()), QStringLiteral("\t\t"));

        WindowedClient c;
        QSignalSpy sent(&c.app, &CTavernwApp::lineSent);
        CChannelListDlg *dlg = c.frame.channelListDialog();
        QVERIFY(!dlg->isVisible());
        c.feed(QStringLiteral(":s 321 me Channel :Users  Name"));
        c.feed(QStringLiteral(":s 322 me #a 3 :one"));
        c.feed(QStringLiteral(":s 322 me #b 9 :two words"));
        c.feed(QStringLiteral(":s 323 me :End of LIST"));
        QVERIFY(dlg->isVisible());
        QCOMPARE(dlg->rows(), (QStringList{QStringLiteral("#a\t3\tone"), QStringLiteral("#b\t9\ttwo words")}));
        dlg->JoinSelected();
        QVERIFY(sent.isEmpty());
        dlg->list()->setCurrentItem(dlg->list()->topLevelItem(1));
        dlg->JoinSelected();
        QCOMPARE(sentLines(sent), QStringList{QStringLiteral("JOIN #b")});
    }

    void commandsActOnTheActiveWindow()
    {
        WindowedClient c;
        c.feed(QStringLiteral(":me!u@h JOIN #lanway"));
        c.feed(QStringLiteral(":bob!u@h PRIVMSG #lanway :something"));
        CChatFrame *chan = c.window(QStringLiteral("#lanway"));
        QCOMPARE(c.frame.activeChatFrame(), chan);
        c.frame.action(QStringLiteral("&Clear Buffer"))->trigger();
        QVERIFY(chan->view()->toPlainText().isEmpty());
        QVERIFY(!c.shown(QStringLiteral("Server")).join(u' ').isEmpty());

        QVERIFY(QDir::setCurrent(c.env.home()));
        c.frame.action(QStringLiteral("&Log Window To Disk"))->trigger();
        QVERIFY(chan->view()->IsLogging());
        QVERIFY(c.frame.action(QStringLiteral("&Log Window To Disk"))->isChecked());

        QVERIFY(!c.frame.ViewSettings().stopScrolling);
        c.frame.action(QStringLiteral("S&top Scrolling"))->trigger();
        QVERIFY(c.frame.ViewSettings().stopScrolling);
        QVERIFY(c.frame.action(QStringLiteral("S&top Scrolling"))->isChecked());

        // The game spy's check mark says whether its window is open.
        bool spyOpen = false;
        MainFrameCommands hooks;
        hooks.toggleGameSpy = [&spyOpen] { return spyOpen = !spyOpen; };
        c.frame.SetCommands(hooks);
        c.frame.action(QStringLiteral("&Descent Game Spy"))->trigger();
        QVERIFY(c.frame.action(QStringLiteral("&Descent Game Spy"))->isChecked());
        c.frame.action(QStringLiteral("&Descent Game Spy"))->trigger();
        QVERIFY(!spyOpen);
        QVERIFY(!c.frame.action(QStringLiteral("&Descent Game Spy"))->isChecked());

        // Chat settings reach the views.
        c.app.m_Settings.AutoLog = true;
        c.app.m_Settings.ProfanityFilter = QStringLiteral("TRUE");
        c.app.m_Settings.Background = 0x00102030;
        const MessageViewSettings s = c.frame.ViewSettings();
        QVERIFY(s.autoLog);
        QVERIFY(s.profanityFilter);
        QCOMPARE(s.background, 0x00102030u);
    }

    void itemsOfAbsentFeaturesAreHidden()
    {
        ferry::test::TestEnv env;
        CMainFrame frame;
        QStringList commands;
        frame.SetCommandRunner([&commands](const QString &line, const QString &) { commands << line; });
        // No launchpad and no game spy attached: neither menu nor item is offered.
        QCOMPARE(frame.shownMenus(), (QStringList{QStringLiteral("&File"), QStringLiteral("&Help")}));
        QVERIFY(!frame.action(QStringLiteral("Game 0&1")));
        // Help Topics without a help hook opens the manual the way /help does.
        frame.action(QStringLiteral("&Help Topics"))->trigger();
        QCOMPARE(commands, QStringList{QStringLiteral("/help")});
        // A game spy attached while no window is open is offered once one opens.
        MainFrameCommands early;
        early.toggleGameSpy = [] { return true; };
        frame.SetCommands(early);
        frame.show();
        auto *window = frame.windowArea()->addSubWindow(new QWidget);
        window->show();
        QTRY_VERIFY(frame.action(QStringLiteral("&Descent Game Spy")));
        QVERIFY(frame.action(QStringLiteral("&Descent Game Spy"))->isVisible());
        delete window;

        WindowedClient c;
        QAction *spy = c.frame.action(QStringLiteral("&Descent Game Spy"));
        QVERIFY(spy && !spy->isVisible());
        MainFrameCommands hooks;
        hooks.toggleGameSpy = [] { return true; };
        c.frame.SetCommands(hooks);
        QVERIFY(spy->isVisible());
    }

    void menuBarFollowsWhetherAWindowIsOpen()
    {
        ferry::test::TestEnv env;
        CMainFrame frame;
        QStringList calls;
        MainFrameCommands hooks;
        hooks.configureLaunchpad = [&calls] { calls << QStringLiteral("configure"); };
        hooks.launchSlot = [&calls](int slot) { calls << QStringLiteral("slot %1").arg(slot); };
        frame.SetCommands(hooks);

        const QStringList noWindow{QStringLiteral("&File"), QStringLiteral("&Launch"), QStringLiteral("&Help")};
        // The chat bar: "&File", "&Commands", ("&Preferences",) "&Window", "&Help".
        const auto isChatBar = [](const QStringList &menus) {
            return menus.value(0) == QLatin1String("&File") && menus.value(1) == QLatin1String("&Commands")
                && menus.contains(QStringLiteral("&Window")) && menus.last() == QLatin1String("&Help")
                && !menus.contains(QStringLiteral("&Launch")) && menus.count(QStringLiteral("&File")) == 1;
        };
        QCOMPARE(frame.shownMenus(), noWindow);
        QVERIFY(!frame.action(QStringLiteral("&Clear Buffer")));
        QVERIFY(frame.action(QStringLiteral("&Preferences")));
        frame.action(QStringLiteral("&Configure Launchpad"))->trigger();
        frame.action(QStringLiteral("Game 0&1"))->trigger();
        frame.action(QStringLiteral("Game 20"))->trigger();
        QCOMPARE(calls, (QStringList{QStringLiteral("configure"), QStringLiteral("slot 0"), QStringLiteral("slot 19")}));
        QVERIFY(frame.action(QStringLiteral("&About Tavern97...")));

        // Any window in the area (a direct chat, a finger window) brings the chat menus.
        frame.show();
        auto *other = frame.windowArea()->addSubWindow(new QWidget);
        other->show();
        QTRY_VERIFY(isChatBar(frame.shownMenus()));
        QVERIFY(!frame.action(QStringLiteral("Game 0&1")));
        QVERIFY(!frame.action(QStringLiteral("&Preferences")));
        QVERIFY(frame.action(QStringLiteral("&Cascade")));
        delete other;
        QTRY_COMPARE(frame.shownMenus(), noWindow);

        // The client's own windows do the same; its Server window stays open.
        WindowedClient c;
        QVERIFY(isChatBar(c.frame.shownMenus()));
    }

    void dumpShowsWindowsUsersColouredLinesAndTabs()
    {
        WindowedClient c;
        c.app.m_Settings.URL = 0x00FF0000;
        c.feed(QStringLiteral(":me!u@h JOIN #lanway"));
        c.feed(QStringLiteral(":irc.test 353 me = #lanway :@me +bob"));
        c.app.PrintLine(QStringLiteral("http://x.test/ first, then\ta tab"), 0x00123456, QStringLiteral("#lanway"));
        c.feed(QStringLiteral(":bob!u@h PRIVMSG me :psst"));
        c.frame.SelectWindowTab(QStringLiteral("#lanway"));
        c.feed(QStringLiteral(":bob!u@h PRIVMSG me :still there?"));

        const QStringList dump = DumpWindows(c.frame).split(u'\n', Qt::SkipEmptyParts);
        const qsizetype channel = dump.indexOf(QStringLiteral("window\t#lanway\t#lanway"));
        QVERIFY(channel >= 0);
        QCOMPARE(dump.mid(channel + 1, 3),
                 (QStringList{QStringLiteral("user\t+bob"), QStringLiteral("user\t@me"),
                              QStringLiteral("line\t00123456\thttp://x.test/ first, then a tab")}));
        QVERIFY(dump.contains(QStringLiteral("window\tbob\tbob")));
        QVERIFY(dump.contains(QStringLiteral("line\t%1\t<bob> psst").arg(c.app.m_Settings.Private, 8, 16, QLatin1Char('0'))));
        QVERIFY(dump.contains(QStringLiteral("tab\t#lanway\tseen")));
        QVERIFY(dump.contains(QStringLiteral("tab\tbob\tunseen")));
    }

    void statusBarShowsTheLockKeys()
    {
        WindowedClient c;
        c.frame.UpdateLockIndicators({true, false, true});
        QCOMPARE(c.frame.lockIndicatorText(0), QStringLiteral("CAP"));
        QCOMPARE(c.frame.lockIndicatorText(1), QString());
        QCOMPARE(c.frame.lockIndicatorText(2), QStringLiteral("SCRL"));
        c.frame.UpdateLockIndicators({false, true, false});
        QCOMPARE(c.frame.lockIndicatorText(0), QString());
        QCOMPARE(c.frame.lockIndicatorText(1), QStringLiteral("NUM"));
        QCOMPARE(c.frame.lockIndicatorText(2), QString());
    }

    void timerDrivesTheApplicationTick()
    {
        WindowedClient c;
        QSignalSpy ended(&c.frame, &CMainFrame::splashEnded);
        QVERIFY(c.frame.tickTimer().isActive());
        QCOMPARE(c.frame.tickTimer().interval(), 300);
        // The splash ends on the ninth tick.
        for (int i = 0; i < 9; ++i)
            c.app.OnTimerTick();
        QCOMPARE(ended.size(), 1);
        QVERIFY(c.frame.isVisible());
        c.frame.close();
        QVERIFY(!c.frame.tickTimer().isActive());
    }
};

QTEST_MAIN(TestChatWindows)
#include "test_chatwindows.moc"
