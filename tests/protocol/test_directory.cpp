#include "protocol/directory.h"
#include "tests/support/bytelists.h"

#include <QTest>

using namespace ferry::datagrams;

using ferry::test::bytesOf;
using ferry::test::nulStrings;

class TestFerryDirectory : public QObject {
    Q_OBJECT

private slots:
    void directoryReadsServersAndSkipsUnknownKeys()
    {
        const QByteArray d = nulStrings(209, {"IP=10.0.0.1", "USERS=3", "NAME=First", "COLOR=blue", "CHATSERVER=chat.one:6667",
                                           "IP=10.0.0.2", "NAME=Second", "HTTP=http://two", ""});
        const auto servers = decodeDirectory(d);
        QVERIFY(servers);
        QCOMPARE(servers->size(), 2);
        QCOMPARE((*servers)[0].address, QByteArray("10.0.0.1"));
        QCOMPARE((*servers)[0].users, 3);
        QCOMPARE((*servers)[0].description, QByteArray("First"));
        QCOMPARE((*servers)[0].chatServer, QByteArray("chat.one:6667"));
        QCOMPARE((*servers)[1].users, 0);
        QCOMPARE((*servers)[1].description, QByteArray("Second"));
        QCOMPARE((*servers)[1].http, QByteArray("http://two"));
        QVERIFY((*servers)[1].chatServer.isEmpty());
    }

    void directoryEdges()
    {
        // Keys match with exact case; attributes before the first server belong to none.
        auto s = decodeDirectory(nulStrings(209, {"NAME=orphan", "IP=1.2.3.4", "name=lower", "NAME=Upper"}));
        QCOMPARE(s->size(), 1);
        QCOMPARE(s->first().description, QByteArray("Upper"));

        // An empty string ends the directory; a last string without NUL ends at the datagram's end.
        s = decodeDirectory(nulStrings(209, {"IP=1.1.1.1", "", "IP=2.2.2.2"}));
        QCOMPARE(s->size(), 1);
        s = decodeDirectory(nulStrings(209, {"IP=1.1.1.1", "OWNER=Ann"}, false));
        QCOMPARE(s->first().owner, QByteArray("Ann"));
        QCOMPARE(decodeDirectory(bytesOf({209}))->size(), 0);
        QVERIFY(!decodeDirectory(QByteArray("Q")));

        ServerEntry full{"192.168.1.5", "Full", 7, "Owner", "West", "http://x", "irc.x:6667"};
        const QList<ServerEntry> two{full, ServerEntry{"192.168.1.6", {}, 0, {}, {}, {}, {}}};
        const QByteArray encoded = encodeDirectory(two);
        QCOMPARE(decodeDirectory(encoded), two);
        QVERIFY(encoded.contains(QByteArray("USERS=7\0", 8)));
        QVERIFY(encoded.endsWith(QByteArray("IP=192.168.1.6\0\0", 16)));
    }

    void playerList()
    {
        const QList<PlayerEntry> players{{"alice", "10.0.0.1", "descent", "ok", "op"},
                                         {"bob", "10.0.0.2", "chat", "-", "-"}};
        const QByteArray d = encodePlayerList(players);
        QCOMPARE(d.left(1), bytesOf({191}));
        QVERIFY(d.endsWith(QByteArray("-\0-\0\0", 5)));
        QCOMPARE(decodePlayerList(d), players);

        // A group cut short is dropped; complete groups before it stay.
        QCOMPARE(decodePlayerList(nulStrings(191, {"alice", "10.0.0.1", "descent", "ok", "op", "bob", "10.0.0.2"}, false))->size(), 1);
        // The last string without NUL ends at the datagram's end.
        const auto unterminated = decodePlayerList(nulStrings(191, {"carol", "1.2.3.4", "t", "s", "opx"}, false));
        QCOMPARE(unterminated->size(), 1);
        QCOMPARE(unterminated->first().operatorText, QByteArray("opx"));
        // An empty nickname ends the list; empty fields inside a group do not.
        const auto withEmpty = decodePlayerList(nulStrings(191, {"dan", "", "", "", "", "", "eve", "1", "2", "3", "4"}));
        QCOMPARE(withEmpty->size(), 1);
        QCOMPARE(withEmpty->first().nickname, QByteArray("dan"));
        QVERIFY(!decodePlayerList(bytesOf({209})));
        QCOMPARE(decodePlayerList(bytesOf({191}))->size(), 0);
    }
};

QTEST_APPLESS_MAIN(TestFerryDirectory)
#include "test_directory.moc"
