// The target of the Connect button: which choices make a target and which
// registry entries are offered.

#include "common/registry.h"
#include "controlcenter/servertarget.h"
#include "platform/registrystore.h"
#include "tests/support/testenv.h"

#include <QTest>

using namespace ferry;

namespace {

const QString kServers = QStringLiteral("SOFTWARE\\Hollowell\\Ferry97\\Servers");

void listServers(const QList<QPair<QString, QString>> &entries)
{
    CRegistry registry;
    QVERIFY(registry.Create(kServers));
    for (const auto &[name, data] : entries)
        QVERIFY(registry.SetStringValue(name, data));
}

} // namespace

class TestServerTarget : public QObject {
    Q_OBJECT
private slots:
    void init() { reg::resetDefaultStore(); }
    void cleanup() { reg::resetDefaultStore(); }

    void choicesBecomeTargets()
    {
        const QString fallback = QStringLiteral("irc.lanway.test:6667");
        ResolvedTarget local = resolveTarget({true, false, {}, {}, {}}, fallback);
        QCOMPARE(local.target, QStringLiteral("Local"));
        QVERIFY(local.isLocal() && !local.invalid);

        ResolvedTarget server = resolveTarget({false, true, QStringLiteral("Home"), QStringLiteral(" 10.0.0.5 "), {}}, fallback);
        QCOMPARE(server.target, QStringLiteral("10.0.0.5"));
        QCOMPARE(server.description, QStringLiteral("Home"));
        QCOMPARE(server.chatServer, fallback);
        QVERIFY(!server.isLocal());

        ResolvedTarget ownChat = resolveTarget({false, true, QStringLiteral("Away"), QStringLiteral("10.0.0.6"),
                                                QStringLiteral("chat.away.test:7000")}, fallback);
        QCOMPARE(ownChat.chatServer, QStringLiteral("chat.away.test:7000"));

        for (const ServerChoice &bad : {ServerChoice{false, true, QStringLiteral("Named"), QStringLiteral("ferry.test"), {}},
                                        ServerChoice{false, true, QStringLiteral("Wide"), QStringLiteral("10.0.0.256"), {}},
                                        ServerChoice{}}) {
            const ResolvedTarget r = resolveTarget(bad, fallback);
            QVERIFY(r.invalid);
            QVERIFY(r.target.isEmpty());
        }
    }

    void registryOffersThePreferredUsableServer()
    {
        test::TestEnv env;
        reg::resetDefaultStore();
        QVERIFY(!chosenServerFromRegistry());
        listServers({{QStringLiteral("Broken"), QStringLiteral("ferry.lanway.test")},
                     {QStringLiteral("First"), QStringLiteral("10.0.0.1")},
                     {QStringLiteral("Best"), QStringLiteral("10.0.0.2,preferred")}});
        auto choice = chosenServerFromRegistry();
        QVERIFY(choice);
        QCOMPARE(choice->description, QStringLiteral("Best"));
        QCOMPARE(choice->address, QStringLiteral("10.0.0.2"));
        QVERIFY(choice->serverSelected && !choice->localServer);
    }

    void registryFallsBackToTheFirstUsableEntry()
    {
        test::TestEnv env;
        reg::resetDefaultStore();
        listServers({{QStringLiteral("Broken"), QStringLiteral("not an address,preferred")},
                     {QStringLiteral("Mine"), QStringLiteral("LOCAL")},
                     {QStringLiteral("Other"), QStringLiteral("10.0.0.3")}});
        const auto choice = chosenServerFromRegistry();
        QVERIFY(choice);
        QCOMPARE(choice->description, QStringLiteral("Mine"));
        QVERIFY(choice->localServer);
        QVERIFY(resolveTarget(*choice, {}).isLocal());
    }
};

QTEST_MAIN(TestServerTarget)
#include "test_servertarget.moc"
