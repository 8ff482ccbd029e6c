// Fuzz target: the chat client's game-service link fed the datagrams that arrive
// on its local socket (anyone on this machine can send there): peer ping
// requests, ping times and service text, each answered or printed through the
// link's host.
//
// Input: records (fuzz/records.h), each one datagram.

#include "chat/gamelink/gamelink.h"
#include "fuzz/records.h"
#include "fuzz/sink.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::size_t shown = 0;  // what was printed, so that no path is optimised away
    CGameLink link(GameLinkHost{
        [&shown](const QString &line) { shown += std::size_t(line.size()); },
        [] { return QStringLiteral("hero"); },
        [] { return QStringLiteral("#lanway"); },
        [&shown](const QString &nick, std::int32_t ms) { shown += std::size_t(nick.size()) + std::size_t(ms); },
    });
    ferry::fuzz::forEachRecord(data, size, [&](const QByteArray &datagram) { link.HandleDatagram(datagram); });
    ferry::fuzz::keep(shown);
    return 0;
}

#include "fuzz/fuzzreplay.h"
