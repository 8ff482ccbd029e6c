#include "tests/support/ngircdfixture.h"

#include <QTcpSocket>
#include <QTest>

// The chat-server fixture every integration test relies on: a real ngircd that
// registers a client and answers it.
class TestNgircdFixture : public QObject {
    Q_OBJECT
private slots:
    void registersAClient()
    {
        ferry::test::NgircdFixture server;
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));
        QTcpSocket client;
        client.connectToHost(server.host(), server.port());
        QVERIFY(client.waitForConnected(3000));
        client.write("NICK tester\r\nUSER tester 0 * :Test User\r\n");
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += client.readAll()).contains(" 376 tester ")
                                     || received.contains(" 422 tester "), 5000);
        QVERIFY(received.contains(" 001 tester "));
    }
};

QTEST_MAIN(TestNgircdFixture)
#include "test_ngircdfixture.moc"
