#include "chat/core/tavernwapp.h"
#include "tests/chat/corerigs.h"
#include "tests/support/testenv.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr QChar kMark(0x01);

// The dispatcher's rig: a core rig fed server lines.
struct Rig : CoreRig {
    void feed(const QString &line) { app.OnServerLine(line); }
    void registerNow()
    {
        feed(QStringLiteral(":srv 376 me :End of MOTD"));
        sent.clear();
    }
    QStringList server() const { return fe.textsIn(QStringLiteral("Server")); }
    CTavernwDoc *joinChannel(const QString &name)
    {
        feed(QStringLiteral(":me!~me@h JOIN :") + name);
        return app.FindChannel(name);
    }
};

} // namespace

class TestDispatcher : public QObject {
    Q_OBJECT
private slots:
    void registrationJoinsOnceOnEndOfMotd()
    {
        for (const char *numeric : {"376", "422"}) {
            Rig r;
            r.feed(QStringLiteral(":srv %1 me :End").arg(QLatin1String(numeric)));
            QVERIFY(r.app.IsRegistered());
            QCOMPARE(r.sent, (QStringList{QStringLiteral("JOIN #lanway\n"), QStringLiteral("MODE #lanway\n")}));
            r.sent.clear();
            const QString again = QStringLiteral(":srv %1 me :End again").arg(QLatin1String(numeric));
            r.feed(again);
            QVERIFY(r.sent.isEmpty());
            QCOMPARE(r.server().last(), again);
        }
    }

    void pingIsAnsweredExactlyEvenWhenRepeated()
    {
        Rig r;
        QVERIFY(r.app.m_Settings.SpamFilter);
        r.feed(QStringLiteral("PING :irc.lanway.test"));
        r.feed(QStringLiteral("PING :irc.lanway.test"));
        QCOMPARE(r.sent, (QStringList{QStringLiteral("PONG :irc.lanway.test\n"), QStringLiteral("PONG :irc.lanway.test\n")}));
        r.sent.clear();
        r.feed(QStringLiteral("ping 123 456"));
        QCOMPARE(r.sent, QStringList{QStringLiteral("PONG 123 456\n")});
    }

    void repeatFilterDropsOnlyImmediateRepeats()
    {
        Rig r;
        r.joinChannel(QStringLiteral("#lanway"));
        const QString line = QStringLiteral(":bob!b@h PRIVMSG #lanway :spam");
        r.feed(line);
        r.feed(line);
        QCOMPARE(r.fe.textsIn(QStringLiteral("#lanway")).count(QStringLiteral("<bob> spam")), 1);
        r.feed(QStringLiteral(":alice!a@h PRIVMSG #lanway :hi"));
        r.feed(line);
        QCOMPARE(r.fe.textsIn(QStringLiteral("#lanway")).count(QStringLiteral("<bob> spam")), 2);
        r.app.m_Settings.SpamFilter = false;
        r.feed(line);
        QCOMPARE(r.fe.textsIn(QStringLiteral("#lanway")).count(QStringLiteral("<bob> spam")), 3);
    }

    void unparsableLineIsReportedAndShownRaw()
    {
        Rig r;
        r.feed(QStringLiteral(":nonsense"));
        QTRY_COMPARE(r.env.prompts().size(), 1);
        const auto prompts = r.env.prompts();
        QCOMPARE(prompts.first().text, QStringLiteral("Unable to parse line. Something really strange was sent by the IRC server."));
        QCOMPARE(r.server().last(), QStringLiteral(":nonsense"));
    }

    void joinOpensTheChannelAndListsOthers()
    {
        Rig r;
        r.app.m_Settings.ShowJoinPart = true;
        CTavernwDoc *doc = r.joinChannel(QStringLiteral("#Lanway"));
        QVERIFY(doc);
        QCOMPARE(doc->Name(), QStringLiteral("#Lanway"));
        QVERIFY(r.app.Windows().Contains(QStringLiteral("#lanway")));
        QVERIFY(r.server().contains(QStringLiteral("Attemping to Join channel...")));
        QVERIFY(doc->Users().Items().isEmpty()); // our own join adds nobody; the names reply does
        r.feed(QStringLiteral(":bob!b@h JOIN #lanway"));
        QCOMPARE(doc->Users().Items(), QStringList{QStringLiteral("bob")});
        QVERIFY(r.app.UserMap().contains(QStringLiteral("bob")));
        QCOMPARE(r.fe.textsIn(QStringLiteral("#Lanway")).last(), QStringLiteral("bob has joined channel #lanway."));
        QCOMPARE(r.fe.created.count(QStringLiteral("#Lanway")), 1);
    }

    void partRemovesTheUserAndForgetsTheLastSighting()
    {
        Rig r;
        r.app.m_Settings.ShowJoinPart = true;
        CTavernwDoc *a = r.joinChannel(QStringLiteral("#a"));
        CTavernwDoc *b = r.joinChannel(QStringLiteral("#b"));
        r.feed(QStringLiteral(":bob!b@h JOIN :#a"));
        r.feed(QStringLiteral(":bob!b@h JOIN :#b"));
        // A part with a reason still names the channel by its first word.
        r.feed(QStringLiteral(":bob!b@h PART #a :gone fishing"));
        QVERIFY(!a->IsUserListed(QStringLiteral("bob")));
        QVERIFY(r.app.UserMap().contains(QStringLiteral("bob")));
        QCOMPARE(r.fe.textsIn(QStringLiteral("#a")).last(), QStringLiteral("bob has left channel #a."));
        r.feed(QStringLiteral(":bob!b@h PART :#B"));
        QVERIFY(!b->IsUserListed(QStringLiteral("bob")));
        QVERIFY(!r.app.UserMap().contains(QStringLiteral("bob")));
    }

    void namesFillTheListOfChannelsWeAreIn()
    {
        Rig r;
        CTavernwDoc *doc = r.joinChannel(QStringLiteral("#lanway"));
        r.feed(QStringLiteral(":srv 353 me = #Lanway :@me +bob carol"));
        QVERIFY(r.app.UserMap().contains(QStringLiteral("bob"))); // kept by plain nickname
        QCOMPARE(doc->Users().Items(), (QStringList{QStringLiteral("+bob"), QStringLiteral("@me"), QStringLiteral("carol")}));
        QCOMPARE(r.server().last(), QStringLiteral("#lanway - @me +bob carol"));
        // Names of a channel we are not in are shown, but nobody is recorded.
        r.feed(QStringLiteral(":srv 353 me = #Other :dave erin"));
        QVERIFY(!r.app.UserMap().contains(QStringLiteral("dave")));
        QVERIFY(!r.app.UserMap().contains(QStringLiteral("erin")));
        QCOMPARE(r.server().last(), QStringLiteral("#other - dave erin"));
        QVERIFY(!r.app.FindChannel(QStringLiteral("#other")));
    }

    void channelAndPrivateMessages()
    {
        Rig r;
        r.app.m_Settings.HighlightWords = {{QStringLiteral("descent"), 0x00123456}};
        r.joinChannel(QStringLiteral("#lanway"));
        r.feed(QStringLiteral(":bob!b@h PRIVMSG #LANWAY :who plays Descent?"));
        const PrintedLine &chan = r.fe.lines.last();
        QCOMPARE(chan.window, QStringLiteral("#lanway"));
        QCOMPARE(chan.text, QStringLiteral("<bob> who plays Descent?"));
        QCOMPARE(chan.colour, ChatColour(0x00123456));

        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :psst"));
        QCOMPARE(r.fe.created.last(), QStringLiteral("bob"));
        QCOMPARE(r.fe.lines.last().window, QStringLiteral("bob"));
        QCOMPARE(r.fe.lines.last().text, QStringLiteral("<bob> psst"));
        QCOMPARE(r.fe.lines.last().colour, r.app.m_Settings.Private);
        QCOMPARE(r.fe.beeps, 1);

        r.app.m_Settings.PrivateWindows = false;
        r.app.m_Settings.BeepOnPrivate = false;
        r.feed(QStringLiteral(":carol!c@h PRIVMSG me :hello"));
        QCOMPARE(r.server().last(), QStringLiteral("<carol> hello"));
        QCOMPARE(r.fe.beeps, 1);
        QVERIFY(!r.fe.created.contains(QStringLiteral("carol")));
    }

    void privateWindowThatCannotOpenFallsBackToServer()
    {
        Rig r;
        r.fe.failWindows = true;
        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :psst"));
        QCOMPARE(r.server().last(), QStringLiteral("<bob> psst"));
        QTRY_COMPARE(r.env.prompts().value(0).text, QStringLiteral("Unable to create new Window!"));
        QVERIFY(!r.app.FindWindow(QStringLiteral("bob")));
    }

    void ignoredSendersVanishButTheirJoinsShow()
    {
        Rig r;
        r.app.m_Settings.ShowJoinPart = true;
        r.app.ToggleIgnore(QStringLiteral("troll"));
        r.joinChannel(QStringLiteral("#lanway"));
        const int before = r.fe.lines.size();
        r.feed(QStringLiteral(":troll!t@h PRIVMSG #lanway :noise"));
        r.feed(QStringLiteral(":troll!t@h PRIVMSG me :noise"));
        r.feed(QStringLiteral(":troll!t@h NOTICE #lanway :noise"));
        r.feed(QStringLiteral(":troll!t@h PRIVMSG me :") + kMark + QStringLiteral("VERSION") + kMark);
        QCOMPARE(r.fe.lines.size(), before);
        QVERIFY(r.sent.isEmpty());
        // Ignoring compares exactly: another case is someone else.
        r.feed(QStringLiteral(":Troll!t@h PRIVMSG #lanway :other"));
        QCOMPARE(r.fe.lines.size(), before + 1);
        r.feed(QStringLiteral(":troll!t@h JOIN #lanway"));
        QCOMPARE(r.fe.textsIn(QStringLiteral("#lanway")).last(), QStringLiteral("troll has joined channel #lanway."));
    }

    void noticesBeforeAndAfterRegistration()
    {
        Rig r;
        r.feed(QStringLiteral(":srv NOTICE AUTH :*** Looking up your hostname"));
        QVERIFY(r.server().isEmpty());
        r.registerNow();
        r.feed(QStringLiteral(":srv NOTICE me :hello"));
        QCOMPARE(r.server().last(), QStringLiteral("*<srv> hello"));
        QCOMPARE(r.fe.lines.last().colour, r.app.m_Settings.Status);
        QCOMPARE(r.fe.beeps, 1);
        r.joinChannel(QStringLiteral("#lanway"));
        r.feed(QStringLiteral(":bob!b@h NOTICE #lanway :listen"));
        QCOMPARE(r.fe.lines.last().window, QStringLiteral("#lanway"));
        QCOMPARE(r.fe.lines.last().text, QStringLiteral("* <bob> listen"));
        QCOMPARE(r.fe.lines.last().colour, r.app.m_Settings.Action);
    }

    void quitLeavesEveryChannel()
    {
        Rig r;
        r.app.m_Settings.ShowJoinPart = true;
        CTavernwDoc *a = r.joinChannel(QStringLiteral("#a"));
        r.joinChannel(QStringLiteral("#b"));
        r.feed(QStringLiteral(":srv 353 me = #a :@bob"));
        r.feed(QStringLiteral(":bob!b@h QUIT :Ping timeout"));
        const QString line = QStringLiteral("bob has quit IRC (Ping timeout).");
        QVERIFY(!a->IsUserListed(QStringLiteral("bob")));
        QCOMPARE(r.fe.textsIn(QStringLiteral("#a")).last(), line);
        QVERIFY(!r.fe.textsIn(QStringLiteral("#b")).contains(line)); // bob was not listed there
        QCOMPARE(r.server().last(), line);
        QVERIFY(!r.app.UserMap().contains(QStringLiteral("bob")));
    }

    void modeChangesUpdateTheListAndRequery()
    {
        Rig r;
        CTavernwDoc *doc = r.joinChannel(QStringLiteral("#lanway"));
        r.feed(QStringLiteral(":srv 353 me = #lanway :me bob carol"));
        r.feed(QStringLiteral(":me!m@h MODE #lanway +ov bob carol"));
        QCOMPARE(doc->Users().Items(), (QStringList{QStringLiteral("+carol"), QStringLiteral("@bob"), QStringLiteral("me")}));
        QCOMPARE(r.server().last(), QStringLiteral("me set mode #lanway +ov bob carol"));
        QCOMPARE(r.sent, QStringList{QStringLiteral("MODE #lanway\n")});

        r.feed(QStringLiteral(":me!m@h MODE #lanway -o+v bob bob"));
        QVERIFY(doc->Users().Contains(QStringLiteral("+bob")));

        // A limit names no user: printed and, the last query being answered, re-queried;
        // the list untouched.
        r.sent.clear();
        r.feed(QStringLiteral(":srv 324 me #lanway +nt"));
        const QStringList before = doc->Users().Items();
        r.feed(QStringLiteral(":me!m@h MODE #lanway +l 10"));
        QCOMPARE(doc->Users().Items(), before);
        QCOMPARE(r.sent, QStringList{QStringLiteral("MODE #lanway\n")});
        // Letters with arguments that are no nicknames add nobody, even behind an 'o'.
        r.feed(QStringLiteral(":me!m@h MODE #lanway +ol carol 10"));
        QCOMPARE(doc->Users().Items(), (QStringList{QStringLiteral("+bob"), QStringLiteral("@carol"), QStringLiteral("me")}));

        r.sent.clear();
        r.feed(QStringLiteral(":me MODE me :+i"));
        QVERIFY(r.sent.isEmpty());
        QCOMPARE(r.server().last(), QStringLiteral("me set mode me :+i"));
    }

    void kickOfOthersAndOfOurselves()
    {
        Rig r;
        CTavernwDoc *doc = r.joinChannel(QStringLiteral("#lanway"));
        r.feed(QStringLiteral(":srv 353 me = #lanway :me bob"));
        r.feed(QStringLiteral(":op!o@h KICK #lanway bob :be nice"));
        QVERIFY(!doc->IsUserListed(QStringLiteral("bob")));
        QCOMPARE(r.fe.textsIn(QStringLiteral("#lanway")).last(), QStringLiteral("op has kicked bob from #lanway (be nice)."));

        r.feed(QStringLiteral(":op!o@h KICK #LANWAY me :bye now"));
        const QString text = QStringLiteral("You have been kicked from #LANWAY with the reason bye now");
        QTRY_COMPARE(r.env.prompts().value(0).text, text);
        QCOMPARE(r.server().last(), text);
        QCOMPARE(r.fe.closed, QStringList{QStringLiteral("#lanway")});
        QVERIFY(!r.app.FindChannel(QStringLiteral("#lanway")));
        // Lines for the closed channel are dropped.
        const int count = r.fe.lines.size();
        r.feed(QStringLiteral(":bob!b@h PRIVMSG #lanway :still here?"));
        QCOMPARE(r.fe.lines.size(), count);
    }

    void hostileFloodsCostOneQueryOneBoxAndBoundedEchoes()
    {
        Rig r;
        r.fe.holdPrompts = true;
        r.registerNow();
        r.joinChannel(QStringLiteral("#lanway"));
        r.feed(QStringLiteral(":srv 324 me #lanway +nt"));
        r.sent.clear();

        // 5,000 mode changes make one mode query until it is answered (or fails).
        for (int i = 0; i < 5000; ++i)
            r.feed(QStringLiteral(":op!o@h MODE #lanway +l %1").arg(i));
        QCOMPARE(r.sent, QStringList{QStringLiteral("MODE #lanway\n")});
        r.feed(QStringLiteral(":srv 403 me #lanway :No such channel"));
        r.feed(QStringLiteral(":op!o@h MODE #lanway +l 1"));
        QCOMPARE(r.sent.size(), 2);

        // Unparsable lines, refused nicknames and kicks: one box each, the repeats counted.
        r.sent.clear();
        for (int i = 0; i < 2000; ++i) {
            r.feed(QStringLiteral(":broken%1").arg(i));
            r.feed(QStringLiteral(":srv 433 * me :Nickname is already in use"));
            r.feed(QStringLiteral(":op%1!o@h KICK #c%1 me :go %1").arg(i));
        }
        QCoreApplication::processEvents();
        QCOMPARE(r.fe.asked.size() + r.app.Prompts().Waiting(), 3);
        while (r.fe.answerHeld(true, QStringLiteral("me2")))
            QCoreApplication::processEvents();
        QCOMPARE(r.server().filter(QStringLiteral("** 1999 more like this came while it was shown: ")).size(), 2);
        QVERIFY(r.server().contains(QStringLiteral("** 1999 more like this came while it was shown: "
                                                   "You have been kicked from #c0 with the reason go 0")));
        QCOMPARE(r.sent, QStringList{QStringLiteral("NICK me2\n")});

        // A long CTCP PING is echoed with at most 64 bytes of it, never split inside a character.
        r.sent.clear();
        const QString longPing = QString(3, u'x') + QString(200, QChar(0x00E9));
        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :") + kMark + QStringLiteral("PING ") + longPing + kMark);
        QCOMPARE(r.sent, QStringList{QStringLiteral("NOTICE bob :") + kMark + QStringLiteral("PING ") + longPing.left(33)
                                     + kMark + QStringLiteral("\n")});
    }

    void onlyAnswersToOurUdpPingsReachTheGameService()
    {
        Rig r;
        r.registerNow();
        QSignalSpy udp(&r.app, &CTavernwApp::udpPingReplyReceived);
        const QString answer = QStringLiteral(":bob!b@h NOTICE me :") + kMark + QStringLiteral("UDPPING 16777343") + kMark;
        r.feed(answer);
        QCOMPARE(udp.size(), 0);
        r.app.ProcessInput(QStringLiteral("/tping Bob"));
        r.feed(QStringLiteral(":carol!c@h NOTICE me :") + kMark + QStringLiteral("UDPPING 1") + kMark);
        r.feed(answer);
        r.feed(QStringLiteral(":srv NOTICE me :spacer"));
        r.feed(answer);
        QCOMPARE(udp.size(), 1);
        QCOMPARE(udp.at(0).at(1).value<std::uint32_t>(), 16777343u);

        // An answer that comes more than a minute late is not taken either.
        std::uint32_t now = 1000;
        r.app.SetTickClock([&now] { return now; });
        r.app.ProcessInput(QStringLiteral("/tping bob"));
        now += 60001;
        r.feed(QStringLiteral(":srv NOTICE me :spacer"));
        r.feed(answer);
        QCOMPARE(udp.size(), 1);
    }

    void nickChangesRenameWhereListed()
    {
        Rig r;
        CTavernwDoc *a = r.joinChannel(QStringLiteral("#a"));
        r.joinChannel(QStringLiteral("#b"));
        r.feed(QStringLiteral(":srv 353 me = #a :@me +carol"));
        r.feed(QStringLiteral(":carol!c@h NICK :dave"));
        QCOMPARE(a->Users().Items(), (QStringList{QStringLiteral("+dave"), QStringLiteral("@me")}));
        QCOMPARE(r.fe.textsIn(QStringLiteral("#a")).last(), QStringLiteral("carol is now known as dave"));
        QVERIFY(!r.fe.textsIn(QStringLiteral("#b")).contains(QStringLiteral("carol is now known as dave")));
        QVERIFY(r.app.UserMap().contains(QStringLiteral("carol"))); // records keep the old key
        r.feed(QStringLiteral(":me!m@h NICK :myself"));
        QCOMPARE(r.app.OwnNick(), QStringLiteral("myself"));
        QVERIFY(a->Users().Contains(QStringLiteral("@myself")));
    }

    void topicsAndChannelModesSetTheTitle()
    {
        Rig r;
        CTavernwDoc *doc = r.joinChannel(QStringLiteral("#lanway"));
        r.feed(QStringLiteral(":srv 332 me #lanway :Descent tonight"));
        QCOMPARE(doc->Title(), QStringLiteral("#lanway - Topic: Descent tonight"));
        QCOMPARE(r.fe.textsIn(QStringLiteral("#lanway")).last(), QStringLiteral("srv sets the topic to: Descent tonight"));
        r.feed(QStringLiteral(":srv 324 me #lanway +nt"));
        QCOMPARE(doc->Title(), QStringLiteral("#lanway[+nt] - Topic: Descent tonight"));
        r.feed(QStringLiteral(":srv 324 me #nowindow +s"));
        QCOMPARE(r.server().last(), QStringLiteral("Mode: #nowindow +s"));
        r.feed(QStringLiteral(":srv 324 me #lanway +"));
        QCOMPARE(doc->ModeText(), QStringLiteral("+nt"));
        r.feed(QStringLiteral(":bob!b@h TOPIC #lanway :new one"));
        QCOMPARE(doc->Topic(), QStringLiteral("new one"));
        QCOMPARE(r.fe.textsIn(QStringLiteral("#lanway")).last(), QStringLiteral("** bob has changed the topic of channel #lanway to: new one"));
        r.feed(QStringLiteral(":srv 331 me #lanway :No topic is set"));
        QCOMPARE(doc->Title(), QStringLiteral("#lanway - No Topic"));
        QCOMPARE(doc->Topic(), QStringLiteral("No topic is set"));
    }

    void repliesPrintedIgnoredOrCollected()
    {
        Rig r;
        r.feed(QStringLiteral(":srv 372 me :- Welcome to the test network"));
        r.feed(QStringLiteral(":srv 352 me #lanway ~b host srv bob H :0 Bob"));
        r.feed(QStringLiteral(":srv 311 me bob ~b host * :Bob"));
        r.feed(QStringLiteral(":srv 251 me :There are 3 users"));
        r.feed(QStringLiteral(":srv 999 me :something new"));
        QCOMPARE(r.server(), (QStringList{QStringLiteral("- Welcome to the test network"),
                                          QStringLiteral("User: #lanway ~b host srv bob H :0 Bob"),
                                          QStringLiteral("User Info: bob ~b host * :Bob"),
                                          QStringLiteral(":srv 999 me :something new")}));
        r.feed(QStringLiteral(":srv 322 me #old 1 :x"));
        r.feed(QStringLiteral(":srv 321 me Channel :Users Name"));
        r.feed(QStringLiteral(":srv 322 me #lanway 3 :games"));
        r.feed(QStringLiteral(":srv 322 me #help 1 :"));
        r.feed(QStringLiteral(":srv 323 me :End of LIST"));
        QCOMPARE(r.fe.channelLists, QList<QStringList>{(QStringList{QStringLiteral("me #lanway 3 :games"), QStringLiteral("me #help 1 :")})});
    }

    void refusedNicknameAsksForAnother()
    {
        Rig r;
        r.env.setAnswers({QStringLiteral("text:newnick")});
        r.feed(QStringLiteral(":srv 433 * me :Nickname already in use"));
        QTRY_COMPARE(r.env.prompts().value(0).text, QStringLiteral("Nickname in use or invalid, please choose another!"));
        QCOMPARE(r.sent, QStringList{QStringLiteral("NICK newnick\n")});
        QCOMPARE(r.app.OwnNick(), QStringLiteral("newnick"));
        // Closed without OK: the refused nickname stays and is not sent again.
        r.sent.clear();
        r.feed(QStringLiteral(":srv 432 * newnick :Erroneous nickname"));
        QTRY_COMPARE(r.env.prompts().size(), 2);
        QVERIFY(r.sent.isEmpty());
        QCOMPARE(r.app.OwnNick(), QStringLiteral("newnick"));
    }

    void ctcpRequestsAreAnswered()
    {
        Rig r;
        r.app.SetIdentity({QStringLiteral("me"), QStringLiteral("me@x"), {10, 0, 0, 1}});
        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :") + kMark + QStringLiteral("PING 123 4") + kMark);
        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :") + kMark + QStringLiteral("VERSION") + kMark);
        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :") + kMark + QStringLiteral("UDPPING") + kMark);
        // The sender's own marks and line breaks never travel back inside our reply.
        r.feed(QStringLiteral(":eve!e@h PRIVMSG me :") + kMark + QStringLiteral("PING a") + kMark + QStringLiteral("b\0c") + kMark);
        QCOMPARE(r.sent, (QStringList{
                             QStringLiteral("NOTICE bob :") + kMark + QStringLiteral("PING 123 4") + kMark + u'\n',
                             QStringLiteral("NOTICE bob :") + kMark + QStringLiteral("VERSION ") + CTavernwApp::VersionText() + kMark + u'\n',
                             QStringLiteral("NOTICE bob :") + kMark + QStringLiteral("UDPPING 16777226") + kMark + u'\n',
                             QStringLiteral("NOTICE eve :") + kMark + QStringLiteral("PING abc") + kMark + u'\n',
                         }));
        // Requests are case-sensitive: an unlisted word is shown and not answered.
        r.sent.clear();
        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :") + kMark + QStringLiteral("version") + kMark);
        QVERIFY(r.sent.isEmpty());
        QCOMPARE(r.server().last(), QStringLiteral("CTCP bob :version"));
        // A lone mark is an empty request, not a read before the text.
        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :") + kMark);
        QCOMPARE(r.server().last(), QStringLiteral("CTCP bob :"));
    }

    void ctcpActionsAndHandOvers()
    {
        Rig r;
        r.joinChannel(QStringLiteral("#lanway"));
        r.feed(QStringLiteral(":bob!b@h PRIVMSG #lanway :") + kMark + QStringLiteral("ACTION waves") + kMark);
        QCOMPARE(r.fe.lines.last().window, QStringLiteral("#lanway"));
        QCOMPARE(r.fe.lines.last().text, QStringLiteral("* bob waves"));
        QCOMPARE(r.fe.lines.last().colour, r.app.m_Settings.Action);
        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :") + kMark + QStringLiteral("ACTION whispers") + kMark);
        QCOMPARE(r.fe.lines.last().window, QStringLiteral("bob"));

        QSignalSpy dcc(&r.app, &CTavernwApp::dccRequestReceived);
        QSignalSpy file(&r.app, &CTavernwApp::fileRequestReceived);
        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :") + kMark + QStringLiteral("dcc CHAT chat 167772161 4000") + kMark);
        r.feed(QStringLiteral(":bob!b@h PRIVMSG me :") + kMark + QStringLiteral("FILEREQ map.rdl") + kMark);
        QCOMPARE(dcc.size(), 1);
        QCOMPARE(dcc.first().value(1).toString(), QStringLiteral("CHAT chat 167772161 4000"));
        QCOMPARE(file.size(), 1);
        QCOMPARE(file.first().value(1).toString(), QStringLiteral("map.rdl"));
    }

    void ctcpRepliesInNotices()
    {
        Rig r;
        r.registerNow();
        r.app.SetTickClock([] { return std::uint32_t(5000); });
        r.feed(QStringLiteral(":bob!b@h NOTICE me :") + kMark + QStringLiteral("PING 4750") + kMark);
        QCOMPARE(r.server().last(), QStringLiteral("IRC Ping time from bob is 250ms"));
        QCOMPARE(r.fe.lines.last().colour, r.app.m_Settings.Action);
        r.feed(QStringLiteral(":bob!b@h NOTICE me :") + kMark + QStringLiteral("PING soon") + kMark);
        QCOMPARE(r.server().last(), QStringLiteral("IRC Ping time from bob is 5000ms"));

        QSignalSpy udp(&r.app, &CTavernwApp::udpPingReplyReceived);
        r.app.ProcessInput(QStringLiteral("/tping bob"));
        r.feed(QStringLiteral(":bob!b@h NOTICE me :") + kMark + QStringLiteral("UDPPING 16777226") + kMark);
        QCOMPARE(udp.size(), 1);
        QCOMPARE(udp.first().value(1).value<std::uint32_t>(), 16777226u);

        r.feed(QStringLiteral(":bob!b@h NOTICE me :") + kMark + QStringLiteral("VERSION Other 2.0") + kMark);
        QCOMPARE(r.server().last(), QStringLiteral("*<bob> Other 2.0"));
    }

    void printLineRoutesByNameIgnoringCase()
    {
        Rig r;
        r.joinChannel(QStringLiteral("#help"));
        r.app.PrintLine(QStringLiteral("to help"), 1, QStringLiteral("#Help"));
        QCOMPARE(r.fe.lines.last().window, QStringLiteral("#help"));
        const int count = r.fe.lines.size();
        r.app.PrintLine(QStringLiteral("nowhere"), 1, QStringLiteral("#nowindow"));
        QCOMPARE(r.fe.lines.size(), count);

        // Lines into a window other than the selected tab mark it unseen.
        QVERIFY(r.app.HasUnseenLines(QStringLiteral("#HELP")));
        QVERIFY(!r.app.HasUnseenLines(QStringLiteral("Server")));
        r.app.MarkSeen(QStringLiteral("#help"));
        QVERIFY(!r.app.HasUnseenLines(QStringLiteral("#help")));
        const int repaints = r.fe.tabRepaints;
        r.app.PrintLine(QStringLiteral("again"), 1, QStringLiteral("#help"));
        QCOMPARE(r.fe.tabRepaints, repaints + 1);
        r.app.PrintLine(QStringLiteral("and again"), 1, QStringLiteral("#help"));
        QCOMPARE(r.fe.tabRepaints, repaints + 1);

        r.app.SetQuitting(true);
        r.app.PrintLine(QStringLiteral("late"), 1);
        r.feed(QStringLiteral("PING :x"));
        QVERIFY(!r.server().contains(QStringLiteral("late")));
        QVERIFY(r.sent.isEmpty());
    }

    void highlightTakesTheFirstStoredWord()
    {
        Rig r;
        r.app.m_Settings.HighlightWords = {{QStringLiteral("ipx"), 7}, {QStringLiteral("descent"), 9}};
        QCOMPARE(r.app.HighlightColour(QStringLiteral("<a> Descent over IPX")), ChatColour(7));
        QCOMPARE(r.app.HighlightColour(QStringLiteral("<a> DESCENT")), ChatColour(9));
        QCOMPARE(r.app.HighlightColour(QStringLiteral("<a> quake")), r.app.m_Settings.Normal);
    }

    void bytesReceivedDuringDispatchWaitForTheLineToFinish()
    {
        // Opening a window is where a real front end may run a nested event loop; a
        // receive notification arriving then must not dispatch inside the current line.
        Rig r;
        bool nested = false;
        r.fe.onCreateWindow = [&](CChatDocBase *doc) {
            if (nested || !doc->IsChannel())
                return;
            nested = true;
            r.app.FeedServerBytes("PING :during\n");
            QVERIFY(r.sent.isEmpty());
        };
        r.app.FeedServerBytes(":me!m@h JOIN #lanway\nPING :after\n");
        QVERIFY(nested);
        QCOMPARE(r.sent, (QStringList{QStringLiteral("PONG :after\n"), QStringLiteral("PONG :during\n")}));
    }

    void sentLinesCarryNoLineBreaksInside()
    {
        Rig r;
        r.app.SendLine(QStringLiteral("PRIVMSG bob :a\r\nQUIT :b") + QChar(0) + QStringLiteral("c\n"));
        QCOMPARE(r.sent, QStringList{QStringLiteral("PRIVMSG bob :aQUIT :bc\n")});
    }
};

QTEST_MAIN(TestDispatcher)
#include "test_dispatcher.moc"
