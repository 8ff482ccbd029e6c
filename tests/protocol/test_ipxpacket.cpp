// The IPX packet codec the local endpoint, the tunnel and the game spy share.
// (Tunnel frames are checked byte by byte against ferryd in test_ferryd.)

#include "protocol/ipxpacket.h"
#include "tests/support/bytelists.h"

#include <QTest>

using namespace ferry;
using ferry::test::bytesOf;

class TestIpxPacket : public QObject {
    Q_OBJECT

private slots:
    void headerFieldsAreBigEndianAtTheirOffsets()
    {
        ipx::Header h;
        h.transportControl = 3;
        h.packetType = 4;
        h.destination = {0x01020304, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0x5130};
        h.source = {0x0A0B0C0D, ipx::nodeFor(0x7F000003, 0x0102), 0x4002};
        const QByteArray p = ipx::buildPacket(h, "data!");
        QCOMPARE(p, bytesOf({0xFF, 0xFF, 0, 35, 3, 4,
                             1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x51, 0x30,
                             10, 11, 12, 13, 3, 0, 0, 127, 1, 2, 0x40, 0x02})
                        + "data!");
        const auto back = ipx::parseHeader(p);
        QVERIFY(back);
        h.length = 35;
        QCOMPARE(*back, h);
        QCOMPARE(ipx::payload(p, *back), QByteArray("data!"));
        QVERIFY(ipx::isBroadcast(back->destination.node));
        // Bytes 3,2,1,0 of a node read as the dotted address; 4..5 number the client.
        QCOMPARE(ipx::nodeAddress(back->source.node), 0x7F000003u);
        QCOMPARE(ipx::nodeClientNumber(back->source.node), std::uint16_t(0x0102));
    }

    void lengthFieldIsCheckedAgainstWhatArrived()
    {
        const QByteArray p = ipx::buildPacket({}, QByteArray(10, 'x'));
        QVERIFY(!ipx::parseHeader(p.left(29)));        // shorter than a header
        QVERIFY(!ipx::parseHeader(p.left(39)));        // length says 40, 39 arrived
        QByteArray small = p;
        small[3] = char(29);                           // a length below the header
        QVERIFY(!ipx::parseHeader(small));
        const auto padded = ipx::parseHeader(p + "trailing");
        QVERIFY(padded);                               // more than the length is tolerated...
        QCOMPARE(ipx::payload(p + "trailing", *padded), QByteArray(10, 'x'));  // ...and not read
        QVERIFY(!ipx::parseHeader(nullptr, 0));
    }

    void registrationAndBroadcast()
    {
        // Byte for byte what DOSBox 0.74's "ipxnet connect" sends.
        QCOMPARE(ipx::registrationRequest(), bytesOf({0xFF, 0xFF, 0, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2,
                                                      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}));
        const auto request = ipx::parseHeader(ipx::registrationRequest());
        QVERIFY(request);
        QVERIFY(ipx::isRegistrationRequest(*request));
        QCOMPARE(request->length, std::uint16_t(30));

        const ipx::Node client = ipx::nodeFor(0xC0A80102, 7);
        const auto reply = ipx::parseHeader(ipx::registrationReply(0, client, ipx::nodeFor(0xC0A80102, 0)));
        QVERIFY(reply);
        QCOMPARE(reply->destination, (ipx::Address{0, client, ipx::kEchoSocket}));
        QCOMPARE(reply->source.network, 1u);
        QCOMPARE(reply->source.socket, ipx::kEchoSocket);
        QVERIFY(!ipx::isRegistrationRequest(*reply));  // a node is set: an ordinary echo packet

        // DOSBox's own server calls a node broadcast when its first four bytes are 0xFF.
        QVERIFY(ipx::isBroadcast({0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
        QVERIFY(!ipx::isBroadcast({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF}));
    }
};

QTEST_GUILESS_MAIN(TestIpxPacket)
#include "test_ipxpacket.moc"
