// The built chat client on a real X display with a window manager, typed into with
// real key events (xdotool) as a person types, against a real chat server where a
// second user reads what arrives: keys right after start-up, right after /join and
// into the message view reach the input line; Up recalls, F7 sends its text, Tab
// fills in a /msg that reaches the partner; a private message arriving mid-line
// neither splits nor loses the line. Skipped without Xvfb, openbox or xdotool.

#include "tests/chat/builtchatclient.h"
#include "tests/chat/freshregistry.h"
#include "tests/chat/ircpeer.h"
#include "tests/support/ngircdfixture.h"
#include "tests/support/processprobe.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace ferry;

namespace {

// A virtual X display with openbox on it, gone with this object.
class XDisplay {
public:
    ~XDisplay()
    {
        for (QProcess *p : {&m_openbox, &m_xvfb})
            test::stopProcess(*p);
    }

    static bool available(QString *why)
    {
        for (const char *tool : {"Xvfb", "openbox", "xdotool"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                *why = QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
                return false;
            }
        }
        return true;
    }

    bool start()
    {
        // A display number nobody uses.
        for (int n = 50 + int(QCoreApplication::applicationPid() % 200); n < 400; ++n) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))
                || QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            m_display = QStringLiteral(":%1").arg(n);
            m_xvfb.start(QStringLiteral("Xvfb"), {m_display, QStringLiteral("-screen"), QStringLiteral("0"),
                                                  QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                                  QStringLiteral("tcp")});
            if (!QTest::qWaitFor([&] { return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)); }, 5000))
                return false;
            QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
            e.insert(QStringLiteral("DISPLAY"), m_display);
            m_openbox.setProcessEnvironment(e);
            m_openbox.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
            if (!m_openbox.waitForStarted(5000))
                return false;
            QTest::qWait(500); // the window manager takes over the screen
            return true;
        }
        return false;
    }

    QString display() const { return m_display; }

    // Runs xdotool on this display; its output in *out.
    bool xdotool(const QStringList &args, QByteArray *out = nullptr, int ms = 10000) const
    {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("DISPLAY"), m_display);
        p.setProcessEnvironment(e);
        p.start(QStringLiteral("xdotool"), args);
        if (!p.waitForFinished(ms) || p.exitCode() != 0)
            return false;
        if (out)
            *out = p.readAllStandardOutput().trimmed();
        return true;
    }
    bool type(const QString &text) const
    {
        return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
    }
    bool key(const QString &name) const { return xdotool({QStringLiteral("key"), name}); }

private:
    QString m_display;
    QProcess m_xvfb;
    QProcess m_openbox;
};

} // namespace

class TestTavern97Typing : public QObject {
    Q_OBJECT
private slots:
    void aPersonTypesIntoTheBuiltClient()
    {
        QString why;
        if (!XDisplay::available(&why))
            QSKIP(qPrintable(why));
        XDisplay x;
        QVERIFY(x.start());

        FreshRegistry fresh;
        test::NgircdFixture server;
        if (!server.start(&why))
            QSKIP(qPrintable(why));
        QVERIFY(pointChatServerAt(server.host(), server.port()));
        QVERIFY(markLaunchpadConfigured());
        {
            CRegistry keys;
            QVERIFY(keys.Create(QString::fromLatin1(tavern::settingsstore::kChatKey) + QStringLiteral("\\FKeys")));
            QVERIFY(keys.SetStringValue(QStringLiteral("F7"), QStringLiteral("/me waves at $USER")));
        }
        reg::resetDefaultStore();

        IrcPeer bob;
        QVERIFY(bob.connectTo(server, QStringLiteral("bob")));
        bob.send(QStringLiteral("JOIN #game"));
        QVERIFY(bob.waitFor(" 366 bob #game"));

        auto creator = test::startBlockCreator(fresh.env, QStringLiteral("127.0.0.1"), QStringLiteral("Tester"),
                                               QStringLiteral("t@lanway.test"));
        QVERIFY(creator);
        QTemporaryDir dir;
        BuiltClient client(fresh.env, dir.path(), {},
                           {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")},
                            {QStringLiteral("DISPLAY"), x.display()}});
        // Signed on and in its channel, the main window shown.
        QVERIFY(client.dumpUntil([](const Dump &d) { return d.windows.contains("#lanway"); }, 20000));
        QByteArray window;
        QVERIFY(x.xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                           QStringLiteral("--name"), QStringLiteral("The Hearthside 97")}, &window));
        QVERIFY(x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                           QString::fromLatin1(window.split('\n').first())}));

        // Straight after start-up the active window's line takes the keys.
        QVERIFY(x.type(QStringLiteral("/join #game")));
        QVERIFY(x.key(QStringLiteral("Return")));
        QVERIFY(bob.waitFor(":Tester!", 10000));
        QVERIFY(bob.waitFor(" JOIN :#game") || bob.received().contains(" JOIN #game"));
        // ... and straight after the join, in the new window.
        QVERIFY(client.dumpUntil([](const Dump &d) { return d.windows.contains("#game"); }));
        QVERIFY(x.type(QStringLiteral("hello game")));
        QVERIFY(x.key(QStringLiteral("Return")));
        QVERIFY(bob.waitFor("PRIVMSG #game :hello game"));

        // Typed with the message view under the pointer and clicked: still the line's.
        QVERIFY(x.xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"),
                           QString::fromLatin1(window.split('\n').first()), QStringLiteral("200"), QStringLiteral("200"),
                           QStringLiteral("click"), QStringLiteral("1")}));
        QVERIFY(x.type(QStringLiteral("via the view")));
        QVERIFY(x.key(QStringLiteral("Return")));
        QVERIFY(bob.waitFor("PRIVMSG #game :via the view"));

        // Up twice recalls the line before; F7 sends its text with the nickname in it.
        bob.forget();
        QVERIFY(x.key(QStringLiteral("Up")));
        QVERIFY(x.key(QStringLiteral("Up")));
        QVERIFY(x.key(QStringLiteral("Return")));
        QVERIFY(bob.waitFor("PRIVMSG #game :hello game"));
        QVERIFY(x.key(QStringLiteral("F7")));
        QVERIFY(bob.waitFor("PRIVMSG #game :\x01" "ACTION waves at Tester\x01"));

        // A private message arrives while a line is half typed: its window opens
        // behind, and the line goes on and out whole.
        QVERIFY(x.type(QStringLiteral("half a ")));
        bob.send(QStringLiteral("PRIVMSG Tester :psst"));
        QVERIFY(client.dumpUntil([](const Dump &d) { return d.windows.contains("bob"); }));
        QVERIFY(x.type(QStringLiteral("line")));
        QVERIFY(x.key(QStringLiteral("Return")));
        QVERIFY(bob.waitFor("PRIVMSG #game :half a line"));

        // Tab fills in the partner; the message reaches him.
        QVERIFY(x.key(QStringLiteral("Tab")));
        QVERIFY(x.type(QStringLiteral("over here")));
        QVERIFY(x.key(QStringLiteral("Return")));
        QVERIFY(bob.waitFor("PRIVMSG bob :over here"));

        // For the record: what the screen showed.
        QProcess shot;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("DISPLAY"), x.display());
        shot.setProcessEnvironment(e);
        shot.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                              QDir::temp().filePath(QStringLiteral("tavern97_typing.png"))});
        shot.waitForFinished(10000);

        creator->closeWriteChannel();
        creator->waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestTavern97Typing)
#include "test_tavern97_typing.moc"
