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

#ifdef FERRY_FUZZ_REPLAY
// Without libFuzzer: replays the files named on the command line (a corpus).
#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()));
        ++replayed;
    }
    std::printf("replayed %d inputs\n", replayed);
    return 0;
}
#endif
