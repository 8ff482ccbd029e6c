// Fuzz target: the game spy's listener fed datagrams as any host on the IPX
// network could send them, in both modes, with games and players chosen between
// them so that the game, player and announcement decoders all run.
//
// Input: byte 0 picks the mode (bit 0: Descent I) and the socket offset; then
// records of a 16-bit little-endian length (cut to what is left) and that many
// bytes, each delivered as one datagram, after which the first listed game and
// the first player are chosen.

#include "chat/spy/spylistener.h"
#include "fuzz/records.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <deque>

namespace {

using namespace tavern::spy;

class FuzzSocket : public ISpySocket {
public:
    std::deque<QByteArray> incoming;

    void Bind(std::uint16_t) override {}
    State state() const override { return State::Ready; }
    QString failureText() const override { return {}; }
    SpyAddress ownAddress() const override { return {}; }
    void SendTo(const SpyAddress &, const QByteArray &) override {}
    std::optional<SpyDatagram> Receive() override
    {
        if (incoming.empty())
            return std::nullopt;
        SpyDatagram d{incoming.front(), {}};
        incoming.pop_front();
        return d;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    auto owned = std::make_unique<FuzzSocket>();
    FuzzSocket *socket = owned.get();
    CSpyListener listener(std::move(owned));
    QStringList players;
    QObject::connect(&listener, &CSpyListener::playersShown, [&players](const QStringList &names) { players = names; });
    listener.OpenSpySocket();
    listener.ReopenSpySocket((data[0] & 1) ? SpyMode::Descent1 : SpyMode::Descent2, int(data[0] >> 1) - 64);

    ferry::fuzz::forEachRecord(data + 1, size - 1, [&](const QByteArray &datagram) {
        socket->incoming.push_back(datagram);
        listener.PollSpySocket();
        const QStringList games = listener.GameNames();
        if (!games.isEmpty())
            listener.SelectGame(games.last());
        for (const QString &name : std::as_const(players))
            listener.SelectPlayer(name);
    });
    return 0;
}

#include "fuzz/fuzzreplay.h"
