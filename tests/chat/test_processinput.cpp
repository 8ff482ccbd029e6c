#include "chat/core/commandargs.h"
#include "chat/core/tavernwapp.h"
#include "tests/chat/corerigs.h"

#include <QDesktopServices>
#include <QTest>
#include <QUrl>

namespace {

// A core rig whose tick clock stands just below its wrap, with the typed lines run.
struct Rig : CoreRig {
    Rig() { app.SetTickClock([] { return 0xFFFFFFFEu; }); }
    QStringList run(const QString &text, const QString &target = QString())
    {
        sent.clear();
        app.ProcessInput(text, target);
        return sent;
    }
    void joinChannel(const QString &name) { app.OnServerLine(QStringLiteral(":me!~me@h JOIN :") + name); }
    QList<PrintedLine> linesIn(const QString &window) const
    {
        QList<PrintedLine> out;
        for (const PrintedLine &l : fe.lines)
            if (l.window == window)
                out << l;
        return out;
    }
    PrintedLine lastIn(const QString &window) const { return linesIn(window).value(linesIn(window).size() - 1); }
};

// Receives the addresses the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

} // namespace

class TestProcessInput : public QObject {
    Q_OBJECT
private slots:
    void protocolCommandsSendTheirExactLines_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("lines");
        const QString chan = QStringLiteral("#lanway");
        auto L = [](std::initializer_list<const char *> lines) {
            QStringList out;
            for (const char *l : lines)
                out << QString::fromUtf8(l);
            return out;
        };
        QTest::newRow("join") << "/join #descent" << "" << L({"JOIN #descent\n", "MODE #descent\n"});
        QTest::newRow("kill") << "/kill bob flooding" << "" << L({"kill :bob flooding\n"});
        QTest::newRow("pmsg") << "/pmsg hello there" << chan << L({"PRIVMSG #lanway :hello there\n"});
        QTest::newRow("pmsg in Server window") << "/pmsg hello" << "" << QStringList();
        QTest::newRow("msg") << "/msg bob see you at 9" << chan << L({"PRIVMSG bob :see you at 9\n"});
        QTest::newRow("msg without text") << "/msg bob" << "" << L({"PRIVMSG bob :\n"});
        QTest::newRow("msg to a quoted nick") << "/msg \"bob\" see you" << "" << L({"PRIVMSG bob :see you\n"});
        QTest::newRow("part alone in a channel") << "/part" << chan << L({"PART #lanway\n"});
        QTest::newRow("part with a reason") << "/part off to bed" << chan << L({"PART #lanway :off to bed\n"});
        QTest::newRow("part of a named channel") << "/part #descent" << chan << L({"part #descent\n"});
        QTest::newRow("part alone in the Server window") << "/part" << "" << QStringList();
        QTest::newRow("notice") << "/notice bob game full" << "" << L({"NOTICE bob :game full\n"});
        QTest::newRow("me") << "/me waves" << chan << L({"PRIVMSG #lanway :\x01" "ACTION waves\x01\n"});
        QTest::newRow("me in Server window") << "/me waves" << "" << QStringList();
        QTest::newRow("ctcp") << "/ctcp bob VERSION" << "" << L({"PRIVMSG bob :\x01VERSION\x01\n"});
        QTest::newRow("ping: tick as signed") << "/ping bob" << "" << L({"PRIVMSG bob :\x01PING -2\x01\n"});
        QTest::newRow("tping") << "/tping bob" << "" << L({"PRIVMSG bob :\x01UDPPING\x01\n"});
        QTest::newRow("quit with message") << "/quit bye all" << "" << L({"QUIT :bye all\n"});
        QTest::newRow("quit alone quits with its own word") << "/quit" << "" << L({"QUIT :quit\n"});
        QTest::newRow("quit with a blank takes QuitMsg") << "/quit " << "" << L({"QUIT :Leaving\n"});
        QTest::newRow("list") << "/list" << "" << L({"LIST \n"});
        QTest::newRow("LIST in capitals") << "/LIST" << "" << L({"LIST \n"});
        QTest::newRow("whois") << "/whois bob" << "" << L({"whois bob\n"});
        QTest::newRow("who alone") << "/who" << "" << L({"WHO *\n"});
        QTest::newRow("who one word") << "/who x" << "" << L({"WHO *\n"});
        QTest::newRow("who two words") << "/who x *.lanway" << "" << L({"WHO *.lanway\n"});
        QTest::newRow("nick") << "/NiCk hero" << "" << L({"nick hero\n"});
        QTest::newRow("mode") << "/mode #lanway +m" << "" << L({"MODE #lanway +m\n"});
        QTest::newRow("unknown word raw") << "/away gone fishing" << "" << L({"away gone fishing\n"});
        QTest::newRow("dcc other sub-word raw") << "/dcc resume x" << "" << L({"dcc resume x\n"});
        QTest::newRow("unknown bare word") << "/motd" << "" << L({"motd motd\n"});
        QTest::newRow("lone slash") << "/" << "" << QStringList();
        QTest::newRow("slash and blank") << "/ quit" << "" << QStringList();
        QTest::newRow("line breaks never reach the wire") << "/quit a\r\nJOIN #x" << "" << L({"QUIT :aJOIN #x\n"});
    }
    void protocolCommandsSendTheirExactLines()
    {
        QFETCH(QString, typed);
        QFETCH(QString, target);
        QFETCH(QStringList, lines);
        Rig r;
        QCOMPARE(r.run(typed, target), lines);
    }

    void kickAndTopicArgumentRules_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("line");
        QTest::newRow("kick in channel") << "kick" << "bob" << "#lanway" << "kick #lanway bob ";
        QTest::newRow("kick in channel with reason") << "kick" << "bob be nice" << "#lanway" << "kick #lanway bob : be nice";
        QTest::newRow("kick naming channel") << "kick" << "#descent bob" << "#lanway" << "kick #descent bob ";
        QTest::newRow("kick naming channel with reason") << "kick" << "#descent bob be nice" << "" << "kick #descent bob :be nice";
        QTest::newRow("kick from Server window") << "kick" << "#d bob" << "" << "kick #d bob ";
        QTest::newRow("topic in channel") << "topic" << "tonight: D2 league" << "#lanway" << "topic #lanway :tonight: D2 league";
        QTest::newRow("topic asks") << "topic" << "#descent" << "#lanway" << "topic #descent ";
        QTest::newRow("topic trailing blank asks") << "topic" << "#descent " << "" << "topic #descent ";
        QTest::newRow("topic naming channel") << "topic" << "#descent new maps" << "" << "topic #descent :new maps";
    }
    void kickAndTopicArgumentRules()
    {
        QFETCH(QString, command);
        QFETCH(QString, arguments);
        QFETCH(QString, target);
        QFETCH(QString, line);
        Rig r;
        QCOMPARE(r.run(QLatin1Char('/') + command + QLatin1Char(' ') + arguments, target), QStringList{line + QLatin1Char('\n')});
    }

    void splitsTheCommandWord()
    {
        QCOMPARE(SplitCommand(QStringLiteral("msg bob hi")).word, QStringLiteral("msg"));
        QCOMPARE(SplitCommand(QStringLiteral("msg bob hi")).arguments, QStringLiteral("bob hi"));
        QCOMPARE(SplitCommand(QStringLiteral("quit")).arguments, QStringLiteral("quit"));
        QCOMPARE(SplitCommand(QStringLiteral("quit ")).arguments, QString());
    }

    void plainTextIsSentAndEchoedInTheRightColour()
    {
        Rig r;
        r.app.m_Settings.HighlightWords = {{QStringLiteral("descent"), 0x0000AA00}};
        r.joinChannel(QStringLiteral("#lanway"));

        QCOMPARE(r.run(QStringLiteral("hello all"), QStringLiteral("#lanway")), QStringList{QStringLiteral("PRIVMSG #lanway :hello all\n")});
        QCOMPARE(r.lastIn(QStringLiteral("#lanway")).text, QStringLiteral("<me> hello all"));
        QCOMPARE(r.lastIn(QStringLiteral("#lanway")).colour, r.app.m_Settings.Normal);

        r.run(QStringLiteral("who plays Descent?"), QStringLiteral("#lanway"));
        QCOMPARE(r.lastIn(QStringLiteral("#lanway")).colour, ChatColour(0x0000AA00));

        QCOMPARE(r.run(QStringLiteral("psst"), QStringLiteral("bob")), QStringList{QStringLiteral("PRIVMSG bob :psst\n")});
        QCOMPARE(r.lastIn(QStringLiteral("bob")).text, QStringLiteral("<me> psst"));
        QCOMPARE(r.lastIn(QStringLiteral("bob")).colour, r.app.m_Settings.Private);

        const qsizetype printed = r.fe.lines.size();
        QVERIFY(r.run(QStringLiteral("typed into Server"), QString()).isEmpty());
        QCOMPARE(r.fe.lines.size(), printed);
    }

    void echoesGoToTheirWindowsInTheirColours()
    {
        Rig r;
        r.joinChannel(QStringLiteral("#lanway"));
        const CChatSettings &s = r.app.m_Settings;

        r.run(QStringLiteral("/msg bob see you"), QStringLiteral("#lanway"));
        QCOMPARE(r.lastIn(QStringLiteral("#lanway")).text, QStringLiteral("me: *bob* see you"));
        QCOMPARE(r.lastIn(QStringLiteral("#lanway")).colour, s.Private);
        QVERIFY(!r.app.FindWindow(QStringLiteral("bob")));

        r.run(QStringLiteral("/notice bob game full"), QStringLiteral("#lanway"));
        QCOMPARE(r.lastIn(QStringLiteral("bob")).text, QStringLiteral("me: NOTICE -bob- game full"));
        QCOMPARE(r.lastIn(QStringLiteral("bob")).colour, s.Action);

        r.run(QStringLiteral("/me waves"), QStringLiteral("#lanway"));
        QCOMPARE(r.lastIn(QStringLiteral("#lanway")).text, QStringLiteral("* me waves"));
        QCOMPARE(r.lastIn(QStringLiteral("#lanway")).colour, s.Action);

        r.run(QStringLiteral("/ctcp bob VERSION"), QStringLiteral("#lanway"));
        QCOMPARE(r.lastIn(QStringLiteral("#lanway")).text, QStringLiteral("me: CTCP *bob* VERSION"));

        r.run(QStringLiteral("/ping bob"), QStringLiteral("#lanway"));
        QCOMPARE(r.lastIn(QStringLiteral("Server")).text, QStringLiteral("** Pinging bob\n"));
        QCOMPARE(r.lastIn(QStringLiteral("Server")).colour, s.Status);
        r.run(QStringLiteral("/tping carl"), QStringLiteral("#lanway"));
        QCOMPARE(r.lastIn(QStringLiteral("Server")).text, QStringLiteral("** Pinging carl\n"));
    }

    void ignoreToggles()
    {
        Rig r;
        QVERIFY(r.run(QStringLiteral("/ignore spammer extra words")).isEmpty());
        QCOMPARE(r.app.IgnoreList(), QStringList{QStringLiteral("spammer")});
        QCOMPARE(r.lastIn(QStringLiteral("Server")).text, QStringLiteral("** Ignoreing user spammer."));
        QCOMPARE(r.lastIn(QStringLiteral("Server")).colour, r.app.m_Settings.Status);

        r.run(QStringLiteral("/IGNORE spammer"), QStringLiteral("#lanway"));
        QVERIFY(r.app.IgnoreList().isEmpty());
        QCOMPARE(r.lastIn(QStringLiteral("Server")).text, QStringLiteral("** No longer ignoring user spammer."));

        // A blank nickname is never listed: it would silence lines without a sender.
        r.run(QStringLiteral("/ignore "));
        QVERIFY(r.app.IgnoreList().isEmpty());

        // The dispatcher now drops what the ignored user says.
        r.run(QStringLiteral("/ignore spammer"));
        r.app.OnServerLine(QStringLiteral(":spammer!s@h PRIVMSG me :buy now"));
        QVERIFY(!r.app.FindWindow(QStringLiteral("spammer")));
    }

    void awayTogglesAndAnnouncesInEveryChannel()
    {
        Rig r;
        r.joinChannel(QStringLiteral("#lanway"));
        r.joinChannel(QStringLiteral("#descent"));

        r.env.setAnswers({QStringLiteral("cancel"), QStringLiteral("text:lunch")});
        r.sent.clear();
        r.app.ToggleAway();
        QTRY_COMPARE(r.env.prompts().size(), 1);
        QCOMPARE(r.env.prompts().value(0).text, QStringLiteral("Enter your away message"));
        QVERIFY(!r.app.IsAway());
        QVERIFY(r.sent.isEmpty());

        r.app.ToggleAway();
        QTRY_VERIFY(r.app.IsAway());
        QCOMPARE(r.sent, (QStringList{QStringLiteral("PRIVMSG #descent :\x01" "ACTION is away (lunch)\x01\n"),
                                      QStringLiteral("PRIVMSG #lanway :\x01" "ACTION is away (lunch)\x01\n"),
                                      QStringLiteral("away :lunch\n")}));
        QCOMPARE(r.lastIn(QStringLiteral("#lanway")).text, QStringLiteral("* me is away (lunch)"));
        QCOMPARE(r.lastIn(QStringLiteral("#descent")).colour, r.app.m_Settings.Action);

        r.sent.clear();
        const int promptsBefore = r.env.prompts().size();
        r.app.ToggleAway();
        QVERIFY(!r.app.IsAway());
        QCOMPARE(r.env.prompts().size(), promptsBefore);
        QCOMPARE(r.sent, (QStringList{QStringLiteral("PRIVMSG #descent :\x01" "ACTION is back.\x01\n"),
                                      QStringLiteral("PRIVMSG #lanway :\x01" "ACTION is back.\x01\n"),
                                      QStringLiteral("away\n")}));
        QCOMPARE(r.lastIn(QStringLiteral("#lanway")).text, QStringLiteral("* me is back."));
    }

    void hookedCommandsReachTheirParts()
    {
        Rig r;
        QStringList calls;
        r.app.m_CommandHooks.serviceCommand = [&](const QString &w, const QString &a) {
            calls << QStringLiteral("service %1|%2").arg(w, a);
            return true;
        };
        r.app.m_CommandHooks.dccChat = [&](const QString &nick) { calls << QStringLiteral("chat %1").arg(nick); };
        r.app.m_CommandHooks.dccSend = [&](const QString &nick, const QString &path) {
            calls << QStringLiteral("send %1|%2").arg(nick, path);
        };
        r.app.m_CommandHooks.offerCommand = [&](const QString &w, const QString &a, const QString &t) {
            const bool mine = w.compare(QLatin1String("get"), Qt::CaseInsensitive) == 0 || w.contains(QLatin1String("offer"), Qt::CaseInsensitive);
            if (mine)
                calls << QStringLiteral("offer %1|%2|%3").arg(w, a, t);
            return mine;
        };
        r.app.m_CommandHooks.finger = [&](const QString &address) { calls << QStringLiteral("finger %1").arg(address); };

        for (const char *typed : {"/SKILL \"big bad\" :cheating", "/users", "/swhois bob", "/dcc CHAT bob",
                                  "/dcc send bob /home/me/my maps/level 1.rl2", "/offer /tmp/a.zip", "/showoffers",
                                  "/get bob 3", "/finger bob@example.net"})
            QVERIFY(r.run(QString::fromUtf8(typed), QStringLiteral("#lanway")).isEmpty());
        QCOMPARE(calls, (QStringList{
                            QStringLiteral("service SKILL|\"big bad\" :cheating"),
                            QStringLiteral("service users|users"),
                            QStringLiteral("service swhois|bob"),
                            QStringLiteral("chat bob"),
                            QStringLiteral("send bob|/home/me/my maps/level 1.rl2"),
                            QStringLiteral("offer offer|/tmp/a.zip|#lanway"),
                            QStringLiteral("offer showoffers|showoffers|#lanway"),
                            QStringLiteral("offer get|bob 3|#lanway"),
                            QStringLiteral("finger bob@example.net"),
                        }));
        // An offer hook that declines a word leaves it to the server.
        QCOMPARE(r.run(QStringLiteral("/version")), QStringList{QStringLiteral("version version\n")});
    }

    void unwiredCommandsSayTheyAreNotAvailable()
    {
        Rig r;
        for (const char *typed : {"/users", "/dcc chat bob", "/dcc send bob a.zip", "/offer a.zip", "/finger x@y"}) {
            const qsizetype before = r.fe.lines.size();
            QVERIFY2(r.run(QString::fromUtf8(typed)).isEmpty(), typed);
            QCOMPARE(r.fe.lines.size(), before + 1);
            QVERIFY2(r.lastIn(QStringLiteral("Server")).text.contains(QLatin1String("not available")), typed);
        }
    }

    void helpOpensTheManual()
    {
        Rig r;
        QVERIFY(r.run(QStringLiteral("/help")).isEmpty());
        QCOMPARE(r.fe.urls, QStringList{QString::fromLatin1(kManualUrl)});
        // A browser that cannot be started is reported.
        r.fe.openUrls = false;
        QVERIFY(r.run(QStringLiteral("/help")).isEmpty());
        QCOMPARE(r.lastIn(QStringLiteral("Server")).text,
                 QStringLiteral("** Unable to open the manual at %1").arg(QLatin1String(kManualUrl)));
    }
};

QTEST_MAIN(TestProcessInput)
#include "test_processinput.moc"
