// Transfers a 64 MiB file over loopback between a sending and a receiving DCC
// transfer, and measures the plain loopback TCP rate in the same run for comparison:
// once streaming (the ceiling of the link) and once as 1024-byte stop-and-wait round
// trips with plain buffered Qt sockets (the same protocol as Qt does it by default;
// the transfer's sockets spend fewer system calls per round trip than that).
// Everything runs in one thread, as both ends would in one program's UI thread.

#include "chat/dcc/dcctransfer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr qint64 kFileSize = 64 * 1024 * 1024;

double megabytesPerSecond(qint64 bytes, qint64 nanoseconds)
{
    return double(bytes) / (1024.0 * 1024.0) / (double(nanoseconds) / 1e9);
}

// Two plain sockets joined over loopback.
struct LoopbackPair {
    QTcpServer server;
    QTcpSocket client;
    QTcpSocket *accepted = nullptr;

    LoopbackPair()
    {
        server.listen(QHostAddress::LocalHost);
        client.connectToHost(QHostAddress::LocalHost, server.serverPort());
        client.waitForConnected();
        server.waitForNewConnection(5000);
        accepted = server.nextPendingConnection();
    }
};

// Streams kFileSize bytes through one loopback connection in 64 KiB writes.
double rawStreamingRate()
{
    LoopbackPair pair;
    QTcpSocket &writer = pair.client;
    QTcpSocket *reader = pair.accepted;

    const QByteArray chunk(64 * 1024, 'x');
    qint64 written = 0;
    qint64 read = 0;
    QEventLoop loop;
    QElapsedTimer timer;
    auto topUp = [&] {
        while (written < kFileSize && writer.bytesToWrite() < 4 * chunk.size())
            written += writer.write(chunk);
    };
    QObject::connect(&writer, &QTcpSocket::bytesWritten, &loop, topUp);
    QObject::connect(reader, &QTcpSocket::readyRead, &loop, [&] {
        read += reader->readAll().size();
        if (read >= kFileSize)
            loop.quit();
    });
    timer.start();
    topUp();
    loop.exec();
    return megabytesPerSecond(read, timer.nsecsElapsed());
}

// 1024-byte blocks, each answered by a 4-byte running total before the next goes.
double rawStopAndWaitRate()
{
    LoopbackPair pair;
    QTcpSocket &sender = pair.client;
    QTcpSocket *receiver = pair.accepted;
    sender.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    receiver->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    const QByteArray block(1024, 'x');
    qint64 sent = 0;
    qint64 received = 0;
    QByteArray acks;
    QEventLoop loop;
    QObject::connect(receiver, &QTcpSocket::readyRead, &loop, [&] {
        received += receiver->readAll().size();
        const char total[4] = {char(received >> 24), char(received >> 16), char(received >> 8), char(received)};
        receiver->write(total, 4);
        receiver->flush();
    });
    QObject::connect(&sender, &QTcpSocket::readyRead, &loop, [&] {
        acks += sender.readAll();
        while (acks.size() >= 4) {
            const auto *b = reinterpret_cast<const unsigned char *>(acks.constData());
            const qint64 total = qint64(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
            acks.remove(0, 4);
            if (total != sent)
                continue;
            if (sent >= kFileSize) {
                loop.quit();
                return;
            }
            sent += sender.write(block);
            sender.flush();
        }
    });
    QElapsedTimer timer;
    timer.start();
    sent += sender.write(block);
    sender.flush();
    loop.exec();
    return megabytesPerSecond(received, timer.nsecsElapsed());
}

// The two transfer engines, file to file.
double dccRate(const QString &source, const QString &target, bool *intact)
{
    CDCCTransfer sending;
    CDCCTransfer receiving;
    int finished = 0;
    QEventLoop loop;
    auto done = [&] {
        if (++finished == 2)
            loop.quit();
    };
    QObject::connect(&sending, &CDCCTransfer::finished, &loop, done);
    QObject::connect(&receiving, &CDCCTransfer::finished, &loop, done);
    QStringList lines;
    QObject::connect(&receiving, &CDCCTransfer::lineToShow, &loop,
                     [&](const QString &line, DccColour) { lines << line; });

    QElapsedTimer timer;
    timer.start();
    const std::uint32_t port = sending.StartSend("bench", source);
    receiving.StartReceive(0x7F000001, port, target, "bench", std::uint32_t(kFileSize));
    loop.exec();
    const qint64 elapsed = timer.nsecsElapsed();
    *intact = lines.size() == 1 && lines[0].endsWith("completed succesfully")
              && QFile(target).size() == kFileSize;
    return megabytesPerSecond(kFileSize, elapsed);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString source = dir.filePath("source.bin");
    const QString target = dir.filePath("target.bin");
    {
        QFile f(source);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        QByteArray chunk(1024 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < chunk.size(); ++i)
            chunk[i] = char(i * 131 + 7);
        for (qint64 n = 0; n < kFileSize; n += chunk.size())
            f.write(chunk);
    }

    // "--dcc-only" skips the plain-socket figures (for profiling the transfer alone).
    const bool dccOnly = app.arguments().contains(QStringLiteral("--dcc-only"));
    const double stream = dccOnly ? 0 : rawStreamingRate();
    const double stopAndWait = dccOnly ? 0 : rawStopAndWaitRate();
    bool intact = false;
    const double dcc = dccRate(source, target, &intact);

    std::printf("loopback TCP, streaming 64 KiB writes:        %8.1f MB/s\n", stream);
    std::printf("loopback TCP, 1024-byte stop-and-wait:        %8.1f MB/s\n", stopAndWait);
    std::printf("DCC transfer of 64 MiB file to file:          %8.1f MB/s (%s)\n", dcc,
                intact ? "complete" : "FAILED");
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = load.open(QIODevice::ReadOnly) ? load.readAll().trimmed() : QByteArray("?");
    std::printf("target: at least 20 MB/s for the DCC transfer (load average: %s)\n", loadAverage.constData());
    return intact ? 0 : 1;
}
