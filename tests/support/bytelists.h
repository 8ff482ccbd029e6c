#pragma once

// Byte strings written out in tests: datagrams spelled byte by byte.

#include <QByteArray>
#include <QList>

#include <initializer_list>

namespace ferry::test {

// The bytes with these values, in order.
inline QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// A type byte, then each string with its terminating NUL; with `endMark` one
// more NUL (the empty string that ends a list), without it the last string's
// NUL is left off too (a datagram cut at its last string).
inline QByteArray nulStrings(int type, const QList<QByteArray> &items, bool endMark = true)
{
    QByteArray out(1, char(type));
    for (const QByteArray &s : items)
        out += s + '\0';
    if (endMark)
        out += '\0';
    else if (!items.isEmpty())
        out.chop(1);
    return out;
}

} // namespace ferry::test
