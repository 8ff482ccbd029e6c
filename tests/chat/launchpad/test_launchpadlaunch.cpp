// Starting games: the built chat client's first start, the hand-over to a game with
// homeward bringing the chat back, a DOS program in a real DOSBox, and a start that
// fails without closing the chat.

#include "chat/app/tavernwprogram.h"
#include "chat/launchpad/launchbar.h"
#include "protocol/bytes.h"
#include "chat/windows/chatframe.h"
#include "chat/windows/messageview.h"
#include "common/sessionpeers.h"
#include "common/sharedblock.h"
#include "protocol/ports.h"
#include "platform/processes.h"
#include "platform/sharedmemory.h"
#include "tests/chat/ircpeer.h"
#include "tests/chat/launchpad/launchpadrig.h"
#include "tests/support/ngircdfixture.h"
#include "tests/support/processprobe.h"

#include <QAction>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUdpSocket>

using namespace ferry;

namespace {

bool endedNormally(QProcess &process)
{
    return process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

int countText(const QList<test::LoggedPrompt> &prompts, const QString &text)
{
    int n = 0;
    for (const auto &p : prompts)
        n += p.text == text;
    return n;
}

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void configureSlot(int slot, const tavern::CLaunchSlot &values, quint32 closeChat, quint32 confirm)
{
    tavern::CLaunchTable table;
    tavern::LoadLaunchpad(table);
    table.Slots[slot] = values;
    table.CloseChat = closeChat;
    table.ConfirmLaunch = confirm;
    QVERIFY(tavern::SaveLaunchpad(table));
}

} // namespace

class TestLaunchpadLaunch : public QObject {
    Q_OBJECT
private slots:
    void builtClientAsksOnlyOnItsFirstStart()
    {
        FreshRegistry fresh;
        auto creator = test::startBlockCreator(fresh.env, "127.0.0.1", "Tester", "");
        QVERIFY(creator);
        SharedMemory memory;
        QCOMPARE(memory.open(fresh.env.shmName(), sharedblock::Size), SharedMemory::Result::Ok);
        SharedBlock block(memory.data());
        fresh.env.setAnswers({"no"});

        for (int run = 1; run <= 2; ++run) {
            auto chat = fresh.env.start(QStringLiteral("tavern97"));
            QVERIFY(chat->waitForStarted(5000));
            QTRY_COMPARE_WITH_TIMEOUT(block.chatWindow(), qint32(chat->processId()), 15000);
            QVERIFY(sessionpeers::askChatClientToClose(block));
            QVERIFY(endedNormally(*chat));
            // The question came once, with an empty caption; games.txt was found beside the program.
            const auto prompts = fresh.env.prompts();
            QCOMPARE(countText(prompts, tavern::CLaunchpad::kConfigureQuestion), 1);
            QCOMPARE(countText(prompts, tavern::CLaunchpadDlg::kNoGamesFileText), 0);
            QCOMPARE(prompts.first().kind, QStringLiteral("question"));
            QCOMPARE(prompts.first().caption, QString());
        }
        QCOMPARE(stored(QString::fromLatin1(tavern::kLaunchPadKey), QStringLiteral("CloseChat")), dw(1));
        QCOMPARE(stored(QString::fromLatin1(tavern::kLaunchPadKey), QStringLiteral("ConfirmLaunch")), dw(1));
        for (int slot = 0; slot < tavern::kSlotCount; ++slot)
            for (const char *name : {"ProgramName", "FileName", "FilePath", "FileParms", "FileIcon"})
                QCOMPARE(stored(slotKey(slot), QLatin1String(name)), QVariant(QString()));
        creator->closeWriteChannel();
        creator->waitForFinished(5000);
    }

    // The whole hand-over: confirm, homeward, the game with its parameters in its folder,
    // the chat leaving the server, and the chat back once the game ends.
    void gameTakesOverAndTheChatComesBack()
    {
        FreshRegistry fresh;
        test::NgircdFixture server;
        QString why;
        if (!server.start(&why))
            QSKIP(qPrintable(why));
        QVERIFY(pointChatServerAt(server.host(), server.port()));
        IrcPeer watcher;
        QVERIFY(watcher.connectTo(server, QStringLiteral("watcher")));
        watcher.send(QStringLiteral("JOIN #lanway"));
        QVERIFY(watcher.waitFor(" 366 watcher #lanway"));
        watcher.forget();

        // This test is the control center: it holds the session block.
        SharedMemory creator;
        QCOMPARE(creator.create(fresh.env.shmName(), sharedblock::Size), SharedMemory::Result::Ok);
        SharedBlock block(creator.data());
        block.initialize(0x7F000001, "Pilot", "pilot@lanway.test");

        QTemporaryDir gameDir;
        const QString record = gameDir.path() + "/record.txt";
        const QString release = gameDir.path() + "/release";
        const QString script = gameDir.path() + "/descent2.sh";
        {
            QFile f(script);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("#!/bin/sh\npwd > '%1'\nfor a in \"$@\"; do echo \"$a\" >> '%1'; done\n"
                                   "while [ ! -e '%2' ]; do sleep 0.05; done\n")
                        .arg(record, release)
                        .toUtf8());
            f.close();
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        }
        configureSlot(0, {"Descent II", "descent2.sh", gameDir.path(), "-pilot \"Ace One\" -level 3", ""}, 1, 1);
        fresh.env.setAnswers({"yes"});

        CTavernwProgram program(test::TestEnv::program(QStringLiteral("tavern97")));
        QCOMPARE(program.Start(), CTavernwProgram::StartResult::Running);
        QVERIFY(watcher.waitFor(":Pilot!", 15000));
        watcher.forget();
        QSignalSpy finished(&program, &CTavernwProgram::finished);

        // The player presses the game's button on the launch bar.
        QAction *button = program.Launchpad()->LaunchBar()->slotAction(0);
        QVERIFY(button);
        QCOMPARE(button->toolTip(), QStringLiteral("Descent II"));
        button->trigger();
        const auto asked = fresh.env.prompts().last();
        QCOMPARE(asked.caption, QStringLiteral("Launchpad"));
        QCOMPARE(asked.text, QStringLiteral("Do you want to launch Descent II ?"));

        QTRY_COMPARE(finished.count(), 1);
        program.Shutdown();
        QVERIFY(watcher.waitFor(" QUIT "));
        watcher.forget();
        QTRY_VERIFY(readAll(record).count(u'\n') == 5);
        QCOMPARE(readAll(record).split(u'\n'), (QStringList{gameDir.path(), "-pilot", "Ace One", "-level", "3", ""}));

        // While the game runs, the chat stays away.
        QCOMPARE(sessionpeers::runningChatClient(block), 0);
        QFile(release).open(QIODevice::WriteOnly);
        QTRY_VERIFY_WITH_TIMEOUT(sessionpeers::runningChatClient(block) != 0, 20000);
        const qint64 back = sessionpeers::runningChatClient(block);
        QVERIFY(watcher.waitFor(":Pilot!", 15000));
        QVERIFY(sessionpeers::askChatClientToClose(block));
        QTRY_VERIFY_WITH_TIMEOUT(!processes::isRunningProgram(back, QStringLiteral("tavern97")), 15000);
    }

    // A DOS program runs in DOSBox with its parameters and joins the control center's IPX endpoint.
    void dosProgramRunsInDosBox()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty())
            QSKIP("dosbox is not installed");
        LaunchpadRig rig;
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8()); // DOSBox writes its own configuration there
        qputenv("SDL_VIDEODRIVER", "dummy");
        qputenv("SDL_AUDIODRIVER", "dummy");
        rig.writeFile("dos game/GAME.BAT", "@echo off\r\necho %1 %2> C:\\OUT.TXT\r\n");
        configureSlot(0, {"Old Game", "GAME.BAT", rig.path("dos game"), "-nodes 2", ""}, 0, 0);

        // The IPX endpoint answers DOSBox's registration, as the control center does.
        QUdpSocket endpoint;
        QVERIFY(endpoint.bind(QHostAddress::LocalHost, ferry::port(ferry::kIpxEndpointPort)));
        QByteArray registration;
        connect(&endpoint, &QUdpSocket::readyRead, this, [&] {
            while (endpoint.hasPendingDatagrams()) {
                QHostAddress from;
                quint16 fromPort = 0;
                QByteArray datagram(int(endpoint.pendingDatagramSize()), '\0');
                endpoint.readDatagram(datagram.data(), datagram.size(), &from, &fromPort);
                registration = datagram;
                QByteArray reply;
                bytes::Writer w(reply);
                w.be16(0xFFFF);
                w.be16(30);
                w.u8(0);
                w.u8(0);
                w.be32(0);
                w.be32(from.toIPv4Address());
                w.be16(fromPort);
                w.be16(2);
                w.be32(1);
                w.be32(0x7F000001);
                w.be16(2213);
                w.be16(2);
                endpoint.writeDatagram(reply, from, fromPort);
            }
        });

        rig.start();
        rig.launchpad->LaunchSlot(0);
        QTRY_COMPARE_WITH_TIMEOUT(readAll(rig.path("dos game/OUT.TXT")).trimmed(), QStringLiteral("-nodes 2"), 20000);
        QCOMPARE(registration.size(), 30);
        QCOMPARE(bytes::getBe16(reinterpret_cast<const unsigned char *>(registration.constData()) + 16), 2);
        QVERIFY(rig.frame.isVisible()); // CloseChat is off: the chat stays
    }

    void failedStartKeepsTheChatAndSaysWhy()
    {
        LaunchpadRig rig;
        configureSlot(0, {"Lost Game", "LOST.EXE", "/nowhere", "", ""}, 1, 1);
        rig.start();
        rig.fresh.env.setAnswers({"no", "yes"});
        rig.launchpad->LaunchSlot(0); // not confirmed: nothing happens
        rig.launchpad->LaunchSlot(5); // an empty slot: not even a question
        QCOMPARE(countText(rig.fresh.env.prompts(), "Do you want to launch Lost Game ?"), 1);
        rig.launchpad->LaunchSlot(0);
        QCOMPARE(countText(rig.fresh.env.prompts(), "Do you want to launch Lost Game ?"), 2);
        QCoreApplication::processEvents(); // a close asked for would have come now
        QVERIFY(rig.frame.isVisible());
        QVERIFY(!rig.app.IsQuitting());
        tavern::CChatFrame *server = rig.frame.frameFor(QStringLiteral("Server"));
        QVERIFY(server);
        server->view()->flush();
        QVERIFY(server->view()->toPlainText().contains(
            QStringLiteral("Unable to launch Lost Game: /nowhere/LOST.EXE does not exist.")));
    }
};

QTEST_MAIN(TestLaunchpadLaunch)
#include "test_launchpadlaunch.moc"
