#include "controlcenter/ipxnotbounddialog.h"
#include "controlcenter/ownaddress.h"
#include "controlcenter/selectaddressdialog.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace ferry;

namespace {

const QString kNotDetermined = QStringLiteral(
    "Lanway98 was not able to determine your IP address. Please select an IP address from the following dialog "
    "or enter it manually in the settings dialog after Lanway98 starts.");
const QString kFindItFailed = QStringLiteral(
    "Lanway98 could not determine your IP address. You must configure it manually for Lanway98 to work. "
    "Select an IP address in the previous dialog or try running WINIPCFG.EXE in the WIN95 directory.");

QList<QHostAddress> addresses(std::initializer_list<const char *> list)
{
    QList<QHostAddress> out;
    for (const char *a : list)
        out << QHostAddress(QString::fromLatin1(a));
    return out;
}

AddressSources nothingFound()
{
    AddressSources s;
    s.interfaces = [] { return QList<InterfaceAddress>{{QStringLiteral("lo"), QHostAddress::LocalHost, true}}; };
    s.hostNameAddresses = [] { return QList<QHostAddress>{}; };
    return s;
}

quint16 closedLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace

class TestAddressDialogs : public QObject {
    Q_OBJECT
private slots:
    void selectionListAndOk()
    {
        SelectAddressDialog dialog(addresses({"192.0.2.2", "198.51.100.3"}));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select IP Address"));
        auto *list = dialog.findChild<QListWidget *>(QStringLiteral("addressList"));
        QVERIFY(list);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(dialog.okButton()->isEnabled());
        list->setCurrentRow(1);
        dialog.okButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenAddress(), QHostAddress(QStringLiteral("198.51.100.3")));

        SelectAddressDialog empty({});
        QVERIFY(!empty.okButton()->isEnabled());
        empty.accept(); // even if forced, nothing is chosen from an empty list
        QVERIFY(empty.result() != QDialog::Accepted);
        QVERIFY(empty.chosenAddress().isNull());
        QVERIFY(!empty.chooseText(QStringLiteral("not an address")));
        QVERIFY(empty.chooseText(QStringLiteral("203.0.113.9")));
        QVERIFY(empty.okButton()->isEnabled());
    }

    void lateAddressesGoFirstAndKeepTheChoice()
    {
        SelectAddressDialog dialog(addresses({"192.0.2.2", "198.51.100.3"}));
        auto *list = dialog.findChild<QListWidget *>(QStringLiteral("addressList"));
        const auto rows = [list] {
            QStringList out;
            for (int i = 0; i < list->count(); ++i)
                out << list->item(i)->text();
            return out;
        };
        // The untouched first row follows the new first address.
        dialog.offerFirst(addresses({"203.0.113.1", "198.51.100.3"}));
        QCOMPARE(rows(), (QStringList{"203.0.113.1", "198.51.100.3", "192.0.2.2"}));
        QCOMPARE(list->currentRow(), 0);
        // A row the player chose stays chosen wherever it moves.
        list->setCurrentRow(2);
        dialog.offerFirst(addresses({"203.0.113.7"}));
        QCOMPARE(list->currentItem()->text(), QStringLiteral("192.0.2.2"));

        SelectAddressDialog empty({});
        empty.offerFirst(addresses({"203.0.113.1"}));
        QVERIFY(empty.okButton()->isEnabled());
        QCOMPARE(empty.findChild<QListWidget *>(QStringLiteral("addressList"))->currentRow(), 0);
    }

    void findItTakesTheConnectionsLocalAddress()
    {
        test::TestEnv env;
        QTcpServer web;
        QVERIFY(web.listen(QHostAddress::LocalHost, 0));
        SelectAddressDialog dialog(addresses({"192.0.2.2"}), nullptr,
                                   {QStringLiteral("127.0.0.1"), web.serverPort(), 5000});
        QSignalSpy ended(&dialog, &SelectAddressDialog::findItEnded);
        dialog.findItButton()->click();
        QVERIFY(!dialog.isEnabled());
        QVERIFY(ended.wait(5000));
        QCOMPARE(ended.first().first().toBool(), true);
        QVERIFY(dialog.isEnabled());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
        const auto prompts = env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts.first().kind, QStringLiteral("info"));
        QCOMPARE(prompts.first().text, QStringLiteral("IP Address found and set to 127.0.0.1"));
    }

    void findItFailureWarnsAndStays()
    {
        test::TestEnv env;
        SelectAddressDialog dialog(addresses({"192.0.2.2"}), nullptr,
                                   {QStringLiteral("127.0.0.1"), closedLoopbackPort(), 5000});
        QSignalSpy ended(&dialog, &SelectAddressDialog::findItEnded);
        dialog.findIt();
        QVERIFY(ended.wait(5000));
        QCOMPARE(ended.first().first().toBool(), false);
        QVERIFY(dialog.isEnabled());
        QVERIFY(dialog.result() != QDialog::Accepted);
        const auto prompts = env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts.first().kind, QStringLiteral("warning"));
        QCOMPARE(prompts.first().text, kFindItFailed);
    }

    void undeterminedAddressAsksForOne()
    {
        test::TestEnv env;
        env.setAnswers({QStringLiteral("ok"), QStringLiteral("text:203.0.113.9")});
        const QHostAddress chosen = chooseOwnAddress(false, QHostAddress(), nullptr, nothingFound());
        QCOMPARE(chosen, QHostAddress(QStringLiteral("203.0.113.9")));
        const auto prompts = env.prompts();
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(prompts.at(0).kind, QStringLiteral("warning"));
        QCOMPARE(prompts.at(0).text, kNotDetermined);
        QCOMPARE(prompts.at(1).kind, QStringLiteral("dialog"));
        QCOMPARE(prompts.at(1).text, QStringLiteral("Select IP Address"));

        // Cancelled: no address; a detected one needs no prompt at all.
        env.setAnswers({QStringLiteral("ok"), QStringLiteral("cancel")});
        QVERIFY(chooseOwnAddress(false, QHostAddress(), nullptr, nothingFound()).isNull());
        const int before = env.prompts().size();
        QCOMPARE(chooseOwnAddress(true, QHostAddress(QStringLiteral("192.0.2.7")), nullptr, nothingFound()),
                 QHostAddress(QStringLiteral("192.0.2.7")));
        QCOMPARE(env.prompts().size(), before);
    }

    void driverThatCannotOpenIsReported()
    {
        test::TestEnv env;
        qputenv("FERRY_DRIVER_OPEN", "fail");
        QVERIFY(!openTunnelDriver());
        qunsetenv("FERRY_DRIVER_OPEN");
        const auto prompts = env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts.first().kind, QStringLiteral("warning"));
        QCOMPARE(prompts.first().text,
                 QStringLiteral("Unable to open Ferry VxD. This may be due to an older or different version of Ferry "
                                "being run. Please reinstall Ferry and or reboot your computer and try again."));
        auto driver = openTunnelDriver();
        QVERIFY(driver && driver->isOpen());
        QCOMPARE(env.prompts().size(), 1);
    }

    void ipxAdviceStartsTheNetworkTool()
    {
        test::TestEnv env;
        const QString marker = env.home() + QStringLiteral("/started.txt");
        const QString tool = env.home() + QStringLiteral("/netsettings.sh");
        QFile f(tool);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$2\"\n");
        f.close();
        f.setPermissions(f.permissions() | QFile::ExeOwner);

        IpxNotBoundDialog dialog(nullptr, {{QStringLiteral("no-such-settings-tool-4711")}, {tool, QStringLiteral("network"), marker}});
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("IPX Protocol Not Bound"));
        QVERIFY(dialog.yesButton()->isVisible() && dialog.noButton()->isVisible());
        QVERIFY(!dialog.closeButton()->isVisible());
        QCOMPARE(dialog.onYes(), tool);
        QVERIFY(!dialog.yesButton()->isVisible() && !dialog.noButton()->isVisible());
        QVERIFY(dialog.closeButton()->isVisible());
        QTRY_VERIFY(QFile(marker).size() > 0);
        QFile out(marker);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("network"));
        QVERIFY(env.prompts().isEmpty());
        dialog.closeButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void ipxAdviceWithoutAToolSaysSo()
    {
        test::TestEnv env;
        IpxNotBoundDialog dialog(nullptr, {{QStringLiteral("no-such-settings-tool-4711")}});
        dialog.show();
        dialog.yesButton()->click();
        QVERIFY(dialog.closeButton()->isVisible());
        const auto prompts = env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts.first().caption, QStringLiteral("IPX Protocol Not Bound"));

        IpxNotBoundDialog declined(nullptr, {{QStringLiteral("no-such-settings-tool-4711")}});
        declined.show();
        declined.noButton()->click();
        QCOMPARE(declined.result(), int(QDialog::Rejected));
        QVERIFY(!declined.isVisible());
    }
};

QTEST_MAIN(TestAddressDialogs)
#include "test_addressdialogs.moc"
