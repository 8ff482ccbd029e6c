// Fuzz target: the bitmap loader and the palette file reader fed files as they
// could lie in the program folder or be handed over. A picture that loads is put
// through everything the splash window does with one (its image, colour mapping
// to its own palette, block copies in and out of range, pixel addresses at the
// edges), saved, and must load back with its size.
//
// Input: byte 0 picks the reader (bit 0: palette file) and the copy offsets; the
// rest is the file.

#include "common/dib.h"
#include "common/dibpalette.h"
#include "fuzz/sink.h"

#include <QBuffer>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray file(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (data[0] & 1) {
        CDIBPalette palette;
        if (palette.loadFromData(file)) {
            CDIBPalette again;
            if (!again.loadFromData(palette.toData()) || again.entries() != palette.entries())
                std::abort();
        }
        return 0;
    }
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    CDIB dib;
    if (!dib.load(buffer))
        return 0;
    const QImage image = dib.toImage();
    const int shift = int(data[0] >> 1) - 64;
    CDIB canvas;
    canvas.create(64, 48);
    dib.copyBits(canvas, shift, -shift, dib.width(), dib.height(), shift / 2, 0, shift & 1 ? 0 : -1);
    canvas.copyBits(dib, 0, 0, 64, 48, shift, shift);
    for (const auto &[x, y] : {std::pair{0, 0}, {dib.width() - 1, dib.height() - 1}, {dib.width(), 0}, {-1, dib.height()}})
        if (std::uint8_t *p = dib.pixelAddress(x, y))
            *p ^= 1;
    CDIBPalette own;
    if (own.create(dib))
        dib.mapColorsToPalette(own);

    QBuffer saved;
    saved.open(QIODevice::ReadWrite);
    if (dib.save(saved)) {
        saved.seek(0);
        CDIB again;
        if (!again.load(saved) || again.width() != dib.width() || again.height() != dib.height())
            std::abort();
    }
    ferry::fuzz::keep(std::size_t(image.sizeInBytes()));
    return 0;
}

#include "fuzz/fuzzreplay.h"
