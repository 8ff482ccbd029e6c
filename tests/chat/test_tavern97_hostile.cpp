// The built chat client against a chat server that means harm: a flood of mode
// changes, a CTCP PING with a long argument, a line of 60 KB, and UDPPING answers
// nobody asked for. The client asks for the channel's modes once, echoes a short
// PING, stores no line longer than 8,191 bytes, and hands only the answer to its own
// UDPPING to the game service.

#include "chat/core/linecutter.h"
#include "platform/requests.h"
#include "protocol/ports.h"
#include "tests/chat/freshregistry.h"
#include "tests/chat/scriptedserver.h"
#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QTest>
#include <QUdpSocket>

using namespace ferry;

namespace {

const QByteArray kMark("\x01");

bool appendTo(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(bytes) == bytes.size();
}

// The lines of the Server window, read through the window dump request.
QStringList serverWindowLines(qint64 pid, const QString &path)
{
    QFile::remove(path);
    if (!requests::sendRequest(pid, requests::Request::DumpWindows)
        || !QTest::qWaitFor([&] { return QFile::exists(path); }, 5000))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    bool inServer = false;
    for (const QString &record : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList f = record.split(u'\t');
        if (f.value(0) == QLatin1String("window"))
            inServer = f.value(1) == QLatin1String("Server");
        else if (inServer && f.value(0) == QLatin1String("line"))
            lines << f.mid(2).join(u'\t');
    }
    return lines;
}

} // namespace

class TestTavern97Hostile : public QObject {
    Q_OBJECT
private slots:
    void aHostileServerGetsBoundedAnswers()
    {
        FreshRegistry fresh;
        const test::TestEnv &env = fresh.env;
        ScriptedServer server;
        QVERIFY(pointChatServerAt(QStringLiteral("127.0.0.1"), server.port()));
        QVERIFY(markLaunchpadConfigured());
        reg::resetDefaultStore();
        // The game service as the control center's relay would be.
        QUdpSocket service;
        QVERIFY(service.bind(QHostAddress::LocalHost, port(kServicePort)));

        auto creator = test::startBlockCreator(env, QStringLiteral("127.0.0.1"), QStringLiteral("Tester"),
                                               QStringLiteral("tester@lanway.test"));
        QVERIFY(creator);
        const QString dumpPath = env.home() + QStringLiteral("/windows.dump");
        const QString typed = env.home() + QStringLiteral("/typed.txt");
        QVERIFY(appendTo(typed, QByteArray()));
        qputenv("FERRY_WINDOW_DUMP", dumpPath.toLocal8Bit());
        qputenv("FERRY_TYPED_LINES", typed.toLocal8Bit());
        auto chat = env.start(QStringLiteral("tavern97"));
        qunsetenv("FERRY_WINDOW_DUMP");
        qunsetenv("FERRY_TYPED_LINES");
        QVERIFY(chat->waitForStarted(5000));
        QVERIFY(server.registerClient("Tester"));
        QVERIFY(server.waitForLine("JOIN #lanway", 10000));
        server.sendLine(":Tester!t@h JOIN :#lanway");
        const auto sync = [&server](const QByteArray &token) {
            server.sendLine("PING :" + token);
            return server.waitForLine("PONG :" + token, 15000);
        };

        // 5,000 mode changes: the query sent at registration is still unanswered,
        // so not one more goes out.
        QByteArray modes;
        for (int i = 0; i < 5000; ++i)
            modes += ":op!o@h MODE #lanway +l " + QByteArray::number(i) + "\r\n";
        server.send(modes);
        QVERIFY(sync("modes"));
        QCOMPARE(server.count([](const QByteArray &l) { return l == "MODE #lanway"; }), 1);

        // A PING of 400 bytes is echoed with 64 of them.
        const QByteArray longArgument(400, '7');
        server.sendLine(":op!o@h PRIVMSG Tester :" + kMark + "PING " + longArgument + kMark);
        QVERIFY(server.waitForLine([](const QByteArray &l) { return l.startsWith("NOTICE op :\x01PING "); }));
        QVERIFY(server.lines.contains("NOTICE op :" + kMark + "PING " + longArgument.left(64) + kMark));

        // A line of 60 KB is kept as its first 8,191 bytes.
        server.sendLine(":srv 999 Tester :" + QByteArray(60000, 'w'));
        QVERIFY(sync("long"));
        QStringList shown;
        QVERIFY(QTest::qWaitFor([&] {
            shown = serverWindowLines(chat->processId(), dumpPath).filter(QStringLiteral(":srv 999 Tester :"));
            return !shown.isEmpty();
        }, 10000));
        QCOMPARE(shown.first().toUtf8(), (":srv 999 Tester :" + QByteArray(60000, 'w')).left(CLineCutter::kMaxLine));

        // A UDPPING answer nobody asked for reaches nobody; the answer to ours does.
        const QByteArray answer = ":bob!b@h NOTICE Tester :" + kMark + "UDPPING 16777343" + kMark;
        server.sendLine(answer);
        QVERIFY(sync("unasked"));
        QTest::qWait(500);
        QVERIFY(!service.hasPendingDatagrams());
        server.onLine = [&](const QByteArray &line) {
            if (line == "PRIVMSG bob :" + kMark + "UDPPING" + kMark)
                server.sendLine(answer);
        };
        QVERIFY(appendTo(typed, "/tping bob\n"));
        // The event loop runs while waiting: the server answers the ping it sees.
        QTRY_VERIFY_WITH_TIMEOUT(service.hasPendingDatagrams(), 15000);
        QByteArray datagram(1500, '\0');
        datagram.truncate(service.readDatagram(datagram.data(), datagram.size()));
        QCOMPARE(datagram.size(), 29);
        QCOMPARE(quint8(datagram.at(0)), quint8(5));
        QCOMPARE(datagram.mid(25, 4), QByteArray("\x7F\x00\x00\x01", 4));
        QVERIFY(chat->state() == QProcess::Running);

        QCOMPARE(test::stopProcess(*chat), 0);
        creator->closeWriteChannel();
        creator->waitForFinished(5000);
    }
};

QTEST_MAIN(TestTavern97Hostile)
#include "test_tavern97_hostile.moc"
