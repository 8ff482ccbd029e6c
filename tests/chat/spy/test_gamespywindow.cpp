// The game spy window in a chat client's main frame, its socket fed by the test:
// the menu entry opens and closes it (tab, window map, check mark), the socket
// offset is checked, and a socket failure closes the spy and nothing else. What
// the form shows is proven through the built program (test_tavern97_spy).

#include "chat/spy/gamespy.h"
#include "chat/windows/formcontrols.h"
#include "chat/windows/windowtabs.h"
#include "platform/prompts.h"
#include "tests/chat/chatwindowsclient.h"
#include "tests/chat/spy/descentwire.h"
#include "tests/chat/spy/fakespysocket.h"

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

using namespace tavern;
using namespace tavern::spy;

namespace {

const QString kTitle = QString::fromLatin1(CDwatchDoc::kTitle);

struct SpyClient : WindowedClient {
    std::shared_ptr<FakeSpyNetwork> net = std::make_shared<FakeSpyNetwork>();
    CGameSpy *spy;

    SpyClient()
    {
        GameSpyHost host = GameSpyHostFor(app, frame);
        host.makeSocket = [this] { return std::make_unique<FakeSpySocket>(net); };
        spy = AttachGameSpy(app, frame, host);
    }
    QAction *menuEntry() const { return frame.action(QStringLiteral("&Descent Game Spy")); }
    CGameView *view() const { return spy->frame() ? spy->frame()->view() : nullptr; }
    bool type(const QString &typed) const { return TypeIntoForm(view(), typed); }
};

descentwire::Game game()
{
    descentwire::Game g;
    g.security = 0xCAFE;
    g.name = "Pyro Party";
    return g;
}

} // namespace

class TestGameSpyWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { ferry::prompts::reset(); }

    void theMenuEntryOpensAndClosesTheWindow()
    {
        SpyClient c;
        QVERIFY(c.menuEntry()->isVisible());
        const bool maximized = c.window(QStringLiteral("Server"))->isMaximized();
        c.menuEntry()->trigger();
        CDspyFrm *window = c.spy->frame();
        QVERIFY(window);
        QVERIFY(c.menuEntry()->isChecked());
        QCOMPARE(window->windowTitle(), kTitle);
        // Among maximized windows it shows maximized; its own place is the top left corner.
        QCOMPARE(window->isMaximized(), maximized);
        window->showNormal();
        QCOMPARE(window->geometry(), QRect(0, 0, 510, 370));
        QCOMPARE(c.frame.GetSelectedTabText(), kTitle);
        QVERIFY(qobject_cast<CDwatchDoc *>(c.app.FindWindow(kTitle)));
        QVERIFY(c.view()->pollTimer().isActive());
        QCOMPARE(c.net->bound, QList<std::uint16_t>{0x5130});
        QCOMPARE(c.net->sent.size(), 1); // the broadcast of the opening
        QVERIFY(c.view()->descent2Radio()->isChecked());
        QCOMPARE(c.view()->socketEdit()->text(), QStringLiteral("0"));

        // Choosing its tab brings it back to the front.
        c.app.OpenPrivateWindow(QStringLiteral("bob"));
        QVERIFY(c.frame.windowArea()->activeSubWindow() != window);
        emit c.frame.tabBar()->windowTabChosen(kTitle);
        QCOMPARE(c.frame.windowArea()->activeSubWindow(), window);

        c.menuEntry()->trigger();
        QVERIFY(!c.menuEntry()->isChecked());
        QVERIFY(!c.app.FindWindow(kTitle));
        QCOMPARE(c.frame.tabBar()->findWindowTab(kTitle), -1);
        QTRY_COMPARE(c.frame.windowArea()->subWindowList().size(), 2); // Server and bob

        // Closed by the user: the check mark follows as well.
        c.menuEntry()->trigger();
        QVERIFY(c.menuEntry()->isChecked());
        c.spy->frame()->close();
        QVERIFY(!c.menuEntry()->isChecked());
        QVERIFY(!c.spy->IsOpen());
        QVERIFY(!c.app.FindWindow(kTitle));
        QCOMPARE(c.frame.tabBar()->findWindowTab(kTitle), -1);
    }

    void theSocketOffsetIsCheckedAndMovesTheSocket()
    {
        SpyClient c;
        c.menuEntry()->trigger();
        c.net->deliver(descentwire::descent2Announcement(game()));
        QTRY_COMPARE(c.view()->gameList()->count(), 1);

        // Out of range: the range message, the old offset back, the socket stays.
        QVERIFY(c.type(QStringLiteral("Socket:\t150")));
        QCOMPARE(c.view()->socketEdit()->text(), QStringLiteral("0"));
        QCOMPARE(c.net->bound.size(), 1);
        const QList<ferry::test::LoggedPrompt> prompts = c.env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].text, QString::fromLatin1(CGameView::kRangeMessage));
        // Unfinished and impossible texts: nothing happens.
        QVERIFY(c.type(QStringLiteral("Socket:\t-")));
        QVERIFY(c.type(QStringLiteral("Socket:\tabc")));
        QCOMPARE(c.net->bound.size(), 1);
        QCOMPARE(c.view()->gameList()->count(), 1);

        QVERIFY(c.type(QStringLiteral("Socket:\t-100")));
        QCOMPARE(c.net->bound.last(), std::uint16_t(0x5130 - 100));
        QCOMPARE(c.view()->gameList()->count(), 0);
        c.view()->socketDown()->click(); // the end of the range
        QCOMPARE(c.view()->socketEdit()->text(), QStringLiteral("-100"));
        QVERIFY(c.type(QStringLiteral("Socket:\t2")));
        c.view()->socketUp()->click();
        QCOMPARE(c.view()->socketEdit()->text(), QStringLiteral("3"));
        QVERIFY(c.type(QStringLiteral("Descent I")));
        QCOMPARE(c.net->bound.last(), std::uint16_t(20739));
        QCOMPARE(c.net->sent.last().from, BroadcastAddress(20739));
        QCOMPARE(c.env.prompts().size(), 1);
    }

    void aSocketFailureClosesTheSpyAndKeepsTheChat()
    {
        SpyClient c;
        c.net->state = ISpySocket::State::Failed;
        c.net->failure = QStringLiteral("Unable to initialize Winsock IPX");
        c.menuEntry()->trigger();
        QTRY_VERIFY(!c.spy->IsOpen());
        QVERIFY(!c.menuEntry()->isChecked());
        QVERIFY(!c.app.FindWindow(kTitle));
        const QList<ferry::test::LoggedPrompt> prompts = c.env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].caption, QStringLiteral("Error"));
        QCOMPARE(prompts[0].text, QStringLiteral("Unable to initialize Winsock IPX"));
        QVERIFY(c.window(QStringLiteral("Server")));
        QVERIFY(c.frame.isVisible());
    }
};

QTEST_MAIN(TestGameSpyWindow)
#include "test_gamespywindow.moc"
