#include "platform/driverrecord.h"

#include "protocol/bytes.h"

namespace ferry {

using namespace driverrecord;

std::uint32_t DriverStatusRecord::networkOrderWord(std::uint32_t ipv4)
{
    unsigned char b[4];
    bytes::putBe32(b, ipv4);
    return bytes::getLe32(b);
}

DriverRecordBytes DriverStatusRecord::encode() const
{
    QByteArray out;
    bytes::Writer w(out);
    w.le32(addressWord);
    w.le32(serverAddressWord);
    w.le32(stateWord);
    w.le32(busyWord);
    w.le32(reserved);
    w.le32(compression);
    w.le32(unbufferedSends);
    w.le32(ipxOverSockets);
    w.le32(sendSocketClose);
    w.le16(tunnelPort);
    w.field(nickname, kNicknameSize);
    Q_ASSERT(std::size_t(out.size()) == kSize);

    DriverRecordBytes bytes{};
    std::copy(out.cbegin(), out.cend(), bytes.begin());
    return bytes;
}

DriverStatusRecord DriverStatusRecord::decode(const DriverRecordBytes &raw)
{
    bytes::Reader r(raw.data(), raw.size());
    DriverStatusRecord rec;
    rec.addressWord = r.le32();
    rec.serverAddressWord = r.le32();
    rec.stateWord = r.le32();
    rec.busyWord = r.le32();
    rec.reserved = r.le32();
    rec.compression = r.le32();
    rec.unbufferedSends = r.le32();
    rec.ipxOverSockets = r.le32();
    rec.sendSocketClose = r.le32();
    rec.tunnelPort = r.le16();
    rec.nickname = r.cstr(kNicknameSize);
    return rec;
}

DriverStatusRecord DriverStatusRecord::decode(const QByteArray &raw)
{
    if (std::size_t(raw.size()) < kSize)
        return DriverStatusRecord();
    DriverRecordBytes bytes{};
    std::copy_n(raw.cbegin(), kSize, bytes.begin());
    return decode(bytes);
}

} // namespace ferry
