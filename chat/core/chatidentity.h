#pragma once

// The player's identity as the shared session block gives it to the chat client.

#include "protocol/bytes.h"

#include <QString>

#include <array>
#include <cstdint>

namespace ferry {
class SharedBlock;
}

struct CChatIdentity {
    QString nickname; // nickname field, as stored
    QString email;    // e-mail field, the descriptive name of the USER line
    // Own-address field: four bytes in network byte order, as stored in the block.
    std::array<unsigned char, 4> address{};

    // The address as DCC offers write it: host order, the first octet most significant.
    std::uint32_t DccNumber() const { return ferry::bytes::getBe32(address.data()); }
    // The address as UDPPING replies write it: the stored bytes read little-endian.
    std::uint32_t UdpPingNumber() const { return ferry::bytes::getLe32(address.data()); }

    // Nickname, e-mail address and own address as the control center left them in the block.
    static CChatIdentity FromSharedBlock(const ferry::SharedBlock &block);
};
