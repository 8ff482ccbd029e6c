#include "common/dib.h"

#include "protocol/bytes.h"
#include "common/dibpalette.h"
#include "platform/prompts.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QResource>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

using namespace ferry::bytes;

// Offsets into the 40-byte information header.
constexpr int OffSize = 0;
constexpr int OffWidth = 4;
constexpr int OffHeight = 8;
constexpr int OffPlanes = 12;
constexpr int OffBitCount = 14;
constexpr int OffCompression = 16;
constexpr int OffSizeImage = 20;
constexpr int OffClrUsed = 32;
constexpr int LargestInfoHeader = 124; // the biggest header revision; extra fields are skipped

int maxColorsFor(int bitCount)
{
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

qint64 fileRowBytes(qint64 width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

bool readExactly(QIODevice &dev, char *dst, qint64 n) { return n == 0 || dev.read(dst, n) == n; }

// What the headers of a DIB file image say, once checked.
struct ParsedHeaders {
    QByteArray header = QByteArray(CDIB::HeaderBlockSize, '\0');
    qint64 bitsOffset = 0; // from the start of the file header
    qint64 bitsSize = 0;
    qint64 consumed = 0; // bytes read so far from the start of the file header
};

// Reads and checks the file header, the information (or core) header and the colour
// table. Core headers and core colour entries are widened to their 40-byte forms.
bool readHeaders(QIODevice &dev, ParsedHeaders &out)
{
    unsigned char fileHeader[CDIB::FileHeaderSize];
    if (!readExactly(dev, reinterpret_cast<char *>(fileHeader), sizeof fileHeader))
        return false;
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        return false;
    out.bitsOffset = getLe32(fileHeader + 10);

    unsigned char sizeField[4];
    if (!readExactly(dev, reinterpret_cast<char *>(sizeField), 4))
        return false;
    const std::uint32_t headerSize = getLe32(sizeField);
    const bool core = headerSize == CDIB::CoreHeaderSize;
    if (!core && (headerSize < CDIB::InfoHeaderSize || headerSize > LargestInfoHeader))
        return false;
    QByteArray rest(qsizetype(headerSize - 4), '\0');
    if (!readExactly(dev, rest.data(), rest.size()))
        return false;
    Reader r(rest);
    auto *h = reinterpret_cast<unsigned char *>(out.header.data());
    qint64 width, height;
    int bitCount;
    std::uint32_t clrUsed = 0;
    if (core) {
        width = r.le16();
        height = r.le16();
        const std::uint16_t planes = r.le16();
        bitCount = r.le16();
        putLe16(h + OffPlanes, planes);
    } else {
        width = std::int32_t(r.le32());
        height = std::int32_t(r.le32());
        putLe16(h + OffPlanes, r.le16());
        bitCount = r.le16();
        const std::uint32_t compression = r.le32();
        if (compression != 0) // run-length and bit-field pictures are not drawn here
            return false;
        putLe32(h + OffSizeImage, r.le32());
        putLe32(h + 24, r.le32()); // pixels per metre, x and y
        putLe32(h + 28, r.le32());
        clrUsed = r.le32();
        putLe32(h + OffClrUsed, clrUsed);
        putLe32(h + 36, r.le32()); // colours important
    }
    if (!r.ok())
        return false;
    // Bottom-up pictures only: every pixel operation counts rows from the bottom.
    if (width <= 0 || height <= 0 || width > CDIB::MaxSide || height > CDIB::MaxSide)
        return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return false;
    putLe32(h + OffSize, CDIB::InfoHeaderSize);
    putLe32(h + OffWidth, std::uint32_t(width));
    putLe32(h + OffHeight, std::uint32_t(height));
    putLe16(h + OffBitCount, std::uint16_t(bitCount));

    int colors = maxColorsFor(bitCount);
    if (clrUsed != 0 && clrUsed < std::uint32_t(colors))
        colors = int(clrUsed);
    const int entrySize = core ? 3 : 4;
    QByteArray table(qsizetype(colors) * entrySize, '\0');
    if (!readExactly(dev, table.data(), table.size()))
        return false;
    for (int i = 0; i < colors; ++i)
        std::memcpy(h + CDIB::InfoHeaderSize + 4 * i, table.constData() + entrySize * i, 3);

    out.bitsSize = fileRowBytes(width, bitCount) * height;
    out.consumed = CDIB::FileHeaderSize + qint64(headerSize) + table.size();
    return out.bitsSize <= CDIB::MaxBitsSize && out.bitsOffset >= out.consumed;
}

} // namespace

CDIB::CDIB() { create(16, 16); }

CDIB::~CDIB() = default;

bool CDIB::create(int width, int height)
{
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide)
        return false;
    const qint64 size = qint64((width + 3) & ~3) * height;
    if (size > MaxBitsSize)
        return false;
    QByteArray header(HeaderBlockSize, '\0');
    auto *h = reinterpret_cast<unsigned char *>(header.data());
    putLe32(h + OffSize, InfoHeaderSize);
    putLe32(h + OffWidth, std::uint32_t(width));
    putLe32(h + OffHeight, std::uint32_t(height));
    putLe16(h + OffPlanes, 1);
    putLe16(h + OffBitCount, 8);
    for (int i = 0; i < MaxColors; ++i) {
        unsigned char *e = h + InfoHeaderSize + 4 * i;
        e[0] = e[1] = e[2] = std::uint8_t(i);
    }
    m_header = header;
    m_bits = QByteArray(qsizetype(size), '\0');
    m_ownsBits = true;
    return true;
}

bool CDIB::loadResource(int resourceId)
{
    const QResource res(QStringLiteral(":/dib/%1").arg(resourceId));
    if (!res.isValid())
        return false;
    const bool inPlace = res.compressionAlgorithm() == QResource::NoCompression;
    const QByteArray image = inPlace
        ? QByteArray::fromRawData(reinterpret_cast<const char *>(res.data()), qsizetype(res.size()))
        : res.uncompressedData();
    return loadImage(image, inPlace);
}

bool CDIB::loadImage(const QByteArray &image, bool borrowed)
{
    QBuffer buffer;
    buffer.setData(image);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    ParsedHeaders parsed;
    if (!readHeaders(buffer, parsed) || parsed.bitsOffset + parsed.bitsSize > image.size())
        return false;
    const char *bits = image.constData() + parsed.bitsOffset;
    m_header = parsed.header;
    m_bits = borrowed ? QByteArray::fromRawData(bits, qsizetype(parsed.bitsSize))
                      : QByteArray(bits, qsizetype(parsed.bitsSize));
    m_ownsBits = !borrowed;
    return true;
}

bool CDIB::load(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return load(file);
}

bool CDIB::load(QIODevice &file)
{
    ParsedHeaders parsed;
    if (!readHeaders(file, parsed))
        return false;
    const qint64 gap = parsed.bitsOffset - parsed.consumed;
    if (!file.isSequential() && file.size() - file.pos() < gap + parsed.bitsSize)
        return false; // the file is shorter than its headers claim
    if (gap > 0 && file.skip(gap) != gap)
        return false;
    // The amount of pixel data follows from the header; the file's own size field
    // is often wrong and is not trusted.
    QByteArray bits(qsizetype(parsed.bitsSize), '\0');
    if (!readExactly(file, bits.data(), bits.size()))
        return false;
    m_header = parsed.header;
    m_bits = bits;
    m_ownsBits = true;
    return true;
}

bool CDIB::save(QIODevice &file) const
{
    const qint64 size = bitsSize();
    if (m_bits.size() < size)
        return false;
    QByteArray out;
    Writer w(out);
    w.u8('B');
    w.u8('M');
    w.le32(std::uint32_t(size + SavedBitsOffset));
    w.le32(0);
    w.le32(SavedBitsOffset);
    w.raw(m_header);
    out.append(m_bits.constData(), qsizetype(size));
    return file.write(out) == out.size();
}

bool CDIB::save(const QString &fileName, QWidget *parent) const
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ferry::prompts::error(parent, QStringLiteral("Error"), QStringLiteral("Failed to open file"));
        return false;
    }
    if (!save(file) || !file.flush()) {
        ferry::prompts::error(parent, QStringLiteral("Error"), QStringLiteral("Failed to save file"));
        return false;
    }
    return true;
}

void CDIB::draw(QPainter &painter, int x, int y) const
{
    const QImage image = toImage();
    if (image.isNull())
        return;
    const auto mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(x, y, image);
    painter.setCompositionMode(mode);
}

std::uint32_t CDIB::headerField(int offset) const
{
    return getLe32(reinterpret_cast<const unsigned char *>(m_header.constData()) + offset);
}

int CDIB::width() const { return int(headerField(OffWidth)); }
int CDIB::height() const { return int(headerField(OffHeight)); }
QRect CDIB::rect() const { return QRect(0, 0, width(), height()); }
int CDIB::stride() const { return (width() + 3) & ~3; }

int CDIB::bitCount() const
{
    return getLe16(reinterpret_cast<const unsigned char *>(m_header.constData()) + OffBitCount);
}

int CDIB::colorCount() const
{
    const int max = maxColorsFor(bitCount());
    const std::uint32_t used = headerField(OffClrUsed);
    return used != 0 && used < std::uint32_t(max) ? int(used) : max;
}

qint64 CDIB::bitsSize() const { return fileRowBytes(width(), bitCount()) * height(); }

std::uint32_t CDIB::color(int index) const
{
    if (index < 0 || index >= MaxColors)
        return 0;
    const auto *e = reinterpret_cast<const unsigned char *>(m_header.constData()) + InfoHeaderSize + 4 * index;
    return 0xFF000000u | std::uint32_t(e[2]) << 16 | std::uint32_t(e[1]) << 8 | e[0];
}

void CDIB::setColor(int index, std::uint32_t rgb)
{
    if (index < 0 || index >= MaxColors)
        return;
    auto *e = reinterpret_cast<unsigned char *>(m_header.data()) + InfoHeaderSize + 4 * index;
    e[0] = rgb & 0xFF;
    e[1] = (rgb >> 8) & 0xFF;
    e[2] = (rgb >> 16) & 0xFF;
    e[3] = 0;
}

const std::uint8_t *CDIB::pixelAddress(int x, int y) const
{
    if (bitCount() != 8 || x < 0 || y < 0 || x >= width() || y >= height())
        return nullptr;
    const qint64 offset = qint64(height() - y - 1) * stride() + x;
    if (offset >= m_bits.size())
        return nullptr;
    return reinterpret_cast<const std::uint8_t *>(m_bits.constData()) + offset;
}

std::uint8_t *CDIB::pixelAddress(int x, int y)
{
    if (!std::as_const(*this).pixelAddress(x, y))
        return nullptr;
    // Writing to borrowed resource bits first makes them our own copy.
    m_ownsBits = true;
    return reinterpret_cast<std::uint8_t *>(m_bits.data()) + qint64(height() - y - 1) * stride() + x;
}

void CDIB::copyBits(CDIB &dest, int xd, int yd, int w, int h, int xs, int ys, int transparent) const
{
    if (w <= 0 || h <= 0)
        return;
    const bool skipKey = transparent != -1;
    const std::uint8_t key = std::uint8_t(transparent & 0xFF);
    for (int row = h - 1; row >= 0; --row) {
        for (int col = 0; col < w; ++col) {
            const std::uint8_t *src = pixelAddress(xs + col, ys + row);
            if (!src || (skipKey && *src == key))
                continue;
            if (std::uint8_t *dst = dest.pixelAddress(xd + col, yd + row))
                *dst = *src;
        }
    }
}

bool CDIB::mapColorsToPalette(const CDIBPalette &palette)
{
    if (bitCount() != 8 || palette.entryCount() == 0)
        return false;
    std::uint8_t map[MaxColors];
    for (int i = 0; i < MaxColors; ++i)
        map[i] = std::uint8_t(palette.nearestIndex(color(i)));
    m_ownsBits = true;
    auto *p = reinterpret_cast<std::uint8_t *>(m_bits.data());
    for (qsizetype i = 0; i < m_bits.size(); ++i)
        p[i] = map[p[i]];
    const int n = std::min(palette.entryCount(), MaxColors);
    for (int i = 0; i < n; ++i)
        setColor(i, palette.entry(i).rgb());
    putLe32(reinterpret_cast<unsigned char *>(m_header.data()) + OffClrUsed, MaxColors);
    return true;
}

bool CDIB::serialize(QDataStream &archive, bool storing)
{
    QIODevice *device = archive.device();
    if (!device)
        return false;
    return storing ? save(*device) : load(*device);
}

QImage CDIB::toImage() const
{
    const int w = width(), h = height(), bpp = bitCount();
    const qint64 rowBytes = fileRowBytes(w, bpp);
    if (w <= 0 || h <= 0 || m_bits.size() < rowBytes * h)
        return QImage();
    const bool indexed = bpp <= 8;
    QImage image(w, h, indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (image.isNull())
        return image;
    if (indexed) {
        // The whole table is given so that no pixel value can index past it.
        QList<QRgb> table(1 << bpp);
        for (int i = 0; i < table.size(); ++i)
            table[i] = color(i);
        image.setColorTable(table);
    }
    for (int y = 0; y < h; ++y) {
        const auto *src = reinterpret_cast<const unsigned char *>(m_bits.constData()) + (h - y - 1) * rowBytes;
        uchar *line = image.scanLine(y);
        auto *rgb = reinterpret_cast<QRgb *>(line);
        for (int x = 0; x < w; ++x) {
            switch (bpp) {
            case 1: line[x] = (src[x >> 3] >> (7 - (x & 7))) & 1; break;
            case 4: line[x] = (x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4; break;
            case 8: line[x] = src[x]; break;
            case 16: {
                const std::uint16_t v = getLe16(src + 2 * x);
                rgb[x] = qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
                break;
            }
            case 24: rgb[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
            default: rgb[x] = qRgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]); break;
            }
        }
    }
    return image;
}

bool CDIB::fromImage(const QImage &image)
{
    if (image.format() != QImage::Format_Indexed8 || image.colorCount() > MaxColors)
        return false;
    CDIB made;
    if (!made.create(image.width(), image.height()))
        return false;
    for (int i = 0; i < MaxColors; ++i)
        made.setColor(i, i < image.colorCount() ? image.color(i) : 0);
    putLe32(reinterpret_cast<unsigned char *>(made.m_header.data()) + OffClrUsed, std::uint32_t(image.colorCount()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(made.pixelAddress(0, y), image.constScanLine(y), size_t(image.width()));
    *this = made;
    return true;
}
