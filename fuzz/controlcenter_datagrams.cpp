// Fuzz target: every datagram the control center reads from the network or from the
// chat client. Each goes through the chat relay (as from the chosen server, from a
// stranger, or from the chat client) or the server tree's tracker socket (as the
// answer to a request just sent, or from a stranger), and through the decoders of the sign-on
// answers, notices, identification probe, peer pings and service replies. What
// decodes must encode to the same fields again.
//
// Input: records (fuzz/records.h); a record's first byte picks the path (its value
// modulo 6), the rest is the datagram.

#include "controlcenter/chatrelay.h"
#include "controlcenter/ferrypingrelay.h"
#include "controlcenter/trackersocket.h"
#include "fuzz/fuzzenv.h"
#include "fuzz/records.h"
#include "fuzz/sink.h"
#include "protocol/directory.h"
#include "protocol/ports.h"
#include "protocol/relayrecord.h"
#include "protocol/serverdatagrams.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

namespace dg = ferry::datagrams;

const QHostAddress kServer(QStringLiteral("127.0.0.2"));
const QHostAddress kStranger(QStringLiteral("127.0.0.3"));

void decodeEveryWay(const QByteArray &d, std::size_t &seen)
{
    if (const auto a = dg::decodeAccepted(d)) {
        const auto back = dg::decodeAccepted(dg::encodeAccepted(*a));
        if (!back || back->tunnelAddress != a->tunnelAddress || back->tunnelPort != a->tunnelPort)
            std::abort();
    }
    if (const auto s = dg::decodeSignOn(d)) {
        const auto back = dg::decodeSignOn(dg::encodeSignOn(*s));
        // At most 15 and 79 bytes travel; a field without its NUL reads to its end.
        if (!back || back->nickname != s->nickname.left(15) || back->email != s->email.left(79))
            std::abort();
    }
    if (const auto n = dg::decodeNotice(d))
        seen += std::size_t(dg::noticeAsText(d).size() + n->text.size());
    if (const auto r = dg::decodeRefusal(d))
        seen += std::size_t(*r);
    if (const auto i = dg::decodeIdentification(d))
        seen += std::size_t(i->size());
    if (const auto p = dg::decodePeerPing(d))
        seen += std::size_t(dg::peerPingRecordBytes(d).size() + p->sequence);
    if (const auto reply = dg::decodeServiceReply(d))
        seen += std::size_t(reply->size());
    if (const auto action = dg::handlePeerPing(d, "hero", 1000))
        seen += std::size_t(action->datagram.size());
    if (const auto relay = dg::wrapForRelay(d, 7, 0x7F000001, 1000))
        seen += std::size_t(relay->datagram.size());
    if (const auto request = dg::decodeServiceRequest(d)) {
        if (const auto command = dg::decodeServicePayload(*request))
            seen += std::size_t(dg::encodeServicePayload(*command).size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ferry::fuzz::isolate();
    std::size_t seen = 0;  // what would go out, so that no path is optimised away
    ferry::ChatRelay relay(ferry::ChatRelay::Host{
        [] { return true; },
        [] { return kServer.toString(); },
        [] { return std::uint32_t(0x7F000001); },
        [] { return QByteArray("hero"); },
        [&seen](const QHostAddress &, const QByteArray &d) { seen += std::size_t(d.size()); },
    });
    relay.setTickClock([] { return std::uint32_t(1000); });

    ferry::CTrackerSocket tracker;
    QObject::connect(&tracker, &ferry::CTrackerSocket::directoryReceived,
                     [&seen](const QList<dg::ServerEntry> &servers) { seen += std::size_t(servers.size()); });
    QObject::connect(&tracker, &ferry::CTrackerSocket::playerListReceived,
                     [&seen](const QHostAddress &, const QList<dg::PlayerEntry> &players) { seen += std::size_t(players.size()); });

    ferry::fuzz::forEachRecord(data, size, [&](const QByteArray &record) {
        if (record.isEmpty())
            return;
        const QByteArray d = record.mid(1);
        decodeEveryWay(d, seen);
        // The tracker socket's read path: an answer is handled only when it answers a request.
        const auto toTracker = [&tracker, &d](const QHostAddress &from, quint16 fromPort) {
            if (tracker.takeAnswer(d, from, fromPort))
                tracker.handleDatagram(d, from);
        };
        switch (std::uint8_t(record[0]) % 6) {
        case 0: relay.handleServerDatagram(d, kServer, true); break;
        case 1: relay.handleServerDatagram(d, kStranger, false); break;
        case 2: relay.handleChatClientDatagram(d); break;
        case 3:
            tracker.requestDirectory(kServer.toString());
            toTracker(kServer, ferry::port(ferry::kTrackerPort));
            break;
        case 4:
            tracker.requestPlayerList(kServer.toString());
            toTracker(kServer, ferry::port(ferry::kServerPort));
            break;
        default: toTracker(kStranger, ferry::port(ferry::kServerPort)); break;
        }
    });
    ferry::fuzz::keep(seen);
    return 0;
}

#include "fuzz/fuzzreplay.h"
