// Fuzz target: the launchpad's reader of Windows programs, fed a whole file as any
// game folder could hold it: what kind of program it is, and its first icon group
// made into an .ico file, which must then be well formed.
//
// Input: the bytes of the file.

#include "chat/launchpad/peimage.h"

#include "protocol/bytes.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    const tavern::ByteSource source = tavern::BytesOf(file);
    tavern::DetectExecutableFormat(source);
    const QByteArray ico = tavern::FirstIconGroupAsIco(source);
    if (ico.isEmpty())
        return 0;
    // The icon directory must describe only images that are there.
    ferry::bytes::Reader r(ico);
    r.skip(4);
    const int count = r.le16();
    if (count < 1 || count > 64)
        std::abort();
    for (int i = 0; i < count; ++i) {
        r.skip(8);
        const quint32 length = r.le32();
        const quint32 offset = r.le32();
        if (!r.ok() || quint64(offset) + length > quint64(ico.size()))
            std::abort();
    }
    return 0;
}

#include "fuzz/fuzzreplay.h"
