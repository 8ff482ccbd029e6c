// The built chat client talks and exchanges files over direct connections with a
// second client through a real chat server. The built client is driven through the
// typed-lines seam and its windows are read from their logs (in the data folder,
// whatever folder it was started in); the second client
// runs in this process with real windows.

#include "common/registry.h"
#include "platform/registrystore.h"
#include "tests/chat/builtchatclient.h"
#include "tests/chat/dcc/dccwindowsrig.h"
#include "tests/chat/freshregistry.h"
#include "tests/support/ngircdfixture.h"
#include "tests/support/processprobe.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace ferry;


class TestTavern97Dcc : public QObject {
    Q_OBJECT
private slots:
    void chatAndFilesWithTheBuiltClient()
    {
        FreshRegistry fresh;
        test::TestEnv &env = fresh.env;
        test::NgircdFixture server;
        QString why;
        if (!server.start(&why))
            QSKIP(qPrintable(why));
        QVERIFY(pointChatServerAt(server.host(), server.port()));
        {
            CRegistry reg;
            QVERIFY(reg.Open(QString::fromLatin1(tavern::settingsstore::kChatKey)));
            QVERIFY(reg.SetDoubleWordValue(QStringLiteral("AutoLog"), 1));
        }
        QVERIFY(markLaunchpadConfigured());
        reg::resetDefaultStore();

        QTemporaryDir dir;
        const QByteArray outgoing = filePattern(70000, 13);
        const QByteArray incoming = filePattern(3000, 29);
        const QString outgoingPath = dir.filePath(QStringLiteral("from tavern.bin"));
        const QString incomingPath = dir.filePath(QStringLiteral("from peer.bin"));
        const QString savedByPeer = dir.filePath(QStringLiteral("saved by peer.bin"));
        const QString savedByTavern = dir.filePath(QStringLiteral("saved by tavern.bin"));
        QVERIFY(writeFileBytes(outgoingPath, outgoing));
        QVERIFY(writeFileBytes(incomingPath, incoming));

        auto creator = test::startBlockCreator(env, QStringLiteral("127.0.0.1"), QStringLiteral("Tester"),
                                               QStringLiteral("tester@lanway.test"));
        QVERIFY(creator);
        const QString clientDir = dir.filePath(QStringLiteral("client"));
        QVERIFY(QDir().mkpath(clientDir));
        // The second client in this process holds the game-service port of the test's offset.
        BuiltClient tavern(env, clientDir, {QStringLiteral("yes"), QStringLiteral("file:") + savedByTavern},
                           {{QStringLiteral("FERRY_PORT_OFFSET"), QString::number(env.portOffset() + 7)}});
        QVERIFY(tavern.process->waitForStarted(5000));

        DccSide peer(QStringLiteral("peer"));
        peer.app.m_Settings.ChatServer = server.host();
        peer.app.m_Settings.ChatServerPort = server.port();
        QVERIFY(peer.app.ConnectToServer());
        QTRY_VERIFY_WITH_TIMEOUT(peer.app.IsRegistered(), 10000);
        env.setAnswers({QStringLiteral("yes"), QStringLiteral("yes"), QStringLiteral("file:") + savedByPeer});

        // The built client offers a chat; the peer accepts and both talk.
        QTRY_VERIFY_WITH_TIMEOUT(tavern.log(QStringLiteral("Server")).contains(QStringLiteral("Attemping to Join channel...")), 10000);
        QVERIFY(tavern.type(QStringLiteral("/dcc chat peer")));
        QTRY_VERIFY_WITH_TIMEOUT(peer.chatLines(QStringLiteral("DCC Chat Tester")).contains(QStringLiteral("Connection established...")), 10000);
        QVERIFY(tavern.type(QStringLiteral("DCC Chat peer\thello from the hearth")));
        QVERIFY(tavern.type(QStringLiteral("DCC Chat peer\t/me stokes the fire")));
        QTRY_VERIFY_WITH_TIMEOUT(peer.chatLines(QStringLiteral("DCC Chat Tester")).contains(QStringLiteral("* Tester stokes the fire")), 10000);
        QVERIFY(peer.chatLines(QStringLiteral("DCC Chat Tester")).contains(QStringLiteral("<Tester> hello from the hearth")));

        CDCCCFrm *window = peer.chat(QStringLiteral("DCC Chat Tester"));
        QVERIFY(window);
        window->document()->SendText(QStringLiteral("hi back"));
        window->document()->SendText(QStringLiteral("/me bows"));
        const QStringList tavernSees{"Attempting to establish DCC Connection...", "Connection established...",
                                     "<Tester> hello from the hearth", "* Tester stokes the fire",
                                     "<peer> hi back", "* peer bows"};
        QTRY_COMPARE_WITH_TIMEOUT(tavern.log(QStringLiteral("DCC Chat peer")), tavernSees, 10000);

        // The built client sends a file; the peer saves it.
        QVERIFY(tavern.type(QStringLiteral("/dcc send peer ") + outgoingPath));
        const QString peerDone = QStringLiteral("** Transfer of file %1 completed succesfully").arg(savedByPeer);
        QTRY_VERIFY_WITH_TIMEOUT(peer.serverLines().contains(peerDone), 15000);
        QCOMPARE(readFileBytes(savedByPeer), outgoing);
        const QString tavernSent = QStringLiteral("** Transfer of file %1 completed succesfully").arg(outgoingPath);
        QTRY_VERIFY_WITH_TIMEOUT(tavern.log(QStringLiteral("Server")).contains(tavernSent), 10000);

        // The peer sends a file; the built client asks, saves it and reports it.
        peer.app.ProcessInput(QStringLiteral("/dcc send Tester ") + incomingPath);
        const QString tavernDone = QStringLiteral("** Transfer of file %1 completed succesfully").arg(savedByTavern);
        QTRY_VERIFY2_WITH_TIMEOUT(tavern.log(QStringLiteral("Server")).contains(tavernDone),
                                  readFileBytes(clientDir + QStringLiteral("/answers.txt.log")).constData(), 15000);
        QCOMPARE(readFileBytes(savedByTavern), incoming);
        QTRY_VERIFY(peer.serverLines().contains(
            QStringLiteral("** Transfer of file %1 completed succesfully").arg(incomingPath)));

        // Ending with the DCC chat window still open and connected is a clean end,
        // and the peer's window hears the connection go.
        QCOMPARE(test::stopProcess(*tavern.process), 0);
        QTRY_COMPARE_WITH_TIMEOUT(peer.chatLines(QStringLiteral("DCC Chat Tester")).last(),
                                  QStringLiteral("Chat Connection closed."), 10000);

        creator->closeWriteChannel();
        creator->waitForFinished(5000);
    }
};

QTEST_MAIN(TestTavern97Dcc)
#include "test_tavern97_dcc.moc"
