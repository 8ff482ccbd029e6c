// The settings record and where it comes from at start-up: a settings.reg file in
// the working folder, the older key, or the defaults of a first start.

#include "common/registry.h"
#include "controlcenter/dottedaddress.h"
#include "controlcenter/settingsstore.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ferry;

namespace {

const QString kFerry97 = QStringLiteral("SOFTWARE\\Hollowell\\Ferry97");
const QString kLegacy = QStringLiteral("SOFTWARE\\Hollowell\\Ferry");

void writeStrings(const QString &key, const QList<std::pair<QString, QString>> &values)
{
    CRegistry registry;
    QVERIFY(registry.Create(key));
    for (const auto &[name, data] : values)
        QVERIFY(registry.SetStringValue(name, data));
}

QString readString(const QString &key, const QString &name)
{
    CRegistry registry;
    QString value;
    if (registry.Open(key, KEY_READ))
        registry.GetStringValue(name, value);
    return value;
}

bool keyExists(const QString &key)
{
    CRegistry registry;
    return registry.Open(key, KEY_READ);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void dottedAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("normal");
        QTest::newRow("plain") << "192.168.1.20" << true << "192.168.1.20";
        QTest::newRow("leading zeros and blanks") << " 010.001.000.255 " << true << "10.1.0.255";
        QTest::newRow("three parts") << "10.1.2" << false << "";
        QTest::newRow("five parts") << "10.1.2.3.4" << false << "";
        QTest::newRow("part above 255") << "10.1.2.256" << false << "";
        QTest::newRow("empty part") << "10..2.3" << false << "";
        QTest::newRow("sign") << "10.+1.2.3" << false << "";
        QTest::newRow("hexadecimal") << "0x7f.0.0.1" << false << "";
        QTest::newRow("host name") << "example.com" << false << "";
        QTest::newRow("empty") << "" << false << "";
    }

    void dottedAddresses()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, normal);
        const auto parsed = parseDottedAddress(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(dottedAddressText(*parsed), normal);
    }

    void flagsCompareWithoutCase()
    {
        QVERIFY(flagIsOn(QStringLiteral("TRUE")));
        QVERIFY(flagIsOn(QStringLiteral("true")));
        QVERIFY(!flagIsOn(QStringLiteral("yes")));
        QVERIFY(!flagIsOn(QStringLiteral("1")));
        QVERIFY(!flagIsOn(QStringLiteral(" True")));
        QVERIFY(!flagIsOn(QString()));
    }

    void firstStartWritesTheDefaultsAndReadsThem()
    {
        test::TestEnv env;
        ControlCenterSettings settings;
        QVERIFY(!settings.read());
        QVERIFY(loadSettings(settings));

        QCOMPARE(readString(kFerry97, QStringLiteral("Nickname")), QStringLiteral("YourNickName"));
        QCOMPARE(readString(kFerry97, QStringLiteral("AlwaysUseIP")), QStringLiteral("False"));
        QCOMPARE(readString(kFerry97, QStringLiteral("BufferSends")), QStringLiteral("True"));
        QCOMPARE(readString(kFerry97, QStringLiteral("DisableALTTAB")), QStringLiteral("False"));
        QVERIFY(keyExists(kFerry97 + QStringLiteral("\\Servers")));

        QCOMPARE(settings.nickname, QStringLiteral("YourNickName"));
        QVERIFY(!settings.email.isEmpty());
        QVERIFY(!settings.alwaysUseConfiguredAddress);
        QCOMPARE(settings.advanced, (AdvancedFlags{true, true, true, true, true, false}));
        QVERIFY(settings.sortByTask);
        QVERIFY(settings.translateTaskNames);
        QVERIFY(settings.configuredAddressText.isEmpty());
    }

    void readingTakesEveryValueWithoutRegardToCase()
    {
        test::TestEnv env;
        writeStrings(kFerry97, {{"nickname", "Zed"},
                                {"EMAIL", "zed@example.net"},
                                {"ip address", "010.000.000.007"},
                                {"AlwaysUseIP", "TRUE"},
                                {"EnableCompression", "false"},
                                {"BufferSends", "False"},
                                {"SortByTask", "no"},
                                {"HelpServer", "http://help.example.net/"},
                                {"FirstHelpPage", "index.html"},
                                {"ChatServer", "chat.example.net:6667"},
                                {"Tracker", "tracker.example.net"},
                                {"SomethingElse", "ignored"}});
        ControlCenterSettings settings;
        QVERIFY(settings.read());
        QCOMPARE(settings.nickname, QStringLiteral("Zed"));
        QCOMPARE(settings.email, QStringLiteral("zed@example.net"));
        QCOMPARE(settings.configuredAddressText, QStringLiteral("10.0.0.7"));
        QCOMPARE(settings.configuredAddress, 0x0A000007u);
        QVERIFY(settings.alwaysUseConfiguredAddress);
        QVERIFY(!settings.advanced.enableCompression);
        QVERIFY(!settings.sortByTask);
        QCOMPARE(settings.helpUrl(), QStringLiteral("http://help.example.net/index.html"));
        QCOMPARE(settings.chatServer, QStringLiteral("chat.example.net:6667"));
        QCOMPARE(settings.tracker, QStringLiteral("tracker.example.net"));

        // Flags missing from the key keep the record's built-in defaults.
        QVERIFY(settings.translateTaskNames);
        QVERIFY(!settings.advanced.disableAltTab);

        // The option words follow the flags; BufferSends off means unbuffered sends.
        DriverStatusRecord record;
        settings.fillDriverOptions(record);
        QCOMPARE(record.compression, 0u);
        QCOMPARE(record.unbufferedSends, 1u);
        QCOMPARE(record.ipxOverSockets, 0u);
        QCOMPARE(record.sendSocketClose, 0u);
    }

    void configuredAddressIgnoredWhenEmptyOrNotAnAddress()
    {
        test::TestEnv env;
        writeStrings(kFerry97, {{"Nickname", "Zed"}, {"IP Address", ""}});
        ControlCenterSettings settings;
        QVERIFY(settings.read());
        QVERIFY(settings.configuredAddressText.isEmpty());

        writeStrings(kFerry97, {{"IP Address", "not.an.address.at"}});
        QVERIFY(settings.read());
        QVERIFY(settings.configuredAddressText.isEmpty());
        QCOMPARE(settings.configuredAddress, 0u);
    }

    void keyWithOneValueCountsAsUnreadable()
    {
        test::TestEnv env;
        writeStrings(kFerry97, {{"Nickname", "Solo"}});
        ControlCenterSettings settings;
        QVERIFY(!settings.read());
        // The defaults are written over it and read.
        QVERIFY(loadSettings(settings));
        QCOMPARE(settings.nickname, QStringLiteral("YourNickName"));
    }

    void olderKeyIsCopiedWhenTheCurrentOneIsMissing()
    {
        test::TestEnv env;
        writeStrings(kLegacy, {{"Nickname", "OldTimer"}, {"Email", "old@example.org"}, {"AlwaysUseIP", "True"}});
        {
            CRegistry legacy;
            QVERIFY(legacy.Open(kLegacy));
            QVERIFY(legacy.SetDoubleWordValue(QStringLiteral("Counter"), 7));
        }
        ControlCenterSettings settings;
        QVERIFY(loadSettings(settings));
        QCOMPARE(settings.nickname, QStringLiteral("OldTimer"));
        QCOMPARE(settings.email, QStringLiteral("old@example.org"));
        QVERIFY(settings.alwaysUseConfiguredAddress);

        // Every value keeps its name, kind and data; no defaults are mixed in.
        CRegistry current;
        QVERIFY(current.Open(kFerry97, KEY_READ));
        quint32 counter = 0;
        QVERIFY(current.GetDoubleWordValue(QStringLiteral("Counter"), counter));
        QCOMPARE(counter, 7u);
        QCOMPARE(current.GetNumberOfValues(), 4);
        QVERIFY(keyExists(kFerry97 + QStringLiteral("\\Servers")));
    }

    void olderKeyWithOneValueGivesWayToTheDefaults()
    {
        test::TestEnv env;
        writeStrings(kLegacy, {{"Nickname", "OldTimer"}});
        QVERIFY(!copyLegacySettings());
        ControlCenterSettings settings;
        QVERIFY(loadSettings(settings));
        QCOMPARE(settings.nickname, QStringLiteral("YourNickName"));
    }

    void settingsFileIsImportedBeforeReadingAndDeleted()
    {
        test::TestEnv env;
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("settings.reg"));
        writeFile(path, "REGEDIT4\r\n\r\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollowell\\Ferry97]\r\n"
                        "\"Nickname\"=\"Imported\"\r\n"
                        "\"Email\"=\"imp@example.com\"\r\n"
                        "\"tracker\"=\"tracker.example.com\"\r\n");
        QVERIFY(importSettingsFile(folder.path()));
        QVERIFY(!QFile::exists(path));

        ControlCenterSettings settings;
        QVERIFY(loadSettings(settings));
        QCOMPARE(settings.nickname, QStringLiteral("Imported"));
        QCOMPARE(settings.tracker, QStringLiteral("tracker.example.com"));

        // Nothing to import the next time.
        QVERIFY(!importSettingsFile(folder.path()));
    }

    void identityAndAdvancedWritesReadBack()
    {
        test::TestEnv env;
        writeDefaultSettings();
        writeIdentitySettings(QStringLiteral("Neo"), QStringLiteral("neo@example.com"), QStringLiteral("10.0.0.2"),
                              true);
        AdvancedFlags flags{false, false, true, false, true, true};
        writeAdvancedFlags(flags);
        QCOMPARE(readString(kFerry97, QStringLiteral("AlwaysUseIP")), QStringLiteral("True"));
        QCOMPARE(readString(kFerry97, QStringLiteral("RunChatOnConnect")), QStringLiteral("False"));

        ControlCenterSettings settings;
        QVERIFY(settings.read());
        QCOMPARE(settings.nickname, QStringLiteral("Neo"));
        QCOMPARE(settings.configuredAddressText, QStringLiteral("10.0.0.2"));
        QVERIFY(settings.alwaysUseConfiguredAddress);
        QCOMPARE(settings.advanced, flags);
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
