#pragma once

// Explicit little- and big-endian codecs. Binary records are read and written
// through these, never by casting structs onto buffers. Every read is bounded by
// the size given; a read past the end yields 0 and marks the reader failed.

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace ferry::bytes {

inline std::uint16_t getLe16(const unsigned char *p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t getLe32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
inline std::uint16_t getBe16(const unsigned char *p) { return std::uint16_t((p[0] << 8) | p[1]); }
inline std::uint32_t getBe32(const unsigned char *p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
}
inline void putLe16(unsigned char *p, std::uint16_t v) { p[0] = v & 0xFF; p[1] = v >> 8; }
inline void putLe32(unsigned char *p, std::uint32_t v)
{
    p[0] = v & 0xFF; p[1] = (v >> 8) & 0xFF; p[2] = (v >> 16) & 0xFF; p[3] = v >> 24;
}
inline void putBe16(unsigned char *p, std::uint16_t v) { p[0] = v >> 8; p[1] = v & 0xFF; }
inline void putBe32(unsigned char *p, std::uint32_t v)
{
    p[0] = v >> 24; p[1] = (v >> 16) & 0xFF; p[2] = (v >> 8) & 0xFF; p[3] = v & 0xFF;
}

// Sequential bounded reader over a byte range.
class Reader {
public:
    Reader(const void *data, std::size_t size) : m_data(static_cast<const unsigned char *>(data)), m_size(size) {}
    explicit Reader(const QByteArray &a) : Reader(a.constData(), std::size_t(a.size())) {}
    // The reader keeps a pointer into the bytes, so it must not be given a temporary.
    explicit Reader(QByteArray &&) = delete;

    bool ok() const { return m_ok; }
    std::size_t pos() const { return m_pos; }
    std::size_t remaining() const { return m_size - m_pos; }
    bool has(std::size_t n) const { return m_ok && m_size - m_pos >= n; }

    void seek(std::size_t pos) { if (pos > m_size) m_ok = false; else m_pos = pos; }
    void skip(std::size_t n) { if (has(n)) m_pos += n; else m_ok = false; }

    std::uint8_t u8() { return take(1) ? m_data[m_pos - 1] : 0; }
    std::uint16_t le16() { return take(2) ? getLe16(m_data + m_pos - 2) : 0; }
    std::uint32_t le32() { return take(4) ? getLe32(m_data + m_pos - 4) : 0; }
    std::uint16_t be16() { return take(2) ? getBe16(m_data + m_pos - 2) : 0; }
    std::uint32_t be32() { return take(4) ? getBe32(m_data + m_pos - 4) : 0; }
    QByteArray raw(std::size_t n)
    {
        return take(n) ? QByteArray(reinterpret_cast<const char *>(m_data + m_pos - n), qsizetype(n)) : QByteArray();
    }
    // A NUL-terminated string in a field of n bytes; a field without NUL ends at its end.
    QByteArray cstr(std::size_t n)
    {
        QByteArray field = raw(n);
        const auto nul = field.indexOf('\0');
        return nul < 0 ? field : field.left(nul);
    }
    // A NUL-terminated string of any length; without a NUL it ends at the data's end.
    QByteArray cstr()
    {
        std::size_t end = m_pos;
        while (end < m_size && m_data[end] != 0)
            ++end;
        QByteArray s(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(end - m_pos));
        m_pos = end < m_size ? end + 1 : end;
        return s;
    }

private:
    bool take(std::size_t n)
    {
        if (!has(n)) { m_ok = false; return false; }
        m_pos += n;
        return true;
    }

    const unsigned char *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

// Appending writer.
class Writer {
public:
    explicit Writer(QByteArray &out) : m_out(out) {}
    void u8(std::uint8_t v) { m_out.append(char(v)); }
    void le16(std::uint16_t v) { unsigned char b[2]; putLe16(b, v); m_out.append(reinterpret_cast<char *>(b), 2); }
    void le32(std::uint32_t v) { unsigned char b[4]; putLe32(b, v); m_out.append(reinterpret_cast<char *>(b), 4); }
    void be16(std::uint16_t v) { unsigned char b[2]; putBe16(b, v); m_out.append(reinterpret_cast<char *>(b), 2); }
    void be32(std::uint32_t v) { unsigned char b[4]; putBe32(b, v); m_out.append(reinterpret_cast<char *>(b), 4); }
    void raw(const QByteArray &a) { m_out.append(a); }
    // Writes s into a field of n bytes, cut to n-1 bytes so that a NUL always ends it.
    void field(const QByteArray &s, std::size_t n)
    {
        if (n == 0) return;
        QByteArray f = s.left(qsizetype(n - 1));
        f.append(QByteArray(qsizetype(n) - f.size(), '\0'));
        m_out.append(f);
    }
    void zeros(std::size_t n) { m_out.append(QByteArray(qsizetype(n), '\0')); }

private:
    QByteArray &m_out;
};

} // namespace ferry::bytes
