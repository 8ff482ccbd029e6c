#include "platform/driverrecord.h"
#include "platform/tunneldriver.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ferry;

namespace {

struct RecordingTransport : TunnelTransport {
    QList<TunnelSession> opens, starts;
    int stops = 0;
    int shutdowns = 0;
    bool clients = false;
    void open(const TunnelSession &session) override { opens.append(session); }
    void start(const TunnelSession &session) override { starts.append(session); }
    void stop() override { ++stops; }
    void shutdown() override { ++shutdowns; }
    bool inUse() const override { return clients; }
};

// An open driver reporting to a recording transport.
struct DriverWithTransport {
    RecordingTransport transport; // outlives the driver, which stops it on close
    TunnelDriver driver;
    bool opened = driver.open();
    DriverWithTransport() { driver.setTransport(&transport); }
};

QList<std::uint32_t> codes(std::initializer_list<std::uint32_t> list) { return QList<std::uint32_t>(list); }

} // namespace

class TestTunnelDriver : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        qputenv("FERRY_HOME", m_home.path().toUtf8());
        qunsetenv("FERRY_DRIVER_OPEN");
        qunsetenv("FERRY_DRIVER_LOG");
    }

    void recordFieldsSitAtTheirOffsets()
    {
        DriverStatusRecord rec;
        rec.setOwnAddress(0xC0000202);     // 192.0.2.2
        rec.setServerAddress(0x0A000001);  // 10.0.0.1
        rec.stateWord = 0x11121314;
        rec.busyWord = 1;
        rec.reserved = 0x21222324;
        rec.compression = 1;
        rec.unbufferedSends = 2;
        rec.ipxOverSockets = 3;
        rec.sendSocketClose = 4;
        rec.tunnelPort = 0x1234;
        rec.nickname = "Gamer";
        const DriverRecordBytes b = rec.encode();
        QCOMPARE(b.size(), std::size_t(56));

        const auto at = [&b](std::size_t offset, std::size_t n) {
            return QByteArray(reinterpret_cast<const char *>(b.data() + offset), qsizetype(n));
        };
        QCOMPARE(at(0, 4), QByteArray("\xC0\x00\x02\x02", 4));  // network order
        QCOMPARE(at(4, 4), QByteArray("\x0A\x00\x00\x01", 4));
        QCOMPARE(at(8, 4), QByteArray("\x14\x13\x12\x11", 4));  // words little-endian
        QCOMPARE(at(12, 4), QByteArray("\x01\x00\x00\x00", 4));
        QCOMPARE(at(16, 4), QByteArray("\x24\x23\x22\x21", 4));
        QCOMPARE(at(20, 4), QByteArray("\x01\x00\x00\x00", 4));
        QCOMPARE(at(24, 4), QByteArray("\x02\x00\x00\x00", 4));
        QCOMPARE(at(28, 4), QByteArray("\x03\x00\x00\x00", 4));
        QCOMPARE(at(32, 4), QByteArray("\x04\x00\x00\x00", 4));
        QCOMPARE(at(36, 2), QByteArray("\x34\x12", 2));
        QCOMPARE(at(38, 18), QByteArray("Gamer") + QByteArray(13, '\0'));

        const DriverStatusRecord back = DriverStatusRecord::decode(b);
        QCOMPARE(back, rec);
        QCOMPARE(back.ownAddress(), 0xC0000202u);
        QCOMPARE(back.serverAddress(), 0x0A000001u);
    }

    void nicknameIsCutToLeaveItsNul()
    {
        DriverStatusRecord rec;
        rec.nickname = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        DriverRecordBytes b = rec.encode();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(b.data() + 38), 18), QByteArray("ABCDEFGHIJKLMNOPQ") + '\0');
        QCOMPARE(DriverStatusRecord::decode(b).nickname, QByteArray("ABCDEFGHIJKLMNOPQ"));

        // A field filled to its end without a NUL still reads back bounded to the field.
        std::fill(b.begin() + 38, b.end(), 'x');
        QCOMPARE(DriverStatusRecord::decode(b).nickname, QByteArray(18, 'x'));
        // A buffer shorter than the record decodes as zeros rather than reading past it.
        QCOMPARE(DriverStatusRecord::decode(QByteArray(55, '\x7F')), DriverStatusRecord());
    }

    void signOnSequenceOpensAndBindsTheTunnel()
    {
        DriverWithTransport d;
        QVERIFY(d.opened);
        TunnelDriver &driver = d.driver;
        RecordingTransport &transport = d.transport;

        DriverStatusRecord rec;
        rec.compression = 1;
        rec.ipxOverSockets = 1;
        rec.stateWord = 0xDEAD;
        QVERIFY(driver.control(DriverCode::Query, rec));
        QCOMPARE(rec.stateWord, std::uint32_t(DriverTunnelState::NoTunnel));
        QCOMPARE(rec.busyWord, 0u);

        rec.setOwnAddress(0xC0000202);
        rec.nickname = "Gamer";
        rec.stateWord = 0xDEAD;
        QVERIFY(driver.control(DriverCode::OpenTunnel, rec));
        QCOMPARE(rec.stateWord, 0u); // IPX is bound
        QCOMPARE(transport.opens.size(), 1); // the local endpoint opens with the own address
        QCOMPARE(transport.opens.first().ownAddress, 0xC0000202u);
        rec.setServerAddress(0xCB007105);
        QVERIFY(driver.control(DriverCode::BindServer, rec));
        QVERIFY(transport.starts.isEmpty()); // nothing to carry before the endpoint is known
        rec.addressWord = 0x0A010203;       // host order for this code
        rec.tunnelPort = 4000;
        QVERIFY(driver.control(DriverCode::SetTunnelEndpoint, rec));

        QCOMPARE(driver.codeLog(), codes({3, 6, 2, 9}));
        const TunnelSession &s = driver.session();
        QVERIFY(s.tunnelOpen);
        QVERIFY(!s.localServer);
        QCOMPARE(s.ownAddress, 0xC0000202u);
        QCOMPARE(s.nickname, QByteArray("Gamer"));
        QCOMPARE(s.serverAddress, 0xCB007105u);
        QCOMPARE(s.tunnelAddress, 0x0A010203u);
        QCOMPARE(s.tunnelPort, std::uint16_t(4000));
        QCOMPARE(s.options, (TunnelOptions{true, false, true, false}));
        QCOMPARE(transport.starts.size(), 1);
        QCOMPARE(transport.starts.first().tunnelPort, std::uint16_t(4000));

        QVERIFY(driver.control(DriverCode::Query, rec));
        QCOMPARE(rec.stateWord, std::uint32_t(DriverTunnelState::TunnelToServer));
        QCOMPARE(rec.busyWord, 0u);
        transport.clients = true; // a game registered with the transport
        QVERIFY(driver.control(DriverCode::Query, rec));
        QCOMPARE(rec.busyWord, 1u);

        // Logoff: 3, then 7 because a tunnel is open.
        driver.clearCodeLog();
        QVERIFY(driver.control(DriverCode::Query, rec));
        QVERIFY(driver.control(DriverCode::CloseTunnel, rec));
        QCOMPARE(driver.codeLog(), codes({3, 7}));
        QCOMPARE(transport.stops, 1);
        QVERIFY(driver.control(DriverCode::Query, rec));
        QCOMPARE(rec.stateWord, std::uint32_t(DriverTunnelState::NoTunnel));
        QCOMPARE(driver.session().serverAddress, 0u);
    }

    void localServerStartsAndStops()
    {
        DriverWithTransport d;
        QVERIFY(d.opened);
        TunnelDriver &driver = d.driver;
        RecordingTransport &transport = d.transport;
        DriverStatusRecord rec;
        rec.setOwnAddress(0x7F000001);
        rec.nickname = "Host";
        for (DriverCode c : {DriverCode::Query, DriverCode::OpenTunnel, DriverCode::StartLocalServer})
            QVERIFY(driver.control(c, rec));
        QVERIFY(driver.session().localServer);
        QCOMPARE(transport.starts.size(), 1);

        // The toggle asks first: the tunnel is no longer idle, so the next press stops.
        QVERIFY(driver.control(DriverCode::Query, rec));
        QCOMPARE(rec.stateWord, std::uint32_t(DriverTunnelState::TunnelToServer));
        QVERIFY(driver.control(DriverCode::CloseTunnel, rec));
        QVERIFY(driver.control(DriverCode::StopLocalServer, rec));
        QCOMPARE(driver.codeLog(), codes({3, 6, 4, 3, 7, 5}));
        QVERIFY(!driver.session().localServer);
        QVERIFY(!driver.session().tunnelOpen);
        QCOMPARE(transport.stops, 1); // stopped once, not again by code 5
    }

    void busyWordAndOutOnlyWrites()
    {
        TunnelDriver driver;
        QVERIFY(driver.open());
        DriverStatusRecord rec;
        rec.reserved = 0xCAFEF00D;
        rec.nickname = "keep";
        driver.setApplicationUsesTunnel(true);
        QVERIFY(driver.control(DriverCode::Query, rec));
        QCOMPARE(rec.busyWord, 1u);
        QCOMPARE(rec.reserved, 0xCAFEF00Du);
        QCOMPARE(rec.nickname, QByteArray("keep"));
        driver.setApplicationUsesTunnel(false);
        QVERIFY(driver.control(DriverCode::Query, rec));
        QCOMPARE(rec.busyWord, 0u);

        // Codes outside the set are refused and leave the record alone.
        DriverRecordBytes raw = rec.encode();
        const DriverRecordBytes before = raw;
        QVERIFY(!driver.control(8u, raw));
        QVERIFY(!driver.control(1u, raw));
        QVERIFY(!driver.control(0xFFFFFFFFu, raw));
        QVERIFY(raw == before);
    }

    void openIsExclusiveAndFailable()
    {
        TunnelDriver first;
        DriverStatusRecord rec;
        QVERIFY(!first.control(DriverCode::Query, rec)); // not open yet
        QVERIFY(first.codeLog().isEmpty());
        QVERIFY(first.open());

        TunnelDriver second;
        QVERIFY(!second.open());
        first.close();
        QVERIFY(second.open());
        second.close();

        qputenv("FERRY_DRIVER_OPEN", "fail");
        TunnelDriver third;
        QVERIFY(!third.open());
        qunsetenv("FERRY_DRIVER_OPEN");
        QVERIFY(third.open());
    }

    void closingEndsTheSession()
    {
        DriverWithTransport d;
        QVERIFY(d.opened);
        TunnelDriver &driver = d.driver;
        RecordingTransport &transport = d.transport;
        DriverStatusRecord rec;
        for (DriverCode c : {DriverCode::OpenTunnel, DriverCode::StartLocalServer})
            QVERIFY(driver.control(c, rec));
        driver.close();
        QCOMPARE(transport.stops, 1);
        QCOMPARE(transport.shutdowns, 1);
        QVERIFY(!driver.session().tunnelOpen);
        QVERIFY(driver.open());
        QVERIFY(driver.control(DriverCode::Query, rec));
        QCOMPARE(rec.stateWord, std::uint32_t(DriverTunnelState::NoTunnel));
    }

    void codesAreWrittenToTheLogFile()
    {
        const QString path = m_home.filePath("driver.log");
        qputenv("FERRY_DRIVER_LOG", path.toUtf8());
        TunnelDriver driver;
        QVERIFY(driver.open());
        DriverStatusRecord rec;
        for (DriverCode c : {DriverCode::Query, DriverCode::CloseTunnel})
            driver.control(c, rec);
        qunsetenv("FERRY_DRIVER_LOG");
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("3\n7\n"));
    }
};

QTEST_GUILESS_MAIN(TestTunnelDriver)
#include "test_tunneldriver.moc"
