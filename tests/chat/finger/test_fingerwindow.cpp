// The finger window offscreen: opened in a window area, fed by a scripted daemon.

#include "chat/finger/fingerview.h"
#include "tests/chat/finger/fingerdaemon.h"

#include <QMdiArea>
#include <QPointer>
#include <QTest>
#include <QTextBlock>

using namespace tavern;

namespace {

// Stands in for the main frame and the command interpreter.
struct FakeFrame {
    QMdiArea area;
    QStringList opened, closed, activated, commands, links;
    bool accept = true;

    FingerWindowHost host(quint16 port)
    {
        FingerWindowHost h;
        h.runCommand = [this](const QString &c) { commands << c; };
        h.openLink = [this](const QString &l) { links << l; };
        h.place = [this](CFingerFrame *w) {
            if (!accept)
                return false;
            area.addSubWindow(w);
            w->show();
            return true;
        };
        h.opened = [this](const QString &t) { opened << t; };
        h.closed = [this](const QString &t) { closed << t; };
        h.activated = [this](const QString &t) { activated << t; };
        h.port = port;
        return h;
    }
};

bool underlinedAt(CMessageView &view, const QString &needle)
{
    QTextCursor c(view.document());
    c.setPosition(int(view.toPlainText().indexOf(needle)) + 1);
    return c.charFormat().fontUnderline();
}

void clickOn(CMessageView &view, const QString &needle)
{
    QTextCursor c(view.document());
    c.setPosition(int(view.toPlainText().indexOf(needle)) + 1);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.cursorRect(c).center() + QPoint(2, 0));
}

} // namespace

class TestFingerWindow : public QObject {
    Q_OBJECT
private slots:
    void showsTheAnswerAsPlainTextWithLinks()
    {
        FingerDaemon daemon;
        daemon.answer = {"Login: alice <b>Alice</b> &amp;\r\n",
                         "Plan: finger:bob@example.org or http://example.org/\r\n"};
        FakeFrame frame;
        frame.area.resize(640, 480);
        frame.area.show();
        CFingerFrame *window = OpenFingerWindow("alice@127.0.0.1", frame.host(daemon.port()));
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QString("Finger: alice@127.0.0.1"));
        QCOMPARE(frame.opened, QStringList{"Finger: alice@127.0.0.1"});

        CFingerView &view = *window->view();
        const QString expected = "Login: alice <b>Alice</b> &amp;\n"
                                 "Plan: finger:bob@example.org or http://example.org/\n"
                                 "\nHost connection closed.";
        QTRY_COMPARE(view.toPlainText(), expected);
        QCOMPARE(daemon.request, QByteArray("alice\r\n"));
        QCOMPARE(view.document()->blockCount(), 4);

        QVERIFY(!underlinedAt(view, "<b>"));
        QVERIFY(underlinedAt(view, "finger:bob"));
        QVERIFY(underlinedAt(view, "http://example.org/"));
        QVERIFY(!underlinedAt(view, "Host connection"));
        clickOn(view, "finger:bob");
        clickOn(view, "http://example");
        QCOMPARE(frame.commands, QStringList{"/finger bob@example.org"});
        QCOMPARE(frame.links, QStringList{"http://example.org/"});

        window->close();
        QTRY_COMPARE(frame.closed, QStringList{"Finger: alice@127.0.0.1"});
    }

    void activationSelectsTheTab()
    {
        FingerDaemon daemon;
        FakeFrame frame;
        frame.area.show();
        CFingerFrame *first = OpenFingerWindow("a@127.0.0.1", frame.host(daemon.port()));
        CFingerFrame *second = OpenFingerWindow("b@127.0.0.1", frame.host(daemon.port()));
        QVERIFY(first && second);
        frame.activated.clear();
        frame.area.setActiveSubWindow(first);
        QTRY_COMPARE(frame.activated, QStringList{"Finger: a@127.0.0.1"});
        frame.area.closeAllSubWindows();
        QTRY_COMPARE(frame.closed.size(), 2);
    }

    void askingAgainReplacesTheWindowOfThatTarget()
    {
        FingerDaemon daemon;
        FakeFrame frame;
        frame.area.show();
        QStringList events;
        FingerWindowHost host = frame.host(daemon.port());
        host.opened = [&](const QString &t) { events << "opened " + t; };
        host.closed = [&](const QString &t) { events << "closed " + t; };
        CFingerFrame *other = OpenFingerWindow("b@127.0.0.1", host);
        CFingerFrame *first = OpenFingerWindow("a@127.0.0.1", host);
        QPointer<CFingerFrame> gone(first);
        CFingerFrame *again = OpenFingerWindow("a@127.0.0.1", host);
        QVERIFY(other && first && again && again != first);
        // The old window leaves the list before the new one joins it under the same name.
        QCOMPARE(events, QStringList({"opened Finger: b@127.0.0.1", "opened Finger: a@127.0.0.1",
                                      "closed Finger: a@127.0.0.1", "opened Finger: a@127.0.0.1"}));
        QTRY_VERIFY(!gone);
        QCOMPARE(frame.area.subWindowList().size(), 2);
        QVERIFY(frame.area.subWindowList().contains(again) && frame.area.subWindowList().contains(other));
        frame.area.closeAllSubWindows();
        QTRY_COMPARE(events.size(), 6);
        QCOMPARE(events.count("closed Finger: a@127.0.0.1"), 2);
    }

    void unplacedWindowAsksNothing()
    {
        FingerDaemon daemon;
        daemon.answer = {"x\r\n"};
        FakeFrame frame;
        frame.accept = false;
        QVERIFY(!OpenFingerWindow("alice@127.0.0.1", frame.host(daemon.port())));
        QTest::qWait(50);
        QCOMPARE(daemon.connections, 0);
        QVERIFY(frame.opened.isEmpty() && frame.closed.isEmpty());
    }
};

QTEST_MAIN(TestFingerWindow)
#include "test_fingerwindow.moc"
