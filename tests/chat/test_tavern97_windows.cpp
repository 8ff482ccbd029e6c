// The built chat client's windows against a hostile chat server played by the test:
// floods of senders and of long lines stay bounded (windows opened by others, the
// size of a view), the client keeps answering and ends on SIGTERM at once; and the
// mends a user meets in the windows: /part, /msg with a quoted nickname, the away
// line, window logs in the data folder, formatting codes shown as styles.

#include "tests/chat/builtchatclient.h"
#include "tests/chat/freshregistry.h"
#include "tests/chat/scriptedserver.h"
#include "tests/support/processprobe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <csignal>

using namespace ferry;

namespace {

// A registered client in #lanway (with bob and carol listed), driven by a scripted server.
struct HostileSession {
    FreshRegistry fresh;
    ScriptedServer server;
    std::unique_ptr<QProcess> creator;
    QTemporaryDir dir;
    std::unique_ptr<BuiltClient> client;

    bool start(const QStringList &answers = {})
    {
        if (!pointChatServerAt(QStringLiteral("127.0.0.1"), server.port()) || !markLaunchpadConfigured())
            return false;
        reg::resetDefaultStore();
        creator = test::startBlockCreator(fresh.env, QStringLiteral("127.0.0.1"), QStringLiteral("Tester"),
                                          QStringLiteral("t@lanway.test"));
        if (!creator)
            return false;
        client = std::make_unique<BuiltClient>(fresh.env, dir.path(), answers);
        if (!server.registerClient("Tester") || !server.waitForLine([](const QByteArray &l) { return l.startsWith("JOIN "); }))
            return false;
        server.sendLine(":Tester!t@h JOIN :#lanway");
        server.sendLine(":srv 353 Tester = #lanway :Tester bob @carol");
        return client->dumpUntil([](const Dump &d) { return d.windows.value("#lanway").users.size() == 3; });
    }
    ~HostileSession()
    {
        client.reset();
        if (creator) {
            creator->closeWriteChannel();
            creator->waitForFinished(5000);
        }
    }
    // The client still answers the server: a PING gets its PONG.
    bool answersPing(const QByteArray &token, int ms = 10000)
    {
        server.sendLine("PING :" + token);
        return server.waitForLine("PONG :" + token, ms);
    }
};

int privateWindows(const Dump &d)
{
    int n = 0;
    for (auto it = d.windows.begin(); it != d.windows.end(); ++it)
        n += it.key().startsWith(QLatin1String("flooder")) ? 1 : 0;
    return n;
}

} // namespace

class TestTavern97Windows : public QObject {
    Q_OBJECT
private slots:
    void floodsStayBoundedAndTheClientEndsAtOnce()
    {
        HostileSession s;
        QVERIFY(s.start());

        // 150 senders: 100 windows open, the rest of the lines stay in the Server
        // window, marked with the sender.
        for (int i = 0; i < 150; ++i)
            s.server.sendLine(QStringLiteral(":flooder%1!f@h PRIVMSG Tester :hello %1").arg(i).toUtf8());
        QVERIFY(s.answersPing("windows"));
        QVERIFY(s.client->dumpUntil([](const Dump &d) {
            return d.windows.value("server").shows(QStringLiteral("[flooder149] <flooder149> hello 149"));
        }));
        QCOMPARE(privateWindows(s.client->dump), 100);
        QVERIFY(s.client->dump.windows.value("flooder99").shows(QStringLiteral("<flooder99> hello 99")));
        QVERIFY(!s.client->dump.windows.value("server").shows(QStringLiteral("[flooder99] <flooder99> hello 99")));
        // Opened by others, they left the window typed in active: its tab is the selected one.
        QCOMPARE(s.client->dump.tabs.value(1), QStringLiteral("#lanway\tseen"));
        QVERIFY(s.client->dump.tabs.contains(QStringLiteral("flooder7\tunseen")));

        // Long lines: 2,600 of 8,000 characters would take 42 MB as the view keeps
        // text; the view holds at most 32 MB (16 M characters, and an eighth more
        // gathers before the oldest lines drop).
        const QByteArray filler(8000, 'x');
        for (int i = 0; i < 2600; ++i)
            s.server.sendLine(":bob!b@h PRIVMSG #lanway :" + QByteArray::number(i) + ' ' + filler);
        QVERIFY(s.answersPing("memory", 60000));
        QVERIFY(s.client->dumpUntil([](const Dump &d) {
            return d.windows.value("#lanway").shows(QStringLiteral("<bob> 2599 ") + QString(8000, u'x'));
        }, 60000));
        qint64 kept = 0;
        for (const QString &line : s.client->dump.windows.value("#lanway").lines)
            kept += line.size() + 1;
        QVERIFY2(kept <= 16 * 1024 * 1024 * 9 / 8, qPrintable(QString::number(kept)));
        // The oldest lines drop; none of those after them is lost, however far the
        // client fell behind the server.
        const QStringList &shown = s.client->dump.windows.value("#lanway").lines;
        for (qsizetype i = 1; i < shown.size(); ++i)
            QCOMPARE(shown[i].section(u' ', 1, 1).toInt(), shown[i - 1].section(u' ', 1, 1).toInt() + 1);
        QVERIFY2(kept >= 16 * 1024 * 1024 - 9000, qPrintable(QString::number(kept)));

        // 2,000 more senders; the client answers at once and SIGTERM ends it within 3 s.
        for (int i = 150; i < 2150; ++i)
            s.server.sendLine(QStringLiteral(":flooder%1!f@h PRIVMSG Tester :hello %1").arg(i).toUtf8());
        QVERIFY(s.answersPing("still here"));
        QVERIFY(test::catchesSignal(s.client->pid(), SIGTERM));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(::kill(pid_t(s.client->pid()), SIGTERM), 0);
        QVERIFY(s.client->process->waitForFinished(3000));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }

    void partMsgAwayLogsAndFormatting()
    {
        HostileSession s;
        QVERIFY(s.start({QStringLiteral("text:gone fishing")}));
        BuiltClient &c = *s.client;

        // /msg with the quoted nickname Tab fills in reaches the nickname itself.
        QVERIFY(c.type(QStringLiteral("#lanway\t/msg \"bob\" over here")));
        QVERIFY(s.server.waitForLine("PRIVMSG bob :over here"));

        // The away message is one parameter, all its words.
        QVERIFY(c.type(QStringLiteral("\tAway...")));
        QVERIFY(s.server.waitForLine("away :gone fishing"));

        // Formatting codes style the text and never show; the log keeps the plain text.
        QVERIFY(c.type(QStringLiteral("\t&Log Window To Disk")));
        const QString logPath = c.logFolder + QStringLiteral("/#lanway");
        QVERIFY(c.dumpUntil([&](const Dump &d) {
            return d.windows.value("server").shows(QStringLiteral("** Logging this window to ") + logPath);
        }));
        s.server.sendLine(":bob!b@h PRIVMSG #lanway :\x02" "bold\x02 \x03" "04,01red\x03 \x1Fun\x1F\x0F" "done");
        QVERIFY(c.dumpUntil([](const Dump &d) {
            return d.windows.value("#lanway").shows(QStringLiteral("<bob> bold red undone"));
        }));
        QTRY_VERIFY(c.log(QStringLiteral("#lanway")).contains(QStringLiteral("<bob> bold red undone")));
        QVERIFY(!QFile::exists(c.folder + QStringLiteral("/#lanway"))); // nothing in the folder it was started in

        // /part alone leaves the window's channel; once left, the window lists nobody.
        s.server.forget();
        QVERIFY(c.type(QStringLiteral("#lanway\t/part")));
        QVERIFY(s.server.waitForLine("PART #lanway"));
        QCOMPARE(s.server.count([](const QByteArray &l) { return l.startsWith("part"); }), 0);
        s.server.sendLine(":Tester!t@h PART #lanway");
        QVERIFY(c.dumpUntil([](const Dump &d) {
            return d.windows.contains("#lanway") && d.windows.value("#lanway").users.isEmpty();
        }));
    }
};

QTEST_GUILESS_MAIN(TestTavern97Windows)
#include "test_tavern97_windows.moc"
