#include "protocol/bytes.h"
#include "platform/icmpecho.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace ferry;

namespace {

// An IPv4 header of 20 bytes (ttl given) followed by an ICMP message.
QByteArray withIpHeader(const QByteArray &icmp, int ttl)
{
    QByteArray ip(20, '\0');
    ip[0] = char(0x45);
    ip[8] = char(ttl);
    ip[9] = char(1); // ICMP
    return ip + icmp;
}

QByteArray reply(std::uint16_t id, std::uint16_t seq, std::uint8_t type = 0)
{
    QByteArray p = buildEchoRequest(id, seq, 64);
    p[0] = char(type);
    return p;
}

ParsedEchoReply parse(const QByteArray &p, bool raw, std::uint16_t id, std::uint16_t seq)
{
    return parseEchoReply(reinterpret_cast<const unsigned char *>(p.constData()), std::size_t(p.size()), raw, id, seq);
}

// True when the system lets this process's group open unprivileged ICMP sockets.
bool groupMayPing()
{
    QFile f("/proc/sys/net/ipv4/ping_group_range");
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> range = f.readAll().simplified().split(' ');
    const qint64 gid = ::getegid();
    return range.size() == 2 && range.at(0).toLongLong() <= gid && gid <= range.at(1).toLongLong();
}

QString whyNoSocket()
{
    QFile f("/proc/sys/net/ipv4/ping_group_range");
    const QByteArray range = f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("unknown");
    return QStringLiteral("no ICMP socket: ping_group_range is \"%1\" and raw sockets need CAP_NET_RAW")
        .arg(QString::fromLatin1(range));
}

EchoResult runEcho(IcmpEcho &echo, const QString &host, int timeoutMs)
{
    QSignalSpy spy(&echo, &IcmpEcho::finished);
    echo.send(host, timeoutMs);
    if (!spy.wait(timeoutMs + 5000))
        return EchoResult();
    [&] { QCOMPARE(spy.count(), 1); }();
    return spy.first().first().value<EchoResult>();
}

} // namespace

class TestIcmpEcho : public QObject {
    Q_OBJECT
private slots:
    void checksumAndRequestLayout()
    {
        const unsigned char sample[] = {0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
        QCOMPARE(internetChecksum(sample, sizeof sample), std::uint16_t(0x220D));
        const unsigned char odd[] = {0x01, 0x02, 0x03};
        QCOMPARE(internetChecksum(odd, sizeof odd), std::uint16_t(~(0x0102 + 0x0300) & 0xFFFF));

        const QByteArray p = buildEchoRequest(0x1234, 7, 64);
        QCOMPARE(p.size(), 8 + 64);
        const auto *u = reinterpret_cast<const unsigned char *>(p.constData());
        QCOMPARE(int(u[0]), 8);
        QCOMPARE(bytes::getBe16(u + 4), std::uint16_t(0x1234));
        QCOMPARE(bytes::getBe16(u + 6), std::uint16_t(7));
        QCOMPARE(p.mid(8), QByteArray(64, char(0xAA)));
        QCOMPARE(internetChecksum(u, std::size_t(p.size())), std::uint16_t(0)); // verifies as sent
    }

    void repliesAreMatchedWithinBounds()
    {
        // Raw sockets see the IP header; the TTL comes from it.
        const ParsedEchoReply ok = parse(withIpHeader(reply(0x4242, 3), 61), true, 0x4242, 3);
        QVERIFY(ok.matches);
        QCOMPARE(ok.ttl, 61);
        QVERIFY(!parse(withIpHeader(reply(0x4243, 3), 61), true, 0x4242, 3).matches);    // another process's echo
        QVERIFY(!parse(withIpHeader(reply(0x4242, 2), 61), true, 0x4242, 3).matches);    // an older echo
        QVERIFY(!parse(withIpHeader(reply(0x4242, 3, 8), 61), true, 0x4242, 3).matches); // our own request on loopback

        // Truncated or malformed packets are refused, never read past their end.
        const QByteArray full = withIpHeader(reply(0x4242, 3), 61);
        QVERIFY(!parse(full.left(27), true, 0x4242, 3).matches);
        QVERIFY(!parse(full.left(10), true, 0x4242, 3).matches);
        QVERIFY(!parse(QByteArray(), true, 0x4242, 3).matches);
        QByteArray longHeader = full;
        longHeader[0] = char(0x4F); // 60-byte header claimed
        QVERIFY(!parse(longHeader.left(40), true, 0x4242, 3).matches);
        QByteArray notV4 = full;
        notV4[0] = char(0x65);
        QVERIFY(!parse(notV4, true, 0x4242, 3).matches);

        // Datagram sockets get the bare message; the kernel owns the identifier.
        QVERIFY(parse(reply(0x9999, 3), false, 0x4242, 3).matches);
        QVERIFY(!parse(reply(0x9999, 3).left(7), false, 0x4242, 3).matches);
    }

    void echoesLoopback()
    {
        IcmpEcho echo;
        if (!echo.available())
            QSKIP(qPrintable(whyNoSocket()));
        // The unprivileged kind is preferred whenever the system grants it.
        if (groupMayPing())
            QCOMPARE(echo.socketKind(), IcmpEcho::SocketKind::Datagram);
        for (int i = 0; i < 2; ++i) { // a second echo on the same socket matches its own sequence
            const EchoResult r = runEcho(echo, QStringLiteral("127.0.0.1"), 2000);
            QCOMPARE(r.status, EchoResult::Status::Reply);
            QCOMPARE(r.address, QHostAddress(QStringLiteral("127.0.0.1")));
            QVERIFY(r.ttl > 0 && r.ttl <= 255);
            QVERIFY(r.roundTripMs >= 0 && r.roundTripMs < 2000);
        }
        // A name is looked up first.
        QCOMPARE(runEcho(echo, QStringLiteral("localhost"), 2000).status, EchoResult::Status::Reply);
    }

    void silentAddressIsNoResponse()
    {
        IcmpEcho echo;
        if (!echo.available())
            QSKIP(qPrintable(whyNoSocket()));
        // A documentation address nobody answers for: either the send is refused or the wait runs out.
        QCOMPARE(runEcho(echo, QStringLiteral("198.51.100.77"), 150).status, EchoResult::Status::NoResponse);
    }

    void failuresWithoutSocketOrName()
    {
        IcmpEcho none(nullptr, 0);
        QVERIFY(!none.available());
        QCOMPARE(runEcho(none, QStringLiteral("127.0.0.1"), 100).status, EchoResult::Status::InternalFailure);

        IcmpEcho echo;
        QCOMPARE(runEcho(echo, QStringLiteral("no-such-host.invalid"), 100).status,
                 EchoResult::Status::InternalFailure);
    }
};

QTEST_GUILESS_MAIN(TestIcmpEcho)
#include "test_icmpecho.moc"
