#include "chat/dcc/dccchatsession.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

struct Line {
    QString text;
    DccColour colour;
    bool operator==(const Line &o) const { return text == o.text && colour == o.colour; }
};

// Records what a session prints.
struct Window {
    explicit Window(CDCCChatSession &session)
    {
        QObject::connect(&session, &CDCCChatSession::lineToShow,
                         [this](const QString &t, DccColour c) { lines.append({t, c}); });
        QObject::connect(&session, &CDCCChatSession::commandTyped,
                         [this](const QString &t) { commands.append(t); });
    }
    QStringList texts() const
    {
        QStringList out;
        for (const auto &l : lines)
            out << l.text;
        return out;
    }
    bool has(const QString &text) const { return texts().contains(text); }
    QList<Line> lines;
    QStringList commands;
};

// A session listening and a plain socket connected to it, playing the peer byte by byte.
struct RawPeerChat {
    CDCCChatSession session{"bob", "alice"};
    Window window{session};
    QTcpSocket peer;
    std::uint16_t port = 0;

    bool open()
    {
        port = session.StartListening();
        if (port == 0)
            return false;
        peer.connectToHost(QHostAddress::LocalHost, port);
        return QTest::qWaitFor([&] { return session.IsConnected(); });
    }
    void say(const QByteArray &bytes)
    {
        peer.write(bytes);
        peer.flush();
    }
    QByteArray heard(qsizetype count)
    {
        QByteArray got;
        (void)QTest::qWaitFor([&] {
            got += peer.readAll();
            return got.size() >= count;
        });
        return got;
    }
};

} // namespace

class TestDccChat : public QObject {
    Q_OBJECT
private slots:
    void twoSessionsChatBothWays()
    {
        CDCCChatSession offering("bob", "alice");
        CDCCChatSession accepting("alice", "bob");
        Window aliceWindow(offering);
        Window bobWindow(accepting);
        offering.OnInitialUpdate();
        const std::uint16_t port = offering.StartListening();
        QVERIFY(port != 0);
        accepting.OnInitialUpdate();
        QVERIFY(accepting.ConnectToPeer(kLoopback, port));
        QTRY_VERIFY(aliceWindow.has("Connection established..."));
        QTRY_VERIFY(bobWindow.has("Connection established..."));
        QCOMPARE(aliceWindow.lines.first(), (Line{"Attempting to establish DCC Connection...", DccColour::Status}));

        offering.SendTypedText("hello bob");
        QTRY_VERIFY(bobWindow.has("<alice> hello bob"));
        QVERIFY(aliceWindow.has("<alice> hello bob"));

        accepting.SendTypedText("/Me waves");
        QTRY_VERIFY(aliceWindow.lines.contains(Line{"* bob waves", DccColour::Action}));
        QVERIFY(bobWindow.lines.contains(Line{"* bob waves", DccColour::Action}));

        accepting.SendTypedText(QString::fromUtf8("grüße"));
        QTRY_VERIFY(aliceWindow.has(QString::fromUtf8("<bob> grüße")));

        accepting.Close();
        QTRY_COMPARE(aliceWindow.lines.last(), (Line{"Chat Connection closed.", DccColour::Status}));
        // Closing our own side prints nothing there.
        QVERIFY(!bobWindow.has("Chat Connection closed."));
    }

    void linesAreCutAtCrAndLf()
    {
        RawPeerChat chat;
        QVERIFY(chat.open());
        chat.say("hello\r\nworld\r\n");
        QTRY_COMPARE(chat.window.texts().mid(1), QStringList({"<bob> hello", "<bob> world"}));
        QCOMPARE(chat.session.PendingBytes(), QByteArray("\r\n"));

        chat.say("hel");
        QTRY_COMPARE(chat.session.PendingBytes(), QByteArray("\r\nhel"));
        chat.say("lo\n");
        QTRY_COMPARE(chat.window.texts().size(), 4);
        QCOMPARE(chat.window.texts().last(), QString("<bob> hello"));

        // A lone CR and a bare LF each end a line; blank lines show nothing.
        chat.say("  padded  \rnext\n\n\n");
        QTRY_COMPARE(chat.window.texts().size(), 6);
        QCOMPARE(chat.window.texts().mid(4), QStringList({"<bob> padded", "<bob> next"}));
    }

    void aFloodArrivesInFull()
    {
        RawPeerChat chat;
        QVERIFY(chat.open());
        QByteArray flood;
        for (int i = 0; i < 300; ++i)
            flood += QByteArray::number(i) + ' ' + QByteArray(2000, 'f') + '\n';
        chat.say(flood);
        QTRY_COMPARE(chat.window.lines.size(), 301);
        QVERIFY(chat.window.lines.last().text.startsWith("<bob> 299 fff"));

        // The same towards the side that connected.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        CDCCChatSession connecting("bob", "alice");
        Window window(connecting);
        QVERIFY(connecting.ConnectToPeer(kLoopback, server.serverPort()));
        QTRY_VERIFY(connecting.IsConnected() && server.hasPendingConnections());
        QTcpSocket *peer = server.nextPendingConnection();
        peer->write(flood);
        QTRY_COMPARE(window.lines.size(), 301);
        QVERIFY(window.lines.last().text.startsWith("<bob> 299 fff"));
    }

    void actionsNeedTheExactPrefix()
    {
        RawPeerChat chat;
        QVERIFY(chat.open());
        chat.say("\x01" "ACTION dances\x01\n");
        chat.say("\x01" "action dances\x01\n");
        chat.say("\x01" "ACTION limps\n");
        chat.say("CTCP_MESSAGE \x01" "ACTION waves\x01\n"); // irssi's /me
        QTRY_COMPARE(chat.window.lines.size(), 5);
        QCOMPARE(chat.window.lines[1], (Line{"* bob dances", DccColour::Action}));
        QCOMPARE(chat.window.lines[2], (Line{"<bob> \x01" "action dances\x01", DccColour::Normal}));
        // Without the closing byte 1 nothing of the action text is lost.
        QCOMPARE(chat.window.lines[3], (Line{"* bob limps", DccColour::Action}));
        QCOMPARE(chat.window.lines[4], (Line{"* bob waves", DccColour::Action}));
    }

    void undecodableBytesAreReadAsWindows1252()
    {
        RawPeerChat chat;
        QVERIFY(chat.open());
        chat.say("caf\xe9 \x80" "5\n");
        QTRY_COMPARE(chat.window.texts().size(), 2);
        QCOMPARE(chat.window.texts().last(), QString::fromUtf8("<bob> café €5"));
    }

    void typedTextGoesOutAsOneLine()
    {
        RawPeerChat chat;
        QVERIFY(chat.open());
        chat.session.SendTypedText("/ME waves");
        QCOMPARE(chat.heard(15), QByteArray("\x01" "ACTION waves\x01\n"));
        QCOMPARE(chat.window.lines.last(), (Line{"* alice waves", DccColour::Action}));

        // The action text is what follows the fourth character.
        chat.session.SendTypedText("/meow");
        QCOMPARE(chat.heard(10), QByteArray("\x01" "ACTION w\x01\n"));

        // Other commands run locally and never reach the peer.
        chat.session.SendTypedText("/join #x");
        QCOMPARE(chat.window.commands, QStringList({"/join #x"}));

        // Bytes that would split the line do not travel inside it.
        chat.session.SendTypedText("one\r\ntwo");
        QCOMPARE(chat.heard(7), QByteArray("onetwo\n"));
        chat.session.SendTypedText("");
        QTest::qWait(20);
        QCOMPARE(chat.peer.bytesAvailable(), 0);
    }

    // More than the system takes at once: the rest is queued, nothing is lost or reordered.
    void longLinesLeaveWholeFromEitherSide()
    {
        const QString longText(3 * 1024 * 1024, QLatin1Char('y'));
        const QByteArray expected = longText.toLatin1() + "\nafter\n";

        RawPeerChat listening;
        QVERIFY(listening.open());
        listening.session.SendChatText(longText);
        listening.session.SendChatText("after");
        QCOMPARE(listening.heard(expected.size()), expected);

        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        CDCCChatSession connecting("bob", "alice");
        QVERIFY(connecting.ConnectToPeer(kLoopback, server.serverPort()));
        QTRY_VERIFY(connecting.IsConnected() && server.hasPendingConnections());
        QTcpSocket *peer = server.nextPendingConnection();
        connecting.SendChatText(longText);
        connecting.SendChatText("after");
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += peer->readAll()).size() >= expected.size(), 20000);
        QCOMPARE(got, expected);
    }

    void textBeforeAnyConnectionIsDropped()
    {
        CDCCChatSession session("bob", "alice");
        Window window(session);
        QVERIFY(session.StartListening() != 0);
        session.SendTypedText("anyone there?");
        QVERIFY(window.lines.isEmpty());
    }

    void onlyTheFirstPeerIsAccepted()
    {
        RawPeerChat chat;
        QVERIFY(chat.open());
        QTcpSocket intruder;
        intruder.connectToHost(QHostAddress::LocalHost, chat.port);
        QVERIFY(!intruder.waitForConnected(2000));
        chat.say("still me\n");
        QTRY_VERIFY(chat.window.has("<bob> still me"));
    }

    void badOffersAndRefusedConnectsAreReported()
    {
        CDCCChatSession session("bob", "alice");
        Window window(session);
        QVERIFY(!session.ConnectToPeer(0, 5000));
        QVERIFY(!session.ConnectToPeer(kLoopback, 0));
        QVERIFY(!session.ConnectToPeer(kLoopback, 70000));
        QCOMPARE(window.lines.size(), 3);
        QVERIFY(window.lines[0].text.contains("address 0.0.0.0 port 5000"));
        QVERIFY(window.lines[2].text.contains("address 127.0.0.1 port 70000"));
        QVERIFY(!session.IsConnected());

        // A port nobody listens on.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const auto closedPort = probe.serverPort();
        probe.close();
        QVERIFY(session.ConnectToPeer(kLoopback, closedPort));
        QTRY_COMPARE(window.lines.size(), 4);
        QVERIFY(window.lines.last().text.startsWith("Unable to establish DCC Connection"));
        QVERIFY(!window.has("Connection established..."));
    }

    void overlongLinesAreShownInsteadOfKept()
    {
        RawPeerChat chat;
        QVERIFY(chat.open());
        chat.say(QByteArray(CDCCChatSession::kMaxLineBytes + 10, 'x'));
        QTRY_COMPARE(chat.window.lines.size(), 2);
        QVERIFY(chat.session.PendingBytes().isEmpty());
    }

    void titleUsesThePlaceholderWithoutAPeer()
    {
        QCOMPARE(CDCCChatSession("", "me").Title(), QString("DCC Chat BADNEWS!"));
        QCOMPARE(CDCCChatSession("bob", "me").Title(), QString("DCC Chat bob"));
    }
};

QTEST_GUILESS_MAIN(TestDccChat)
#include "test_dccchat.moc"
