#pragma once

// What a program file is, read from its first bytes, and the first icon group of a
// Windows program or library (PE image) as the bytes of an .ico file. Every read is
// bounded: offsets and counts from the file are checked against what was read, at
// most 64 icons of at most 1 MiB each are taken, and a damaged file gives nothing.

#include <QByteArray>

#include <functional>

namespace tavern {

// Reads up to length bytes at offset; fewer (or none) past the end of the file.
using ByteSource = std::function<QByteArray(quint64 offset, quint32 length)>;

ByteSource BytesOf(const QByteArray &image);
// A source over the file at path; every read opens nothing new (the file stays open
// with the source). Reads give nothing when the file cannot be opened.
ByteSource FileBytes(const QString &path);

enum class ExecutableFormat {
    NotMz,    // no "MZ" signature: not a program of DOS or Windows
    Dos,      // a DOS program (plain MZ, or one bound to a DOS extender)
    Windows,  // a Windows program: PE (32 or 64 bit) or NE (16 bit)
};

ExecutableFormat DetectExecutableFormat(const ByteSource &source);

// The first icon group (RT_GROUP_ICON) of a PE image with its icons (RT_ICON), as an
// .ico file; empty when there is none or the image is damaged.
QByteArray FirstIconGroupAsIco(const ByteSource &source);

} // namespace tavern
