#include "chat/core/tavernwapp.h"
#include "tests/chat/fakefrontend.h"
#include "tests/support/testenv.h"

#include <QRandomGenerator>
#include <QTest>

// Arbitrary bytes from the server must never crash the core or read outside a line:
// random garbage and near-miss protocol lines go through the receive path in random chunks.
class TestDispatcherFuzz : public QObject {
    Q_OBJECT
private slots:
    void survivesArbitraryServerBytes()
    {
        ferry::test::TestEnv env;
        FakeFrontEnd fe;
        CTavernwApp app(&fe);
        app.OpenServerWindow();
        app.SetOwnNick(QStringLiteral("me"));
        app.m_Settings.ShowJoinPart = true;
        app.m_Settings.HighlightWords = {{QString(), 3}, {QStringLiteral("x"), 4}};
        int sent = 0;
        QByteArray lastSent;
        connect(&app, &CTavernwApp::lineSent, [&](const QByteArray &line) {
            ++sent;
            lastSent = line;
            QVERIFY(line.endsWith('\n'));
            QCOMPARE(line.count('\n'), 1);
            QVERIFY(!line.contains('\r') && !line.contains('\0'));
        });

        static const char *const pieces[] = {
            ":", " ", "!", "@", "#", "+", "-", "o", "v", "\x01", "\r", "\n", "\t", "\0", "\xff", "\xc3",
            "me", "bob", "#lanway", "#Lanway", "PRIVMSG", "NOTICE", "JOIN", "PART", "KICK", "MODE", "NICK",
            "QUIT", "TOPIC", "PING", "353", "332", "331", "324", "322", "323", "321", "372", "376", "352",
            "311", "ACTION", "VERSION", "UDPPING", "DCC", "FILEREQ", "+ov", "-o+v", ":bob!b@h ", ":me!m@h ",
        };
        QRandomGenerator rng(20261208);
        QByteArray stream;
        for (int line = 0; line < 20000; ++line) {
            const int words = rng.bounded(1, 12);
            for (int w = 0; w < words; ++w) {
                if (rng.bounded(6) == 0) {
                    for (int b = rng.bounded(1, 8); b > 0; --b)
                        stream.append(char(rng.bounded(256)));
                } else {
                    const char *piece = pieces[rng.bounded(int(std::size(pieces)))];
                    stream.append(piece, piece[0] ? qsizetype(strlen(piece)) : 1);
                }
                if (rng.bounded(3) == 0)
                    stream.append(' ');
            }
            stream.append(rng.bounded(2) ? "\r\n" : "\n");
        }
        stream.append(QByteArray(5000, 'x')); // a very long line
        stream.append(QByteArray(":a MODE #lanway +oooooooooooooooooooooooooooooooooooo\n"));
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype n = rng.bounded(1, 600);
            app.FeedServerBytes(stream.mid(at, n));
            at += n;
        }
        QVERIFY(sent > 0);
        QVERIFY(!fe.lines.isEmpty());
        // The core still works after the storm.
        app.FeedServerBytes("\nPING :still-alive\n");
        QCOMPARE(lastSent, QByteArray("PONG :still-alive\n"));
        qInfo("%d lines sent, %lld printed, %lld windows", sent, qlonglong(fe.lines.size()), qlonglong(app.Windows().Count()));
    }
};

QTEST_MAIN(TestDispatcherFuzz)
#include "test_dispatcherfuzz.moc"
