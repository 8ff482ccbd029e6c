// The input line driven by key events: history, Tab completion, function keys,
// the length limit, line breaks from pastes, and the keys the message view passes on.

#include "chat/core/chatsettings.h"
#include "chat/core/partnerring.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/inputline.h"
#include "chat/windows/messageview.h"
#include "tests/chat/fakefrontend.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using tavern::CInputLine;
using tavern::InputLineHost;

namespace {

struct Rig {
    QStringList sent;
    QList<int> scrolled;
    int beeps = 0;
    CPartnerRing ring;
    QStringList fkeys = CChatSettings::DefaultFKeys();
    std::optional<std::array<unsigned char, 4>> address;
    CInputLine line{host()};

    InputLineHost host()
    {
        InputLineHost h;
        h.sendText = [this](const QString &t) { sent << t; };
        h.scrollViews = [this](int key) { scrolled << key; };
        h.beep = [this] { ++beeps; };
        h.functionKeyTexts = [this] { return fkeys; };
        h.ownNick = [] { return QStringLiteral("me"); };
        h.ownAddress = [this] { return address; };
        h.partners = &ring;
        return h;
    }
    void type(const QString &text)
    {
        QTest::keyClicks(&line, text);
        QTest::keyClick(&line, Qt::Key_Return);
    }
    void key(Qt::Key k) { QTest::keyClick(&line, k); }
};

} // namespace

class TestInputLine : public QObject {
    Q_OBJECT
private slots:
    void enterSendsTheLineAndEscEmptiesIt()
    {
        Rig r;
        r.type(QStringLiteral("hello there"));
        QCOMPARE(r.sent, QStringList{QStringLiteral("hello there")});
        QVERIFY(r.line.text().isEmpty());

        // A held-down Enter sends once, not once per repeat.
        QTest::keyClicks(&r.line, QStringLiteral("again"));
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
        QApplication::sendEvent(&r.line, &repeat);
        QCOMPARE(r.sent.size(), 1);

        r.key(Qt::Key_Escape);
        QVERIFY(r.line.text().isEmpty());
        QCOMPARE(r.sent.size(), 1);

        // An empty line is sent like any other.
        r.key(Qt::Key_Return);
        QCOMPARE(r.sent, (QStringList{QStringLiteral("hello there"), QString()}));
    }

    void historyWalksBackAndForth()
    {
        Rig r;
        r.type(QStringLiteral("first"));
        r.type(QStringLiteral("second"));
        r.type(QStringLiteral("third"));

        // Right after sending, Down does nothing.
        r.key(Qt::Key_Down);
        QVERIFY(r.line.text().isEmpty());
        QCOMPARE(r.beeps, 0);

        const QStringList older{QStringLiteral("third"), QStringLiteral("second"), QStringLiteral("first")};
        for (const QString &expected : older) {
            r.key(Qt::Key_Up);
            QCOMPARE(r.line.text(), expected);
            QCOMPARE(r.line.cursorPosition(), int(expected.size()));
        }
        r.key(Qt::Key_Up);
        QCOMPARE(r.beeps, 1);
        QCOMPARE(r.line.text(), QStringLiteral("first"));

        r.key(Qt::Key_Down);
        QCOMPARE(r.line.text(), QStringLiteral("second"));
        r.key(Qt::Key_Down);
        QCOMPARE(r.line.text(), QStringLiteral("third"));
        r.key(Qt::Key_Down);
        QCOMPARE(r.beeps, 2);
        QCOMPARE(r.line.text(), QStringLiteral("third"));
        QCOMPARE(r.sent.size(), 3);
    }

    void historyKeepsTheLastThirtyLines()
    {
        Rig r;
        for (int i = 1; i <= 31; ++i)
            r.type(QStringLiteral("line %1").arg(i));
        QCOMPARE(std::count(r.line.History().begin(), r.line.History().end(), QStringLiteral("line 1")), 0);

        for (int i = 31; i >= 2; --i) {
            r.key(Qt::Key_Up);
            QCOMPARE(r.line.text(), QStringLiteral("line %1").arg(i));
        }
        // Every slot is filled, so the walk wraps to the newest line.
        r.key(Qt::Key_Up);
        QCOMPARE(r.line.text(), QStringLiteral("line 31"));
        QCOMPARE(r.beeps, 0);
    }

    void tabWalksTheRecentPartners()
    {
        // Destroyed in reverse: the line and its neighbour leave the parent first.
        QWidget parent;
        QLineEdit neighbour(&parent);
        Rig r;
        r.line.setParent(&parent);
        r.line.setFocus();
        QTest::keyClicks(&r.line, QStringLiteral("draft"));
        r.key(Qt::Key_Tab);
        QCOMPARE(r.beeps, 1);
        QCOMPARE(r.line.text(), QStringLiteral("draft"));

        r.ring.Note(QStringLiteral("carol"));
        r.ring.Note(QStringLiteral("bob"));
        const QStringList expected{QStringLiteral("/msg \"bob\" "), QStringLiteral("/msg \"carol\" "),
                                   QStringLiteral("/msg \"bob\" ")};
        for (const QString &command : expected) {
            r.key(Qt::Key_Tab);
            QCOMPARE(r.line.text(), command);
            QCOMPARE(r.line.cursorPosition(), int(command.size()));
        }
        QVERIFY(r.sent.isEmpty());
    }

    void theRingFollowsPrivateMessages()
    {
        FakeFrontEnd fe;
        CTavernwApp app(&fe);
        app.SetOwnNick(QStringLiteral("me"));
        app.OpenServerWindow();
        CPartnerRing ring;
        ring.AttachToApp(app);

        app.SendLine(QStringLiteral("PRIVMSG bob :hi"));
        app.SendLine(QStringLiteral("PRIVMSG #lanway :hello all"));
        app.SendLine(QStringLiteral("PRIVMSG dave :\x01UDPPING\x01"));
        app.FeedServerBytes(":carol!c@h PRIVMSG me :yo\r\n");
        app.FeedServerBytes(":erin!e@h PRIVMSG #lanway :hello\r\n");
        app.FeedServerBytes(":frank!f@h PRIVMSG me :\x01VERSION\x01\r\n");
        QCOMPARE(ring.Partners(), (QStringList{QStringLiteral("carol"), QStringLiteral("bob")}));

        // A partner already listed moves to the front; the walk starts again there.
        QCOMPARE(ring.Next(), QStringLiteral("carol"));
        app.SendLine(QStringLiteral("PRIVMSG BOB :again"));
        QCOMPARE(ring.Partners(), (QStringList{QStringLiteral("BOB"), QStringLiteral("carol")}));
        QCOMPARE(ring.Next(), QStringLiteral("BOB"));

        for (int i = 0; i < CPartnerRing::kCapacity + 3; ++i)
            ring.Note(QStringLiteral("user%1").arg(i));
        QCOMPARE(ring.Partners().size(), CPartnerRing::kCapacity);
        QCOMPARE(ring.Partners().first(), QStringLiteral("user%1").arg(CPartnerRing::kCapacity + 2));
    }

    void functionKeysSendTheirExpandedTexts()
    {
        Rig r;
        QTest::keyClicks(&r.line, QStringLiteral("typing"));
        r.key(Qt::Key_F3);
        r.key(Qt::Key_F7);
        QCOMPARE(r.sent.value(0), QStringLiteral("/users"));
        QVERIFY(r.sent.value(1).startsWith(QStringLiteral("/me slaps me with a SpamFish")));
        // The line and its history stay as they were.
        QCOMPARE(r.line.text(), QStringLiteral("typing"));
        r.key(Qt::Key_Up);
        QCOMPARE(r.beeps, 1);

        r.fkeys[0] = QStringLiteral("hi $USER and $USER, at $IP ($LONGIP)");
        r.line.PressFunctionKey(2);
        QCOMPARE(r.sent.last(), QStringLiteral("hi me and me, at $IP ($LONGIP)"));
        r.fkeys[1] = QStringLiteral("/me waves at $USER");
        r.line.PressFunctionKey(3);
        QCOMPARE(r.sent.last(), QStringLiteral("/me waves at me"));
        r.address = std::array<unsigned char, 4>{10, 0, 0, 1};
        r.line.PressFunctionKey(2);
        QCOMPARE(r.sent.last(), QStringLiteral("hi me and me, at 10.0.0.1 (167772161)"));

        // A key text cannot carry a second protocol line.
        r.fkeys[10] = QStringLiteral("hello\r\nQUIT :gone\n");
        r.key(Qt::Key_F12);
        QCOMPARE(r.sent.last(), QStringLiteral("hello QUIT :gone "));
        QCOMPARE(r.sent.size(), 6);
    }

    void theApplicationSuppliesKeyTextsNickAndAddress()
    {
        FakeFrontEnd fe;
        CTavernwApp app(&fe);
        app.SetOwnNick(QStringLiteral("zork"));
        app.m_Settings.FKeys[0] = QStringLiteral("$USER at $IP");
        QStringList sent;
        InputLineHost h = tavern::AppInputLineHost(app, nullptr);
        h.sendText = [&sent](const QString &t) { sent << t; };
        CInputLine line(h);

        line.PressFunctionKey(2);
        app.SetIdentity({QStringLiteral("zork"), QString(), {192, 168, 0, 7}});
        line.PressFunctionKey(2);
        QCOMPARE(sent, (QStringList{QStringLiteral("zork at $IP"), QStringLiteral("zork at 192.168.0.7")}));
    }

    void f10NeverReachesTheMenu()
    {
        QMainWindow window;
        QAction *menuAction = window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("Menu"));
        menuAction->setShortcut(Qt::Key_F10);
        QSignalSpy triggered(menuAction, &QAction::triggered);
        Rig r;
        window.setCentralWidget(&r.line);
        window.show();
        window.activateWindow();
        r.line.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        r.key(Qt::Key_F10);
        QCOMPARE(r.sent, QStringList{QStringLiteral("/me challenges me to a game of Descent 2.")});
        QCOMPARE(triggered.size(), 0);
        window.takeCentralWidget();
    }

    void textIsLimitedTo250Characters()
    {
        Rig r;
        QTest::keyClicks(&r.line, QString(251, u'x'));
        QCOMPARE(r.line.text().size(), 250);
        r.line.clear();
        QGuiApplication::clipboard()->setText(QString(300, u'y'));
        r.line.paste();
        QCOMPARE(r.line.text(), QString(250, u'y'));
    }

    void pastedLineBreaksBecomeBlanks()
    {
        Rig r;
        QTest::keyClicks(&r.line, QStringLiteral("say: "));
        QGuiApplication::clipboard()->setText(QStringLiteral("one\r\ntwo\n\nthree"));
        r.line.paste();
        QCOMPARE(r.line.text(), QStringLiteral("say: one two three"));
        QCOMPARE(r.line.cursorPosition(), int(r.line.text().size()));
        r.line.insert(QStringLiteral("\nPRIVMSG x :y") + QChar(0) + QStringLiteral("z"));
        r.key(Qt::Key_Return);
        QCOMPARE(r.sent, QStringList{QStringLiteral("say: one two three PRIVMSG x :y z")});
    }

    void pageKeysScrollTheViews()
    {
        Rig r;
        QTest::keyClicks(&r.line, QStringLiteral("keep"));
        r.key(Qt::Key_PageUp);
        r.key(Qt::Key_PageDown);
        QCOMPARE(r.scrolled, (QList<int>{Qt::Key_PageUp, Qt::Key_PageDown}));
        QCOMPARE(r.line.text(), QStringLiteral("keep"));
    }

    void keysTypedInTheMessageViewReachTheLine()
    {
        Rig r;
        r.ring.Note(QStringLiteral("bob"));
        tavern::MessageViewHost viewHost;
        viewHost.forwardKey = [&r](const QKeyEvent &e) { r.line.TypeKey(e); };
        viewHost.forwardFunctionKey = [&r](int n) { r.line.PressFunctionKey(n); };
        tavern::CMessageView view(viewHost);

        QTest::keyClicks(&view, QStringLiteral("hi"));
        QTest::keyClick(&view, Qt::Key_Return);
        QTest::keyClick(&view, Qt::Key_F4);
        QCOMPARE(r.sent, (QStringList{QStringLiteral("hi"), QStringLiteral("/who")}));

        QTest::keyClick(&view, Qt::Key_Tab);
        QCOMPARE(r.line.text(), QStringLiteral("/msg \"bob\" "));
        QTest::keyClick(&view, Qt::Key_Escape);
        QVERIFY(r.line.text().isEmpty());

        r.line.TypeCharacter(u'k');
        r.line.TypeCharacter(u'\r');
        QCOMPARE(r.sent.last(), QStringLiteral("k"));
    }
};

QTEST_MAIN(TestInputLine)
#include "test_inputline.moc"
