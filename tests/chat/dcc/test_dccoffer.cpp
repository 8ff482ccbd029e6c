#include "chat/dcc/dccoffer.h"
#include "chat/dcc/dccprompts.h"
#include "tests/support/testenv.h"

#include <QTest>

using namespace ferry::dcc;

namespace {

// True when the offer is a send offer with exactly these fields.
bool isSend(const Offer &offer, const QByteArray &name, std::uint32_t address, std::uint32_t port,
            std::uint64_t size)
{
    const auto *send = std::get_if<SendOffer>(&offer);
    return send && send->fileName == name && send->address == address && send->port == port
           && send->size == size;
}

} // namespace

class TestDccOffer : public QObject {
    Q_OBJECT
private slots:
    void chatOfferParsesAddressAndPort()
    {
        const Offer offer = ParseOffer("CHAT chat 167772161 5000");
        QVERIFY(std::holds_alternative<ChatOffer>(offer));
        QCOMPARE(std::get<ChatOffer>(offer).address, 167772161u);
        QCOMPARE(std::get<ChatOffer>(offer).port, 5000u);
        // The sub-word matches in any case; addresses above 2^31 keep their value.
        const Offer high = ParseOffer("chat x 3232235777 1");
        QVERIFY(std::holds_alternative<ChatOffer>(high));
        QCOMPARE(std::get<ChatOffer>(high).address, 3232235777u);
    }

    void sendOfferParsesAllFields()
    {
        QVERIFY(isSend(ParseOffer("SEND report.txt 2130706433 40000 2500"), "report.txt", 2130706433u,
                       40000, 2500));
        QVERIFY(isSend(ParseOffer("send \"my file.txt\" 2130706433 40000 7"), "my file.txt", 2130706433u,
                       40000, 7));
        // Files of 4 GiB and more are offered with their whole size.
        QVERIFY(isSend(ParseOffer("SEND big.iso 2130706433 40000 4294967306"), "big.iso", 2130706433u, 40000,
                       4294967306ull));
        QVERIFY(isSend(ParseOffer("SEND big.iso 2130706433 40000 9223372036854775807"), "big.iso", 2130706433u,
                       40000, 9223372036854775807ull));
    }

    void malformedOffersAreRejected_data()
    {
        QTest::addColumn<QByteArray>("arguments");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("unknown sub-word") << QByteArray("RESUME a 1 2 3");
        QTest::newRow("chat missing port") << QByteArray("CHAT chat 167772161");
        QTest::newRow("send missing size") << QByteArray("SEND f 167772161 5000");
        QTest::newRow("letters in address") << QByteArray("CHAT chat 12abc 5000");
        QTest::newRow("negative port") << QByteArray("CHAT chat 167772161 -1");
        QTest::newRow("address over 32 bits") << QByteArray("CHAT chat 4294967296 5000");
        QTest::newRow("eleven digits") << QByteArray("CHAT chat 00000000001 5000");
        QTest::newRow("size with garbage") << QByteArray("SEND f 167772161 5000 12k");
        QTest::newRow("size over 63 bits") << QByteArray("SEND f 167772161 5000 9223372036854775808");
        QTest::newRow("size of twenty digits") << QByteArray("SEND f 167772161 5000 00000000000000000001");
        QTest::newRow("lone sign") << QByteArray("CHAT chat + 5000");
    }
    void malformedOffersAreRejected()
    {
        QFETCH(QByteArray, arguments);
        QVERIFY(std::holds_alternative<std::monostate>(ParseOffer(arguments)));
    }

    void connectableNeedsAddressAndPortInRange()
    {
        QVERIFY(IsConnectable(0x7F000001, 1));
        QVERIFY(IsConnectable(0x7F000001, 65535));
        QVERIFY(!IsConnectable(0, 5000));
        QVERIFY(!IsConnectable(0x7F000001, 0));
        QVERIFY(!IsConnectable(0x7F000001, 65536));
        // A sender whose file could not be opened offers the all-ones port.
        QVERIFY(!IsConnectable(0x7F000001, 0xFFFFFFFFu));
    }

    void offerLinesHaveTheWireForm()
    {
        QCOMPARE(ChatOfferLine("bob", 167772161, 5000),
                 QByteArray("PRIVMSG bob :\x01" "DCC CHAT chat 167772161 5000\x01\n"));
        QCOMPARE(SendOfferLine("bob", "/home/al/games/maps.zip", 167772161, 6000, 123456),
                 QByteArray("PRIVMSG bob :\x01" "DCC send maps.zip 167772161 6000 123456\x01\n"));
        // Backslash paths, blanks in the name, and a nick that tries to smuggle a line.
        QCOMPARE(SendOfferBody("C:\\games\\big map.zip", 1, 2, 3),
                 QByteArray("DCC send big_map.zip 1 2 3"));
        QCOMPARE(ChatOfferLine("bob\r\nQUIT :x", 1, 2),
                 QByteArray("PRIVMSG bobQUIT:x :\x01" "DCC CHAT chat 1 2\x01\n"));
    }

    void builtOffersParseBack()
    {
        const QByteArray body = SendOfferBody("/tmp/a b.bin", 3232235777u, 65535, 4294967295u);
        QVERIFY(body.startsWith("DCC "));
        QVERIFY(isSend(ParseOffer(body.mid(4)), "a_b.bin", 3232235777u, 65535, 4294967295u));
        QCOMPARE(SendOfferBody("/tmp/big.iso", 1, 2, 4294967306ull), QByteArray("DCC send big.iso 1 2 4294967306"));
    }

    void offeredNamesBecomePlainFileNames_data()
    {
        QTest::addColumn<QByteArray>("offered");
        QTest::addColumn<QString>("plain");
        QTest::newRow("plain") << QByteArray("maps.zip") << "maps.zip";
        QTest::newRow("unix path") << QByteArray("../../etc/passwd") << "passwd";
        QTest::newRow("windows path") << QByteArray("C:\\WINDOWS\\win.ini") << "win.ini";
        QTest::newRow("hidden file") << QByteArray(".bashrc") << "bashrc";
        QTest::newRow("dots only") << QByteArray("..") << "dccfile";
        QTest::newRow("trailing slash") << QByteArray("dir/") << "dccfile";
        QTest::newRow("control bytes") << QByteArray("a\x01" "b\x1b[2Jc\x7f.txt") << "ab[2Jc.txt";
        QTest::newRow("leading blanks and dots") << QByteArray(" . .x") << "x";
        QTest::newRow("utf8") << QByteArray("r\xc3\xa9sum\xc3\xa9.doc") << QString::fromUtf8("résumé.doc");
    }
    void offeredNamesBecomePlainFileNames()
    {
        QFETCH(QByteArray, offered);
        QFETCH(QString, plain);
        QCOMPARE(SanitizeOfferedFileName(offered), plain);
    }

    void longOfferedNamesAreBounded()
    {
        const QString name = SanitizeOfferedFileName(QByteArray(5000, 'a'));
        QCOMPARE(name.size(), 200);
    }

    void offerPromptsNameThePeerAndSuggestAPathInTheChosenFolder()
    {
        const CChatPrompt file = FileOfferPrompt("../evil", "../../.profile", 0x0A000001, 5000);
        QCOMPARE(file.caption, QString("DCC File"));
        QCOMPARE(file.text, QString("../evil is sending you a file called profile. Do you want to receive it?\n"
                                    "(The offer comes from 10.0.0.1, port 5000.)"));
        QCOMPARE(file.style, CChatPrompt::Style::YesNo);
        QCOMPARE(file.kind, CChatPrompt::Kind::DccFile);
        QCOMPARE(file.peer, QString("../evil"));

        const CChatPrompt save = SaveOfferedFilePrompt("../evil", "../../.profile", "/srv/in");
        QCOMPARE(save.style, CChatPrompt::Style::SaveFile);
        QCOMPARE(save.initial, QString("/srv/in/profile"));
        QCOMPARE(SuggestedSavePath("/srv/in", "a/../../b"), QString("/srv/in/b"));

        const CChatPrompt chat = ChatOfferPrompt("bob", 0xC0A80102, 4242);
        QCOMPARE(chat.kind, CChatPrompt::Kind::DccChat);
        QCOMPARE(chat.caption, QString("DCC Chat"));
        QCOMPARE(chat.text, QString("bob is requesting a DCC chat. Do you want to accept?\n"
                                    "(The offer comes from 192.168.1.2, port 4242.)"));
    }
};

QTEST_GUILESS_MAIN(TestDccOffer)
#include "test_dccoffer.moc"
