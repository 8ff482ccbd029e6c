#include "common/sharedblock.h"

#include "protocol/bytes.h"

#include <algorithm>
#include <cstring>

namespace ferry {

using namespace sharedblock;

void SharedBlock::initialize(std::uint32_t ownAddress, const QByteArray &nickname, const QByteArray &email)
{
    std::memset(m_data, 0, Size);
    setOwnAddress(ownAddress);
    setNickname(nickname);
    writeBlockMark();
    setEmail(email);
}

void SharedBlock::refreshIdentity(std::uint32_t ownAddress, const QByteArray &nickname, const QByteArray &email)
{
    setOwnAddress(ownAddress);
    setNickname(nickname);
    setEmail(email);
}

void SharedBlock::setOwnAddress(std::uint32_t ipv4)
{
    // Network byte order in memory: the first octet comes first.
    bytes::putBe32(m_data + OwnAddressOffset, ipv4);
}

void SharedBlock::setNickname(const QByteArray &nickname)
{
    writeText(NicknameOffset, NicknameWidth, nickname);
}

void SharedBlock::setEmail(const QByteArray &email)
{
    writeText(EmailOffset, EmailWidth, email.isEmpty() ? QByteArray(UnspecifiedEmail) : email);
}

void SharedBlock::setServerName(const QByteArray &name)
{
    writeText(ServerNameOffset, ServerNameWidth, name);
}

void SharedBlock::clearServerName()
{
    m_data[ServerNameOffset] = 0;
}

void SharedBlock::writeBlockMark()
{
    bytes::putLe32(m_data + BlockMarkOffset, std::uint32_t(BlockMark));
}

void SharedBlock::setChatWindow(std::int32_t pid)
{
    bytes::putLe32(m_data + ChatWindowOffset, std::uint32_t(pid));
}

std::uint32_t SharedBlock::ownAddress() const
{
    return bytes::getBe32(m_data + OwnAddressOffset);
}

QByteArray SharedBlock::nickname() const
{
    return readText(NicknameOffset, NicknameWidth);
}

QByteArray SharedBlock::email() const
{
    return readText(EmailOffset, EmailWidth);
}

QByteArray SharedBlock::serverName() const
{
    return readText(ServerNameOffset, ServerNameWidth);
}

std::int32_t SharedBlock::chatWindow() const
{
    return std::int32_t(bytes::getLe32(m_data + ChatWindowOffset));
}

std::int32_t SharedBlock::blockMark() const
{
    return std::int32_t(bytes::getLe32(m_data + BlockMarkOffset));
}

QByteArray SharedBlock::bytes() const
{
    return QByteArray(reinterpret_cast<const char *>(m_data), qsizetype(Size));
}

void SharedBlock::writeText(std::size_t offset, std::size_t width, const QByteArray &text)
{
    // Text stops at its first NUL, and is cut so that a NUL always ends it inside the
    // field; the rest of the field is cleared so no earlier, longer text shows through.
    const auto nul = text.indexOf('\0');
    const std::size_t length = std::size_t(nul < 0 ? text.size() : nul);
    const std::size_t n = std::min(length, width - 1);
    std::memcpy(m_data + offset, text.constData(), n);
    std::memset(m_data + offset + n, 0, width - n);
}

QByteArray SharedBlock::readText(std::size_t offset, std::size_t width) const
{
    bytes::Reader reader(m_data + offset, width);
    return reader.cstr(width);
}

} // namespace ferry
