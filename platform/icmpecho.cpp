#include "platform/icmpecho.h"

#include "protocol/bytes.h"

#include <QHostInfo>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ferry {
namespace {

constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kEchoRequest = 8;
constexpr std::size_t kIcmpHeaderSize = 8;
constexpr std::size_t kMinIpHeaderSize = 20;
constexpr int kMaxDataSize = 65000;

std::uint16_t nextIdentifier()
{
    static std::uint16_t counter = 0;
    return std::uint16_t((::getpid() * 31 + counter++) & 0xFFFF);
}

int openSocket(int type)
{
    return ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
}

} // namespace

std::uint16_t internetChecksum(const unsigned char *data, std::size_t size)
{
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < size; i += 2)
        sum += bytes::getBe16(data + i);
    if (i < size)
        sum += std::uint32_t(data[i]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return std::uint16_t(~sum);
}

QByteArray buildEchoRequest(std::uint16_t identifier, std::uint16_t sequence, int dataSize)
{
    QByteArray packet;
    bytes::Writer w(packet);
    w.u8(kEchoRequest);
    w.u8(0);
    w.be16(0); // checksum, filled below
    w.be16(identifier);
    w.be16(sequence);
    packet.append(QByteArray(qMax(0, dataSize), IcmpEcho::kDataByte));
    auto *p = reinterpret_cast<unsigned char *>(packet.data());
    bytes::putBe16(p + 2, internetChecksum(p, std::size_t(packet.size())));
    return packet;
}

ParsedEchoReply parseEchoReply(const unsigned char *data, std::size_t size, bool raw,
                               std::uint16_t identifier, std::uint16_t sequence)
{
    ParsedEchoReply parsed;
    bytes::Reader r(data, size);
    if (raw) {
        const std::uint8_t versionAndLength = r.u8();
        const std::size_t headerSize = std::size_t(versionAndLength & 0x0F) * 4;
        if ((versionAndLength >> 4) != 4 || headerSize < kMinIpHeaderSize || headerSize > size)
            return parsed;
        r.seek(8);
        parsed.ttl = r.u8();
        const std::uint8_t protocol = r.u8();
        if (protocol != IPPROTO_ICMP)
            return parsed;
        r.seek(headerSize);
    }
    if (!r.has(kIcmpHeaderSize))
        return parsed;
    const std::uint8_t type = r.u8();
    const std::uint8_t code = r.u8();
    r.skip(2); // checksum
    const std::uint16_t id = r.be16();
    const std::uint16_t seq = r.be16();
    parsed.matches = r.ok() && type == kEchoReply && code == 0 && seq == sequence && (!raw || id == identifier);
    return parsed;
}

IcmpEcho::IcmpEcho(QObject *parent, int allowed) : QObject(parent)
{
    qRegisterMetaType<ferry::EchoResult>();
    if (allowed & AllowDatagram) {
        m_fd = openSocket(SOCK_DGRAM);
        if (m_fd >= 0) {
            m_kind = SocketKind::Datagram;
            const int on = 1;
            ::setsockopt(m_fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
        }
    }
    if (m_fd < 0 && (allowed & AllowRaw)) {
        m_fd = openSocket(SOCK_RAW);
        if (m_fd >= 0) {
            m_kind = SocketKind::Raw;
            // Let the kernel drop every ICMP type but echo replies.
            icmp_filter filter{};
            filter.data = ~(1U << ICMP_ECHOREPLY);
            ::setsockopt(m_fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
        }
    }
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &IcmpEcho::readReplies);
    }
    m_identifier = nextIdentifier();
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] { finish(EchoResult::Status::NoResponse); });
}

IcmpEcho::~IcmpEcho()
{
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void IcmpEcho::send(const QString &host, int timeoutMs, int dataSize)
{
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
    m_timeout.stop();
    m_pending = true;
    m_timeoutMs = timeoutMs;
    m_dataSize = qBound(0, dataSize, kMaxDataSize);
    m_target = QHostAddress();
    ++m_sequence;

    QHostAddress address;
    if (address.setAddress(host.trimmed()) && address.protocol() == QAbstractSocket::IPv4Protocol) {
        // Report on the next turn of the event loop, never from inside send().
        const std::uint16_t sequence = m_sequence;
        QMetaObject::invokeMethod(this, [this, address, sequence] {
            if (m_pending && sequence == m_sequence)
                sendTo(address);
        }, Qt::QueuedConnection);
        return;
    }
    m_lookupId = QHostInfo::lookupHost(host.trimmed(), this, [this](const QHostInfo &info) {
        m_lookupId = -1;
        for (const QHostAddress &a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                sendTo(a);
                return;
            }
        }
        finish(EchoResult::Status::InternalFailure);
    });
}

void IcmpEcho::sendTo(const QHostAddress &address)
{
    m_target = address;
    if (m_fd < 0) {
        finish(EchoResult::Status::InternalFailure);
        return;
    }
    // Drop replies that arrived late for an earlier echo.
    readReplies();

    const QByteArray packet = buildEchoRequest(m_identifier, m_sequence, m_dataSize);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address.toIPv4Address());
    m_clock.start();
    const ssize_t sent = ::sendto(m_fd, packet.constData(), std::size_t(packet.size()), 0,
                                  reinterpret_cast<const sockaddr *>(&to), sizeof to);
    if (sent < 0) {
        const bool noMemory = errno == ENOMEM || errno == ENOBUFS;
        finish(noMemory ? EchoResult::Status::InternalFailure : EchoResult::Status::NoResponse);
        return;
    }
    m_timeout.start(qMax(0, m_timeoutMs));
}

void IcmpEcho::readReplies()
{
    unsigned char buffer[2048];
    alignas(cmsghdr) unsigned char control[128];
    for (;;) {
        sockaddr_in from{};
        iovec iov{buffer, sizeof buffer};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(m_fd, &msg, 0);
        if (n < 0)
            return; // EAGAIN: nothing more to read
        if (!m_pending || m_target.isNull() || ntohl(from.sin_addr.s_addr) != m_target.toIPv4Address())
            continue;
        // A datagram cut short by the buffer is still parsed only up to what was received.
        const std::size_t size = std::min(std::size_t(n), sizeof buffer);
        const bool raw = m_kind == SocketKind::Raw;
        ParsedEchoReply reply = parseEchoReply(buffer, size, raw, m_identifier, m_sequence);
        if (!reply.matches)
            continue;
        if (!raw) {
            for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
                    int ttl = 0;
                    std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
                    reply.ttl = ttl;
                }
            }
        }
        finish(EchoResult::Status::Reply, reply.ttl);
        return; // anything further is read when the notifier fires again
    }
}

void IcmpEcho::finish(EchoResult::Status status, int ttl)
{
    if (!m_pending)
        return;
    m_pending = false;
    m_timeout.stop();
    EchoResult result;
    result.status = status;
    result.address = m_target;
    if (status == EchoResult::Status::Reply) {
        result.roundTripMs = int(m_clock.elapsed());
        result.ttl = ttl;
    }
    emit finished(result);
}

} // namespace ferry
