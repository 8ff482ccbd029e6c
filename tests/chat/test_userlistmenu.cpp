// The channel user list's menu, double-click and kick dialog on real windows: each
// item runs its command through the real command interpreter, and the lines that
// reach the server side are compared byte for byte.

#include "chat/windows/chanulist.h"
#include "chat/windows/textfielddlg.h"
#include "chat/windows/userlistmenu.h"
#include "tests/chat/chatwindowsclient.h"
#include "tests/chat/ircpeer.h"
#include "tests/support/ngircdfixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

using namespace tavern;

namespace {

// A windowed client whose menus and typed lines go through ProcessInput, in #lanway
// where the own nickname "me" is an operator, with bob voiced and carol plain.
struct ChannelRig : WindowedClient {
    QStringList sent;
    QStringList dccChats;
    QStringList dccSends;

    ChannelRig()
    {
        frame.SetCommandRunner([this](const QString &text, const QString &target) { app.ProcessInput(text, target); });
        QObject::connect(&app, &CTavernwApp::lineSent, [this](const QByteArray &b) { sent << QString::fromUtf8(b); });
        app.m_CommandHooks.dccChat = [this](const QString &nick) { dccChats << nick; };
        app.m_CommandHooks.dccSend = [this](const QString &nick, const QString &path) { dccSends << nick + u'|' + path; };
        app.SetTickClock([] { return 4242u; });
        feed(QStringLiteral(":me!u@h JOIN #lanway"));
        feed(QStringLiteral(":irc.test 353 me = #lanway :@me +bob carol"));
        sent.clear();
    }
    CChanUList *list() const { return window(QStringLiteral("#lanway"))->userList(); }
    CTavernwDoc *doc() const { return app.FindChannel(QStringLiteral("#lanway")); }
    void select(const QString &itemText) const
    {
        const auto found = list()->findItems(itemText, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        list()->setCurrentItem(found.first());
    }
    // Runs one menu item on the current selection; returns the lines it sent.
    QStringList run(const QString &item)
    {
        sent.clear();
        CUserListMenu menu(doc(), &app, [this](const QString &t, const QString &target) { app.ProcessInput(t, target); },
                           &frame);
        QAction *a = menu.item(item);
        if (!a)
            return {QStringLiteral("no item ") + item};
        a->trigger();
        return sent;
    }
};

QStringList lines(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

} // namespace

class TestUserListMenu : public QObject {
    Q_OBJECT
private slots:
    void selectionNotesTheNickAndReturnsToTheInputLine()
    {
        ChannelRig r;
        r.list()->setFocus();
        QCOMPARE(r.frame.focusWidget(), r.list());
        r.select(QStringLiteral("+bob"));
        QCOMPARE(r.doc()->SelectedNick(), QStringLiteral("bob"));
        QCOMPARE(r.frame.focusWidget(), r.window(QStringLiteral("#lanway"))->inputLine());

        // The nickname stays in the document after the user leaves.
        r.feed(QStringLiteral(":bob!u@h PART #lanway"));
        QVERIFY(!r.list()->IsUserListed(QStringLiteral("bob")));
        QCOMPARE(r.doc()->SelectedNick(), QStringLiteral("bob"));
        QCOMPARE(r.run(QStringLiteral("&Whois")), lines({"whois bob\n"}));
    }

    void itemsSendTheirCommandsForTheSelectedNick_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("true ping") << "&True Ping" << lines({"PRIVMSG bob :\x01UDPPING\x01\n"});
        QTest::newRow("chat ping") << "I&RC Chat Ping" << lines({"PRIVMSG bob :\x01PING 4242\x01\n"});
        QTest::newRow("whois") << "&Whois" << lines({"whois bob\n"});
        QTest::newRow("grant op") << "Grant &Operator Status" << lines({"MODE #lanway +o bob\n"});
        QTest::newRow("grant voice") << "Grant &Voice Status" << lines({"MODE #lanway +v bob\n"});
        QTest::newRow("take op") << "Take Operator Status" << lines({"MODE #lanway -o bob\n"});
        QTest::newRow("take voice") << "Take Voice Status" << lines({"MODE #lanway -v bob\n"});
        QTest::newRow("ignore sends nothing") << "Toggle &Ignore" << QStringList();
    }
    void itemsSendTheirCommandsForTheSelectedNick()
    {
        QFETCH(QString, item);
        QFETCH(QStringList, expected);
        ChannelRig r;
        r.select(QStringLiteral("+bob"));
        QCOMPARE(r.run(item), expected);
    }

    void localItemsActOnTheNick()
    {
        ChannelRig r;
        r.select(QStringLiteral("carol"));

        r.run(QStringLiteral("Toggle &Ignore"));
        QCOMPARE(r.app.IgnoreList(), QStringList{QStringLiteral("carol")});
        r.run(QStringLiteral("Toggle &Ignore"));
        QVERIFY(r.app.IgnoreList().isEmpty());

        QVERIFY(r.run(QStringLiteral("Initiate Secure &DCC Chat")).isEmpty());
        QCOMPARE(r.dccChats, QStringList{QStringLiteral("carol")});

        r.run(QStringLiteral("Send &Message"));
        QVERIFY(r.window(QStringLiteral("carol")));
        QCOMPARE(r.frame.activeChatFrame(), r.window(QStringLiteral("carol")));
    }

    void sendFileAsksForTheFileAndCancelSendsNothing()
    {
        ChannelRig r;
        r.select(QStringLiteral("carol"));
        r.env.setAnswers({QStringLiteral("cancel"), QStringLiteral("file:/home/me/my maps/level 1.rl2")});
        r.run(QStringLiteral("Send &File"));
        QVERIFY(r.dccSends.isEmpty());
        r.run(QStringLiteral("Send &File"));
        QCOMPARE(r.dccSends, QStringList{QStringLiteral("carol|/home/me/my maps/level 1.rl2")});
        QCOMPARE(r.env.prompts().value(0).kind, QStringLiteral("open"));
    }

    void kickAsksForAReason()
    {
        ChannelRig r;
        r.select(QStringLiteral("+bob"));
        r.env.setAnswers({QStringLiteral("cancel"), QStringLiteral("text:flooding the channel"), QStringLiteral("ok")});
        QVERIFY(r.run(QStringLiteral("&Kick User")).isEmpty()); // Cancel kicks nobody
        QCOMPARE(r.run(QStringLiteral("&Kick User")), lines({"kick #lanway bob :flooding the channel\n"}));
        // An empty reason goes into the command as it stands.
        QCOMPARE(r.run(QStringLiteral("&Kick User")), lines({"kick #lanway bob \n"}));
        const auto asked = r.env.prompts();
        QCOMPARE(asked.size(), 3);
        QCOMPARE(asked.at(0).kind, QStringLiteral("dialog"));
        QCOMPARE(asked.at(0).text, QStringLiteral("Enter the Reason for the Kick"));
    }

    void kickReasonIsLimitedAndCarriesNoLineBreak()
    {
        ChannelRig r;
        CTextFieldDlg dlg(QStringLiteral("Enter the Reason for the Kick"), 76, &r.frame);
        dlg.applyScript(QString(100, u'x'));
        QCOMPARE(dlg.field()->text().size(), 76);

        // Whatever the reason holds, the server receives one line.
        r.select(QStringLiteral("+bob"));
        r.env.setAnswers({QStringLiteral("text:bye\rQUIT :gotcha")});
        const QStringList sent = r.run(QStringLiteral("&Kick User"));
        QCOMPARE(sent.size(), 1);
        QVERIFY(!sent.first().chopped(1).contains(u'\r'));
        QVERIFY(!sent.first().chopped(1).contains(u'\n'));
    }

    void operatorItemsFollowTheOwnOperatorStatus()
    {
        ChannelRig r;
        r.select(QStringLiteral("carol"));
        const QStringList opItems{QStringLiteral("Grant &Operator Status"), QStringLiteral("Grant &Voice Status"),
                                  QStringLiteral("Take Operator Status"), QStringLiteral("Take Voice Status"),
                                  QStringLiteral("&Kick User")};
        auto enabled = [&r](const QString &item) {
            CUserListMenu menu(r.doc(), &r.app, {}, &r.frame);
            return menu.item(item)->isEnabled();
        };
        for (const QString &item : opItems)
            QVERIFY2(enabled(item), qPrintable(item));

        // Voice is not operator status: with "+me" the items are greyed.
        r.feed(QStringLiteral(":irc.test MODE #lanway -o me"));
        r.feed(QStringLiteral(":irc.test MODE #lanway +v me"));
        QVERIFY(r.list()->itemTexts().contains(QStringLiteral("+me")));
        for (const QString &item : opItems)
            QVERIFY2(!enabled(item), qPrintable(item));
        QVERIFY(enabled(QStringLiteral("&Whois")));

        // Another user's operator status does not count.
        r.feed(QStringLiteral(":irc.test MODE #lanway +o carol"));
        QVERIFY(!enabled(QStringLiteral("&Kick User")));
        // After a nickname change the new own nickname is the one looked for.
        r.feed(QStringLiteral(":irc.test MODE #lanway +o me"));
        r.feed(QStringLiteral(":me!u@h NICK :hero"));
        QVERIFY(enabled(QStringLiteral("&Kick User")));
    }

    void rightClickOpensTheMenuOverTheList()
    {
        ChannelRig r;
        r.select(QStringLiteral("+bob"));
        QString shownAt;
        // The menu runs modally; pick its Whois item once it is up.
        QTimer::singleShot(0, [&shownAt] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction *a : menu->actions())
                shownAt += a->text() + u';';
            for (QAction *a : menu->actions())
                if (a->text() == QLatin1String("&Whois")) {
                    menu->setActiveAction(a);
                    QTest::keyClick(menu, Qt::Key_Return);
                }
        });
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(0, 0), r.list()->mapToGlobal(QPoint(0, 0)));
        QApplication::sendEvent(r.list(), &event);
        QVERIFY2(shownAt.startsWith(QLatin1String("&True Ping;Toggle &Ignore;I&RC Chat Ping;")), qPrintable(shownAt));
        QCOMPARE(r.sent, lines({"whois bob\n"}));
    }

    void withoutSelectionCommandsCarryAnEmptyNick()
    {
        ChannelRig r;
        QCOMPARE(r.run(QStringLiteral("&Whois")), lines({"whois \n"}));
        const int windows = r.windowCount();
        r.run(QStringLiteral("Send &Message"));
        QCOMPARE(r.windowCount(), windows); // no window without a name
    }

    void doubleClickOpensThePrivateWindow()
    {
        ChannelRig r;
        const auto found = r.list()->findItems(QStringLiteral("+bob"), Qt::MatchExactly);
        r.list()->setCurrentItem(found.first());
        emit r.list()->itemDoubleClicked(found.first());
        QVERIFY(r.window(QStringLiteral("bob")));
        QVERIFY(r.sent.isEmpty());
    }
    void operatorActionsReachAnotherUserThroughARealServer()
    {
        ferry::test::NgircdFixture server;
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));

        WindowedClient c;
        c.frame.SetCommandRunner([&c](const QString &text, const QString &target) { c.app.ProcessInput(text, target); });
        c.app.m_Settings.ChatServer = server.host();
        c.app.m_Settings.ChatServerPort = server.port();
        c.app.SetIdentity({QStringLiteral("hero"), QStringLiteral("hero@lanway.test"), {127, 0, 0, 1}});
        QVERIFY(c.app.ConnectToServer());
        QTRY_VERIFY_WITH_TIMEOUT(c.window(QStringLiteral("#lanway")), 5000);
        CChanUList *list = c.window(QStringLiteral("#lanway"))->userList();
        CTavernwDoc *doc = c.app.FindChannel(QStringLiteral("#lanway"));

        IrcPeer bob;
        QVERIFY(bob.connectTo(server, QStringLiteral("bob")));
        bob.send(QStringLiteral("JOIN #lanway"));
        QTRY_VERIFY_WITH_TIMEOUT(list->itemTexts().contains(QStringLiteral("bob")), 5000);
        list->setCurrentItem(list->findItems(QStringLiteral("bob"), Qt::MatchExactly).first());

        // The first to join holds the channel, so the operator items work.
        const CommandRunner runner = [&c](const QString &t, const QString &target) { c.app.ProcessInput(t, target); };
        bob.forget();
        CUserListMenu(doc, &c.app, runner, &c.frame).item(QStringLiteral("Grant &Voice Status"))->trigger();
        QVERIFY(bob.waitFor(" MODE #lanway +v bob\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(list->itemTexts().contains(QStringLiteral("+bob")), 5000);

        c.env.setAnswers({QStringLiteral("text:mind the language")});
        CUserListMenu(doc, &c.app, runner, &c.frame).item(QStringLiteral("&Kick User"))->trigger();
        QVERIFY(bob.waitFor(" KICK #lanway bob :mind the language\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(!list->IsUserListed(QStringLiteral("bob")), 5000);
    }
};

QTEST_MAIN(TestUserListMenu)
#include "test_userlistmenu.moc"
