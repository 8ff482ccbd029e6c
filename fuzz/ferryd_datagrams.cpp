// Fuzz target: ferryd as any host can reach it, through real sockets on loopback:
// datagrams to its server port (sign-on, logoff, player lists, service requests,
// peer pings, an operator's commands), its tracker port and its tunnel port, from
// four senders on three addresses (the operator "op" may act from 127.0.0.2), with
// its clock moved on so that silent players are dropped. Each datagram is handled
// before the next is sent, so an input is one conversation.
//
// Input: records (fuzz/records.h); a record's first byte picks the sender (bits
// 0-1) and the port (bits 2-3: server, tracker, tunnel, or no datagram but eleven
// minutes later); the rest is the datagram, cut to 1,500 bytes.

#include "fuzz/fuzzenv.h"
#include "fuzz/records.h"
#include "protocol/ports.h"
#include "server/ferryserver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QUdpSocket>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ferry::fuzz::isolate();
    const QHostAddress own(QStringLiteral("127.0.0.1"));
    ferryd::Config config;
    config.address = own;
    config.name = "fuzz";
    config.maxPlayers = 4;
    config.probe = true;
    config.operators = {ferryd::Operator{"op", QHostAddress(QStringLiteral("127.0.0.2"))}};
    // Datagrams the server has read from its server and tracker ports: one "<-" line
    // each (a tunnel's hello is logged with "<-" too, but is no such datagram).
    int heard = 0;
    ferryd::FerryServer server(config, [&heard](const QString &line) {
        heard += line.startsWith(QLatin1String("<-")) && !line.contains(QLatin1String(" tunnel hello "));
    });
    qint64 now = 1000;
    server.setClock([&now] { return now; });
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::abort();
    }

    std::array<std::unique_ptr<QUdpSocket>, 4> senders;
    const char *const addresses[] = {"127.0.0.1", "127.0.0.1", "127.0.0.2", "127.0.0.3"};
    for (std::size_t i = 0; i < senders.size(); ++i) {
        senders[i] = std::make_unique<QUdpSocket>();
        if (!senders[i]->bind(QHostAddress(QLatin1String(addresses[i])), 0))
            std::abort();
    }
    const quint16 ports[] = {server.serverPort(), server.trackerPort(), server.tunnelPort()};

    int expected = 0;
    const auto send = [&](QUdpSocket &from, const QByteArray &d, quint16 port) {
        if (d.isEmpty() || from.writeDatagram(d, own, port) != d.size())
            return;
        ++expected;
        const QDeadlineTimer deadline(2000);
        while (heard < expected && !deadline.hasExpired())
            QCoreApplication::processEvents();
        heard = expected;  // a datagram the kernel lost must not stall the rest
    };
    ferry::fuzz::forEachRecord(data, size, [&](const QByteArray &record) {
        if (record.isEmpty())
            return;
        const std::uint8_t pick = std::uint8_t(record[0]);
        QUdpSocket &from = *senders[pick & 3];
        const QByteArray d = record.mid(1, 1500);
        switch ((pick >> 2) & 3) {
        case 0: send(from, d, ports[0]); break;
        case 1: send(from, d, ports[1]); break;
        case 2:
            // Tunnel frames are not logged one by one: a datagram to the tracker
            // port behind it shows that the server has read it.
            if (!d.isEmpty() && from.writeDatagram(d, own, ports[2]) == d.size())
                send(from, QByteArray(1, '\0'), ports[1]);
            break;
        default:
            now += 11 * 60 * 1000;
            server.dropSilentPlayers();
            break;
        }
    });
    return 0;
}

#include "fuzz/fuzzreplay.h"
