// The settings, advanced settings and proxy dialogs: their checks, what OK writes,
// and their scripted answers.

#include "common/registry.h"
#include "controlcenter/advancedsettingsdialog.h"
#include "controlcenter/proxydialog.h"
#include "controlcenter/settingsdialog.h"
#include "controlcenter/settingsstore.h"
#include "tests/support/testenv.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

using namespace ferry;

namespace {

const QString kFerry97 = QStringLiteral("SOFTWARE\\Hollowell\\Ferry97");
const QString kNicknameHasSpace = QStringLiteral("Nicknames cannot contain a space. Please try again.");
const QString kInvalidAddress = QStringLiteral("Invalid IP Address, try again.");
const QString kNicknameEmpty = QStringLiteral("Nicknames cannot be empty. Please try again.");
const QString kProxyPort = QStringLiteral("The proxy port must be a number from 1 to 65535. Please try again.");
const QString kProxyFields =
    QStringLiteral("Both the name and port are required to use a proxy. Please fill them both out.");

QString readString(const QString &key, const QString &name, HKEY root = HKEY_LOCAL_MACHINE)
{
    CRegistry registry;
    registry.Connect(root);
    QString value;
    if (registry.Open(key, KEY_READ))
        registry.GetStringValue(name, value);
    return value;
}

ControlCenterSettings startedSettings()
{
    writeDefaultSettings();
    ControlCenterSettings settings;
    settings.read();
    settings.setOwnAddress(0xC0000201);   // 192.0.2.1
    return settings;
}

QStringList warningTexts(const test::TestEnv &env)
{
    QStringList texts;
    for (const auto &prompt : env.prompts()) {
        if (prompt.kind == QLatin1String("warning"))
            texts << prompt.text;
    }
    return texts;
}

} // namespace

class TestSettingsDialogs : public QObject {
    Q_OBJECT
private slots:
    void fieldsStartFromTheSettings()
    {
        test::TestEnv env;
        ControlCenterSettings settings = startedSettings();
        settings.alwaysUseConfiguredAddress = true;
        SettingsDialog dialog(settings);
        QCOMPARE(dialog.nicknameEdit()->text(), QStringLiteral("YourNickName"));
        QCOMPARE(dialog.addressEdit()->text(), QStringLiteral("192.0.2.1"));
        QVERIFY(dialog.alwaysUseBox()->isChecked());
        QCOMPARE(dialog.nicknameEdit()->maxLength(), 15);
    }

    void okWritesTheFourValuesAndTheOwnAddress()
    {
        test::TestEnv env;
        ControlCenterSettings settings = startedSettings();
        env.setAnswers({QStringLiteral("text:Nickname=Trinity;Email=t@example.com;IP Address=10.0.0.9;"
                                       "AlwaysUseIP=True")});
        SettingsDialog dialog(settings);
        QVERIFY(dialog.run());
        QCOMPARE(settings.ownAddress, 0x0A000009u);
        QCOMPARE(settings.ownAddressText, QStringLiteral("10.0.0.9"));
        QCOMPARE(readString(kFerry97, QStringLiteral("Nickname")), QStringLiteral("Trinity"));
        QCOMPARE(readString(kFerry97, QStringLiteral("Email")), QStringLiteral("t@example.com"));
        QCOMPARE(readString(kFerry97, QStringLiteral("IP Address")), QStringLiteral("10.0.0.9"));
        QCOMPARE(readString(kFerry97, QStringLiteral("AlwaysUseIP")), QStringLiteral("True"));
        QVERIFY(warningTexts(env).isEmpty());
    }

    void refusedFieldsKeepTheDialogOpenUntilCorrected()
    {
        test::TestEnv env;
        ControlCenterSettings settings = startedSettings();
        // Each warning box takes an answer of its own before the dialog reads the next one.
        env.setAnswers({QStringLiteral("text:Nickname=a b"), QStringLiteral("ok"),
                        QStringLiteral("text:Nickname="), QStringLiteral("ok"),
                        QStringLiteral("text:Nickname=ab;IP Address=10.0.0"), QStringLiteral("ok"),
                        QStringLiteral("text:IP Address=10.0.0.1")});
        SettingsDialog dialog(settings);
        QVERIFY(dialog.run());
        QCOMPARE(warningTexts(env), (QStringList{kNicknameHasSpace, kNicknameEmpty, kInvalidAddress}));
        QCOMPARE(readString(kFerry97, QStringLiteral("Nickname")), QStringLiteral("ab"));
        QCOMPARE(readString(kFerry97, QStringLiteral("IP Address")), QStringLiteral("10.0.0.1"));
    }

    void refusedThenCancelledWritesNothing()
    {
        test::TestEnv env;
        ControlCenterSettings settings = startedSettings();
        env.setAnswers({QStringLiteral("text:Nickname=a b"), QStringLiteral("ok"), QStringLiteral("cancel")});
        SettingsDialog dialog(settings);
        QVERIFY(!dialog.run());
        QCOMPARE(warningTexts(env), QStringList{kNicknameHasSpace});
        QCOMPARE(readString(kFerry97, QStringLiteral("Nickname")), QStringLiteral("YourNickName"));
        QCOMPARE(settings.ownAddressText, QStringLiteral("192.0.2.1"));
    }

    void nicknameIsCutToFifteenCharacters()
    {
        test::TestEnv env;
        ControlCenterSettings settings = startedSettings();
        env.setAnswers({QStringLiteral("text:Nickname=ABCDEFGHIJKLMNOPQRST")});
        SettingsDialog dialog(settings);
        QVERIFY(dialog.run());
        QCOMPARE(readString(kFerry97, QStringLiteral("Nickname")), QStringLiteral("ABCDEFGHIJKLMNO"));
    }

    void advancedOkStoresAppliesAndWritesTheFlags()
    {
        test::TestEnv env;
        ControlCenterSettings settings = startedSettings();
        env.setAnswers({QStringLiteral("text:EnableCompression=False;bufferSends=false;DisableALTTAB=TRUE")});
        AdvancedSettingsDialog dialog(settings);
        QVERIFY(!dialog.box(&AdvancedFlags::disableAltTab)->toolTip().isEmpty());
        QVERIFY(dialog.run());
        QCOMPARE(settings.advanced, (AdvancedFlags{false, true, true, false, true, true}));
        QCOMPARE(readString(kFerry97, QStringLiteral("EnableCompression")), QStringLiteral("False"));
        QCOMPARE(readString(kFerry97, QStringLiteral("BufferSends")), QStringLiteral("False"));
        QCOMPARE(readString(kFerry97, QStringLiteral("DisableALTTAB")), QStringLiteral("True"));
        QCOMPARE(readString(kFerry97, QStringLiteral("RunChatOnConnect")), QStringLiteral("True"));
    }

    void advancedCancelChangesNothing()
    {
        test::TestEnv env;
        ControlCenterSettings settings = startedSettings();
        env.setAnswers({QStringLiteral("cancel")});
        AdvancedSettingsDialog dialog(settings);
        dialog.box(&AdvancedFlags::enableCompression)->setChecked(false);
        QVERIFY(!dialog.run());
        QVERIFY(settings.advanced.enableCompression);
        QCOMPARE(readString(kFerry97, QStringLiteral("EnableCompression")), QStringLiteral("True"));
    }

    void advancedFromTheSettingsDialogTellsItsCaller()
    {
        test::TestEnv env;
        ControlCenterSettings settings = startedSettings();
        env.setAnswers({QStringLiteral("text:SendSocketClose=False")});
        int changes = 0;
        SettingsDialog dialog(settings, nullptr, [&changes] { ++changes; });
        dialog.openAdvanced();
        QCOMPARE(changes, 1);
        QVERIFY(!settings.advanced.sendSocketClose);

        env.setAnswers({QStringLiteral("cancel")});
        dialog.openAdvanced();
        QCOMPARE(changes, 1);
    }

    void proxyServerRoundTrip()
    {
        test::TestEnv env;
        env.setAnswers({QStringLiteral("text:Name=proxy.example.net;Port=8080;Enable=True")});
        {
            ProxyDialog dialog;
            QVERIFY(dialog.run());
        }
        QCOMPARE(readString(QLatin1String(InternetSettingsKey), QStringLiteral("ProxyServer"), HKEY_CURRENT_USER),
                 QStringLiteral("proxy.example.net:8080"));
        CRegistry registry;
        registry.Connect(HKEY_CURRENT_USER);
        QVERIFY(registry.Open(QLatin1String(InternetSettingsKey), KEY_READ));
        CRegistry::KeyValueTypes type;
        QByteArray data;
        QVERIFY(registry.QueryValue(QStringLiteral("ProxyEnable"), type, data));
        QCOMPARE(type, REG_BINARY);
        QCOMPARE(data, QByteArray("\x01\x00\x00\x00", 4));

        // The next opening shows the same two fields and the check box.
        ProxyDialog reopened;
        QCOMPARE(reopened.nameEdit()->text(), QStringLiteral("proxy.example.net"));
        QCOMPARE(reopened.portEdit()->text(), QStringLiteral("8080"));
        QVERIFY(reopened.enableBox()->isChecked());
    }

    void proxyNeedsNameAndPort()
    {
        test::TestEnv env;
        // A port outside 1..65535 or not a number is refused like a missing one.
        env.setAnswers({QStringLiteral("text:Name=proxy.example.net"), QStringLiteral("ok"),
                        QStringLiteral("text:Port=70000"), QStringLiteral("ok"),
                        QStringLiteral("text:Port=80a"), QStringLiteral("ok"),
                        QStringLiteral("text:Port=0"), QStringLiteral("ok"),
                        QStringLiteral("text:Port=3128;Enable=False")});
        ProxyDialog dialog;
        QVERIFY(dialog.run());
        QCOMPARE(warningTexts(env), (QStringList{kProxyFields, kProxyPort, kProxyPort, kProxyPort}));
        const ProxySetting stored = readProxySetting();
        QCOMPARE(stored.name, QStringLiteral("proxy.example.net"));
        QCOMPARE(stored.port, QStringLiteral("3128"));
        QVERIFY(!stored.enabled);
    }

    void proxyServerTextSplits_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("port");
        QTest::newRow("name and port") << "proxy:80" << "proxy" << "80";
        QTest::newRow("no port") << "proxy" << "proxy" << "";
        QTest::newRow("bracketed address") << "[2001:db8::1]:8080" << "[2001:db8::1]" << "8080";
        QTest::newRow("empty") << "" << "" << "";
    }

    void proxyServerTextSplits()
    {
        QFETCH(QString, server);
        QFETCH(QString, name);
        QFETCH(QString, port);
        const ProxySetting setting = splitProxyServer(server);
        QCOMPARE(setting.name, name);
        QCOMPARE(setting.port, port);
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "test_settingsdialogs.moc"
