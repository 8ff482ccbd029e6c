#pragma once

// Dotted-decimal IPv4 addresses as players type them and the registry holds them.

#include <QString>

#include <optional>

namespace ferry {

// Four decimal parts of 0..255 separated by dots, surrounding blanks ignored.
// Returns the address as a host-order number (1.2.3.4 is 0x01020304).
std::optional<quint32> parseDottedAddress(const QString &text);

// The normal dotted-decimal form of an address given as a host-order number.
QString dottedAddressText(quint32 address);

} // namespace ferry
