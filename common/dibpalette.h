#pragma once

// A logical palette: up to 256 entries of red, green, blue and flags, built from
// a picture's colour table or read from a RIFF palette file ("RIFF" form "PAL "
// with a "data" chunk holding version 0x300, the entry count and the entries).

#include <QColor>
#include <QList>
#include <QRect>
#include <QString>

#include <cstdint>

class CDIB;
class QPainter;
class QWidget;

struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;

    std::uint32_t rgb() const { return 0xFF000000u | std::uint32_t(red) << 16 | std::uint32_t(green) << 8 | blue; }
    bool operator==(const PaletteEntry &) const = default;
};

class CDIBPalette {
public:
    static constexpr std::uint16_t Version = 0x300;
    static constexpr int MaxEntries = 256;

    CDIBPalette() = default;

    // The picture's colours with flags 0; false when it has no colour table.
    bool create(const CDIB &dib);
    // Takes the given entries (at most 256); false when there are none.
    bool create(const QList<PaletteEntry> &entries);

    int entryCount() const { return int(m_entries.size()); }
    PaletteEntry entry(int index) const { return m_entries.value(index); }
    const QList<PaletteEntry> &entries() const { return m_entries; }
    // The entry closest to rgb (0xRRGGBB) by squared distance; 0 when empty.
    int nearestIndex(std::uint32_t rgb) const;

    // Fills a 16 by 16 grid of cells over rect, cell (row i, column j) in entry
    // i * 16 + j, stopping after the last entry.
    void draw(QPainter &painter, const QRect &rect) const;

    // An identity palette lines the logical palette up with the system palette of
    // a 256-colour display. Qt draws in true colour with no system palette to
    // match, so there is nothing to do: the palette is left as it is.
    bool makeIdentity();

    // Reads a palette file; without a name the user picks one. Reports "Failed to
    // open file" or "Failed to load file" and keeps the previous entries on failure.
    bool load(const QString &fileName = QString(), QWidget *parent = nullptr);
    // Parses the bytes of a palette file; false (entries kept) when they are not one.
    bool loadFromData(const QByteArray &data);
    // Writes the palette file; without a name the user picks one.
    bool save(const QString &fileName = QString(), QWidget *parent = nullptr) const;
    QByteArray toData() const;

private:
    QList<PaletteEntry> m_entries;
};
