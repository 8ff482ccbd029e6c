// Fuzz target: CTCP requests and replies from chat users (VERSION, PING, ACTION,
// UDPPING, FILEREQ, DCC CHAT and send offers) through the dispatcher, and the DCC
// offer parser on its own: an offered file name must be reduced to a plain name,
// and an offer we build from what was parsed must parse back to the same numbers.
//
// Input: records (fuzz/records.h); a record's first byte picks the sender and
// whether it is a request to us, a request to the channel or a reply; the rest is
// the CTCP body (without the \001 marks).

#include "chat/dcc/dccoffer.h"
#include "fuzz/chatcore.h"
#include "fuzz/records.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkOffer(const QByteArray &body)
{
    using namespace ferry::dcc;
    if (!body.toUpper().startsWith("DCC "))
        return;
    const Offer offer = ParseOffer(body.mid(4));
    const auto *send = std::get_if<SendOffer>(&offer);
    if (!send)
        return;
    const QString name = SanitizeOfferedFileName(send->fileName);
    if (name.isEmpty() || name.size() > 200 || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || name.startsWith(QLatin1Char('.')) || name.contains(QChar(0)))
        std::abort();
    const std::uint16_t port = std::uint16_t(send->port);
    const Offer back = ParseOffer(SendOfferBody(name, send->address, port, send->size).mid(4));
    const auto *again = std::get_if<SendOffer>(&back);
    if (!again || again->address != send->address || again->port != port || again->size != send->size)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const char *const senders[] = {":bob!b@h.test", ":carol!c@10.0.0.1", ":me!m@h", ":srv.test"};
    ferry::fuzz::ChatCore chat;
    ferry::fuzz::forEachRecord(data, size, [&](const QByteArray &record) {
        if (record.isEmpty())
            return;
        const std::uint8_t pick = std::uint8_t(record[0]);
        const QByteArray body = record.mid(1);
        checkOffer(body);
        const QByteArray verb = (pick & 8) ? " NOTICE " : " PRIVMSG ";
        const QByteArray target = (pick & 4) ? "#lanway" : "me";
        chat.app.FeedServerBytes(senders[pick & 3] + verb + target + " :\x01" + body + "\x01\r\n");
    });
    return 0;
}

#include "fuzz/fuzzreplay.h"
