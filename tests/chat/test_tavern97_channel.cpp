// The built chat client in a busy channel of a real chat server: the bytes it
// registers with (seen by a relay in front of the server), the channel it joins
// once the server has greeted it, and what a second user's joins, parts, quits,
// nickname, topic and mode changes, kick, messages and notices make its windows
// show, line by line with their colours (read through the window dump request).

#include "chat/core/settingsstore.h"
#include "common/registry.h"
#include "platform/requests.h"
#include "tests/chat/builtchatclient.h"
#include "tests/chat/freshregistry.h"
#include "tests/chat/ircpeer.h"
#include "tests/support/ngircdfixture.h"
#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace ferry;

namespace {

// Distinct colours per kind, so that each line's colour tells which kind it was printed in.
constexpr quint32 kNormal = 0x00000011;
constexpr quint32 kAction = 0x00000022;
constexpr quint32 kPrivate = 0x00000033;
constexpr quint32 kStatus = 0x00000044;
constexpr quint32 kHighlight = 0x00000055;

// Sits between the client and the chat server and keeps what the client sent, and
// what the server had sent by the time the client first asked to join.
class RecordingRelay : public QObject {
public:
    bool listen(quint16 serverPort)
    {
        m_serverPort = serverPort;
        connect(&m_listener, &QTcpServer::newConnection, this, [this] {
            m_client = m_listener.nextPendingConnection();
            m_server = new QTcpSocket(this);
            connect(m_server, &QTcpSocket::readyRead, this, [this] {
                const QByteArray bytes = m_server->readAll();
                m_fromServer += bytes;
                m_client->write(bytes);
            });
            connect(m_client, &QTcpSocket::readyRead, this, [this] {
                const QByteArray bytes = m_client->readAll();
                m_fromClient += bytes;
                if (m_serverBeforeJoin.isEmpty() && m_fromClient.contains("JOIN "))
                    m_serverBeforeJoin = m_fromServer;
                m_pendingToServer += bytes;
                forwardToServer();
            });
            connect(m_server, &QTcpSocket::connected, this, [this] { forwardToServer(); });
            m_server->connectToHost(QStringLiteral("127.0.0.1"), m_serverPort);
        });
        return m_listener.listen(QHostAddress::LocalHost);
    }
    quint16 port() const { return m_listener.serverPort(); }
    const QByteArray &fromClient() const { return m_fromClient; }
    const QByteArray &serverBeforeJoin() const { return m_serverBeforeJoin; }

private:
    void forwardToServer()
    {
        if (m_server->state() != QAbstractSocket::ConnectedState)
            return;
        m_server->write(m_pendingToServer);
        m_pendingToServer.clear();
    }

    QTcpServer m_listener;
    QTcpSocket *m_client = nullptr;
    QTcpSocket *m_server = nullptr;
    quint16 m_serverPort = 0;
    QByteArray m_fromClient;
    QByteArray m_fromServer;
    QByteArray m_pendingToServer;
    QByteArray m_serverBeforeJoin;
};

bool setChatValues()
{
    CRegistry colours;
    if (!colours.Create(QString::fromLatin1(tavern::settingsstore::kColorsKey)))
        return false;
    const std::pair<const char *, quint32> kinds[] = {
        {"Normal", kNormal}, {"Action", kAction}, {"Private", kPrivate}, {"Status", kStatus}};
    for (const auto &[name, value] : kinds)
        if (!colours.SetDoubleWordValue(QString::fromLatin1(name), value))
            return false;
    CRegistry filters;
    CRegistry chat;
    return filters.Create(QString::fromLatin1(tavern::settingsstore::kFiltersKey))
        && filters.SetDoubleWordValue(QStringLiteral("descent"), kHighlight)
        && chat.Create(QString::fromLatin1(tavern::settingsstore::kChatKey))
        && chat.SetDoubleWordValue(QStringLiteral("ShowJoinPart"), 1)
        // Written as the user typed it; the server knows the channel as "#lanway".
        && chat.SetStringValue(QStringLiteral("Channel"), QStringLiteral("#Lanway"));
}

} // namespace

class TestTavern97Channel : public QObject {
    Q_OBJECT
private slots:
    void aBusyChannelLandsInTheRightWindows()
    {
        FreshRegistry fresh;
        const test::TestEnv &env = fresh.env;
        test::NgircdFixture server;
        QString why;
        if (!server.start(&why))
            QSKIP(qPrintable(why));
        RecordingRelay relay;
        QVERIFY(relay.listen(server.port()));
        QVERIFY(pointChatServerAt(server.host(), relay.port()));
        QVERIFY(setChatValues());

        // bob holds the channel before the client comes; carol has his voice.
        IrcPeer bob;
        IrcPeer carol;
        QVERIFY(bob.connectTo(server, QStringLiteral("bob")));
        QVERIFY(carol.connectTo(server, QStringLiteral("carol")));
        bob.send(QStringLiteral("JOIN #lanway"));
        QVERIFY(bob.waitFor(" 366 bob #lanway"));
        carol.send(QStringLiteral("JOIN #lanway"));
        QVERIFY(carol.waitFor(" 366 carol #lanway"));
        bob.send(QStringLiteral("MODE #lanway +v carol"));
        QVERIFY(carol.waitFor("MODE #lanway +v carol"));

        auto creator = test::startBlockCreator(env, QStringLiteral("127.0.0.1"), QStringLiteral("Tester"),
                                               QStringLiteral("tester@lanway.test"));
        QVERIFY(creator);
        const QString dumpPath = env.home() + QStringLiteral("/windows.dump");
        qputenv("FERRY_WINDOW_DUMP", dumpPath.toLocal8Bit());
        auto chat = env.start(QStringLiteral("tavern97"));
        qunsetenv("FERRY_WINDOW_DUMP");
        QVERIFY(chat->waitForStarted(5000));
        const qint64 pid = chat->processId();

        // Registration: exactly a USER and a NICK line, each ended by one line feed;
        // the channel is asked for only after the server's greeting has ended.
        QVERIFY(bob.waitFor(":Tester!", 10000));
        QVERIFY(relay.fromClient().startsWith("USER tavern tavern tavern :tester@lanway.test\nNICK Tester\n"));
        QVERIFY(!relay.fromClient().contains('\r'));
        QVERIFY(relay.serverBeforeJoin().contains(" 376 Tester ") || relay.serverBeforeJoin().contains(" 422 Tester "));
        QVERIFY(relay.fromClient().contains("\nJOIN #Lanway\n"));

        Dump dump;
        QVERIFY2(dumpUntil(dump, pid, dumpPath, [](const Dump &d) {
                     return d.windows.value(QStringLiteral("#lanway")).users.size() == 3;
                 }), qPrintable(dump.windows.keys().join(u',')));
        QCOMPARE(dump.windows[QStringLiteral("#lanway")].users,
                 (QStringList{QStringLiteral("+carol"), QStringLiteral("@bob"), QStringLiteral("Tester")}));

        // Someone comes and goes; a topic, operator and voice changes, a kick.
        IrcPeer dave;
        QVERIFY(dave.connectTo(server, QStringLiteral("dave")));
        dave.send(QStringLiteral("JOIN #lanway"));
        QVERIFY(dave.waitFor(" 366 dave #lanway"));
        bob.send(QStringLiteral("TOPIC #lanway :league night"));
        bob.send(QStringLiteral("MODE #lanway +ov Tester dave"));
        QVERIFY(dumpUntil(dump, pid, dumpPath, [](const Dump &d) {
            return d.windows.value(QStringLiteral("#lanway")).users
                == QStringList{QStringLiteral("+carol"), QStringLiteral("+dave"), QStringLiteral("@bob"),
                               QStringLiteral("@Tester")};
        }));
        bob.send(QStringLiteral("MODE #lanway -o Tester"));
        bob.send(QStringLiteral("KICK #lanway carol :too loud"));
        // The server paces each user on its own, so dave does the talking in the channel.
        dave.send(QStringLiteral("PRIVMSG #lanway :anyone for Descent?"));
        dave.send(QStringLiteral("PRIVMSG #lanway :\x01" "ACTION waves\x01"));
        dave.send(QStringLiteral("NOTICE #lanway :server restarts at ten"));
        bob.send(QStringLiteral("PRIVMSG Tester :psst"));
        bob.send(QStringLiteral("NOTICE Tester :heads up"));
        bob.send(QStringLiteral("NICK bobby"));
        dave.send(QStringLiteral("PART #lanway"));
        QVERIFY(bob.waitFor(" PART #lanway"));
        dave.send(QStringLiteral("JOIN #lanway"));
        dave.send(QStringLiteral("QUIT :gone"));

        // The server paces a user who sends many lines at once, so bob's last one may
        // arrive after dave's quit.
        QVERIFY(dumpUntil(dump, pid, dumpPath, [](const Dump &d) {
            return d.windows.value(QStringLiteral("server")).lines.join(u'\n').contains(QStringLiteral("dave has quit IRC"))
                && d.windows.value(QStringLiteral("#lanway")).lines.join(u'\n').contains(QStringLiteral("known as bobby"));
        }));
        const DumpedWindow channel = dump.windows.value(QStringLiteral("#lanway"));
        const auto has = [&channel](quint32 colour, const QString &text) {
            if (channel.has(colour, text))
                return true;
            qWarning() << "channel shows" << channel.lines;
            return false;
        };
        QVERIFY(has(kStatus, QStringLiteral("dave has joined channel #lanway.")));
        QVERIFY(has(kStatus, QStringLiteral("** bob has changed the topic of channel #lanway to: league night")));
        QVERIFY(has(kStatus, QStringLiteral("bob has kicked carol from #lanway (too loud).")));
        QVERIFY(has(kHighlight, QStringLiteral("<dave> anyone for Descent?")));
        QVERIFY(has(kAction, QStringLiteral("* dave waves")));
        QVERIFY(has(kAction, QStringLiteral("* <dave> server restarts at ten")));
        QVERIFY(has(kStatus, QStringLiteral("bob is now known as bobby")));
        QVERIFY(has(kStatus, QStringLiteral("dave has left channel #lanway.")));
        QVERIFY(channel.lines.filter(QRegularExpression(QStringLiteral("^%1\tdave has quit IRC \\(.*gone.*\\)\\.$")
                                                            .arg(kStatus, 8, 16, QLatin1Char('0'))))
                    .size() == 1);
        QVERIFY(channel.title.contains(QStringLiteral("Topic: league night")));
        // The client lost its operator mark again, carol was kicked, bob is renamed
        // and dave has quit.
        QCOMPARE(channel.users, (QStringList{QStringLiteral("@bobby"), QStringLiteral("Tester")}));

        const DumpedWindow serverWindow = dump.windows.value(QStringLiteral("server"));
        QVERIFY(serverWindow.has(kStatus, QStringLiteral("bob set mode #lanway +ov Tester dave")));
        QVERIFY(serverWindow.has(kStatus, QStringLiteral("*<bob> heads up")));
        QVERIFY(!serverWindow.lines.join(u'\n').contains(QStringLiteral("psst")));
        QVERIFY(dump.windows.value(QStringLiteral("bob")).has(kPrivate, QStringLiteral("<bob> psst")));

        test::stopProcess(*chat);
        creator->closeWriteChannel();
        creator->waitForFinished(5000);
    }
};

QTEST_MAIN(TestTavern97Channel)
#include "test_tavern97_channel.moc"
