#pragma once

// What every datagram of the network shares: its first byte names its type
// within its channel, and nobody reads more than 1,500 bytes of one.
//
// Each channel has its own type enumeration (relayrecord.h, serverdatagrams.h,
// directory.h, tunnelframes.h); typeOf/isType/typeByte work with any of them.

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <type_traits>

namespace ferry::datagrams {

// Largest datagram anyone reads.
inline constexpr std::size_t kMaxDatagram = 1500;

// The byte a channel's type enumerator stands for.
template <class Type>
constexpr std::uint8_t typeByte(Type type)
{
    static_assert(std::is_enum_v<Type> && sizeof(Type) == 1, "a channel's type enumeration");
    return static_cast<std::uint8_t>(type);
}

// The type byte of a datagram, or nullopt for an empty one.
inline std::optional<std::uint8_t> typeOf(const QByteArray &datagram)
{
    if (datagram.isEmpty())
        return std::nullopt;
    return std::uint8_t(datagram.at(0));
}

// True when the datagram starts with the type; trailing bytes are tolerated.
template <class Type>
bool isType(const QByteArray &datagram, Type type)
{
    return typeOf(datagram) == typeByte(type);
}

// A datagram made of the type byte alone.
template <class Type>
QByteArray encodeSingle(Type type)
{
    return QByteArray(1, char(typeByte(type)));
}

} // namespace ferry::datagrams
