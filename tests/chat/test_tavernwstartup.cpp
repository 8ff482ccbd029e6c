// The chat client's start in this process: the program folder taken from the
// command line, the refusal without a session block, and a start with one up to
// the end of the splash and the program's end.

#include "chat/app/tavernwprogram.h"
#include "chat/core/programdir.h"
#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/chatframe.h"
#include "chat/windows/mainframe.h"
#include "chat/windows/messageview.h"
#include "common/registry.h"
#include "common/sharedblock.h"
#include "common/splashwindow.h"
#include "platform/sharedmemory.h"
#include "tests/chat/freshregistry.h"
#include "tests/support/testenv.h"

#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

QList<QWidget *> visibleWindows()
{
    QList<QWidget *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            out << w;
    return out;
}

CSplashThread *openSplash()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *splash = qobject_cast<CSplashThread *>(w); splash && splash->isVisible())
            return splash;
    return nullptr;
}

} // namespace

class TestTavernwStartup : public QObject {
    Q_OBJECT
private slots:
    void programFolderFromTheCommandLine_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("folder");
        QTest::newRow("full path") << "/opt/lanway98/tavern97" << "/opt/lanway98/";
        QTest::newRow("quoted full path") << "\"/opt/lan way98/tavern97\"" << "/opt/lan way98/";
        QTest::newRow("relative path") << "./tavern97" << "./";
        QTest::newRow("root folder") << "/tavern97" << "/";
        QTest::newRow("bare name") << "tavern97" << "";
        QTest::newRow("quoted bare name") << "\"tavern97\"" << "";
    }

    void programFolderFromTheCommandLine()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, folder);
        QCOMPARE(tavern::ProgramDirFromCommandLine(commandLine), folder);
    }

    void refusesWithoutAUsableBlock_data()
    {
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<QString>("text");
        QTest::newRow("no control center") << 0 << "Lanway98 Control Center must be active to use chat.";
        QTest::newRow("block too small to map") << 16 << "Unable to Map memory";
    }

    void refusesWithoutAUsableBlock()
    {
        QFETCH(int, blockSize);
        QFETCH(QString, text);
        FreshRegistry f;
        ferry::SharedMemory creator;
        if (blockSize > 0)
            QCOMPARE(creator.create(f.env.shmName(), std::size_t(blockSize)), ferry::SharedMemory::Result::Ok);

        CTavernwProgram program(ferry::test::TestEnv::program(QStringLiteral("tavern97")));
        QCOMPARE(program.Start(), CTavernwProgram::StartResult::Failed);

        const auto prompts = f.env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts.at(0).kind, QStringLiteral("warning"));
        QCOMPARE(prompts.at(0).caption, QStringLiteral("Error"));
        QCOMPARE(prompts.at(0).text, text);
        QVERIFY(visibleWindows().isEmpty());
        // The settings were read (and their defaults written) before the block was looked for.
        CRegistry reg;
        QVERIFY(reg.Open(QString::fromLatin1(tavern::settingsstore::kChatKey)));
        QString channel;
        QVERIFY(reg.GetStringValue(QStringLiteral("Channel"), channel));
        QCOMPARE(channel, QStringLiteral("#lanway"));
    }

    void startsWithTheBlockAndEndsTheSplashOnTheNinthTick()
    {
        FreshRegistry f;
        ferry::SharedMemory creator;
        QCOMPARE(creator.create(f.env.shmName(), ferry::sharedblock::Size), ferry::SharedMemory::Result::Ok);
        ferry::SharedBlock block(creator.data());
        block.initialize(0x7F000001, "#Tester", "tester@lanway.test");
        {
            // Nothing listens on the discard port: the connection is refused, quietly.
            CRegistry reg;
            QVERIFY(reg.Create(QString::fromLatin1(tavern::settingsstore::kChatKey)));
            QVERIFY(reg.SetDoubleWordValue(QStringLiteral("ChatServerPort"), 9));
            QVERIFY(reg.SetDoubleWordValue(QStringLiteral("ShowChanList"), 0));
        }

        // The program folder holds the splash picture the build draws.
        CTavernwProgram program(ferry::test::TestEnv::program(QStringLiteral("tavern97")));
        QCOMPARE(program.Start(), CTavernwProgram::StartResult::Running);
        CTavernwApp *app = program.App();
        QCOMPARE(app->m_strProgramDir, ferry::test::TestEnv::program(QString()));
        QCOMPARE(block.chatWindow(), qint32(QCoreApplication::applicationPid()));
        QVERIFY(app->ServerDoc());
        QCOMPARE(app->FindWindow(QStringLiteral("server")), app->ServerDoc());
        QVERIFY(program.MainFrame()->isVisible());

        // Typed commands reach the interpreter (not a raw fallback), and offer words reach the offers.
        QSignalSpy sent(app, &CTavernwApp::lineSent);
        program.MainFrame()->RunCommand(QStringLiteral("/ignore bob"));
        QVERIFY(app->IgnoreList().contains(QStringLiteral("bob")));
        QVERIFY(app->m_CommandHooks.offerCommand);
        QVERIFY(app->m_CommandHooks.offerCommand(QStringLiteral("showoffers"), QString(), QString()));
        QVERIFY(!app->m_CommandHooks.offerCommand(QStringLiteral("get"), QString(), QString()));
        QCOMPARE(sent.count(), 0);
        QVERIFY(program.MainFrame()->windowTitle().startsWith(QLatin1String("The Hearthside 97")));
        // Identity from the block, the '#' of the nickname turned into '$'.
        QCOMPARE(app->Identity().email, QStringLiteral("tester@lanway.test"));
        QCOMPARE(app->OwnNick(), QStringLiteral("$Tester"));

        QVERIFY(openSplash());
        for (int tick = 1; tick <= 8; ++tick)
            app->OnTimerTick();
        QVERIFY(openSplash());
        app->OnTimerTick();
        QVERIFY(!openSplash());

        // The Font command restyles the chat windows that are open.
        QFont chosen(QStringLiteral("DejaVu Sans"));
        chosen.setPointSize(13);
        f.env.setAnswers({QStringLiteral("text:") + chosen.toString()});
        QAction *fontCommand = program.MainFrame()->action(QStringLiteral("&Font"));
        QVERIFY(fontCommand);
        fontCommand->trigger();
        tavern::CChatFrame *serverFrame = program.MainFrame()->frameFor(QStringLiteral("Server"));
        QVERIFY(serverFrame);
        QCOMPARE(serverFrame->view()->font().pointSize(), 13);
        QCOMPARE(app->m_Settings.FontName, QStringLiteral("DejaVu Sans"));

        QSignalSpy finished(&program, &CTavernwProgram::finished);
        QVERIFY(program.MainFrame()->close());
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(app->IsQuitting());
        {
            CRegistry reg;
            QVERIFY(reg.Open(QString::fromLatin1(tavern::settingsstore::kChatKey)));
            QVERIFY(reg.DeleteValue(QStringLiteral("ShowChanList")));
        }
        program.Shutdown();
        CRegistry reg;
        QVERIFY(reg.Open(QString::fromLatin1(tavern::settingsstore::kChatKey)));
        quint32 shown = 1;
        QVERIFY(reg.GetDoubleWordValue(QStringLiteral("ShowChanList"), shown));
        QCOMPARE(shown, 0u);
    }
};

QTEST_MAIN(TestTavernwStartup)
#include "test_tavernwstartup.moc"
