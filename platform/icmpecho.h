#pragma once

// One ICMP echo at a time, asynchronous on the UI thread. An unprivileged
// datagram ICMP socket is used when the system allows it
// (/proc/sys/net/ipv4/ping_group_range), else a raw socket (root or
// CAP_NET_RAW); when neither opens, every echo reports an internal failure.

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <cstdint>

class QSocketNotifier;

namespace ferry {

struct EchoResult {
    enum class Status {
        Reply,            // an echo reply arrived
        NoResponse,       // no reply within the timeout, or the network refused the send
        InternalFailure,  // no ICMP socket, name not resolved, no memory
    };
    Status status = Status::InternalFailure;
    QHostAddress address;   // the address pinged (resolved)
    int roundTripMs = 0;
    int ttl = 0;
};

class IcmpEcho : public QObject {
    Q_OBJECT
public:
    enum class SocketKind { None, Datagram, Raw };
    enum AllowedKinds { AllowDatagram = 1, AllowRaw = 2, AllowAll = AllowDatagram | AllowRaw };

    static constexpr int kDefaultTimeoutMs = 5000;
    static constexpr int kDefaultDataSize = 64;
    static constexpr char kDataByte = char(0xAA);

    // allowed limits the socket kinds tried (tests use it to see the failure path).
    explicit IcmpEcho(QObject *parent = nullptr, int allowed = AllowAll);
    ~IcmpEcho() override;

    SocketKind socketKind() const { return m_kind; }
    bool available() const { return m_kind != SocketKind::None; }

    // Sends one echo to host (a dotted address, else a name looked up first) and
    // emits finished() exactly once. A new echo abandons one still pending.
    void send(const QString &host, int timeoutMs = kDefaultTimeoutMs, int dataSize = kDefaultDataSize);
    bool pending() const { return m_pending; }

signals:
    void finished(const ferry::EchoResult &result);

private:
    void sendTo(const QHostAddress &address);
    void readReplies();
    void finish(EchoResult::Status status, int ttl = 0);

    int m_fd = -1;
    SocketKind m_kind = SocketKind::None;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_timeout;
    QElapsedTimer m_clock;
    bool m_pending = false;
    int m_lookupId = -1;
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_dataSize = kDefaultDataSize;
    QHostAddress m_target;
    std::uint16_t m_identifier = 0;
    std::uint16_t m_sequence = 0;
};

// Parses one received packet. raw: it begins with the IPv4 header (ttl read
// from it); otherwise it is the bare ICMP message and ttl comes from ancillary
// data. True when it is the echo reply with this identifier (checked for raw
// sockets only; the kernel filters datagram sockets) and sequence number.
struct ParsedEchoReply {
    bool matches = false;
    int ttl = 0;
};
ParsedEchoReply parseEchoReply(const unsigned char *data, std::size_t size, bool raw,
                               std::uint16_t identifier, std::uint16_t sequence);

// Builds an echo request: type 8, code 0, checksum, identifier, sequence, data.
QByteArray buildEchoRequest(std::uint16_t identifier, std::uint16_t sequence, int dataSize);

// The Internet checksum of data.
std::uint16_t internetChecksum(const unsigned char *data, std::size_t size);

} // namespace ferry

Q_DECLARE_METATYPE(ferry::EchoResult)
