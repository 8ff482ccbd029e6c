#include "common/dibpalette.h"

#include "protocol/bytes.h"
#include "common/dib.h"
#include "platform/prompts.h"

#include <QFile>
#include <QPainter>

namespace {

using namespace ferry::bytes;

const char *const PaletteFilter = "Palette files (*.PAL)|*.PAL|All files (*.*)|*.*||";

// The content of the first "data" chunk of a RIFF form "PAL "; null when absent or malformed.
QByteArray findDataChunk(const QByteArray &file)
{
    Reader r(file);
    if (r.raw(4) != "RIFF")
        return QByteArray();
    const std::uint32_t formSize = r.le32();
    if (!r.ok() || r.raw(4) != "PAL ")
        return QByteArray();
    // The form ends where its size says, or at the end of the file when that is shorter.
    const std::size_t formEnd = std::min<std::size_t>(std::size_t(file.size()), std::size_t(formSize) + 8);
    while (r.ok() && r.pos() + 8 <= formEnd) {
        const QByteArray id = r.raw(4);
        const std::uint32_t size = r.le32();
        if (size > formEnd - r.pos())
            return QByteArray();
        if (id == "data")
            return r.raw(size);
        r.skip(size);
        if ((size & 1) && r.pos() < formEnd) // chunks are padded to an even size
            r.skip(1);
    }
    return QByteArray();
}

void reportError(QWidget *parent, const char *text)
{
    ferry::prompts::error(parent, QStringLiteral("Error"), QString::fromLatin1(text));
}

// The given file name, or else the one the user picks; nullopt when cancelled.
std::optional<QString> nameOrAsk(const QString &fileName, QWidget *parent, bool saving)
{
    if (!fileName.isEmpty())
        return fileName;
    const QString filter = ferry::prompts::windowsFilter(PaletteFilter);
    return saving ? ferry::prompts::saveFile(parent, QStringLiteral("Save As"), QString(), filter)
                  : ferry::prompts::openFile(parent, QStringLiteral("Open"), QString(), filter);
}

} // namespace

bool CDIBPalette::create(const CDIB &dib)
{
    const int count = dib.colorCount();
    if (count == 0)
        return false;
    QList<PaletteEntry> entries;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t c = dib.color(i);
        entries.append({std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c), 0});
    }
    m_entries = entries;
    return true;
}

bool CDIBPalette::create(const QList<PaletteEntry> &entries)
{
    if (entries.isEmpty() || entries.size() > MaxEntries)
        return false;
    m_entries = entries;
    return true;
}

int CDIBPalette::nearestIndex(std::uint32_t rgb) const
{
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < m_entries.size(); ++i) {
        const PaletteEntry &e = m_entries[i];
        const long dr = e.red - r, dg = e.green - g, db = e.blue - b;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void CDIBPalette::draw(QPainter &painter, const QRect &rect) const
{
    const int w = rect.width(), h = rect.height();
    for (int i = 0; i < 16; ++i) {
        for (int j = 0; j < 16; ++j) {
            const int index = i * 16 + j;
            if (index >= m_entries.size())
                return;
            const int left = rect.left() + j * w / 16 + 1, right = rect.left() + (j + 1) * w / 16 + 1;
            const int top = rect.top() + i * h / 16 + 1, bottom = rect.top() + (i + 1) * h / 16 + 1;
            painter.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), QColor::fromRgb(m_entries[index].rgb()));
        }
    }
}

bool CDIBPalette::makeIdentity() { return false; }

bool CDIBPalette::loadFromData(const QByteArray &data)
{
    const QByteArray chunk = findDataChunk(data);
    Reader r(chunk);
    const std::uint16_t version = r.le16();
    const std::uint16_t count = r.le16();
    if (!r.ok() || version != Version || count == 0 || count > MaxEntries || !r.has(std::size_t(count) * 4))
        return false;
    QList<PaletteEntry> entries;
    for (int i = 0; i < count; ++i) {
        PaletteEntry e;
        e.red = r.u8();
        e.green = r.u8();
        e.blue = r.u8();
        e.flags = r.u8();
        entries.append(e);
    }
    m_entries = entries;
    return true;
}

QByteArray CDIBPalette::toData() const
{
    const std::uint32_t dataSize = std::uint32_t(m_entries.size()) * 4 + 4;
    QByteArray out;
    Writer w(out);
    w.raw("RIFF");
    w.le32(4 + 8 + dataSize);
    w.raw("PAL ");
    w.raw("data");
    w.le32(dataSize);
    w.le16(Version);
    w.le16(std::uint16_t(m_entries.size()));
    for (const PaletteEntry &e : m_entries) {
        w.u8(e.red);
        w.u8(e.green);
        w.u8(e.blue);
        w.u8(e.flags);
    }
    return out;
}

bool CDIBPalette::load(const QString &fileName, QWidget *parent)
{
    const auto name = nameOrAsk(fileName, parent, false);
    if (!name)
        return false;
    QFile file(*name);
    if (!file.open(QIODevice::ReadOnly)) {
        reportError(parent, "Failed to open file");
        return false;
    }
    // A palette file holds at most 256 entries; anything much larger is not one.
    const QByteArray data = file.read(64 * 1024);
    if (!loadFromData(data)) {
        reportError(parent, "Failed to load file");
        return false;
    }
    return true;
}

bool CDIBPalette::save(const QString &fileName, QWidget *parent) const
{
    const auto name = nameOrAsk(fileName, parent, true);
    if (!name)
        return false;
    QFile file(*name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        reportError(parent, "Failed to open file");
        return false;
    }
    const QByteArray data = toData();
    if (file.write(data) != data.size() || !file.flush()) {
        reportError(parent, "Failed to save file");
        return false;
    }
    return true;
}
