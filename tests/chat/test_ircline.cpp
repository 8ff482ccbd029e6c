#include "chat/core/chatidentity.h"
#include "chat/core/ircline.h"
#include "common/sharedblock.h"

#include <QTest>

// The pure pieces of the chat protocol: line splitting, the word splitter, text decoding
// and CTCP numbers.
class TestIrcLine : public QObject {
    Q_OBJECT
private slots:
    void splitsPrefixCommandAndParameters()
    {
        auto l = CIrcLine::Parse(QStringLiteral(":bob!~b@host PRIVMSG #lanway :hello there"));
        QVERIFY(l);
        QCOMPARE(l->prefix, QStringLiteral("bob!~b@host"));
        QCOMPARE(l->sender, QStringLiteral("bob"));
        QCOMPARE(l->command, QStringLiteral("PRIVMSG"));
        QCOMPARE(l->params, QStringLiteral("#lanway :hello there"));

        // A server name as prefix has no '!': the whole prefix is the sender.
        l = CIrcLine::Parse(QStringLiteral(":irc.test 001 me :Welcome"));
        QVERIFY(l);
        QCOMPARE(l->sender, QStringLiteral("irc.test"));
        QCOMPARE(l->command, QStringLiteral("001"));

        // No prefix: empty sender, parameters exactly as received.
        l = CIrcLine::Parse(QStringLiteral("PING :irc.test"));
        QVERIFY(l);
        QVERIFY(l->sender.isEmpty());
        QCOMPARE(l->params, QStringLiteral(":irc.test"));

        // A bare command has no parameters.
        l = CIrcLine::Parse(QStringLiteral("QUIT"));
        QVERIFY(l);
        QCOMPARE(l->command, QStringLiteral("QUIT"));
        QVERIFY(l->params.isEmpty());
    }

    void refusesAPrefixWithoutBlank()
    {
        QVERIFY(!CIrcLine::Parse(QStringLiteral(":garbage")));
        QVERIFY(!CIrcLine::Parse(QStringLiteral(":")));
        // A prefix followed by nothing but the blank still parses, with an empty command.
        const auto l = CIrcLine::Parse(QStringLiteral(":x "));
        QVERIFY(l);
        QVERIFY(l->command.isEmpty());
    }

    void getWordCountsWordsAndTakesTheRestAfterAColon()
    {
        const QString params = QStringLiteral("me = #Lanway :@alice +bob carol");
        QCOMPARE(GetWord(0, params), QStringLiteral("me"));
        QCOMPARE(GetWord(2, params), QStringLiteral("#Lanway"));
        QCOMPARE(GetWord(3, params), QStringLiteral("@alice +bob carol"));
        // Counting goes on past a colon word: only the n-th word itself decides.
        QCOMPARE(GetWord(4, params), QStringLiteral("+bob"));
        QCOMPARE(GetWord(6, params), QString());
        QCOMPARE(GetWord(-1, params), QString());
        // Tabs, CR and LF separate words like blanks, and runs of them count once.
        QCOMPARE(GetWord(1, QStringLiteral("  a \t\r\n b  c")), QStringLiteral("b"));
        QCOMPARE(GetWord(0, QString()), QString());
        // A colon inside a word is just a character.
        QCOMPARE(GetWord(0, QStringLiteral("a:b c")), QStringLiteral("a:b"));
    }

    void getWordCutsLongResults()
    {
        const QString word(1000, u'x');
        QCOMPARE(GetWord(0, word).size(), kGetWordMax);
        QCOMPARE(GetWord(1, QStringLiteral("a :") + word).size(), kGetWordMax);
        QCOMPARE(GetWord(0, QString(kGetWordMax, u'y')).size(), kGetWordMax);
    }

    void restAfterWordKeepsTheTextAsItStands()
    {
        QCOMPARE(RestAfterWord(0, QStringLiteral("#c :hi  there ")), QStringLiteral(":hi  there "));
        QCOMPARE(RestAfterWord(1, QStringLiteral("a b")), QString());
        QCOMPARE(RestAfterWord(0, QStringLiteral("only")), QString());
        QCOMPARE(StripColon(QStringLiteral("::x")), QStringLiteral(":x"));
    }

    void decodesUtf8ElseWindows1252()
    {
        QCOMPARE(DecodeChatText(QByteArray("caf\xc3\xa9")), QStringLiteral("caf\u00e9"));
        // Not valid UTF-8: every byte is a Windows-1252 character.
        QCOMPARE(DecodeChatText(QByteArray("caf\xe9 \x80 \x93x\x94")), QStringLiteral("caf\u00e9 \u20ac \u201cx\u201d"));
        QCOMPARE(DecodeChatText(QByteArray("\x81")), QString(QChar(0x81)));
    }

    void parsesCtcpNumbersModulo32Bits()
    {
        QCOMPARE(ParseCtcpNumber(QStringLiteral("12345")), 12345u);
        QCOMPARE(ParseCtcpNumber(QStringLiteral("  +7x")), 7u);
        QCOMPARE(ParseCtcpNumber(QStringLiteral("-1")), 0xFFFFFFFFu);
        QCOMPARE(ParseCtcpNumber(QStringLiteral("4294967297")), 1u);
        QCOMPARE(ParseCtcpNumber(QStringLiteral("abc")), 0u);
        QCOMPARE(ParseCtcpNumber(QString()), 0u);
    }

    void identityComesFromTheSessionBlock()
    {
        unsigned char data[ferry::sharedblock::Size] = {};
        ferry::SharedBlock block(data);
        block.initialize(0x0A000102, "#player", "p@lanway.test"); // 10.0.1.2
        const CChatIdentity id = CChatIdentity::FromSharedBlock(block);
        QCOMPARE(id.nickname, QStringLiteral("#player"));
        QCOMPARE(id.email, QStringLiteral("p@lanway.test"));
        // DCC offers carry the usual number; UDPPING replies the stored bytes read little-endian.
        QCOMPARE(id.DccNumber(), 0x0A000102u);
        QCOMPARE(id.UdpPingNumber(), 0x0201000Au);
    }
};

QTEST_APPLESS_MAIN(TestIrcLine)
#include "test_ircline.moc"
