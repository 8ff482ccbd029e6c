#include "chat/dcc/dcctransfer.h"

#include <QFile>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

// Records what a transfer reports to its window and to the Server window.
struct Observed {
    explicit Observed(CDCCTransfer &transfer)
    {
        QObject::connect(&transfer, &CDCCTransfer::lineToShow,
                         [this](const QString &t, DccColour c) {
                             lines << t;
                             colours << c;
                         });
        QObject::connect(&transfer, &CDCCTransfer::finished, [this] { ++finished; });
        QObject::connect(&transfer, &CDCCTransfer::statusTextChanged,
                         [this](const QString &t) { statuses << t; });
        QObject::connect(&transfer, &CDCCTransfer::progressChanged,
                         [this](std::uint64_t done, std::uint64_t total) {
                             lastDone = done;
                             lastTotal = total;
                         });
    }
    QStringList lines;
    QList<DccColour> colours;
    QStringList statuses;
    int finished = 0;
    std::uint64_t lastDone = 0;
    std::uint64_t lastTotal = 0;
};

QByteArray randomBytes(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    auto *rng = QRandomGenerator::global();
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(rng->bounded(256));
    return data;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray ackBytes(std::uint32_t total)
{
    const char b[4] = {char(total >> 24), char(total >> 16), char(total >> 8), char(total)};
    return QByteArray(b, 4);
}

// Reads exactly count bytes from a plain socket, or fewer when they do not come.
QByteArray readExactly(QTcpSocket &socket, qsizetype count)
{
    QByteArray got;
    (void)QTest::qWaitFor([&] {
        got += socket.read(count - got.size());
        return got.size() >= count;
    });
    return got;
}

// True when no byte arrives on the socket for a short while.
bool staysQuiet(QTcpSocket &socket)
{
    QTest::qWait(50);
    return socket.bytesAvailable() == 0;
}

// A sending transfer with a plain socket as the receiver.
struct RawReceiver {
    QTemporaryDir dir;
    QString source;
    QByteArray data;
    CDCCTransfer sender;
    Observed seen{sender};
    QTcpSocket peer;

    bool open(qsizetype size)
    {
        source = dir.filePath("source.bin");
        data = randomBytes(size);
        if (!writeFile(source, data))
            return false;
        const std::uint32_t port = sender.StartSend("bob", source);
        if (port == CDCCTransfer::kStartFailed)
            return false;
        peer.connectToHost(QHostAddress::LocalHost, quint16(port));
        return peer.waitForConnected(5000);
    }
    void ack(const QByteArray &bytes)
    {
        peer.write(bytes);
        peer.flush();
    }
};

// A receiving transfer with a plain server socket as the sender.
struct RawSender {
    QTemporaryDir dir;
    QString target;
    QTcpServer server;
    QTcpSocket *peer = nullptr;
    CDCCTransfer receiver;
    Observed seen{receiver};

    bool open(std::uint32_t offeredSize)
    {
        target = dir.filePath("target.bin");
        if (!server.listen(QHostAddress::LocalHost))
            return false;
        if (!receiver.StartReceive(kLoopback, server.serverPort(), target, "alice", offeredSize))
            return false;
        if (!QTest::qWaitFor([&] { return server.hasPendingConnections(); }))
            return false;
        peer = server.nextPendingConnection();
        return true;
    }
    void send(const QByteArray &bytes)
    {
        peer->write(bytes);
        peer->flush();
    }
};

} // namespace

class TestDccTransfer : public QObject {
    Q_OBJECT
private slots:
    void filesArriveIntact_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("one byte") << 1;
        QTest::newRow("one block") << 1024;
        QTest::newRow("two blocks and a half") << 2500;
        QTest::newRow("exact multiple") << 3072;
        QTest::newRow("5 MiB") << 5 * 1024 * 1024;
    }
    void filesArriveIntact()
    {
        QFETCH(int, size);
        QTemporaryDir dir;
        const QString source = dir.filePath("source.bin");
        const QString target = dir.filePath("target.bin");
        const QByteArray data = randomBytes(size);
        QVERIFY(writeFile(source, data));

        CDCCTransfer sender;
        CDCCTransfer receiver;
        Observed sent(sender);
        Observed received(receiver);
        const std::uint32_t port = sender.StartSend("bob", source);
        QVERIFY(port != CDCCTransfer::kStartFailed);
        QCOMPARE(sender.Title(), QString("DCC Send: bob"));
        QCOMPARE(sender.StatusText(), QString("0 bytes sent"));
        QVERIFY(receiver.StartReceive(kLoopback, port, target, "alice", std::uint32_t(size)));
        QCOMPARE(receiver.Title(), QString("DCC Receive: alice"));
        QCOMPARE(received.statuses.first(), QString("0 bytes received"));

        QTRY_VERIFY_WITH_TIMEOUT(sent.finished == 1 && received.finished == 1, 30000);
        QCOMPARE(readFile(target), data);
        QCOMPARE(sent.lines, QStringList({"** Transfer of file " + source + " completed succesfully"}));
        QCOMPARE(received.lines, QStringList({"** Transfer of file " + target + " completed succesfully"}));
        QCOMPARE(received.colours.first(), DccColour::Status);
        QCOMPARE(receiver.StatusText(), QString("%1 Bytes received...").arg(size));
        QCOMPARE(received.lastDone, std::uint64_t(size));
        QCOMPARE(received.lastTotal, std::uint64_t(size));
        QCOMPARE(sent.lastDone, std::uint64_t(size));
    }

    void senderKeepsAWindowInFlight()
    {
        constexpr qsizetype kWindow = CDCCTransfer::kSendWindow;
        RawReceiver t;
        QVERIFY(t.open(2 * kWindow + 452));
        // A whole window goes out before any acknowledgement, then nothing more.
        QCOMPARE(readExactly(t.peer, kWindow), t.data.left(kWindow));
        QVERIFY(staysQuiet(t.peer));

        // An acknowledgement cut in two counts once it is whole and opens the
        // window by what it acknowledges.
        t.ack(ackBytes(1024).left(2));
        QVERIFY(staysQuiet(t.peer));
        t.ack(ackBytes(1024).mid(2));
        QCOMPARE(readExactly(t.peer, 1024), t.data.mid(kWindow, 1024));
        QVERIFY(staysQuiet(t.peer));
        QTRY_COMPARE(t.sender.StatusText(), QString("1024 Bytes sent..."));

        // Totals beyond what was sent, or behind what was acknowledged, are ignored;
        // several in one read count by the last good one.
        t.ack(ackBytes(kWindow + 4096) + ackBytes(512));
        QVERIFY(staysQuiet(t.peer));
        t.ack(ackBytes(2048) + ackBytes(4096) + ackBytes(0xFFFFFFFFu));
        QCOMPARE(readExactly(t.peer, 3072), t.data.mid(kWindow + 1024, 3072));
        QCOMPARE(t.sender.Acknowledged(), std::uint64_t(4096));

        // A receiver that acknowledges every packet gets the rest.
        QByteArray got;
        qsizetype total = kWindow + 4096;
        while (total < t.data.size()) {
            t.ack(ackBytes(std::uint32_t(total)));
            QVERIFY(QTest::qWaitFor([&] { return t.peer.bytesAvailable() > 0; }));
            got += t.peer.read(1 << 20);
            total = kWindow + 4096 + got.size();
        }
        QCOMPARE(got, t.data.mid(kWindow + 4096));
        t.ack(ackBytes(std::uint32_t(total)));
        QTRY_COMPARE(t.seen.finished, 1);
        QCOMPARE(t.seen.lines, QStringList({"** Transfer of file " + t.source + " completed succesfully"}));
        QCOMPARE(t.seen.lastDone, std::uint64_t(t.data.size()));
        QTRY_COMPARE(t.peer.state(), QAbstractSocket::UnconnectedState);
    }

    void partFileIsResumedAndPutInPlace()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath("source.bin");
        const QString target = dir.filePath("target.bin");
        const QByteArray data = randomBytes(300000);
        QVERIFY(writeFile(source, data));
        QVERIFY(writeFile(target, "the file this one replaces"));
        QVERIFY(writeFile(target + ".part", data.left(120000)));

        CDCCTransfer sender;
        CDCCTransfer receiver;
        Observed sent(sender);
        Observed received(receiver);
        const std::uint32_t port = sender.StartSend("bob", source);
        QVERIFY(receiver.StartReceive(kLoopback, port, target, "alice", std::uint32_t(data.size())));
        QVERIFY(receiver.AwaitingAccept());
        QCOMPARE(receiver.ResumePosition(), std::uint64_t(120000));
        QCOMPARE(receiver.StatusText(), QString("Asking to continue from byte 120000..."));

        // Only the peer the file was offered to, on the offer's port, within the file.
        QVERIFY(!sender.Resume("mallory", port, 120000));
        QVERIFY(!sender.Resume("bob", port + 1, 120000));
        QVERIFY(!sender.Resume("bob", port, std::uint32_t(data.size()) + 1));
        QVERIFY(sender.Resume("BOB", port, 120000));
        QVERIFY(!sender.Resume("bob", port, 0)); // once

        QVERIFY(!receiver.AcceptResume("mallory", port, 120000));
        QVERIFY(!receiver.AcceptResume("alice", port, 120001)); // beyond the .part
        QVERIFY(receiver.AwaitingAccept());
        QVERIFY(receiver.AcceptResume("alice", port, 120000));
        QCOMPARE(received.lines, QStringList({"** alice agreed: file " + target + " continues from byte 120000"}));
        received.lines.clear();

        QTRY_VERIFY_WITH_TIMEOUT(sent.finished == 1 && received.finished == 1, 30000);
        QCOMPARE(received.lines, QStringList({"** Transfer of file " + target + " completed succesfully"}));
        QCOMPARE(sent.lines, QStringList({"** Transfer of file " + source + " completed succesfully"}));
        QCOMPARE(readFile(target), data);
        QVERIFY(!QFile::exists(target + ".part"));
    }

    void senderThatCannotResumeGetsTheWholeFileAsked()
    {
        RawSender t;
        QVERIFY(writeFile(t.dir.filePath("target.bin.part"), "stale half"));
        t.receiver.SetResumeWait(100);
        QVERIFY(t.open(20)); // connects once no ACCEPT came
        const QByteArray data = randomBytes(20);
        t.send(data);
        QCOMPARE(readExactly(*t.peer, 4), ackBytes(20));
        t.peer->disconnectFromHost();
        QTRY_COMPARE(t.seen.finished, 1);
        QCOMPARE(readFile(t.target), data);
        QCOMPARE(t.seen.lines.first(), "** alice did not agree to continue file " + t.target
                                           + " within 1 seconds: receiving it from the start");
    }

    void receiverAcknowledgesRunningTotals()
    {
        RawSender t;
        QVERIFY(t.open(2500));
        const QByteArray data = randomBytes(2500);
        t.send(data.left(1024));
        QCOMPARE(readExactly(*t.peer, 4), ackBytes(1024));
        t.send(data.mid(1024, 1024));
        QCOMPARE(readExactly(*t.peer, 4), ackBytes(2048));
        QTRY_COMPARE(t.receiver.StatusText(), QString("2048 Bytes received..."));
        t.send(data.mid(2048));
        QCOMPARE(readExactly(*t.peer, 4), ackBytes(2500));
        // The receiver waits for the sender to close.
        QCOMPARE(t.seen.finished, 0);
        t.peer->disconnectFromHost();
        QTRY_COMPARE(t.seen.finished, 1);
        QCOMPARE(t.seen.lines, QStringList({"** Transfer of file " + t.target + " completed succesfully"}));
        QCOMPARE(readFile(t.target), data);
    }

    void earlyCloseFailsOnEitherSide()
    {
        RawSender receiving;
        QVERIFY(writeFile(receiving.dir.filePath("target.bin"), "precious"));
        QVERIFY(receiving.open(5000));
        receiving.send(QByteArray(1024, 'a'));
        QCOMPARE(readExactly(*receiving.peer, 4), ackBytes(1024));
        receiving.peer->abort();
        QTRY_COMPARE(receiving.seen.finished, 1);
        QCOMPARE(receiving.seen.lines,
                 QStringList({"** Transfer of file " + receiving.target + " terminated unsuccesfully"}));
        // The partial file stays beside the file it would have replaced, which is untouched.
        QCOMPARE(readFile(receiving.target + ".part"), QByteArray(1024, 'a'));
        QCOMPARE(readFile(receiving.target), QByteArray("precious"));

        // Everything sent but not all acknowledged is no success.
        RawReceiver sending;
        QVERIFY(sending.open(5000));
        QCOMPARE(readExactly(sending.peer, 5000).size(), 5000);
        sending.ack(ackBytes(4096));
        sending.peer.disconnectFromHost();
        QTRY_COMPARE(sending.seen.finished, 1);
        QCOMPARE(sending.seen.lines,
                 QStringList({"** Transfer of file " + sending.source + " terminated unsuccesfully"}));
    }

    void bytesBeyondTheOfferedSizeAreRefused()
    {
        RawSender t;
        QVERIFY(t.open(1000));
        t.send(QByteArray(1500, 'z'));
        QTRY_COMPARE(t.seen.finished, 1);
        QCOMPARE(t.seen.lines, QStringList({"** Transfer of file " + t.target + " terminated unsuccesfully"}));
        QCOMPARE(readFile(t.target + ".part"), QByteArray(1000, 'z'));
        QVERIFY(!QFile::exists(t.target));
    }

    void emptyOfferEndsOnceConnected()
    {
        // A peer that offers nothing and waits: the receiver closes by itself.
        RawSender t;
        QVERIFY(t.open(0));
        QTRY_COMPARE(t.seen.finished, 1);
        QCOMPARE(t.seen.lines, QStringList({"** DCC File transfer of file " + t.target + " closed."}));
        QTRY_COMPARE(t.peer->state(), QAbstractSocket::UnconnectedState);
        QVERIFY(QFile::exists(t.target));
    }

    void offersThatCannotBeConnectedAreRefused_data()
    {
        QTest::addColumn<std::uint32_t>("address");
        QTest::addColumn<std::uint32_t>("port");
        QTest::newRow("address 0") << 0u << 5000u;
        QTest::newRow("port 0") << kLoopback << 0u;
        QTest::newRow("port above 65535") << kLoopback << 65536u;
        QTest::newRow("failed offer port") << kLoopback << CDCCTransfer::kStartFailed;
    }
    void offersThatCannotBeConnectedAreRefused()
    {
        QFETCH(std::uint32_t, address);
        QFETCH(std::uint32_t, port);
        QTemporaryDir dir;
        const QString target = dir.filePath("never.bin");
        CDCCTransfer receiver;
        Observed seen(receiver);
        QVERIFY(!receiver.StartReceive(address, port, target, "mallory", 10));
        QCOMPARE(seen.finished, 1);
        QCOMPARE(seen.lines.size(), 1);
        const QString where = address == 0 ? "0.0.0.0" : "127.0.0.1";
        QVERIFY2(seen.lines[0].contains(QString("address %1 port %2").arg(where).arg(port)), qPrintable(seen.lines[0]));
        QVERIFY(!QFile::exists(target));
    }

    void localFailuresAreReported()
    {
        QTemporaryDir dir;
        CDCCTransfer sender;
        Observed sent(sender);
        const QString missing = dir.filePath("missing.bin");
        QCOMPARE(sender.StartSend("bob", missing), CDCCTransfer::kStartFailed);
        QCOMPARE(sent.lines, QStringList({"** Unable to open file!: " + missing}));
        QCOMPARE(sent.finished, 1);

        // An empty file is not offered: no receiver would take it.
        CDCCTransfer empty;
        Observed e(empty);
        const QString emptyPath = dir.filePath("empty.bin");
        QVERIFY(writeFile(emptyPath, QByteArray()));
        QCOMPARE(empty.StartSend("bob", emptyPath), CDCCTransfer::kStartFailed);
        QCOMPARE(e.lines, QStringList({"** File " + emptyPath + " is empty: there is nothing to send"}));
        QCOMPARE(e.finished, 1);

        CDCCTransfer receiver;
        Observed received(receiver);
        const QString unwritable = dir.filePath("no/such/folder/x.bin");
        QVERIFY(!receiver.StartReceive(kLoopback, 5000, unwritable, "bob", 10));
        QCOMPARE(received.lines, QStringList({"** Unable to open file!: " + unwritable}));

        // Nobody listens at the offered port.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const auto closedPort = probe.serverPort();
        probe.close();
        CDCCTransfer refused;
        Observed r(refused);
        const QString target = dir.filePath("refused.bin");
        QVERIFY(refused.StartReceive(kLoopback, closedPort, target, "bob", 10));
        QTRY_COMPARE(r.finished, 1);
        QCOMPARE(r.lines, QStringList({"** Transfer of file " + target + " terminated unsuccesfully"}));
    }

    void userCloseEndsTheTransferSilently()
    {
        RawReceiver t;
        QVERIFY(t.open(4096));
        QCOMPARE(readExactly(t.peer, 4096).size(), 4096);
        t.sender.Close();
        QTRY_COMPARE(t.peer.state(), QAbstractSocket::UnconnectedState);
        QTest::qWait(20);
        QVERIFY(t.seen.lines.isEmpty());
        QCOMPARE(t.seen.finished, 0);
    }
};

QTEST_GUILESS_MAIN(TestDccTransfer)
#include "test_dcctransfer.moc"
