#include "chat/core/channelusers.h"

#include <QTest>

class TestChannelUsers : public QObject {
    Q_OBJECT
private slots:
    void addsItemsOncePerTextIgnoringCase()
    {
        CChannelUsers u;
        QVERIFY(u.AddUser(QStringLiteral("bob")));
        QVERIFY(u.AddUser(QStringLiteral("@bob")));  // a different text
        QVERIFY(!u.AddUser(QStringLiteral("BOB"))); // the same text ignoring case
        QVERIFY(u.AddUser(QStringLiteral("Alice")));
        QCOMPARE(u.Items(), (QStringList{QStringLiteral("@bob"), QStringLiteral("Alice"), QStringLiteral("bob")}));
    }

    void removesTheFirstOfOperatorVoiceAndPlain()
    {
        CChannelUsers u;
        u.AddUser(QStringLiteral("+carol"));
        u.AddUser(QStringLiteral("@carol"));
        QVERIFY(u.IsUserListed(QStringLiteral("CAROL")));
        QVERIFY(u.RemoveUser(QStringLiteral("carol")));
        QCOMPARE(u.Items(), QStringList{QStringLiteral("+carol")});
        QVERIFY(u.RemoveUser(QStringLiteral("carol")));
        QVERIFY(!u.RemoveUser(QStringLiteral("carol")));
        QVERIFY(!u.IsUserListed(QStringLiteral("carol")));
    }

    void modesGiveThePrefixes_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("after");
        QTest::newRow("+v keeps operator") << "@n" << "+v" << "@n";
        QTest::newRow("-v on voice") << "+n" << "-v" << "n";
        QTest::newRow("+o on unlisted") << "" << "+o" << "@n";
        QTest::newRow("+O any case") << "n" << "+O" << "@n";
        QTest::newRow("+v on plain") << "n" << "+v" << "+n";
        QTest::newRow("-o on operator") << "@n" << "-o" << "n";
        QTest::newRow("-v on operator") << "@n" << "-v" << "@n";
        QTest::newRow("-o on voice") << "+n" << "-o" << "+n";
        QTest::newRow("+b keeps item") << "+n" << "+b" << "+n";
    }
    void modesGiveThePrefixes()
    {
        QFETCH(QString, before);
        QFETCH(QString, mode);
        QFETCH(QString, after);
        CChannelUsers u;
        if (!before.isEmpty())
            u.AddUser(before);
        u.SetUserMode(mode, QStringLiteral("n"));
        QCOMPARE(u.Items(), QStringList{after});
    }

    void renameKeepsThePrefix()
    {
        CChannelUsers u;
        u.AddUser(QStringLiteral("+carol"));
        u.AddUser(QStringLiteral("erin"));
        u.RenameUser(QStringLiteral(":dave"), QStringLiteral("carol"));
        u.RenameUser(QStringLiteral("frank"), QStringLiteral("erin"));
        QCOMPARE(u.Items(), (QStringList{QStringLiteral("+dave"), QStringLiteral("frank")}));
    }
};

QTEST_APPLESS_MAIN(TestChannelUsers)
#include "test_channelusers.moc"
