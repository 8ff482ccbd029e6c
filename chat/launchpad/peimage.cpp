#include "chat/launchpad/peimage.h"

#include "protocol/bytes.h"

#include <QFile>

#include <memory>
#include <optional>
#include <vector>

namespace tavern {

namespace {

using ferry::bytes::Reader;

constexpr quint32 kRtIcon = 3;
constexpr quint32 kRtGroupIcon = 14;
constexpr int kMaxSections = 96;            // the format's own limit
constexpr int kMaxDirectoryEntries = 4096;  // per resource directory
constexpr int kMaxIcons = 64;
constexpr quint32 kMaxIconBytes = 1024 * 1024;
constexpr qsizetype kMaxTotalIconBytes = 4 * 1024 * 1024;
constexpr quint32 kMaxGroupBytes = 6 + 14 * 0xFFFF;

struct Section {
    quint32 virtualAddress = 0;
    quint32 virtualSize = 0;
    quint32 rawSize = 0;
    quint32 rawOffset = 0;
};

// The headers of a PE image that the resource walk needs.
struct PeLayout {
    std::vector<Section> sections;
    quint32 resourceRva = 0;
    quint32 resourceSize = 0;

    // The file offset of length bytes at rva, when they lie inside one section's file data.
    std::optional<quint64> offsetOf(quint32 rva, quint32 length) const
    {
        for (const Section &s : sections) {
            const quint64 begin = s.virtualAddress;
            const quint64 end = begin + std::max(s.virtualSize, s.rawSize);
            if (rva < begin || quint64(rva) + length > end)
                continue;
            const quint64 inSection = rva - begin;
            if (inSection + length > s.rawSize)
                return std::nullopt;
            return quint64(s.rawOffset) + inSection;
        }
        return std::nullopt;
    }
};

// e_lfanew of an MZ header, when the file starts with one.
std::optional<quint32> newHeaderOffset(const ByteSource &source)
{
    const QByteArray dos = source(0, 64);
    if (dos.size() < 64 || !dos.startsWith("MZ"))
        return std::nullopt;
    Reader r(dos);
    r.seek(0x3C);
    return r.le32();
}

std::optional<PeLayout> readLayout(const ByteSource &source)
{
    const auto peOffset = newHeaderOffset(source);
    if (!peOffset)
        return std::nullopt;
    const QByteArray coff = source(*peOffset, 24);
    if (coff.size() < 24 || !coff.startsWith(QByteArray("PE\0\0", 4)))
        return std::nullopt;
    Reader c(coff);
    c.skip(6);
    const int sectionCount = c.le16();
    c.skip(12);
    const quint32 optionalSize = c.le16();
    if (sectionCount <= 0 || sectionCount > kMaxSections)
        return std::nullopt;

    const QByteArray optional = source(quint64(*peOffset) + 24, optionalSize);
    Reader o(optional);
    const quint16 magic = o.le16();
    // Data directories: after 96 bytes (PE32) or 112 bytes (PE32+); the count before them.
    const std::size_t directories = magic == 0x20b ? 112 : magic == 0x10b ? 96 : 0;
    if (directories == 0)
        return std::nullopt;
    o.seek(directories - 4);
    const quint32 directoryCount = o.le32();
    if (directoryCount < 3)
        return std::nullopt;
    o.seek(directories + 2 * 8); // directory 2: resources
    PeLayout layout;
    layout.resourceRva = o.le32();
    layout.resourceSize = o.le32();
    if (!o.ok() || layout.resourceRva == 0)
        return std::nullopt;

    const QByteArray table = source(quint64(*peOffset) + 24 + optionalSize, quint32(sectionCount) * 40);
    Reader t(table);
    for (int i = 0; i < sectionCount; ++i) {
        t.skip(8);
        Section s;
        s.virtualSize = t.le32();
        s.virtualAddress = t.le32();
        s.rawSize = t.le32();
        s.rawOffset = t.le32();
        t.skip(16);
        if (!t.ok())
            return std::nullopt;
        layout.sections.push_back(s);
    }
    return layout;
}

// Reads length bytes at an RVA, all of them or nothing.
QByteArray readRva(const ByteSource &source, const PeLayout &layout, quint32 rva, quint32 length)
{
    const auto offset = layout.offsetOf(rva, length);
    if (!offset)
        return QByteArray();
    QByteArray bytes = source(*offset, length);
    return bytes.size() == qsizetype(length) ? bytes : QByteArray();
}

struct DirectoryEntry {
    bool named = false;
    quint32 id = 0;         // the number of an unnamed entry
    bool subdirectory = false;
    quint32 offset = 0;     // from the start of the resource section
};

// The entries of the resource directory at offset (named ones first, as stored).
std::vector<DirectoryEntry> readDirectory(const ByteSource &source, const PeLayout &layout, quint32 offset)
{
    std::vector<DirectoryEntry> entries;
    if (offset >= layout.resourceSize && layout.resourceSize != 0)
        return entries;
    const QByteArray header = readRva(source, layout, layout.resourceRva + offset, 16);
    if (header.isEmpty())
        return entries;
    Reader h(header);
    h.skip(12);
    const int count = h.le16() + h.le16();
    if (count <= 0 || count > kMaxDirectoryEntries)
        return entries;
    const QByteArray table = readRva(source, layout, layout.resourceRva + offset + 16, quint32(count) * 8);
    Reader r(table);
    for (int i = 0; i < count && r.has(8); ++i) {
        const quint32 name = r.le32();
        const quint32 target = r.le32();
        DirectoryEntry e;
        e.named = name & 0x80000000u;
        e.id = name & 0x7FFFFFFFu;
        e.subdirectory = target & 0x80000000u;
        e.offset = target & 0x7FFFFFFFu;
        entries.push_back(e);
    }
    return entries;
}

// The data of the first language of a resource entry (type → name → language → data).
QByteArray readFirstLanguage(const ByteSource &source, const PeLayout &layout, const DirectoryEntry &name,
                             quint32 maxBytes)
{
    if (!name.subdirectory)
        return QByteArray();
    const auto languages = readDirectory(source, layout, name.offset);
    if (languages.empty() || languages.front().subdirectory)
        return QByteArray();
    const QByteArray entry = readRva(source, layout, layout.resourceRva + languages.front().offset, 16);
    if (entry.isEmpty())
        return QByteArray();
    Reader e(entry);
    const quint32 dataRva = e.le32();
    const quint32 size = e.le32();
    if (size == 0 || size > maxBytes)
        return QByteArray();
    return readRva(source, layout, dataRva, size);
}

std::optional<DirectoryEntry> typeEntry(const std::vector<DirectoryEntry> &types, quint32 type)
{
    for (const DirectoryEntry &e : types)
        if (!e.named && e.id == type && e.subdirectory)
            return e;
    return std::nullopt;
}

} // namespace

ByteSource BytesOf(const QByteArray &image)
{
    return [image](quint64 offset, quint32 length) {
        if (offset >= quint64(image.size()))
            return QByteArray();
        return image.mid(qsizetype(offset), qsizetype(length));
    };
}

ByteSource FileBytes(const QString &path)
{
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return [](quint64, quint32) { return QByteArray(); };
    return [file](quint64 offset, quint32 length) {
        if (offset >= quint64(file->size()) || !file->seek(qint64(offset)))
            return QByteArray();
        return file->read(length);
    };
}

ExecutableFormat DetectExecutableFormat(const ByteSource &source)
{
    const auto newHeader = newHeaderOffset(source);
    if (!newHeader)
        return ExecutableFormat::NotMz;
    // A DOS program's header has no new-header offset; whatever stands there is no
    // PE or NE signature (DOS extenders bind LE and LX images, which stay DOS programs).
    const QByteArray signature = source(*newHeader, 4);
    if (signature == QByteArray("PE\0\0", 4) || signature.startsWith("NE"))
        return ExecutableFormat::Windows;
    return ExecutableFormat::Dos;
}

QByteArray FirstIconGroupAsIco(const ByteSource &source)
{
    const auto layout = readLayout(source);
    if (!layout)
        return QByteArray();
    const auto types = readDirectory(source, *layout, 0);
    const auto groups = typeEntry(types, kRtGroupIcon);
    const auto icons = typeEntry(types, kRtIcon);
    if (!groups || !icons)
        return QByteArray();
    const auto groupNames = readDirectory(source, *layout, groups->offset);
    if (groupNames.empty())
        return QByteArray();
    const QByteArray group = readFirstLanguage(source, *layout, groupNames.front(), kMaxGroupBytes);
    Reader g(group);
    g.skip(4);
    const int count = std::min<int>(g.le16(), kMaxIcons);
    if (!g.ok() || count <= 0)
        return QByteArray();
    const auto iconNames = readDirectory(source, *layout, icons->offset);

    struct Image {
        QByteArray header; // width, height, colours, reserved, planes, bit count (8 bytes)
        QByteArray data;
    };
    std::vector<Image> images;
    qsizetype total = 0;
    for (int i = 0; i < count && g.has(14) && total < kMaxTotalIconBytes; ++i) {
        Image image;
        image.header = g.raw(8);
        g.skip(4); // the size the group claims; the icon's own entry is what counts
        const quint32 id = g.le16();
        for (const DirectoryEntry &name : iconNames) {
            if (!name.named && name.id == id) {
                image.data = readFirstLanguage(source, *layout, name, kMaxIconBytes);
                break;
            }
        }
        if (!image.data.isEmpty()) {
            total += image.data.size();
            images.push_back(std::move(image));
        }
    }
    if (images.empty())
        return QByteArray();

    QByteArray ico;
    ferry::bytes::Writer w(ico);
    w.le16(0);
    w.le16(1);
    w.le16(quint16(images.size()));
    quint32 offset = quint32(6 + 16 * images.size());
    for (const Image &image : images) {
        w.raw(image.header);
        w.le32(quint32(image.data.size()));
        w.le32(offset);
        offset += quint32(image.data.size());
    }
    for (const Image &image : images)
        w.raw(image.data);
    return ico;
}

} // namespace tavern
