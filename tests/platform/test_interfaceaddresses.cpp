#include "platform/interfaceaddresses.h"

#include <QTest>

using namespace ferry;

namespace {

InterfaceAddress iface(const char *name, const char *address, bool up = true)
{
    return {QString::fromLatin1(name), QHostAddress(QString::fromLatin1(address)), up};
}

AddressSources sources(QList<InterfaceAddress> interfaces, QList<QHostAddress> hostAddresses)
{
    AddressSources s;
    s.interfaces = [interfaces] { return interfaces; };
    s.hostNameAddresses = [hostAddresses] { return hostAddresses; };
    return s;
}

const QHostAddress kHostAddress(QStringLiteral("192.0.2.2"));

} // namespace

class TestInterfaceAddresses : public QObject {
    Q_OBJECT
private slots:
    void dialUpInterfaceWins()
    {
        const auto s = sources({iface("lo", "127.0.0.1"), iface("eth0", "192.0.2.2"), iface("ppp0", "10.64.1.9"),
                                iface("ppp1", "10.64.2.9")},
                               {kHostAddress});
        QCOMPARE(determineOwnAddress(false, QHostAddress(), s), QHostAddress(QStringLiteral("10.64.1.9")));
        // The configured address goes first when it is to be used always.
        QCOMPARE(determineOwnAddress(true, QHostAddress(QStringLiteral("203.0.113.4")), s),
                 QHostAddress(QStringLiteral("203.0.113.4")));
        // ... but never an unset one.
        QCOMPARE(determineOwnAddress(true, QHostAddress(), s), QHostAddress(QStringLiteral("10.64.1.9")));
        QCOMPARE(determineOwnAddress(true, QHostAddress(QStringLiteral("0.0.0.0")), s),
                 QHostAddress(QStringLiteral("10.64.1.9")));
    }

    void dialUpInterfacesThatCannotServeAreSkipped()
    {
        QVERIFY(dialUpAddress({iface("ppp0", "10.64.1.9", false)}).isNull());
        QVERIFY(dialUpAddress({iface("ppp0", "0.0.0.0")}).isNull());
        QVERIFY(dialUpAddress({iface("tun0", "10.8.0.2"), iface("eth0", "192.0.2.2")}).isNull());
        QCOMPARE(dialUpAddress({iface("ppp0", "10.64.1.9", false), iface("ppp1", "10.64.2.9")}),
                 QHostAddress(QStringLiteral("10.64.2.9")));
    }

    void withoutDialUpTheHostNameDecides()
    {
        const auto s = sources({iface("lo", "127.0.0.1"), iface("eth0", "198.51.100.3")},
                               {QHostAddress(QStringLiteral("127.0.1.1")), kHostAddress});
        QCOMPARE(determineOwnAddress(false, QHostAddress(), s), kHostAddress);
        QCOMPARE(candidateAddresses(s),
                 (QList<QHostAddress>{kHostAddress, QHostAddress(QStringLiteral("198.51.100.3"))}));

        // A host name that maps only to loopback falls back to the interfaces that are up.
        const auto loopbackName = sources({iface("lo", "127.0.0.1"), iface("eth1", "198.51.100.4", false),
                                           iface("eth0", "198.51.100.3")},
                                          {QHostAddress(QStringLiteral("127.0.1.1"))});
        QCOMPARE(determineOwnAddress(false, QHostAddress(), loopbackName), QHostAddress(QStringLiteral("198.51.100.3")));

        // Nothing usable at all: no address, and nothing to select from.
        const auto nothing = sources({iface("lo", "127.0.0.1")}, {});
        QVERIFY(determineOwnAddress(false, QHostAddress(), nothing).isNull());
        QVERIFY(candidateAddresses(nothing).isEmpty());
    }

    void readsTheSystemsInterfaces()
    {
        const QList<InterfaceAddress> all = systemInterfaceAddresses();
        const bool hasLoopback = std::any_of(all.cbegin(), all.cend(), [](const InterfaceAddress &i) {
            return i.address == QHostAddress(QHostAddress::LocalHost) && i.up;
        });
        QVERIFY(hasLoopback);
        for (const QHostAddress &a : candidateAddresses())
            QVERIFY(!a.isLoopback());
    }
};

QTEST_GUILESS_MAIN(TestInterfaceAddresses)
#include "test_interfaceaddresses.moc"
