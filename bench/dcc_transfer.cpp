// DCC file transfer speed, file to file between a sending and a receiving transfer
// (the receiver acknowledges every read, as the old receivers do):
//   - on plain loopback, beside plain TCP streaming of the same amount (the ceiling
//     of the link): send-ahead and the old 1024-byte stop-and-wait;
//   - through a TCP relay written here that holds every piece of data 25 ms in
//     each direction (a 50 ms round trip, an ordinary Internet path): send-ahead
//     with 64 MiB, stop-and-wait with a smaller file (it would take an hour).
// The transfers run in one thread, as both ends would in one program's UI thread;
// the relay runs in a thread of its own.

#include "chat/dcc/dcctransfer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <future>

namespace {

constexpr qint64 kFileSize = 64 * 1024 * 1024;
constexpr qint64 kStopAndWaitRelaySize = 128 * 1024;
constexpr int kRelayDelayMs = 25;

double megabytesPerSecond(qint64 bytes, qint64 nanoseconds)
{
    return double(bytes) / 1e6 / (double(nanoseconds) / 1e9);
}

bool writePattern(const QString &path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk(1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < chunk.size(); ++i)
        chunk[i] = char(i * 131 + 7);
    for (qint64 n = 0; n < size; n += chunk.size())
        f.write(chunk.constData(), std::min<qint64>(chunk.size(), size - n));
    return true;
}

// Streams kFileSize bytes through one loopback connection in 64 KiB writes, from
// memory to memory, or from the source file into the target file when both are given
// (what any plain file copy over TCP has to do as well).
double rawStreamingRate(const QString &source = {}, const QString &target = {})
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    QTcpSocket writer;
    writer.connectToHost(QHostAddress::LocalHost, server.serverPort());
    writer.waitForConnected();
    server.waitForNewConnection(5000);
    QTcpSocket *reader = server.nextPendingConnection();

    QFile in(source);
    QFile out(target);
    const bool files = !source.isEmpty() && in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly);
    QByteArray chunk(64 * 1024, 'x');
    qint64 written = 0;
    qint64 read = 0;
    QEventLoop loop;
    auto topUp = [&] {
        while (written < kFileSize && writer.bytesToWrite() < 4 * chunk.size()) {
            if (files)
                in.read(chunk.data(), chunk.size());
            written += writer.write(chunk);
        }
    };
    QObject::connect(&writer, &QTcpSocket::bytesWritten, &loop, topUp);
    QObject::connect(reader, &QTcpSocket::readyRead, &loop, [&] {
        const QByteArray bytes = reader->readAll();
        if (files)
            out.write(bytes);
        read += bytes.size();
        if (read >= kFileSize)
            loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    topUp();
    loop.exec();
    return megabytesPerSecond(read, timer.nsecsElapsed());
}

// One direction of a relayed connection: every piece read is written to the other
// side kRelayDelayMs after it arrived.
class DelayedPipe : public QObject {
public:
    DelayedPipe(QTcpSocket *from, QTcpSocket *to) : m_from(from), m_to(to)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(from, &QTcpSocket::readyRead, this, [this] {
            m_queue.push_back({QDeadlineTimer(kRelayDelayMs, Qt::PreciseTimer), m_from->readAll()});
            arm();
        });
        connect(&m_timer, &QTimer::timeout, this, [this] {
            while (!m_queue.empty() && m_queue.front().due.hasExpired()) {
                m_to->write(m_queue.front().bytes);
                m_queue.pop_front();
            }
            arm();
        });
        connect(from, &QTcpSocket::disconnected, this, [this] { m_closing = true; arm(); });
    }

private:
    struct Piece {
        QDeadlineTimer due;
        QByteArray bytes;
    };
    void arm()
    {
        if (!m_queue.empty()) {
            if (!m_timer.isActive())
                m_timer.start(int(std::max<qint64>(m_queue.front().due.remainingTime(), 0)));
        } else if (m_closing && m_to) {
            m_to->disconnectFromHost();
        }
    }
    QTcpSocket *m_from;
    QPointer<QTcpSocket> m_to;
    QTimer m_timer;
    std::deque<Piece> m_queue;
    bool m_closing = false;
};

// A relay in its own thread: the first connection to Port() is joined to targetPort.
class Relay {
public:
    explicit Relay(quint16 targetPort)
    {
        std::promise<quint16> listening;
        auto port = listening.get_future();
        m_thread.reset(QThread::create([this, targetPort, &listening] {
            QEventLoop loop;
            m_loop = &loop;
            QTcpServer server;
            server.listen(QHostAddress::LocalHost);
            QTcpSocket outward;
            std::unique_ptr<DelayedPipe> there, back;
            QObject::connect(&server, &QTcpServer::newConnection, &loop, [&] {
                QTcpSocket *inward = server.nextPendingConnection();
                outward.connectToHost(QHostAddress::LocalHost, targetPort);
                outward.waitForConnected(5000);
                there = std::make_unique<DelayedPipe>(inward, &outward);
                back = std::make_unique<DelayedPipe>(&outward, inward);
            });
            listening.set_value(server.serverPort());
            loop.exec();
        }));
        m_thread->start();
        m_port = port.get();
    }
    ~Relay()
    {
        QMetaObject::invokeMethod(m_loop, "quit", Qt::QueuedConnection);
        m_thread->wait();
    }
    quint16 Port() const { return m_port; }

private:
    std::unique_ptr<QThread> m_thread;
    QEventLoop *m_loop = nullptr;
    quint16 m_port = 0;
};

struct Outcome {
    double rate = 0;
    bool intact = false;
};

// Sends source to target; window 0 keeps the default send-ahead window, anything
// else is taken as window and send size (1024: stop-and-wait in 1024-byte blocks).
Outcome dccRate(const QString &source, const QString &target, qint64 size, qint64 window, bool relayed)
{
    CDCCTransfer sending;
    CDCCTransfer receiving;
    if (window > 0) {
        sending.SetSendWindow(window);
        sending.SetSendChunk(window);
    }
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
    std::unique_ptr<Relay> relay;
    if (relayed)
        relay = std::make_unique<Relay>(quint16(port));
    receiving.StartReceive(0x7F000001, relayed ? relay->Port() : port, target, "bench", std::uint32_t(size));
    loop.exec();
    const qint64 elapsed = timer.nsecsElapsed();
    Outcome out;
    out.rate = megabytesPerSecond(size, elapsed);
    out.intact = lines.size() == 1 && lines[0].endsWith("completed succesfully") && QFile(target).size() == size;
    return out;
}

void print(const char *label, const Outcome &o)
{
    std::printf("%-52s %8.2f MB/s (%s)\n", label, o.rate, o.intact ? "complete" : "FAILED");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString big = dir.filePath("big.bin");
    const QString small = dir.filePath("small.bin");
    const QString target = dir.filePath("target.bin");
    if (!writePattern(big, kFileSize) || !writePattern(small, kStopAndWaitRelaySize))
        return 1;

    // "--loopback-only" skips the slow relayed runs.
    const bool loopbackOnly = app.arguments().contains(QStringLiteral("--loopback-only"));
    const double stream = rawStreamingRate();
    const double fileStream = rawStreamingRate(big, target);
    const Outcome ahead = dccRate(big, target, kFileSize, 0, false);
    const Outcome stopAndWait = dccRate(big, target, kFileSize, 1024, false);
    std::printf("loopback TCP, streaming 64 KiB writes:               %8.2f MB/s\n", stream);
    std::printf("loopback TCP, streaming file to file:                %8.2f MB/s\n", fileStream);
    print("loopback DCC, send-ahead, 64 MiB:", ahead);
    print("loopback DCC, 1024-byte stop-and-wait, 64 MiB:", stopAndWait);
    std::printf("loopback send-ahead / plain streaming:                %8.2f   (memory to memory)\n",
                ahead.rate / stream);
    std::printf("loopback send-ahead / plain streaming file to file:   %8.2f   (target: at least 0.5)\n",
                ahead.rate / fileStream);
    bool intact = ahead.intact && stopAndWait.intact;
    if (!loopbackOnly) {
        const Outcome relayedAhead = dccRate(big, target, kFileSize, 0, true);
        const Outcome relayedStop = dccRate(small, target, kStopAndWaitRelaySize, 1024, true);
        print("relay 25 ms each way, send-ahead, 64 MiB:", relayedAhead);
        print("relay 25 ms each way, stop-and-wait, 128 KiB:", relayedStop);
        std::printf("target: at least 5 MB/s send-ahead through the relay\n");
        intact = intact && relayedAhead.intact && relayedStop.intact;
    }
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = load.open(QIODevice::ReadOnly) ? load.readAll().trimmed() : QByteArray("?");
    std::printf("load average: %s\n", loadAverage.constData());
    return intact ? 0 : 1;
}
