#include "controlcenter/ferrypingrelay.h"

#include <QTest>

using namespace ferry::datagrams;

namespace {

constexpr std::uint32_t kOwn = 0xC0A80002;   // 192.168.0.2
constexpr std::uint32_t kPeer = 0xC0A80009;  // 192.168.0.9

QByteArray request(std::uint32_t peer)
{
    ChatRecord rec = pingRequest("alice", "#ferry", 0);
    rec.setAddress(peer);
    return encodeChatRecord(rec);
}

QByteArray le32(std::uint32_t v)
{
    const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
    return QByteArray(b, 4);
}

QByteArray be32(std::uint32_t v)
{
    const char b[4] = {char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
    return QByteArray(b, 4);
}

} // namespace

class TestFerryPingRelay : public QObject {
    Q_OBJECT

private slots:
    void requestToAPeerCarriesTickAndOwnAddress()
    {
        const QByteArray chat = request(kPeer);
        const auto r = wrapForRelay(chat, 7, kOwn, 123456);
        QVERIFY(r);
        QVERIFY(r->toPeer);
        QCOMPARE(r->peerAddress, kPeer);
        QCOMPARE(r->datagram.size(), chat.size() + 7);
        QCOMPARE(r->datagram.left(7), encodePeerPingHeader(ServerType::PeerPing, 7));
        QCOMPARE(r->datagram.mid(8, 16), chat.mid(1, 16));      // nickname untouched
        QCOMPARE(r->datagram.mid(24, 4), le32(123456));         // tick at 17..20 of the record
        QCOMPARE(r->datagram.mid(28, 4), chat.mid(21, 4));      // rest of the text untouched
        QCOMPARE(r->datagram.mid(32, 4), be32(kOwn));           // own address replaces the peer's
    }

    void otherRecordsGoToTheServerUntouchedButForTheAddress()
    {
        for (std::uint32_t peer : {0u, kOwn}) {
            const QByteArray chat = request(peer);
            const auto r = wrapForRelay(chat, 0, kOwn, 999);
            QVERIFY(r);
            QVERIFY(!r->toPeer);
            QCOMPARE(r->datagram.mid(7, 25), chat.left(25));    // channel kept, no tick
            QCOMPARE(r->datagram.mid(32, 4), be32(kOwn));
        }
        // An answer record sent to a peer gets no tick either.
        ChatRecord answer = pingAnswer("bob", 0);
        answer.setAddress(kPeer);
        const auto r = wrapForRelay(encodeChatRecord(answer), 1, kOwn, 999);
        QVERIFY(r && r->toPeer);
        QCOMPARE(r->datagram.mid(24, 8), QByteArray("      \0\0", 8));
    }

    void lengthAndRefusals()
    {
        ChatRecord rec = pingRequest("alice", "#f", 0);
        rec.payload = QByteArray("abc");
        const QByteArray chat = encodeChatRecord(rec);
        // Bytes past the counted payload do not travel.
        QCOMPARE(wrapForRelay(chat + "junk", 0, kOwn, 0)->datagram.size(), chat.size() + 7);
        QVERIFY(!wrapForRelay(chat.left(chat.size() - 1), 0, kOwn, 0));  // payload overruns
        QVERIFY(!wrapForRelay(request(kPeer).left(28), 0, kOwn, 0));
        QVERIFY(!wrapForRelay(encodeServiceRequest("\x04"), 0, kOwn, 0));
    }

    void requestIsAnsweredWithOwnNickname()
    {
        const QByteArray incoming = wrapForRelay(request(kPeer), 3, kOwn, 5000)->datagram;
        const auto a = handlePeerPing(incoming, "bob", 0);
        QVERIFY(a);
        QCOMPARE(a->kind, PeerPingAction::AnswerSender);
        QCOMPARE(a->datagram.size(), incoming.size());
        QCOMPARE(a->datagram.at(7), char(6));
        QCOMPARE(a->datagram.mid(8, 4), QByteArray("bob\0", 4));
        QCOMPARE(a->datagram.mid(12), incoming.mid(12));  // all else as it came

        // A nickname longer than the field keeps 15 bytes and the NUL inside it.
        const auto longNick = handlePeerPing(incoming, QByteArray(20, 'n'), 0);
        QCOMPARE(longNick->datagram.mid(8, 16), QByteArray(15, 'n') + '\0');
        QCOMPARE(longNick->datagram.mid(24), incoming.mid(24));
    }

    void answerBecomesTheMeasuredTime()
    {
        // Alice pings Bob directly; Bob's control center answers; Alice's hands the result on.
        const QByteArray out = wrapForRelay(request(kPeer), 9, kOwn, 0xFFFFFF00)->datagram;
        const QByteArray back = handlePeerPing(out, "bob", 0)->datagram;
        const auto result = handlePeerPing(back, "alice", 0x200);  // the time since the ping went out
        QVERIFY(result);
        QCOMPARE(result->kind, PeerPingAction::RelayToChatClient);
        const auto rec = decodeChatRecord(result->datagram);
        QVERIFY(rec);
        QCOMPARE(rec->type, std::uint8_t(6));
        QCOMPARE(rec->nickname, QByteArray("bob"));
        QCOMPARE(rec->time(), 0x200);
        QCOMPARE(result->datagram.size(), 29);
    }

    void otherRecordsAndBadPingsRefused()
    {
        // Only ping records travel: a text record (240) could print into the chat client's windows.
        ChatRecord odd = pingRequest("x", "y", 0);
        odd.type = 240;
        QVERIFY(!handlePeerPing(encodePeerPing({ServerType::PeerPingRelayed, 1, odd}), "me", 77));
        odd.type = 9;
        const QByteArray d = encodePeerPing({ServerType::PeerPingRelayed, 1, odd});
        QVERIFY(!handlePeerPing(d, "me", 77));

        QByteArray bad = d;
        bad[4] = 0;
        QVERIFY(!handlePeerPing(bad, "me", 0));
        QVERIFY(!handlePeerPing(d.left(35), "me", 0));
    }
};

QTEST_APPLESS_MAIN(TestFerryPingRelay)
#include "test_ferrypingrelay.moc"
