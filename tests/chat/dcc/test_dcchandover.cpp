#include "chat/dcc/dccchatsession.h"
#include "chat/dcc/dcchandover.h"
#include "chat/dcc/dcctransfer.h"
#include "tests/chat/offerrig.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QPointer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

const QString kMark = QString(QChar(0x01));
constexpr std::uint32_t kLoopback = 0x7F000001; // 127.0.0.1 as DCC writes it

// The file offers rig with the DCC hand-over attached; the sessions and transfers
// it opens are recorded.
struct Rig : OfferRig {
    CDCCHandOver handOver{&app, &offers};
    QList<CDCCChatSession *> sessions;
    QList<QPointer<CDCCTransfer>> transfers;

    Rig()
    {
        handOver.SetDownloadFolder(dir.path());
        QObject::connect(&handOver, &CDCCHandOver::chatSessionOpened, [this](CDCCChatSession *s) { sessions << s; });
        QObject::connect(&handOver, &CDCCHandOver::transferOpened, [this](CDCCTransfer *t) { transfers << t; });
    }
    QStringList promptTexts() const
    {
        QStringList out;
        for (const auto &p : env.prompts())
            out << p.kind + QLatin1Char('|') + p.caption + QLatin1Char('|') + p.text;
        return out;
    }
};

QByteArray randomBytes(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(QRandomGenerator::global()->bounded(256));
    return data;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray readRange(const QString &path, qint64 from, qint64 count)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.seek(from) ? f.read(count) : QByteArray("<missing>");
}

// A file of size bytes, zeros (a hole, taking no disk) but for data at offset at.
bool writeSparse(const QString &path, qint64 size, qint64 at, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.resize(size) && f.seek(at) && f.write(data) == data.size();
}

// The port of a DCC offer line we sent: the second number from the end.
quint16 offeredPort(const QString &line)
{
    const QStringList words = line.trimmed().remove(kMark).split(u' ');
    return words.size() >= 2 ? quint16(words.at(words.size() - 2).toUInt()) : 0;
}

} // namespace

class TestDccHandOver : public QObject {
    Q_OBJECT
private slots:
    void acceptedFileOfferReceivesTheFile()
    {
        Rig r;
        const QByteArray data = randomBytes(5000);
        const QString source = r.writeFile(QStringLiteral("source.bin"), data);
        CDCCTransfer sender;
        const std::uint32_t port = sender.StartSend(QStringLiteral("me"), source);
        QVERIFY(port != CDCCTransfer::kStartFailed);

        // A window takes the transfer over; it then outlives the end of the transfer.
        QObject window;
        QObject::connect(&r.handOver, &CDCCHandOver::transferOpened, [&window](CDCCTransfer *t) { t->setParent(&window); });

        const QString target = r.dir.filePath(QStringLiteral("saved.bin"));
        r.env.setAnswers({QStringLiteral("yes"), QStringLiteral("file:") + target});
        r.ctcpFrom(QStringLiteral("bob"),
                   QStringLiteral("DCC SEND maps.zip %1 %2 %3").arg(kLoopback).arg(port).arg(data.size()));

        QTRY_COMPARE(r.promptTexts().size(), 2);
        const QStringList prompts = r.promptTexts();
        QCOMPARE(prompts[0], QStringLiteral("question|DCC File|bob is sending you a file called maps.zip. Do you want "
                                            "to receive it?\n(The offer comes from 127.0.0.1, port %1.)")
                                 .arg(port));
        QVERIFY2(prompts[1].endsWith(QStringLiteral("|") + r.dir.filePath(QStringLiteral("maps.zip"))),
                 qPrintable(prompts[1]));
        QTRY_COMPARE(r.transfers.size(), 1);
        QTRY_COMPARE(readFile(target), data);
        QTRY_VERIFY(sender.IsFinished());
        QTRY_VERIFY(r.server().contains(QStringLiteral("** Transfer of file %1 completed succesfully").arg(target)));
        QVERIFY(r.sent.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(window.findChildren<CDCCTransfer *>().size(), 1);
    }

    void declinedFileOfferOpensNothing()
    {
        for (const QStringList &answers : {QStringList{QStringLiteral("no")},
                                           QStringList{QStringLiteral("yes"), QStringLiteral("cancel")}}) {
            Rig r;
            QTcpServer peer;
            QVERIFY(peer.listen(QHostAddress::LocalHost));
            r.env.setAnswers(answers);
            r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("DCC send x.bin %1 %2 10").arg(kLoopback).arg(peer.serverPort()));
            QTRY_COMPARE(r.env.prompts().size(), answers.size());
            QVERIFY(r.transfers.isEmpty());
            QVERIFY(!peer.waitForNewConnection(100));
            QVERIFY(r.sent.isEmpty());
        }
    }

    void acceptedChatOfferConnectsAndRefusedOneDoesNot()
    {
        Rig r;
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        const QString offer = QStringLiteral("DCC CHAT chat %1 %2").arg(kLoopback).arg(peer.serverPort());

        r.env.setAnswers({QStringLiteral("no")});
        r.ctcpFrom(QStringLiteral("bob"), offer);
        QTRY_COMPARE(r.promptTexts(),
                     QStringList{QStringLiteral("question|DCC Chat|bob is requesting a DCC chat. Do you want to accept?"
                                                "\n(The offer comes from 127.0.0.1, port %1.)")
                                     .arg(peer.serverPort())});
        QVERIFY(r.sessions.isEmpty());
        QVERIFY(!peer.waitForNewConnection(100));

        r.env.setAnswers({QStringLiteral("yes")});
        r.ctcpFrom(QStringLiteral("carol"), offer);
        QTRY_COMPARE(r.sessions.size(), 1);
        QCOMPARE(r.sessions[0]->PeerNick(), QStringLiteral("carol"));
        QTRY_VERIFY(peer.hasPendingConnections());
        QTRY_VERIFY(r.sessions[0]->IsConnected());
        QVERIFY(r.sent.isEmpty());
    }

    void offersThatMustNotBeTakenUpAreRefusedWithoutAsking()
    {
        Rig r;
        const struct {
            const char *offer;
            const char *line;
        } cases[] = {
            {"DCC CHAT chat 0 5000", "** DCC Chat offer from bob refused: the address is unspecified (address 0.0.0.0, port 5000)."},
            {"DCC CHAT chat 4294967295 5000", "** DCC Chat offer from bob refused: the address is a broadcast address (address 255.255.255.255, port 5000)."},
            {"DCC CHAT chat 3758096385 5000", "** DCC Chat offer from bob refused: the address is a multicast address (address 224.0.0.1, port 5000)."},
            {"DCC CHAT chat 2130706433 25", "** DCC Chat offer from bob refused: the port is below 1024 (address 127.0.0.1, port 25)."},
            {"DCC SEND ../evil.exe 2130706433 0 10", "** DCC offer of file evil.exe from bob refused: the port is below 1024 (address 127.0.0.1, port 0)."},
            {"DCC SEND empty.txt 2130706433 5000 0", "** DCC offer of file empty.txt from bob refused: the file is empty (address 127.0.0.1, port 5000)."},
            {"DCC SEND x.bin 65537 5000 10", "** DCC offer of file x.bin from bob refused: the address is unspecified (address 0.1.0.1, port 5000)."},
        };
        for (const auto &c : cases) {
            r.ctcpFrom(QStringLiteral("bob"), QString::fromLatin1(c.offer));
            QCOMPARE(r.server().last(), QString::fromLatin1(c.line));
        }
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("DCC RESUME x.bin 5000 10")); // no such transfer: ignored
        QCoreApplication::processEvents();
        QVERIFY(r.env.prompts().isEmpty());
        QVERIFY(r.sessions.isEmpty());
        QVERIFY(r.transfers.isEmpty());
    }

    void anOfferFloodAsksOncePerPeerAndSaysSoOnce()
    {
        Rig r;
        r.fe.holdPrompts = true;
        const QString chat = QStringLiteral("DCC CHAT chat %1 5000").arg(kLoopback);
        const QString file = QStringLiteral("DCC SEND a.bin %1 5000 10").arg(kLoopback);
        for (int i = 0; i < 2000; ++i) {
            r.ctcpFrom(QStringLiteral("bob"), chat);
            r.ctcpFrom(QStringLiteral("bob"), file);
        }
        QCoreApplication::processEvents();
        QCOMPARE(r.fe.asked.size(), 1); // one shown, the file question waits behind it
        QCOMPARE(r.app.Prompts().Waiting(), 1);
        QCOMPARE(r.server().count(QStringLiteral("** Another DCC offer from bob was refused: the last one still waits for an answer.")), 2);

        // Strangers by the thousand fill the queue; the rest are refused with one line.
        for (int i = 0; i < 1000; ++i)
            r.ctcpFrom(QStringLiteral("n%1").arg(i), chat);
        QCOMPARE(r.app.Prompts().Waiting(), CPromptQueue::kMaxWaiting);
        QCOMPARE(r.server().filter(QStringLiteral("too many questions")).size(), 1);
    }

    void fileRequestsHoldFewListeningSocketsAndNotForLong()
    {
        Rig r;
        r.handOver.SetRequestWait(300);
        r.offers.Offer(r.writeFile(QStringLiteral("map.zip"), "data"));
        r.sent.clear();
        for (int i = 0; i < 50; ++i) {
            r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("FILEREQ map.zip"));
            r.app.OnServerLine(QStringLiteral(":srv NOTICE me :%1").arg(i)); // not the same line twice in a row
        }
        QCOMPARE(r.sent.size(), CDCCHandOver::kMaxRequestSendsPerNick);
        QCOMPARE(r.server().filter(QStringLiteral("was refused: 3 offers wait")).size(), 1);
        for (int n = 0; n < 20; ++n)
            r.ctcpFrom(QStringLiteral("peer%1").arg(n), QStringLiteral("FILEREQ map.zip"));
        QCOMPARE(r.sent.size(), CDCCHandOver::kMaxRequestSends);

        // Nobody connects: every listening socket closes, and a receiver that comes
        // late finds the port shut.
        const quint16 port = offeredPort(r.sent.first());
        QTRY_COMPARE(r.server().filter(QStringLiteral("nobody connected within")).size(), CDCCHandOver::kMaxRequestSends);
        QTcpSocket late;
        late.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(!late.waitForConnected(1000) || !late.waitForReadyRead(300));

        // Then requests are served again.
        r.sent.clear();
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("FILEREQ map.zip"));
        QCOMPARE(r.sent.size(), 1);
    }

    void outgoingSendOffersThePortAPeerFetchesFrom()
    {
        Rig r;
        const QByteArray data = randomBytes(3000);
        const QString source = r.writeFile(QStringLiteral("d2 levels.hog"), data);
        QVERIFY(r.handOver.DccCommand(QStringLiteral("SEND bob   \"") + source + QStringLiteral("\"")));
        QCOMPARE(r.sent.size(), 1);
        const quint16 port = offeredPort(r.sent[0]);
        QVERIFY(port != 0);
        QCOMPARE(r.sent[0], QStringLiteral("PRIVMSG bob :") + kMark
                                + QStringLiteral("DCC send d2_levels.hog 2130706433 %1 3000").arg(port) + kMark
                                + QStringLiteral("\n"));
        QCOMPARE(r.transfers.size(), 1);
        const QPointer<CDCCTransfer> untaken = r.transfers[0];

        const QString target = r.dir.filePath(QStringLiteral("fetched.hog"));
        CDCCTransfer receiver;
        QVERIFY(receiver.StartReceive(kLoopback, port, target, QStringLiteral("me"), std::uint32_t(data.size())));
        QTRY_VERIFY(receiver.IsFinished());
        QCOMPARE(readFile(target), data);
        QTRY_VERIFY(r.server().contains(QStringLiteral("** Transfer of file %1 completed succesfully").arg(source)));
        QTRY_VERIFY(untaken.isNull()); // no window took it: gone once finished
    }

    // Both ends in one core, talking to "bob" who is ourselves: our offer goes out,
    // comes back as bob's offer, the save path's ".part" makes us ask bob to resume,
    // and bob's RESUME and ACCEPT arrive through the dispatcher as a peer's would.
    // Beyond 4 GiB the offer carries the whole size, positions are 64-bit and the
    // acknowledged totals wrap past 2^32 during the transfer.
    void partFileIsResumedThroughResumeAndAccept_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("partSize");
        QTest::newRow("small") << qint64(200000) << qint64(70000);
        QTest::newRow("beyond 4 GiB") << (qint64(1) << 32) + 300000 << (qint64(1) << 32) - 500000;
    }
    void partFileIsResumedThroughResumeAndAccept()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, partSize);
        Rig r;
        // Sparse files: only the last 800,000 bytes carry data, the rest is zeros.
        const qint64 dataAt = std::max<qint64>(0, size - 800000);
        const QByteArray data = randomBytes(size - dataAt);
        const QString source = r.dir.filePath(QStringLiteral("map pack.zip"));
        QVERIFY(writeSparse(source, size, dataAt, data));
        const QString target = r.dir.filePath(QStringLiteral("saved.zip"));
        QVERIFY(writeSparse(target + QStringLiteral(".part"), partSize, dataAt, data.left(partSize - dataAt)));
        QVERIFY(r.handOver.DccSend(QStringLiteral("bob"), source));
        QVERIFY2(r.sent.value(0).endsWith(QStringLiteral(" %1").arg(size) + kMark + QStringLiteral("\n")),
                 qPrintable(r.sent.value(0)));
        const quint16 port = offeredPort(r.sent.value(0));
        r.sent.clear();

        r.env.setAnswers({QStringLiteral("yes"), QStringLiteral("file:") + target});
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("DCC SEND \"map pack.zip\" %1 %2 %3").arg(kLoopback).arg(port).arg(size));
        const QString resume = QStringLiteral("DCC RESUME \"map pack.zip\" %1 %2").arg(port).arg(partSize);
        QTRY_COMPARE(r.sent, QStringList{QStringLiteral("PRIVMSG bob :") + kMark + resume + kMark + QStringLiteral("\n")});
        QVERIFY(r.server().contains(QStringLiteral("** Asking bob to continue file %1 from byte %2").arg(target).arg(partSize)));
        r.sent.clear();

        // Requests that are not bob's, not for this offer or beyond the file get no answer.
        r.ctcpFrom(QStringLiteral("mallory"), resume);
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("DCC RESUME x %1 %2").arg(port + 1).arg(partSize));
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("DCC RESUME x %1 %2").arg(port).arg(size + 1));
        r.ctcpFrom(QStringLiteral("mallory"), QStringLiteral("DCC ACCEPT x %1 %2").arg(port).arg(partSize));
        QVERIFY(r.sent.isEmpty());

        r.ctcpFrom(QStringLiteral("bob"), resume);
        const QString accept = QStringLiteral("DCC ACCEPT \"map pack.zip\" %1 %2").arg(port).arg(partSize);
        QCOMPARE(r.sent, QStringList{QStringLiteral("PRIVMSG bob :") + kMark + accept + kMark + QStringLiteral("\n")});
        r.ctcpFrom(QStringLiteral("bob"), resume); // honoured once
        QCOMPARE(r.sent.size(), 1);
        QVERIFY(!QFile::exists(target)); // nothing is received before bob accepts

        r.ctcpFrom(QStringLiteral("bob"), accept);
        QVERIFY(r.server().contains(QStringLiteral("** bob agreed: file %1 continues from byte %2").arg(target).arg(partSize)));
        QTRY_VERIFY_WITH_TIMEOUT(
            r.server().contains(QStringLiteral("** Transfer of file %1 completed succesfully").arg(target)), 30000);
        QCOMPARE(QFileInfo(target).size(), size);
        QCOMPARE(readRange(target, dataAt, size - dataAt), data);
        QVERIFY(!QFile::exists(target + QStringLiteral(".part")));
        QTRY_VERIFY(r.server().contains(QStringLiteral("** Transfer of file %1 completed succesfully").arg(source)));
    }

    // The ACCEPT to our RESUME comes after we gave up waiting and connected afresh:
    // bob (ourselves) sends from the position asked while we write from the start.
    // That used to leave both ends waiting for ever; now the receiving end gives up.
    void acceptThatComesTooLateEndsTheTransfer()
    {
        Rig r;
        QObject::connect(&r.handOver, &CDCCHandOver::transferOpened, [](CDCCTransfer *t) { t->SetResumeWait(1000); });
        const QByteArray data = randomBytes(200000);
        const QString source = r.writeFile(QStringLiteral("maps.zip"), data);
        const QString target = r.dir.filePath(QStringLiteral("saved.zip"));
        r.writeFile(QStringLiteral("saved.zip.part"), data.left(70000));
        r.writeFile(QStringLiteral("saved.zip"), "the file this one would replace");
        QVERIFY(r.handOver.DccSend(QStringLiteral("bob"), source));
        const quint16 port = offeredPort(r.sent.value(0));
        r.sent.clear();

        r.env.setAnswers({QStringLiteral("yes"), QStringLiteral("file:") + target});
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("DCC SEND maps.zip %1 %2 %3").arg(kLoopback).arg(port).arg(data.size()));
        QTRY_COMPARE(r.sent.size(), 1);
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("DCC RESUME maps.zip %1 70000").arg(port));
        QCOMPARE(r.sent.size(), 2); // our ACCEPT, held back by a slow server
        QTRY_VERIFY(r.server().contains(
            QStringLiteral("** bob did not agree to continue file %1 within 1 seconds: receiving it from the start").arg(target)));

        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("DCC ACCEPT maps.zip %1 70000").arg(port));
        QTRY_VERIFY(r.server().contains(
            QStringLiteral("** bob agreed to continue file %1 too late: the transfer was given up, ask for the file again")
                .arg(target)));
        // The sending end sees the connection go before everything was acknowledged.
        QTRY_VERIFY(r.server().contains(QStringLiteral("** Transfer of file %1 terminated unsuccesfully").arg(source)));
        QVERIFY(!QFile::exists(target + QStringLiteral(".part")));
        QCOMPARE(readFile(target), QByteArray("the file this one would replace"));
        QTRY_VERIFY(r.transfers[0].isNull() && r.transfers[1].isNull());
    }

    void outgoingChatOfferListensForThePeer()
    {
        Rig r;
        QVERIFY(r.handOver.DccCommand(QStringLiteral("chat bob")));
        QCOMPARE(r.sent.size(), 1);
        const quint16 port = quint16(r.sent[0].trimmed().remove(kMark).section(u' ', -1).toUInt());
        QCOMPARE(r.sent[0], QStringLiteral("PRIVMSG bob :") + kMark + QStringLiteral("DCC CHAT chat 2130706433 %1").arg(port)
                                + kMark + QStringLiteral("\n"));
        QCOMPARE(r.sessions.size(), 1);
        QTcpSocket peer;
        peer.connectToHost(QHostAddress::LocalHost, port);
        QTRY_VERIFY(r.sessions[0]->IsConnected());
        r.sessions[0]->SendChatText(QStringLiteral("hello"));
        QTRY_VERIFY(peer.bytesAvailable() > 0);
        QVERIFY(peer.readAll().contains("hello"));

        QSignalSpy typed(&r.handOver, &CDCCHandOver::commandTyped);
        r.sessions[0]->SendTypedText(QStringLiteral("/whois bob"));
        QCOMPARE(typed.size(), 1);
        QCOMPARE(typed[0][0].toString(), QStringLiteral("/whois bob"));

        QVERIFY(!r.handOver.DccCommand(QStringLiteral("resume bob x")));
    }

    void unsendableFilesAreRefusedAndNothingSent()
    {
        Rig r;
        r.handOver.DccSend(QStringLiteral("bob"), r.dir.filePath(QStringLiteral("gone.bin")));
        QTRY_COMPARE(r.promptTexts(), QStringList{QStringLiteral("error|Error|Unable to open file!")});
        QVERIFY(r.sent.isEmpty());
        QVERIFY(r.transfers.isEmpty());

        // An empty file would be refused by every receiver: it is not offered.
        const QString empty = r.writeFile(QStringLiteral("empty.txt"), QByteArray());
        QVERIFY(r.handOver.DccCommand(QStringLiteral("send bob ") + empty) );
        QCOMPARE(r.server().filter(QStringLiteral("empty")),
                 QStringList{QStringLiteral("** File %1 is empty: there is nothing to send").arg(empty)});
        QVERIFY(r.sent.isEmpty());
        QTRY_VERIFY(r.transfers.size() == 1 && r.transfers[0].isNull());
    }

    void fileRequestOffersTheFileToTheRequester()
    {
        Rig r;
        const QString path = r.writeFile(QStringLiteral("Maps.zip"), "0123456789");
        r.offers.Offer(path);
        r.ctcpFrom(QStringLiteral("bob"), QStringLiteral("FILEREQ maps.ZIP"));
        QCOMPARE(r.sent.size(), 1);
        QVERIFY2(r.sent[0].startsWith(QStringLiteral("PRIVMSG bob :") + kMark + QStringLiteral("DCC send Maps.zip 2130706433 ")),
                 qPrintable(r.sent[0]));
        QVERIFY(r.sent[0].endsWith(QStringLiteral(" 10") + kMark + QStringLiteral("\n")));

        // An offered file that has gone since is reported as a line, not a box.
        QVERIFY(QFile::remove(path));
        r.ctcpFrom(QStringLiteral("carol"), QStringLiteral("FILEREQ Maps.zip"));
        QCOMPARE(r.sent.size(), 1);
        QCoreApplication::processEvents();
        QVERIFY(r.env.prompts().isEmpty());
        QCOMPARE(r.server().last(), QStringLiteral("** Unable to open file!: ") + path);
    }
};

QTEST_MAIN(TestDccHandOver)
#include "test_dcchandover.moc"
