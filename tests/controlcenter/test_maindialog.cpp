// The main dialog in-process: the block it creates, its fields and button rules,
// the exit check and the exit, and the settings round trip into the block.

#include "controlcenter/maindialog.h"
#include "controlcenter/settingsstore.h"
#include "platform/paths.h"
#include "platform/tunneldriver.h"
#include "tests/support/testenv.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace ferry;

namespace {

const QString kUnsafeExit = QStringLiteral(
    "There is a still a process using Lanway98 and it might not be safe to exit. Are you sure you want to "
    "leave Lanway98?");

// A started control center's parts: settings as read, an open driver.
struct Started {
    test::TestEnv env;
    ControlCenterSettings settings;
    TunnelDriver driver;

    Started()
    {
        writeDefaultSettings();
        settings.read();
        settings.hostName = QStringLiteral("testhost");
        settings.setOwnAddress(0x7F000207);   // 127.0.2.7: a loopback address the tree's tracker socket can bind
        driver.open();
    }

    SharedMemory::Result openBlock(SharedMemory &memory) const
    {
        return memory.open(env.shmName(), sharedblock::Size);
    }
};

} // namespace

class TestMainDialog : public QObject {
    Q_OBJECT
private slots:
    void initialisationCreatesAndFillsTheBlock()
    {
        Started s;
        QVERIFY(s.driver.isOpen());
        s.settings.email.clear();
        MainDialog dialog(s.settings, s.driver);
        QVERIFY(dialog.initialize());

        SharedMemory memory;
        QCOMPARE(s.openBlock(memory), SharedMemory::Result::Ok);
        SharedBlock block(memory.data());
        QCOMPARE(block.ownAddress(), 0x7F000207u);
        QCOMPARE(block.nickname(), QByteArray("YourNickName"));
        QCOMPARE(block.email(), QByteArray("unspecified_email_address"));
        QCOMPARE(block.blockMark(), 99);
        QCOMPARE(block.chatWindow(), 0);
        QVERIFY(block.serverName().isEmpty());

        // The option words went to the driver with the query.
        QCOMPARE(s.driver.codeLog(), QList<std::uint32_t>{3});
        QCOMPARE(s.driver.session().options, (TunnelOptions{true, false, true, true}));
    }

    void fieldsAndTitle()
    {
        Started s;
        MainDialog dialog(s.settings, s.driver);
        QVERIFY(dialog.initialize());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Lanway98 Control Center"));
        QCOMPARE(dialog.connectionField()->text(), QStringLiteral("Not Connected"));
        QCOMPARE(dialog.addressField()->text(), QStringLiteral("127.0.2.7"));
        QCOMPARE(dialog.hostNameField()->text(), QStringLiteral("testhost"));
        QCOMPARE(dialog.nicknameField()->text(), QStringLiteral("YourNickName"));
        QCOMPARE(dialog.versionField()->text(), QStringLiteral("1.0"));
        QVERIFY(dialog.messageField()->text().isEmpty());
        QCOMPARE(dialog.runChatAction()->text(), QStringLiteral("Run &Chat"));
        QCOMPARE(dialog.treeImages().size(), 6);
        QCOMPARE(dialog.tree()->iconSize(), QSize(16, 16));
    }

    void buttonsFollowTheConnectionState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("inSession");
        QTest::newRow("not connected") << int(NotConnected) << false;
        QTest::newRow("signing on") << int(SigningOn) << false;
        QTest::newRow("signed on") << int(SignedOn) << true;
        QTest::newRow("local server") << int(LocalServerRunning) << true;
        QTest::newRow("signing off") << int(SigningOff) << false;
    }

    void buttonsFollowTheConnectionState()
    {
        QFETCH(int, state);
        QFETCH(bool, inSession);
        Started s;
        MainDialog dialog(s.settings, s.driver);
        dialog.setConnectionState(state);
        QCOMPARE(dialog.chatButton()->isEnabled(), inSession);
        QCOMPARE(dialog.runChatAction()->isEnabled(), inSession);
        QCOMPARE(dialog.settingsButton()->isEnabled(), !inSession);
        QVERIFY(dialog.connectButton()->isEnabled());
        dialog.setAwaitingAnswer(true);
        QVERIFY(!dialog.connectButton()->isEnabled());
        dialog.setAwaitingAnswer(false);
        QVERIFY(dialog.connectButton()->isEnabled());
    }

    void secondBlockHolderIsRefused()
    {
        Started s;
        SharedMemory other;
        QCOMPARE(other.create(s.env.shmName(), sharedblock::Size), SharedMemory::Result::Ok);
        MainDialog dialog(s.settings, s.driver);
        QVERIFY(!dialog.initialize());
        const auto prompts = s.env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts.first().kind, QStringLiteral("warning"));
        QCOMPARE(prompts.first().text, QStringLiteral("Unable to initialize memory."));
        QVERIFY(!dialog.sharedBlock());
    }

    void exitAsksWhileTheTunnelIsInUse()
    {
        Started s;
        MainDialog dialog(s.settings, s.driver);
        QVERIFY(dialog.initialize());
        dialog.show();
        s.driver.setApplicationUsesTunnel(true);

        s.env.setAnswers({QStringLiteral("no")});
        dialog.exitButton()->click();
        QVERIFY(!dialog.hasEnded());
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.sharedBlock());
        QCOMPARE(s.env.prompts().size(), 1);
        QCOMPARE(s.env.prompts().first().caption, QStringLiteral("Safe to Exit?"));
        QCOMPARE(s.env.prompts().first().text, kUnsafeExit);

        s.env.setAnswers({QStringLiteral("yes")});
        QSignalSpy ended(&dialog, &MainDialog::ended);
        dialog.close();
        QCOMPARE(ended.size(), 1);
        QVERIFY(dialog.hasEnded());
        QVERIFY(!dialog.isVisible());
        SharedMemory memory;
        QCOMPARE(s.openBlock(memory), SharedMemory::Result::Absent);
    }

    void idleTunnelExitsWithoutAsking()
    {
        Started s;
        MainDialog dialog(s.settings, s.driver);
        QVERIFY(dialog.initialize());
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.hasEnded());
        QVERIFY(s.env.prompts().isEmpty());
        QVERIFY(!dialog.sharedBlock());
    }

    void terminationCancelsAnOpenDialogAndEnds()
    {
        Started s;
        MainDialog dialog(s.settings, s.driver);
        QVERIFY(dialog.initialize());
        dialog.show();
        QDialog settings(&dialog);
        QTimer::singleShot(0, &dialog, &MainDialog::exitNow);
        QCOMPARE(settings.exec(), int(QDialog::Rejected));
        QVERIFY(dialog.hasEnded());
        QVERIFY(!dialog.isVisible());
        QVERIFY(s.env.prompts().isEmpty());
    }

    void settingsChangesReachTheBlock()
    {
        Started s;
        MainDialog dialog(s.settings, s.driver);
        QVERIFY(dialog.initialize());
        SharedMemory memory;
        QCOMPARE(s.openBlock(memory), SharedMemory::Result::Ok);
        SharedBlock block(memory.data());
        block.setChatWindow(4242);
        block.setServerName("Somewhere");

        s.env.setAnswers({QStringLiteral("text:Nickname=Morpheus;Email=;IP Address=10.1.1.1")});
        dialog.openSettings();
        QCOMPARE(dialog.nicknameField()->text(), QStringLiteral("Morpheus"));
        QCOMPARE(dialog.addressField()->text(), QStringLiteral("10.1.1.1"));
        QCOMPARE(block.nickname(), QByteArray("Morpheus"));
        QCOMPARE(block.ownAddress(), 0x0A010101u);
        QCOMPARE(block.email(), QByteArray("unspecified_email_address"));
        // The chat client's and the server's fields are not the settings' to change.
        QCOMPARE(block.chatWindow(), 4242);
        QCOMPARE(block.serverName(), QByteArray("Somewhere"));
        block.setChatWindow(0);
    }

    void bringToFrontRestoresAMinimisedDialog()
    {
        Started s;
        MainDialog dialog(s.settings, s.driver);
        QVERIFY(dialog.initialize());
        dialog.showMinimized();
        QVERIFY(dialog.isMinimized());
        dialog.bringToFront();
        QVERIFY(!dialog.isMinimized());
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(TestMainDialog)
#include "test_maindialog.moc"
