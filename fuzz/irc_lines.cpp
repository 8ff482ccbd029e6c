// Fuzz target: bytes from a hostile chat server through the session core's line
// cutter and dispatcher (numerics, channel and user commands, CTCP, DCC offers,
// file requests), in chunks of a size the input picks, so that lines are cut
// anywhere.
//
// Input: byte 0 picks the chunk size (1 + 8 * its value); the rest is the stream.

#include "fuzz/chatcore.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    ferry::fuzz::ChatCore chat;
    const std::size_t chunk = 1 + std::size_t(data[0]) * 8;
    for (std::size_t at = 1; at < size; at += chunk)
        chat.app.FeedServerBytes(QByteArray(reinterpret_cast<const char *>(data + at), qsizetype(std::min(chunk, size - at))));
    return 0;
}

#include "fuzz/fuzzreplay.h"
