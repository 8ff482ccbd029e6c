#include "protocol/directory.h"
#include "protocol/serverdatagrams.h"
#include "tests/support/bytelists.h"

#include <QTest>

using namespace ferry::datagrams;

using ferry::test::bytesOf;

class TestFerryDatagrams : public QObject {
    Q_OBJECT

private slots:
    void signOnLayout()
    {
        const QByteArray d = encodeSignOn({"alice", "alice@example.org"});
        QCOMPARE(d.size(), 161);
        QCOMPARE(std::uint8_t(d[0]), 10);
        QCOMPARE(d.mid(1, 6), QByteArray("alice\0", 6));
        QCOMPARE(d.mid(6, 75), QByteArray(75, '\0'));  // rest of the nickname field and 17..80
        QCOMPARE(d.mid(81, 18), QByteArray("alice@example.org\0", 18));
        QCOMPARE(d.mid(99), QByteArray(161 - 99, '\0'));

        // Nickname at most 15 bytes, e-mail at most 79, each with its NUL inside the field.
        const QByteArray longOnes = encodeSignOn({QByteArray(20, 'n'), QByteArray(100, 'e')});
        QCOMPARE(longOnes.size(), 161);
        QCOMPARE(longOnes.mid(1, 16), QByteArray(15, 'n') + '\0');
        QCOMPARE(longOnes.mid(81, 80), QByteArray(79, 'e') + '\0');
        const auto back = decodeSignOn(longOnes);
        QVERIFY(back);
        QCOMPARE(back->nickname, QByteArray(15, 'n'));
        QCOMPARE(back->email, QByteArray(79, 'e'));

        // Empty nickname and e-mail are all zero.
        QCOMPARE(encodeSignOn({}), QByteArray(1, char(10)) + QByteArray(160, '\0'));
    }

    void signOnDecodeBounds()
    {
        QByteArray d = encodeSignOn({"bob", "b@x"});
        QVERIFY(!decodeSignOn(d.left(160)));
        QVERIFY(!decodeSignOn(QByteArray()));
        d[0] = char(11);
        QVERIFY(!decodeSignOn(d));

        // Fields filled to their last byte without NUL end at the field's end.
        QByteArray full(161, 'x');
        full[0] = char(10);
        const auto s = decodeSignOn(full);
        QVERIFY(s);
        QCOMPARE(s->nickname, QByteArray(16, 'x'));
        QCOMPARE(s->email, QByteArray(80, 'x'));
    }

    void acceptedLayoutAndBounds()
    {
        const QByteArray d = encodeAccepted({0x7F000002, 213});
        QCOMPARE(d, bytesOf({138, 127, 0, 0, 2, 0, 213}));
        const auto a = decodeAccepted(bytesOf({138, 10, 1, 2, 3, 0x12, 0x34, 99}));
        QVERIFY(a);
        QCOMPARE(a->tunnelAddress, 0x0A010203u);
        QCOMPARE(a->tunnelPort, quint16(0x1234));
        QVERIFY(!decodeAccepted(d.left(6)));
        QVERIFY(!decodeAccepted(bytesOf({139, 127, 0, 0, 2, 0, 213})));
    }

    void singleByteDatagramsAndRefusals()
    {
        QCOMPARE(encodeSingle(ServerType::Logoff), bytesOf({5}));
        QCOMPARE(encodeSingle(ServerType::LogoffAcknowledged), bytesOf({133}));
        QCOMPARE(encodeSingle(DirectoryType::DirectoryRequest), QByteArray("Q"));
        QCOMPARE(encodeSingle(DirectoryType::PlayerListRequest), QByteArray("?"));
        QCOMPARE(encodeRefusal(Refusal::NicknameInUse), bytesOf({241}));
        QCOMPARE(encodeRefusal(Refusal::ServerFull), bytesOf({242}));
        QCOMPARE(encodeRefusal(Refusal::NoAccess), bytesOf({243}));

        QCOMPARE(decodeRefusal(bytesOf({241})), Refusal::NicknameInUse);
        QCOMPARE(decodeRefusal(bytesOf({242, 0})), Refusal::ServerFull);
        QCOMPARE(decodeRefusal(bytesOf({243})), Refusal::NoAccess);
        QVERIFY(!decodeRefusal(bytesOf({240})));
        QVERIFY(!decodeRefusal(QByteArray()));
        QVERIFY(!isType(QByteArray(), ServerType::Logoff));
        QVERIFY(isType(bytesOf({133, 1}), ServerType::LogoffAcknowledged));
    }

    void noticesBecomeTextForTheChatClient()
    {
        for (int type : {1, 2, 4, 9}) {
            const QByteArray d = encodeNotice(ServerType(type), "one\ntwo");
            QCOMPARE(d, QByteArray(1, char(type)) + QByteArray("one\ntwo\0", 8));
            const auto n = decodeNotice(d);
            QVERIFY(n);
            QCOMPARE(typeByte(n->type), std::uint8_t(type));
            QCOMPARE(n->text, QByteArray("one\ntwo"));
            const QByteArray text = noticeAsText(d);
            QCOMPARE(text.size(), d.size());
            QCOMPARE(std::uint8_t(text[0]), 240);
            QCOMPARE(decodeText(text), QByteArray("one\ntwo"));
        }
        for (int type : {0, 3, 5, 240})
            QVERIFY(!decodeNotice(bytesOf({type, 'x'})));
        // Without a NUL the text ends at the datagram's end.
        QCOMPARE(decodeNotice(QByteArray("\x02" "abc"))->text, QByteArray("abc"));
        QCOMPARE(decodeNotice(bytesOf({9}))->text, QByteArray());
        QCOMPARE(noticeAsText(QByteArray()), QByteArray());
    }

    void identification()
    {
        const QByteArray d = encodeIdentification();
        QCOMPARE(d.size(), 9);
        QCOMPARE(d, QByteArray("\x86" "FerryCC\0", 9));
        QCOMPARE(decodeIdentification(d), QByteArray("FerryCC"));
        QVERIFY(!decodeIdentification(bytesOf({6})));
    }

    void chatRecordHeaderLayout()
    {
        ChatRecord rec = pingRequest("alice", "#ferry", 0);
        rec.setAddress(0x7F000001);
        const QByteArray d = encodeChatRecord(rec);
        QCOMPARE(d.size(), 29);
        QCOMPARE(std::uint8_t(d[0]), 5);
        QCOMPARE(d.mid(1, 16), QByteArray("alice") + QByteArray(11, '\0'));
        QCOMPARE(d.mid(17, 8), QByteArray("#ferry\0\0", 8));
        // The address's bytes stand in network order.
        QCOMPARE(d.mid(25, 4), bytesOf({127, 0, 0, 1}));
        QCOMPARE(rec.value, 0x0100007Fu);

        const auto back = decodeChatRecord(d);
        QVERIFY(back);
        QCOMPARE(back->type, std::uint8_t(5));
        QCOMPARE(back->nickname, QByteArray("alice"));
        QCOMPARE(back->shortText(), QByteArray("#ferry"));
        QCOMPARE(back->address(), 0x7F000001u);
        QVERIFY(!back->payload);
        QVERIFY(!decodeChatRecord(d.left(28)));

        // A channel of eight bytes or more keeps seven and its NUL.
        QCOMPARE(encodeChatRecord(pingRequest("a", "#abcdefghij", 0)).mid(17, 8), QByteArray("#abcdef\0", 8));
    }

    void pingAnswerAndResult()
    {
        const QByteArray answer = encodeChatRecord(pingAnswer("bob", 0x11223344));
        QCOMPARE(std::uint8_t(answer[0]), 6);
        QCOMPARE(answer.mid(17, 8), QByteArray("      \0\0", 8));  // six blanks and the NUL at 23
        QCOMPARE(answer.mid(25, 4), bytesOf({0x44, 0x33, 0x22, 0x11}));

        const QByteArray result = encodeChatRecord(pingResult("carol", -42));
        QCOMPARE(result.mid(17, 4), bytesOf({0xD6, 0xFF, 0xFF, 0xFF}));
        QCOMPARE(decodeChatRecord(result)->time(), -42);
        QCOMPARE(decodeChatRecord(result)->nickname, QByteArray("carol"));
    }

    void serviceRequests()
    {
        const QByteArray users = encodeServiceRequest(encodeServicePayload({typeByte(ServiceCode::Users), {}, {}}));
        QCOMPARE(users.size(), 34);
        QCOMPARE(std::uint8_t(users[0]), 224);
        QCOMPARE(users.mid(1, 28), QByteArray(28, '\0'));
        QCOMPARE(users.mid(29), bytesOf({1, 0, 0, 0, 4}));
        QCOMPARE(decodeServiceRequest(users), bytesOf({4}));

        // The length counts what travels; a length beyond the datagram refuses it.
        QByteArray lying = users;
        lying[29] = char(2);
        QVERIFY(!decodeServiceRequest(lying));
        QVERIFY(!decodeServiceRequest(users.left(32)));   // length cut short
        QVERIFY(!decodeServiceRequest(users.left(29)));   // header only
        QVERIFY(!decodeServiceRequest(encodeChatRecord(pingRequest("a", "b", 1))));

        // Extra bytes after the counted payload are not part of it.
        QCOMPARE(decodeServiceRequest(users + "junk"), bytesOf({4}));
    }

    void servicePayloads()
    {
        const QByteArray whois = encodeServicePayload({typeByte(ServiceCode::Whois), "dave", {}});
        QCOMPARE(whois, QByteArray("\x0c" "dave\0", 6));  // length of the text + 2
        QCOMPARE(encodeServicePayload({typeByte(ServiceCode::Whois), QByteArray(20, 'w'), {}}).size(), 18);
        const QByteArray ban = encodeServicePayload({typeByte(ServiceCode::Ban), "10.0.0.1", {}});
        QCOMPARE(ban.size(), 18);
        QCOMPARE(ban.left(10), QByteArray("\x21" "10.0.0.1\0", 10));
        const QByteArray kill = encodeServicePayload({typeByte(ServiceCode::Kill), "eve", "flooding"});
        QCOMPARE(kill.size(), 8 + 19);  // length of the reason + 19
        QCOMPARE(kill.mid(1, 16), QByteArray("eve") + QByteArray(13, '\0'));
        QCOMPARE(kill.mid(17, 9), QByteArray("flooding\0", 9));
        QCOMPARE(encodeServicePayload({typeByte(ServiceCode::BanList), "ignored", {}}), bytesOf({35}));

        auto c = decodeServicePayload(kill);
        QVERIFY(c);
        QCOMPARE(c->subCode, typeByte(ServiceCode::Kill));
        QCOMPARE(c->name, QByteArray("eve"));
        QCOMPARE(c->reason, QByteArray("flooding"));
        QVERIFY(!decodeServicePayload(kill.left(16)));

        // A name without its NUL ends at the payload's end.
        c = decodeServicePayload(QByteArray("\x0c" "frank"));
        QVERIFY(c);
        QCOMPARE(c->name, QByteArray("frank"));
        QCOMPARE(decodeServicePayload(ban)->name, QByteArray("10.0.0.1"));
        QCOMPARE(decodeServicePayload(encodeServicePayload({typeByte(ServiceCode::Unban), QByteArray(30, 'u'), {}}))->name,
                 QByteArray(16, 'u'));
        QVERIFY(!decodeServicePayload(bytesOf({12})));
        QVERIFY(!decodeServicePayload(QByteArray()));
        QCOMPARE(decodeServicePayload(bytesOf({99}))->subCode, std::uint8_t(99));
    }

    void textLinesSkipEmptyPieces()
    {
        QCOMPARE(textLines("first\nsecond"), (QList<QByteArray>{"first", "second"}));
        QVERIFY(textLines("\n").isEmpty());
        QCOMPARE(textLines("\n\nonly\n"), QList<QByteArray>{"only"});
        QCOMPARE(encodeText("hi"), QByteArray("\xf0" "hi\0", 4));
        QCOMPARE(decodeText(QByteArray("\xf0" "no nul")), QByteArray("no nul"));
        QVERIFY(!decodeText(QByteArray("\x01" "x")));
    }

    void peerPingLayout()
    {
        PeerPing p;
        p.sequence = 0x0102;
        p.record = pingRequest("alice", "#ferry", 0);
        p.record.setAddress(0xC0A80001);
        p.record.setTime(1000);
        const QByteArray d = encodePeerPing(p);
        QCOMPARE(d.size(), 36);  // the record's length + 7
        QCOMPARE(d.left(7), bytesOf({8, 0x02, 0x01, 0x69, 0x69, 0x69, 0x69}));
        QCOMPARE(peerPingRecordBytes(d), encodeChatRecord(p.record));
        // The relay's tick count sits at 24..27 of the datagram.
        QCOMPARE(d.mid(int(kPeerPingTimeOffset), 4), bytesOf({0xE8, 0x03, 0, 0}));

        const auto back = decodePeerPing(d);
        QVERIFY(back);
        QCOMPARE(typeByte(back->type), std::uint8_t(8));
        QCOMPARE(back->sequence, quint16(0x0102));
        QCOMPARE(back->record.nickname, QByteArray("alice"));
        QCOMPARE(back->record.time(), 1000);
        QCOMPARE(back->record.address(), 0xC0A80001u);

        QByteArray relayed = d;
        relayed[0] = char(7);
        QVERIFY(decodePeerPing(relayed));
        // Only the markers at 3 and 4 are checked.
        QByteArray loose = d;
        loose[5] = loose[6] = 0;
        QVERIFY(decodePeerPing(loose));
        for (int i : {3, 4}) {
            QByteArray bad = d;
            bad[i] = 0x68;
            QVERIFY(!decodePeerPing(bad));
        }
        QVERIFY(!decodePeerPing(d.left(35)));
        QByteArray wrongType = d;
        wrongType[0] = char(9);
        QVERIFY(!decodePeerPing(wrongType));

        // A record with a payload travels whole.
        p.record.payload = QByteArray("xyz");
        const QByteArray longer = encodePeerPing(p);
        QCOMPARE(longer.size(), 36 + 4 + 3);
        QCOMPARE(decodePeerPing(longer)->record.payload, QByteArray("xyz"));
    }

    void serviceReply()
    {
        const QByteArray inner = encodeText("hello");
        const QByteArray d = encodeServiceReply(inner);
        QCOMPARE(d.size(), 14 + inner.size());
        QCOMPARE(d.left(14), bytesOf({136, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x69, 0x69, 0, 0}));
        QCOMPARE(decodeServiceReply(d), inner);
        QCOMPARE(decodeServiceReply(d.left(14)), QByteArray());
        QVERIFY(!decodeServiceReply(d.left(13)));
        QByteArray bad = d;
        bad[11] = 0;
        QVERIFY(!decodeServiceReply(bad));
    }
};

QTEST_APPLESS_MAIN(TestFerryDatagrams)
#include "test_datagrams.moc"
