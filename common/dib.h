#pragma once

// A device-independent bitmap: the header block (a 40-byte information header and
// room for 256 colour entries) and the pixel rows, bottom row first, exactly as
// they stand in a .bmp file. The pixel operations (address, copy block, map
// colours) work on 8-bit pictures, which is what the splash pictures are.
//
// Every load is bounded: a file or resource that is missing, short, not a "BM"
// image, compressed or of an absurd size is refused and the picture keeps its
// previous content.

#include <QByteArray>
#include <QRect>
#include <QString>

#include <cstdint>

class CDIBPalette;
class QDataStream;
class QImage;
class QIODevice;
class QPainter;
class QWidget;

class CDIB {
public:
    static constexpr int FileHeaderSize = 14;
    static constexpr int InfoHeaderSize = 40;
    static constexpr int CoreHeaderSize = 12;
    static constexpr int MaxColors = 256;
    static constexpr int HeaderBlockSize = InfoHeaderSize + MaxColors * 4; // 1064
    static constexpr int SavedBitsOffset = FileHeaderSize + HeaderBlockSize; // 1078
    // Largest side and pixel data accepted from a file; far beyond any picture shown here.
    static constexpr int MaxSide = 16384;
    static constexpr qint64 MaxBitsSize = 64 * 1024 * 1024;

    CDIB(); // an empty 16 by 16 picture
    virtual ~CDIB();
    CDIB(const CDIB &) = default;
    CDIB &operator=(const CDIB &) = default;

    // 8 bits per pixel, grey colour table (entry i = i, i, i), all pixels 0.
    bool create(int width, int height);

    // The DIB file image held in the Qt resource ":/dib/<id>". The resource data is
    // borrowed, not copied; the first write to the pixels makes a private copy.
    virtual bool loadResource(int resourceId);
    // Opens the file read-only and loads it; false when it cannot be opened.
    virtual bool load(const QString &fileName);
    // Reads a DIB file image from the device's current position.
    virtual bool load(QIODevice &file);
    // Writes the file header, the 1064-byte header block and the pixel rows.
    virtual bool save(QIODevice &file) const;
    // Creates the file and saves; "Failed to open file" / "Failed to save file" on failure.
    virtual bool save(const QString &fileName, QWidget *parent = nullptr) const;
    // Paints the whole picture unscaled at (x, y) with its own colour table.
    virtual void draw(QPainter &painter, int x, int y) const;
    virtual int width() const;
    virtual int height() const;
    // Rewrites the pixels to the nearest entries of the palette and takes over its colours.
    virtual bool mapColorsToPalette(const CDIBPalette &palette);
    virtual QRect rect() const;
    // Copies a w by h block from (xs, ys) of this picture to (xd, yd) of dest, rows
    // bottom-up. transparent -1 copies every pixel; any other value skips source
    // pixels equal to its low byte. Pixels that fall outside either picture are skipped.
    virtual void copyBits(CDIB &dest, int xd, int yd, int w, int h, int xs, int ys,
                          int transparent = -1) const;

    // Storing writes the file image to the archive's device; loading reads it back.
    bool serialize(QDataStream &archive, bool storing);

    // The byte of pixel (x, y) counted from the top left; nullptr outside the
    // picture or when the picture is not 8 bits per pixel.
    std::uint8_t *pixelAddress(int x, int y);
    const std::uint8_t *pixelAddress(int x, int y) const;

    int bitCount() const;
    // 2, 16 or 256 by bit count (0 otherwise), lowered by a non-zero colours-used entry.
    int colorCount() const;
    // Colour entry i as 0xAARRGGBB (alpha 255); 0 outside the table.
    std::uint32_t color(int index) const;
    void setColor(int index, std::uint32_t rgb);
    // Bytes per row for the pixel operations: the width rounded up to a multiple of 4.
    int stride() const;
    // Whether the pixel bits are the object's own rather than borrowed from a resource.
    bool ownsBits() const { return m_ownsBits; }
    const QByteArray &headerBlock() const { return m_header; }
    const QByteArray &bits() const { return m_bits; }

    // The picture as an image (indexed for up to 8 bits per pixel); null when empty.
    QImage toImage() const;
    // Takes an indexed 8-bit image (at most 256 colours) as the new content.
    bool fromImage(const QImage &image);

private:
    bool loadImage(const QByteArray &image, bool borrowed);
    std::uint32_t headerField(int offset) const;
    qint64 bitsSize() const;

    QByteArray m_header;
    QByteArray m_bits;
    bool m_ownsBits = true;
};
