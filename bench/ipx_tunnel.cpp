// Game traffic through the tunnel: 600-byte IPX packets from a game registered
// with one control center, through ferryd, to a game registered with another,
// as two players on one machine play (the built ferryd and ferrycc on 127.0.0.2,
// 127.0.0.1 and 127.0.0.3). Beside it, the same packets over plain loopback UDP.
//
// Latency: one packet in flight at a time, sent and received in this process by
// the steady clock; median and 99th percentile, and what the tunnel adds to them.
// Rate: packets kept 32 in flight for a few seconds; packets per second received.
// Targets: at least 20,000 packets/s; 99th percentile added latency under 1 ms.

#include "bench/procstatus.h"
#include "protocol/ipxpacket.h"
#include "protocol/ports.h"
#include "tests/support/localnetwork.h"

#include <QCoreApplication>
#include <QFile>
#include <QElapsedTimer>
#include <QTest>
#include <QUdpSocket>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <vector>

using namespace ferry;

namespace {

constexpr int kPacketSize = 600;
constexpr int kLatencySamples = 3000;
constexpr int kWindow = 32;
constexpr qint64 kRateMs = 3000;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A game's socket: registered with an endpoint (or, for the baseline, not at all).
struct Game {
    QUdpSocket socket;
    QHostAddress endpoint;
    quint16 endpointPort = 0;
    ipx::Node node{};

    explicit Game(const QString &address) { socket.bind(QHostAddress(address), 0); }

    bool registerWith(const QString &address, quint16 port)
    {
        endpoint = QHostAddress(address);
        endpointPort = port;
        socket.writeDatagram(ipx::registrationRequest(), endpoint, endpointPort);
        if (!socket.waitForReadyRead(5000))
            return false;
        QByteArray reply(64, '\0');
        reply.truncate(qsizetype(socket.readDatagram(reply.data(), reply.size())));
        const auto h = ipx::parseHeader(reply);
        if (!h)
            return false;
        node = h->destination.node;
        return true;
    }
};

// A 600-byte packet to `to`, its sequence number and send time in the data.
QByteArray packet(const Game &from, const ipx::Node &to, quint32 sequence)
{
    ipx::Header h;
    h.destination = {0, to, 0x5130};
    h.source = {0, from.node, 0x5130};
    QByteArray data(kPacketSize - int(ipx::kHeaderSize), 'g');
    const qint64 t = nowNs();
    std::memcpy(data.data(), &sequence, sizeof sequence);
    std::memcpy(data.data() + 4, &t, sizeof t);
    return ipx::buildPacket(h, data);
}

// Where the sender's packets go: through its endpoint, or straight to the receiver.
struct Path {
    Game *sender;
    Game *receiver;
    QHostAddress to;
    quint16 toPort;
};

void send(const Path &p, quint32 sequence)
{
    p.sender->socket.writeDatagram(packet(*p.sender, p.receiver->node, sequence), p.to, p.toPort);
}

// The send time carried by the next packet, or -1 after a second of silence.
qint64 receiveSendTime(Game &g, int waitMs = 1000)
{
    if (!g.socket.hasPendingDatagrams() && !g.socket.waitForReadyRead(waitMs))
        return -1;
    char buffer[2048];
    const qint64 n = g.socket.readDatagram(buffer, sizeof buffer);
    if (n < qint64(ipx::kHeaderSize) + 12)
        return -1;
    qint64 t;
    std::memcpy(&t, buffer + ipx::kHeaderSize + 4, sizeof t);
    return t;
}

struct Latency {
    double medianUs = 0, p99Us = 0;
    int lost = 0;
};

Latency measureLatency(const Path &p)
{
    std::vector<double> samples;
    Latency result;
    for (quint32 i = 0; i < quint32(kLatencySamples); ++i) {
        send(p, i);
        const qint64 sent = receiveSendTime(*p.receiver);
        if (sent < 0) {
            ++result.lost;
            continue;
        }
        samples.push_back(double(nowNs() - sent) / 1000.0);
    }
    if (samples.empty())
        return result;
    std::sort(samples.begin(), samples.end());
    result.medianUs = samples[samples.size() / 2];
    result.p99Us = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
    return result;
}

// Packets per second received with up to kWindow in flight.
double measureRate(const Path &p, qint64 *lost)
{
    qint64 sent = 0, received = 0;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kRateMs) {
        while (sent - received - *lost < kWindow)
            send(p, quint32(sent++));
        if (receiveSendTime(*p.receiver, 200) >= 0)
            ++received;
        else
            *lost = sent - received;  // a stall: count what is out as lost and go on
    }
    const qint64 elapsed = timer.nsecsElapsed();
    while (receiveSendTime(*p.receiver, 100) >= 0)
        ++received;
    *lost = sent - received;
    return double(received) / (double(elapsed) / 1e9);
}

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().trimmed()) : QStringLiteral("?");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");

    // Two players on one machine, as the tests set them up.
    test::TwoPlayers players;
    test::FerrydProcess ferryd;
    test::ConnectingControlCenter hero, buddy;
    if (!players.seed() || !ferryd.start(players.env, {QStringLiteral("--quiet")}) || !hero.start(players.env)
        || !hero.waitUntilSignedOn() || !players.startBuddy(buddy) || !buddy.waitUntilSignedOn()) {
        std::fprintf(stderr, "ipx_tunnel: the players did not sign on to ferryd\n");
        return 1;
    }
    QTest::qWait(500);  // the tunnels' hellos are welcomed

    const quint16 endpointPort = port(kIpxEndpointPort);
    Game heroGame(QStringLiteral("127.0.0.1")), buddyGame(QStringLiteral("127.0.0.1"));
    if (!heroGame.registerWith(QStringLiteral("127.0.0.1"), endpointPort)
        || !buddyGame.registerWith(QStringLiteral("127.0.0.3"), endpointPort)) {
        std::fprintf(stderr, "ipx_tunnel: a game could not register with its control center\n");
        return 1;
    }
    const Path tunnel{&heroGame, &buddyGame, heroGame.endpoint, endpointPort};
    // The baseline: the same packets straight from one socket to the other.
    Game plainA(QStringLiteral("127.0.0.1")), plainB(QStringLiteral("127.0.0.1"));
    const Path plain{&plainA, &plainB, QHostAddress(QStringLiteral("127.0.0.1")), plainB.socket.localPort()};

    // A warm-up, so that first-packet costs do not count.
    for (int i = 0; i < 200; ++i) {
        send(tunnel, 0);
        receiveSendTime(buddyGame);
    }

    const Latency plainLatency = measureLatency(plain);
    const Latency tunnelLatency = measureLatency(tunnel);
    qint64 plainLost = 0, tunnelLost = 0;
    const double plainRate = measureRate(plain, &plainLost);
    // The processor time each program spends on the packets, whatever else the machine does.
    const qint64 pids[] = {hero.process().processId(), ferryd.processId(), buddy.process().processId()};
    double cpuBefore[3];
    for (int i = 0; i < 3; ++i)
        cpuBefore[i] = procCpuMs(pids[i]);
    QElapsedTimer rateTimer;
    rateTimer.start();
    const double tunnelRate = measureRate(tunnel, &tunnelLost);
    const double packets = tunnelRate * double(rateTimer.nsecsElapsed()) / 1e9;
    double cpuUsPerPacket[3];
    for (int i = 0; i < 3; ++i)
        cpuUsPerPacket[i] = (procCpuMs(pids[i]) - cpuBefore[i]) * 1000.0 / packets;

    std::printf("600-byte IPX packets, game -> control center -> ferryd -> control center -> game\n");
    std::printf("%-22s %12s %12s %12s %8s\n", "", "packets/s", "median us", "p99 us", "lost");
    std::printf("%-22s %12.0f %12.1f %12.1f %8lld\n", "plain loopback UDP", plainRate, plainLatency.medianUs,
                plainLatency.p99Us, (long long)(plainLost + plainLatency.lost));
    std::printf("%-22s %12.0f %12.1f %12.1f %8lld\n", "through the tunnel", tunnelRate, tunnelLatency.medianUs,
                tunnelLatency.p99Us, (long long)(tunnelLost + tunnelLatency.lost));
    std::printf("added latency: median %.1f us, p99 %.1f us (target: p99 under 1000 us); rate target 20000 packets/s\n",
                tunnelLatency.medianUs - plainLatency.medianUs, tunnelLatency.p99Us - plainLatency.p99Us);
    std::printf("processor time per packet: sending control center %.1f us, ferryd %.1f us, receiving control center %.1f us\n",
                cpuUsPerPacket[0], cpuUsPerPacket[1], cpuUsPerPacket[2]);
    std::printf("load average at the end: %s\n", qPrintable(loadAverage()));
    return 0;
}
