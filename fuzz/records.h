#pragma once

// Most targets read their input as a sequence of records, each a 16-bit
// little-endian length (cut to what is left of the input) and that many bytes, so
// that one input is a conversation of several datagrams or lines.

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace ferry::fuzz {

template <typename Handle>
void forEachRecord(const std::uint8_t *data, std::size_t size, Handle &&handle)
{
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::size_t length = std::min<std::size_t>(data[at] | (data[at + 1] << 8), size - at - 2);
        at += 2;
        handle(QByteArray(reinterpret_cast<const char *>(data + at), qsizetype(length)));
        at += length;
    }
}

} // namespace ferry::fuzz
