// Fuzz target: IPX packets and tunnel frames as any local program or any host
// could send them, through the local endpoint's rules (from a registered game,
// from a stranger, out of the tunnel) and the server's routing (from a member's
// tunnel, from a stranger).
//
// Input: records of a 16-bit little-endian length (cut to what is left) and that
// many bytes; a record's first byte picks the path (its value modulo 5), the rest
// is the datagram.

#include "platform/localipxnetwork.h"
#include "protocol/tunnelrouter.h"
#include "fuzz/records.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace ferry;
    using ferry::fuzz::forEachRecord;
    std::size_t sent = 0;  // what would go out, so that no path is optimised away
    LocalIpxNetwork network([&sent](const tunnel::Peer &, const QByteArray &p) { sent += std::size_t(p.size()); },
                            [&sent](const QByteArray &p) { sent += std::size_t(p.size()); });
    network.setOwnAddress(0x7F000001);
    const tunnel::Peer game{0x7F000001, 5000}, stranger{0x7F000001, 5001};
    network.fromClient(ipx::registrationRequest(), game);

    tunnel::TunnelRouter router;
    const tunnel::Peer member{0x0A000001, 6000}, other{0x0A000002, 6000}, outsider{0x0A000003, 6000};
    router.join(1, member, 0x0A000001);
    router.join(2, other, 0x0A000002);
    const auto deliver = [&sent](const tunnel::TunnelRouter::Member &, const QByteArray &f) {
        sent += std::size_t(f.size());
    };

    forEachRecord(data, size, [&](const QByteArray &record) {
        if (record.isEmpty())
            return;
        const QByteArray datagram = record.mid(1);
        switch (std::uint8_t(record[0]) % 5) {
        case 0: network.fromClient(datagram, game); break;
        case 1: network.fromClient(datagram, stranger); break;
        case 2: network.fromTunnel(datagram); break;
        case 3: router.route(datagram, member, deliver); break;
        default: router.route(datagram, outsider, deliver); break;
        }
    });
    return 0;
}

#include "fuzz/fuzzreplay.h"
