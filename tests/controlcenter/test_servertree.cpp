// The server tree in-process: servers merged from the registry and the tracker,
// players directly or under task groups, the menus and their greying, the
// commands, the dialogs, the keys, the tool tips and the write-back at exit.

#include "controlcenter/chatserverhandover.h"
#include "protocol/directory.h"
#include "controlcenter/serverlist.h"
#include "controlcenter/trackersocket.h"
#include "tests/controlcenter/servertreefixture.h"
#include "tests/support/bytelists.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QToolTip>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

using namespace ferry;
using ferry::test::nulStrings;
using ferry::test::TreeFixture;

namespace {

const QHostAddress kServerA(QStringLiteral("10.0.0.1"));

QAction *actionFor(QMenu *menu, ServerTree::Command command)
{
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator() && action->data().toInt() == command)
            return action;
    }
    return nullptr;
}

// The player list datagram of (nickname, address, task, status, operator) groups.
QByteArray playerList(const QList<QList<QByteArray>> &players)
{
    QList<QByteArray> strings;
    for (const auto &p : players)
        strings += p;
    return nulStrings(191, strings);
}

// Adds a server in the active list and returns its row.
QTreeWidgetItem *activeServer(ServerTree &tree, const QString &address, const QString &name, int users = 2)
{
    CKServer server(address, name);
    server.users = users;
    return tree.addServer(server);
}

} // namespace

class TestServerTree : public QObject {
    Q_OBJECT
private slots:
    void registryServersGoToTheirLists()
    {
        TreeFixture f;
        const char *servers = settingskeys::Servers;
        f.setValue(servers, QStringLiteral("Home %2"), QStringLiteral("10.0.0.1,preferred"));
        f.setValue(servers, QStringLiteral("Old"), QStringLiteral("10.0.0.2"));
        f.setValue(servers, QStringLiteral("Garbage"), QStringLiteral("ten.zero.zero.three"));
        f.setValue(servers, QStringLiteral("Loopy"), QStringLiteral("LOCAL"));
        f.setValue(servers, QStringLiteral("Default"), QLatin1String(kDefaultServerAddress));
        ServerTree &tree = f.start();

        QCOMPARE(f.labels(tree.activeRoot()),
                 (QStringList{QStringLiteral("Home %2, Users=0"), QStringLiteral("Default, Users=0")}));
        QCOMPARE(f.labels(tree.availableRoot()), (QStringList{QStringLiteral("Old"), QStringLiteral("Loopy")}));
        QVERIFY(tree.activeRoot()->isExpanded());
        QVERIFY(ServerTree::serverOf(tree.activeRoot()->child(0))->preferred);
        QCOMPARE(ServerTree::serverOf(tree.availableRoot()->child(1))->address, QStringLiteral("LOCAL"));
    }

    void missingServerListIsEmptyAndWrittenAtExit()
    {
        TreeFixture f;
        CRegistry root;
        QVERIFY(root.DeleteKey(QLatin1String(settingskeys::Servers)));
        ServerTree &tree = f.start();
        QVERIFY(f.env.prompts().isEmpty());
        QCOMPARE(tree.activeRoot()->childCount() + tree.availableRoot()->childCount(), 0);
        tree.addServer(CKServer(QStringLiteral("10.0.0.2"), QStringLiteral("Spare")));
        tree.release();
        QCOMPARE(f.value(settingskeys::Servers, QStringLiteral("Spare")), QStringLiteral("10.0.0.2"));
    }

    void registryEntryParsing()
    {
        QCOMPARE(serverlist::parseEntry(QStringLiteral("x"), QStringLiteral(" 10.0.0.9 ,preferred"))->address,
                 QStringLiteral("10.0.0.9"));
        // Only a comma ends the address.
        QVERIFY(!serverlist::parseEntry(QStringLiteral("x"), QStringLiteral("10.0.0.9;preferred")));
        QVERIFY(serverlist::parseEntry(QStringLiteral("x"), QStringLiteral("10.0.0.9,not preferred"))->preferred);
        QVERIFY(!serverlist::parseEntry(QStringLiteral("x"), QStringLiteral("10.0.0.9"))->preferred);
        QVERIFY(!serverlist::parseEntry(QStringLiteral("x"), QStringLiteral("10.0.0.256")));
        QVERIFY(!serverlist::parseEntry(QStringLiteral("x"), QStringLiteral("localhost")));
        // A preferred local entry as it is written back is read again.
        const auto local = serverlist::parseEntry(QStringLiteral("x"), QStringLiteral("Local,preferred"));
        QVERIFY(local && local->preferred);
        QCOMPARE(local->address, QStringLiteral("Local"));
    }

    void directoryMergesWithTheRegistry()
    {
        TreeFixture f;
        f.setValue(settingskeys::Servers, QStringLiteral("Mine"), QStringLiteral("10.0.0.1,preferred"));
        f.setValue(settingskeys::Servers, QStringLiteral("Quiet"), QStringLiteral("10.0.0.2"));
        ServerTree &tree = f.start();

        // 10.0.0.2 now reports players and moves to the active list; the preferred
        // 10.0.0.1 is announced twice and keeps its flag, its place and the later count.
        tree.tracker()->handleDatagram(
            nulStrings(209, {"IP=10.0.0.2", "NAME=Quiet Now", "USERS=3", "COLOR=blue", "OWNER=ann",
                             "IP=10.0.0.1", "NAME=Mine", "USERS=1", "IP=10.0.0.5", "NAME=Empty"}),
            QHostAddress::LocalHost);
        tree.tracker()->handleDatagram(nulStrings(209, {"IP=10.0.0.1", "NAME=Mine", "USERS=4"}),
                                       QHostAddress::LocalHost);

        QCOMPARE(f.labels(tree.activeRoot()),
                 (QStringList{QStringLiteral("Mine, Users=4"), QStringLiteral("Quiet Now, Users=3")}));
        QCOMPARE(f.labels(tree.availableRoot()), QStringList{QStringLiteral("Empty")});
        const CKServer *quiet = ServerTree::serverOf(tree.activeRoot()->child(1));
        QCOMPARE(quiet->owner, QStringLiteral("ann"));  // read on past the unknown key
        QVERIFY(ServerTree::serverOf(tree.activeRoot()->child(0))->preferred);

        // Datagrams that are no directory change nothing.
        tree.tracker()->handleDatagram(QByteArray(), QHostAddress::LocalHost);
        tree.tracker()->handleDatagram(QByteArray(1, char(209)), QHostAddress::LocalHost);
        tree.tracker()->handleDatagram("X", QHostAddress::LocalHost);
        QCOMPARE(tree.activeRoot()->childCount(), 2);
        QCOMPARE(tree.availableRoot()->childCount(), 1);
    }

    void playerListRequestedOnlyFromServersWithUsers()
    {
        TreeFixture f;
        const quint16 serverPort = quint16(2210 + f.env.portOffset());
        QUdpSocket busy, idle;
        if (!busy.bind(QHostAddress(QStringLiteral("127.0.0.3")), serverPort)
            || !idle.bind(QHostAddress(QStringLiteral("127.0.0.4")), serverPort))
            QSKIP("needs the loopback addresses 127.0.0.3 and 127.0.0.4");
        ServerTree &tree = f.start();
        QVERIFY(tree.tracker()->isBound());
        tree.tracker()->handleDatagram(nulStrings(209, {"IP=127.0.0.3", "USERS=3", "IP=127.0.0.4"}),
                                       QHostAddress::LocalHost);
        QVERIFY(busy.waitForReadyRead(3000));
        QCOMPARE(busy.receiveDatagram().data(), QByteArray("?"));
        QVERIFY(!idle.waitForReadyRead(200));
    }

    void playerListTakenOnlyFromTheServerAskedOncePerRequest()
    {
        TreeFixture f;
        const quint16 serverPort = quint16(2210 + f.env.portOffset());
        QUdpSocket asked, other;
        if (!asked.bind(QHostAddress(QStringLiteral("127.0.0.3")), serverPort)
            || !other.bind(QHostAddress(QStringLiteral("127.0.0.4")), serverPort))
            QSKIP("needs the loopback addresses 127.0.0.3 and 127.0.0.4");
        ServerTree &tree = f.start();
        const quint16 trackerPort = tree.tracker()->localPort();
        QTreeWidgetItem *askedRow = activeServer(tree, QStringLiteral("127.0.0.3"), QStringLiteral("Asked"));
        QTreeWidgetItem *otherRow = activeServer(tree, QStringLiteral("127.0.0.4"), QStringLiteral("Other"));
        QVERIFY(tree.tracker()->requestPlayerList(QStringLiteral("127.0.0.3")));
        QVERIFY(asked.waitForReadyRead(3000));
        asked.receiveDatagram();

        // Another listed server, unasked, and the asked one from another port: dropped.
        other.writeDatagram(playerList({{"eve", "6.6.6.6", "x", "", ""}}), QHostAddress::LocalHost, trackerPort);
        QUdpSocket askedElsewhere;
        askedElsewhere.bind(QHostAddress(QStringLiteral("127.0.0.3")), 0);
        askedElsewhere.writeDatagram(playerList({{"mal", "6.6.6.7", "x", "", ""}}), QHostAddress::LocalHost, trackerPort);
        asked.writeDatagram(playerList({{"ann", "1.1.1.1", "chat", "", ""}}), QHostAddress::LocalHost, trackerPort);
        asked.writeDatagram(playerList({{"bob", "1.1.1.2", "chat", "", ""}}), QHostAddress::LocalHost, trackerPort);
        QTRY_COMPARE(f.labels(askedRow->child(0)), QStringList{QStringLiteral("ann")});
        QTest::qWait(200);
        // The second answer to one request went the way of the strangers'.
        QCOMPARE(f.labels(askedRow->child(0)), QStringList{QStringLiteral("ann")});
        QCOMPARE(otherRow->childCount(), 0);
    }

    void networkFillsAtMostAThousandServersAndPlayers()
    {
        TreeFixture f;
        ServerTree &tree = f.start();
        QList<datagrams::ServerEntry> flood;
        for (int i = 0; i < 1200; ++i)
            flood.append({QStringLiteral("10.1.%1.%2").arg(i / 250).arg(i % 250 + 1).toLatin1(), "S", 0, {}, {}, {}, {}});
        tree.handleDirectory(flood);
        QCOMPARE(tree.servers().size(), ServerTree::kMaxServers);
        // A server already shown is still updated when the tree is full.
        flood = {{"10.1.0.1", "Busy now", 7, {}, {}, {}, {}}};
        tree.handleDirectory(flood);
        QCOMPARE(tree.servers().size(), ServerTree::kMaxServers);
        QCOMPARE(tree.activeRoot()->child(tree.activeRoot()->childCount() - 1)->text(0), QStringLiteral("Busy now, Users=7"));

        QTreeWidgetItem *row = tree.activeRoot()->child(tree.activeRoot()->childCount() - 1);
        QList<datagrams::PlayerEntry> players;
        for (int i = 0; i < 1200; ++i)
            players.append({"p" + QByteArray::number(i), "1.1.1.1", "chat", {}, {}});
        tree.handlePlayerList(QHostAddress(QStringLiteral("10.1.0.1")), players);
        QCOMPARE(row->child(0)->childCount(), ServerTree::kMaxPlayers);
    }

    void playersUnderTaskGroups()
    {
        TreeFixture f;
        f.setValue(serverlist::kTasksKey, QStringLiteral("Descent"), QStringLiteral("Descent Netgame"));
        f.setValue(serverlist::kTasksKey, QStringLiteral("quake"), QString());
        ServerTree &tree = f.start();
        QTreeWidgetItem *row = activeServer(tree, kServerA.toString(), QStringLiteral("A"));

        tree.tracker()->handleDatagram(playerList({{"ann", "1.1.1.1", " DESCENT ", "on", "no"},
                                                   {"bob", "1.1.1.2", "descent", "on", "YES"},
                                                   {"cy", "1.1.1.3", "Quake", "on", ""},
                                                   {"dee", "1.1.1.4", "100%s", "on", ""}}),
                                       kServerA);
        // Groups are created at the top, players at the top of their group; a task
        // whose translation is empty keeps its own name.
        QCOMPARE(f.labels(row), (QStringList{QStringLiteral("100%s"), QStringLiteral("quake"),
                                             QStringLiteral("Descent Netgame")}));
        QTreeWidgetItem *descent = f.childLabelled(row, QStringLiteral("Descent Netgame"));
        QCOMPARE(f.labels(descent), (QStringList{QStringLiteral("bob"), QStringLiteral("ann")}));
        const auto *ann = dynamic_cast<const CKClient *>(ServerTree::recordOf(descent->child(1)));
        QCOMPARE(ann->task, QStringLiteral("descent"));
        QCOMPARE(ann->address, QStringLiteral("1.1.1.1"));
    }

    void operatorsAndGroupsHaveTheirImages()
    {
        TreeFixture f;
        const QList<QIcon> images = treeimages::imageList();
        f.tree = std::make_unique<ServerTree>(&f.widget, images, f.settings, [] { return false; });
        f.tree->initialize();
        QTreeWidgetItem *row = activeServer(*f.tree, kServerA.toString(), QStringLiteral("A"));
        f.tree->tracker()->handleDatagram(playerList({{"ann", "a", "t", "", "no"}, {"bob", "b", "t", "", "yes"}}),
                                          kServerA);
        QTreeWidgetItem *group = row->child(0);
        QCOMPARE(group->icon(0).cacheKey(), images[treeimages::TaskGroup].cacheKey());
        QCOMPARE(group->child(0)->icon(0).cacheKey(), images[treeimages::Operator].cacheKey());
        QCOMPARE(group->child(1)->icon(0).cacheKey(), images[treeimages::Player].cacheKey());
        QCOMPARE(row->icon(0).cacheKey(), images[treeimages::Server].cacheKey());
        QCOMPARE(f.tree->activeRoot()->icon(0).cacheKey(), images[treeimages::ListRoot].cacheKey());
    }

    void playersDirectlyAndTranslationSwitch()
    {
        TreeFixture f;
        f.setValue(serverlist::kTasksKey, QStringLiteral("descent"), QStringLiteral("Descent"));
        f.setValue(serverlist::kTasksKey, QStringLiteral("quake"), QStringLiteral("Quake"));
        ServerTree &tree = f.start();
        QTreeWidgetItem *row = activeServer(tree, kServerA.toString(), QStringLiteral("A"));
        tree.tracker()->handleDatagram(playerList({{"ann", "1.1.1.1", "descent", "", ""}}), kServerA);
        QCOMPARE(f.labels(row), QStringList{QStringLiteral("Descent")});

        // Translation off: a new group under the task itself; the old group stays.
        f.widget.setCurrentItem(row);
        tree.runCommand(ServerTree::TranslateTaskName);
        QVERIFY(!f.settings.translateTaskNames);
        QCOMPARE(f.value(settingskeys::Ferry97, QLatin1String(settingskeys::TranslateTaskNames)),
                 QStringLiteral("False"));
        tree.tracker()->handleDatagram(playerList({{"bob", "1.1.1.2", "descent", "", ""}}), kServerA);
        QCOMPARE(f.labels(row), (QStringList{QStringLiteral("descent"), QStringLiteral("Descent")}));

        // Players directly: "nick Task=task" at the top; rows already shown stay.
        tree.runCommand(ServerTree::SortByTask);
        QCOMPARE(tree.sortMode(), ServerTree::PlayersDirectly);
        QCOMPARE(f.value(settingskeys::Ferry97, QLatin1String(settingskeys::SortByTask)), QStringLiteral("False"));
        tree.tracker()->handleDatagram(playerList({{"cy", "1.1.1.3", "Quake ", "", ""}}), kServerA);
        QCOMPARE(f.labels(row), (QStringList{QStringLiteral("cy Task=quake"), QStringLiteral("descent"),
                                             QStringLiteral("Descent")}));
        tree.runCommand(ServerTree::SortByTask);
        QCOMPARE(f.value(settingskeys::Ferry97, QLatin1String(settingskeys::SortByTask)), QStringLiteral("True"));
    }

    void playerListsAreMatchedToActiveServers()
    {
        TreeFixture f;
        ServerTree &tree = f.start();
        QTreeWidgetItem *active = activeServer(tree, kServerA.toString(), QStringLiteral("A"));
        QTreeWidgetItem *idle = activeServer(tree, QStringLiteral("10.0.0.2"), QStringLiteral("B"), 0);
        QCOMPARE(idle->parent(), tree.availableRoot());

        const QByteArray list = playerList({{"ann", "1.1.1.1", "chat", "", ""}});
        tree.tracker()->handleDatagram(list, QHostAddress(QStringLiteral("10.0.0.2")));
        tree.tracker()->handleDatagram(list, QHostAddress(QStringLiteral("10.0.0.3")));
        QCOMPARE(idle->childCount(), 0);
        QCOMPARE(tree.availableRoot()->childCount(), 1);

        // The same list twice shows each player once.
        tree.tracker()->handleDatagram(list, kServerA);
        tree.tracker()->handleDatagram(list, kServerA);
        QCOMPARE(f.labels(active->child(0)), QStringList{QStringLiteral("ann")});

        // A last string without NUL ends at the datagram's end; a group cut short is dropped.
        QByteArray cut = nulStrings(191, {"bob", "1.1.1.2", "chat", "on", "Yes", "cy", "1.1.1.3"}, false);
        tree.tracker()->handleDatagram(cut, kServerA);
        QCOMPARE(f.labels(active->child(0)), (QStringList{QStringLiteral("bob"), QStringLiteral("ann")}));
        cut = nulStrings(191, {"dee", "1.1.1.4", "chat", "on", "Yes"}, false);
        tree.tracker()->handleDatagram(cut, kServerA);
        const auto *dee = dynamic_cast<const CKClient *>(ServerTree::recordOf(active->child(0)->child(0)));
        QCOMPARE(dee->operatorText, QStringLiteral("Yes"));
    }

    void menusAndTheirGreying()
    {
        TreeFixture f;
        ServerTree &tree = f.start();
        CKServer plain(QStringLiteral("10.0.0.1"), QStringLiteral("Plain"));
        plain.users = 1;
        CKServer web(QStringLiteral("10.0.0.2"), QStringLiteral("Web"));
        web.preferred = true;
        web.http = QStringLiteral("http://example.org/");
        QTreeWidgetItem *plainRow = tree.addServer(plain);
        QTreeWidgetItem *webRow = tree.addServer(web);
        tree.tracker()->handleDatagram(playerList({{"ann", "1.1.1.1", "chat", "", ""}}), kServerA);

        auto root = tree.popupMenu(tree.activeRoot());
        for (auto c : {ServerTree::ConnectToServer, ServerTree::AlwaysInActiveList, ServerTree::RefreshSelected,
                       ServerTree::Ping, ServerTree::OpenUrl})
            QVERIFY2(!actionFor(root.get(), c)->isEnabled(), qPrintable(actionFor(root.get(), c)->text()));
        for (auto c : {ServerTree::RefreshAll, ServerTree::InsertServer, ServerTree::Find, ServerTree::LocalServer})
            QVERIFY(actionFor(root.get(), c)->isEnabled());
        QVERIFY(actionFor(root.get(), ServerTree::SortByTask)->isChecked());

        auto server = tree.popupMenu(plainRow);
        QCOMPARE(actionFor(server.get(), ServerTree::ConnectToServer)->text(), QStringLiteral("Connect to server"));
        QCOMPARE(actionFor(server.get(), ServerTree::LocalServer)->text(), QStringLiteral("Start Local Server"));
        QVERIFY(!actionFor(server.get(), ServerTree::AlwaysInActiveList)->isChecked());
        QVERIFY(!actionFor(server.get(), ServerTree::OpenUrl)->isEnabled());
        QVERIFY(actionFor(server.get(), ServerTree::InsertServer)->isEnabled());
        QVERIFY(actionFor(server.get(), ServerTree::TranslateTaskName)->isChecked());
        QVERIFY(actionFor(tree.popupMenu(webRow).get(), ServerTree::AlwaysInActiveList)->isChecked());
        QVERIFY(actionFor(tree.popupMenu(webRow).get(), ServerTree::OpenUrl)->isEnabled());

        f.sessionWithServer = true;
        server = tree.popupMenu(plainRow);
        QCOMPARE(actionFor(server.get(), ServerTree::ConnectToServer)->text(),
                 QStringLiteral("Disconnect from server"));
        QVERIFY(!actionFor(server.get(), ServerTree::InsertServer)->isEnabled());

        tree.setLocalServerFlag(true);
        server = tree.popupMenu(plainRow);
        QCOMPARE(actionFor(server.get(), ServerTree::LocalServer)->text(), QStringLiteral("Stop Local Server"));
        QCOMPARE(actionFor(server.get(), ServerTree::ConnectToServer)->text(), QStringLiteral("Connect to server"));
        QVERIFY(!actionFor(server.get(), ServerTree::ConnectToServer)->isEnabled());
        QVERIFY(!actionFor(server.get(), ServerTree::RefreshSelected)->isEnabled());
        QVERIFY(actionFor(server.get(), ServerTree::InsertServer)->isEnabled());
        QCOMPARE(actionFor(tree.popupMenu(tree.availableRoot()).get(), ServerTree::LocalServer)->text(),
                 QStringLiteral("Stop Local Server"));

        QTreeWidgetItem *group = plainRow->child(0);
        QVERIFY(!tree.popupMenu(group));
        tree.runCommand(ServerTree::SortByTask);
        auto player = tree.popupMenu(group->child(0));
        QVERIFY(actionFor(player.get(), ServerTree::Ping));
        QVERIFY(!actionFor(player.get(), ServerTree::ConnectToServer));
        QVERIFY(!actionFor(player.get(), ServerTree::SortByTask)->isChecked());
    }

    void connectAndLocalServerCommands()
    {
        TreeFixture f;
        ServerTree &tree = f.start();
        QList<bool> flagWhenConnecting;
        connect(&tree, &ServerTree::connectRequested, this,
                [&] { flagWhenConnecting << tree.localServerFlag(); });
        tree.runCommand(ServerTree::ConnectToServer);
        tree.runCommand(ServerTree::LocalServer);   // start: flag set first
        QVERIFY(tree.localServerFlag());
        tree.runCommand(ServerTree::LocalServer);   // stop: flag cleared after
        QVERIFY(!tree.localServerFlag());
        QCOMPARE(flagWhenConnecting, (QList<bool>{false, true, true}));
    }

    void pingOpensOnServersAndPlayersOnly()
    {
        TreeFixture f;
        ServerTree &tree = f.start();
        QTreeWidgetItem *row = activeServer(tree, kServerA.toString(), QStringLiteral("A"));
        tree.tracker()->handleDatagram(playerList({{"ann", "192.0.2.9", "chat", "", ""}}), kServerA);
        f.env.setAnswers({QStringLiteral("cancel"), QStringLiteral("cancel")});
        for (QTreeWidgetItem *target : {row, row->child(0), row->child(0)->child(0), tree.activeRoot()}) {
            f.widget.setCurrentItem(target);
            tree.runCommand(ServerTree::Ping);
        }
        const auto logged = f.env.prompts();
        QCOMPARE(logged.size(), 2);
        QCOMPARE(logged[0].caption, QStringLiteral("Pinging 10.0.0.1"));
        QCOMPARE(logged[1].caption, QStringLiteral("Pinging 192.0.2.9"));
    }

    void selectedServerIsTheChoice()
    {
        TreeFixture f;
        ServerTree &tree = f.start();
        CKServer s(QStringLiteral("10.0.0.1"), QStringLiteral("Home"));
        s.users = 2;
        s.chatServer = QStringLiteral("chat.example:6668");
        QTreeWidgetItem *row = tree.addServer(s);
        QSignalSpy changed(&tree, &ServerTree::selectionChanged);
        f.widget.setCurrentItem(row);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(tree.selectedServer()->address, QStringLiteral("10.0.0.1"));
        QCOMPARE(tree.selectedServer()->chatServer, QStringLiteral("chat.example:6668"));
        f.widget.setCurrentItem(tree.activeRoot());
        QVERIFY(!tree.selectedServer());
    }

    void alwaysInActiveListMovesAndKeepsAttributes()
    {
        TreeFixture f;
        ServerTree &tree = f.start();
        CKServer s(QStringLiteral("10.0.0.7"), QStringLiteral("Far"));
        s.chatServer = QStringLiteral("chat.far:6667");
        s.http = QStringLiteral("http://far.example/");
        activeServer(tree, QStringLiteral("10.0.0.1"), QStringLiteral("Busy"));
        f.widget.setCurrentItem(tree.addServer(s));
        QCOMPARE(f.widget.currentItem()->parent(), tree.availableRoot());

        tree.runCommand(ServerTree::AlwaysInActiveList);
        QCOMPARE(f.labels(tree.activeRoot()),
                 (QStringList{QStringLiteral("Far, Users=0"), QStringLiteral("Busy, Users=2")}));
        const auto chosen = tree.selectedServer();
        QVERIFY(chosen && chosen->preferred);
        QCOMPARE(chosen->chatServer, QStringLiteral("chat.far:6667"));
        QCOMPARE(chosen->http, QStringLiteral("http://far.example/"));

        tree.runCommand(ServerTree::AlwaysInActiveList);
        QCOMPARE(f.labels(tree.availableRoot()), QStringList{QStringLiteral("Far")});
        QVERIFY(!tree.selectedServer()->preferred);
    }

    void refreshSelectedAsksTheServerAgain()
    {
        TreeFixture f;
        QUdpSocket server;
        if (!server.bind(QHostAddress(QStringLiteral("127.0.0.3")), quint16(2210 + f.env.portOffset())))
            QSKIP("needs the loopback address 127.0.0.3");
        ServerTree &tree = f.start();
        QTreeWidgetItem *row = activeServer(tree, QStringLiteral("127.0.0.3"), QStringLiteral("Loop"));
        tree.tracker()->handleDatagram(playerList({{"ann", "1.1.1.1", "chat", "", ""}}),
                                       QHostAddress(QStringLiteral("127.0.0.3")));
        QCOMPARE(row->childCount(), 1);
        f.widget.setCurrentItem(row);
        tree.runCommand(ServerTree::RefreshSelected);
        QCOMPARE(row->childCount(), 0);
        QVERIFY(server.waitForReadyRead(3000));
        const QNetworkDatagram request = server.receiveDatagram();
        QCOMPARE(request.data(), QByteArray("?"));
        QCOMPARE(request.senderPort(), tree.tracker()->localPort());
    }

    void refreshAllAsksTheTrackerAgain()
    {
        TreeFixture f;
        QUdpSocket tracker;
        if (!tracker.bind(QHostAddress(QStringLiteral("127.0.0.3")), quint16(2224 + f.env.portOffset())))
            QSKIP("needs the loopback address 127.0.0.3");
        f.settings.tracker = QStringLiteral("127.0.0.3");
        ServerTree &tree = f.start();
        QVERIFY(tracker.waitForReadyRead(3000));
        QCOMPARE(tracker.receiveDatagram().data(), QByteArray("Q"));
        tree.runCommand(ServerTree::RefreshAll);
        QVERIFY(tracker.waitForReadyRead(3000));
        QCOMPARE(tracker.receiveDatagram().data(), QByteArray("Q"));
    }

    void insertServerDialog()
    {
        TreeFixture f;
        ServerTree &tree = f.start();
        CKServer known(QStringLiteral("10.0.0.4"), QStringLiteral("Known"));
        known.preferred = true;
        tree.addServer(known);
        activeServer(tree, QStringLiteral("10.0.0.1"), QStringLiteral("Busy"));

        // From the active root: a refused address, a blank description (it would name
        // no row and no saved entry), then a good one replacing a row.
        f.widget.setCurrentItem(tree.activeRoot());
        f.env.setAnswers({QStringLiteral("text:Address=10.0.0;Description=Nope"), QStringLiteral("ok"),
                          QStringLiteral("text:Address=10.0.0.4;Description= "), QStringLiteral("ok"),
                          QStringLiteral("text:Address= 10.0.0.4 ;Description=Typed")});
        tree.openInsertServerDialog();
        const auto logged = f.env.prompts();
        QCOMPARE(logged.size(), 5);
        QCOMPARE(logged[1].text, QStringLiteral("Invalid IP Address, try again."));
        QCOMPARE(logged[3].text, QStringLiteral("Server descriptions cannot be empty. Please try again."));
        QCOMPARE(f.labels(tree.activeRoot()),
                 (QStringList{QStringLiteral("Busy, Users=2"), QStringLiteral("Typed, Users=0")}));
        QVERIFY(tree.selectedServer()->preferred);
        QCOMPARE(tree.selectedServer()->address, QStringLiteral("10.0.0.4"));

        // From the available root: into the available list. Cancel adds nothing.
        prompts::reset();
        f.widget.setCurrentItem(tree.availableRoot());
        f.env.setAnswers({QStringLiteral("cancel")});
        tree.openInsertServerDialog();
        QCOMPARE(tree.availableRoot()->childCount(), 0);
        prompts::reset();
        f.env.setAnswers({QStringLiteral("text:Address=10.0.0.9;Description=Spare")});
        QTest::keyClick(&f.widget, Qt::Key_Insert);
        QCOMPARE(f.labels(tree.availableRoot()), QStringList{QStringLiteral("Spare")});
    }

    void findAndSearchAgain()
    {
        TreeFixture f;
        ServerTree &tree = f.start();
        QTreeWidgetItem *a = activeServer(tree, QStringLiteral("10.0.0.1"), QStringLiteral("Alpha"));
        QTreeWidgetItem *b = activeServer(tree, QStringLiteral("10.0.0.2"), QStringLiteral("Beta"));
        tree.tracker()->handleDatagram(playerList({{"Alphonse", "1.1.1.1", "chat", "", ""}}),
                                       QHostAddress(QStringLiteral("10.0.0.2")));
        QTreeWidgetItem *alphonse = b->child(0)->child(0);

        f.env.setAnswers({QStringLiteral("text:Text=ALPH;StartFromTop=True")});
        tree.openFindDialog();
        QCOMPARE(f.widget.currentItem(), a);
        QCOMPARE(tree.lastSearchText(), QStringLiteral("ALPH"));
        QCOMPARE(a->text(0), QStringLiteral("Alpha, Users=2"));  // names are compared, never changed

        // The selected row already matches: the search moves on to its siblings and their children.
        QTest::keyClick(&f.widget, Qt::Key_F3);
        QCOMPARE(f.widget.currentItem(), alphonse);

        // Nothing further below the last match: the player is told.
        QTest::keyClick(&f.widget, Qt::Key_F3);
        QCOMPARE(f.widget.currentItem(), alphonse);
        QCOMPARE(f.env.prompts().last().text, QStringLiteral("Text not found in subtree."));

        prompts::reset();
        f.env.setAnswers({QStringLiteral("text:Text=beta;StartFromTop=False")});
        f.widget.setCurrentItem(tree.activeRoot());
        QTest::keyClick(&f.widget, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(f.widget.currentItem(), b);

        // Ctrl let go before F, as people often type it: Find still opens.
        prompts::reset();
        f.env.setAnswers({QStringLiteral("text:Text=alpha;StartFromTop=True")});
        QTest::keyPress(&f.widget, Qt::Key_F, Qt::ControlModifier);
        QTest::keyRelease(&f.widget, Qt::Key_Control, Qt::NoModifier);
        QTest::keyRelease(&f.widget, Qt::Key_F, Qt::NoModifier);
        QCOMPARE(f.widget.currentItem(), a);
        // A plain F (typing to jump between rows) opens nothing.
        const qsizetype shown = f.env.prompts().size();
        QTest::keyClick(&f.widget, Qt::Key_F);
        QCOMPARE(f.env.prompts().size(), shown);
    }

    void deleteKeyRemovesOnlyFromTheTree()
    {
        TreeFixture f;
        f.setValue(settingskeys::Servers, QStringLiteral("Mine"), QStringLiteral("10.0.0.1,preferred"));
        ServerTree &tree = f.start();
        f.widget.setCurrentItem(tree.activeRoot());
        QTest::keyClick(&f.widget, Qt::Key_Delete);   // a root is not removed
        QCOMPARE(f.widget.topLevelItemCount(), 2);
        f.widget.setCurrentItem(tree.activeRoot()->child(0));
        QTest::keyClick(&f.widget, Qt::Key_Delete);
        QCOMPARE(tree.activeRoot()->childCount(), 0);
        QCOMPARE(f.value(settingskeys::Servers, QStringLiteral("Mine")), QStringLiteral("10.0.0.1,preferred"));
    }

    void toolTips()
    {
        CKServer bare(QStringLiteral("10.0.0.1"), QStringLiteral("Bare"));
        CKServer full = bare;
        full.owner = QStringLiteral("ann");
        full.http = QStringLiteral("http://x/");
        full.chatServer = QStringLiteral("chat:6667");
        CKClient player(QStringLiteral("1.1.1.1"), QStringLiteral("bob"));
        player.task = QStringLiteral("descent");

        TreeFixture f;
        ServerTree &tree = f.start();
        QCOMPARE(ServerTree::toolTipText(tree.addServer(bare)), QStringLiteral("IP Address: 10.0.0.1 "));
        QCOMPARE(ServerTree::toolTipText(tree.addServer(full)),
                 QStringLiteral("IP Address: 10.0.0.1 \nOwner: ann \nWeb: http://x/ \nChat Server: chat:6667 "));
        QTreeWidgetItem *row = activeServer(tree, QStringLiteral("10.0.0.2"), QStringLiteral("P"));
        QTreeWidgetItem *playerRow = tree.addPlayer(row, player);
        QCOMPARE(ServerTree::toolTipText(playerRow), QStringLiteral("IP Address: 1.1.1.1 \nTask: descent "));
        QVERIFY(ServerTree::toolTipText(playerRow->parent()).isEmpty());
        QVERIFY(ServerTree::toolTipText(tree.activeRoot()).isEmpty());

        // Shown when the pointer rests on a row, which it selects; network text stays text.
        CKServer marked(QStringLiteral("10.0.0.3"), QStringLiteral("<b>Bold</b>"));
        marked.owner = QStringLiteral("<i>me</i>");
        marked.users = 1;
        QTreeWidgetItem *markedRow = tree.addServer(marked);
        f.widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.widget));
        const QPoint at = f.widget.visualItemRect(markedRow).center();
        QHelpEvent help(QEvent::ToolTip, at, f.widget.viewport()->mapToGlobal(at));
        QApplication::sendEvent(f.widget.viewport(), &help);
        QCOMPARE(f.widget.currentItem(), markedRow);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text().contains(QStringLiteral("&lt;i&gt;me&lt;/i&gt;")));
        QCOMPARE(markedRow->text(0), QStringLiteral("<b>Bold</b>, Users=1"));
    }

    void serversWrittenBackAtExit()
    {
        TreeFixture f;
        f.setValue(settingskeys::Servers, QStringLiteral("Gone"), QStringLiteral("10.0.0.9"));
        ServerTree &tree = f.start();
        f.widget.setCurrentItem(tree.availableRoot()->child(0));
        QTest::keyClick(&f.widget, Qt::Key_Delete);
        CKServer mine(QStringLiteral("10.0.0.1"), QStringLiteral("Mine"));
        mine.preferred = true;
        tree.addServer(mine);
        tree.addServer(CKServer(QStringLiteral("10.0.0.2"), QStringLiteral("Spare")));
        tree.release();
        QCOMPARE(f.widget.topLevelItemCount(), 0);

        QCOMPARE(f.value(settingskeys::Servers, QStringLiteral("Mine")), QStringLiteral("10.0.0.1,preferred"));
        QCOMPARE(f.value(settingskeys::Servers, QStringLiteral("Spare")), QStringLiteral("10.0.0.2"));
        QCOMPARE(f.value(settingskeys::Servers, QStringLiteral("Gone")), QStringLiteral("10.0.0.9"));

        // Read again at the next start, with their lists and flags.
        TreeFixture::setValue(settingskeys::Servers, QStringLiteral("Spare"), QStringLiteral("10.0.0.2"));
        ServerTree &again = f.start();
        QCOMPARE(f.labels(again.activeRoot()), QStringList{QStringLiteral("Mine, Users=0")});
        QCOMPARE(f.labels(again.availableRoot()), (QStringList{QStringLiteral("Gone"), QStringLiteral("Spare")}));
    }

    void trackerSocketFailureOffersAnotherAddress()
    {
        TreeFixture f;
        f.settings.setOwnAddress(0xC0000207);  // 192.0.2.7: not this machine's
        f.env.setAnswers({QStringLiteral("ok"), QStringLiteral("text:127.0.0.1")});
        ServerTree &tree = f.make();
        QSignalSpy changed(&tree, &ServerTree::ownAddressChanged);
        tree.initialize();
        QVERIFY(tree.tracker()->isBound());
        QCOMPARE(f.settings.ownAddressText, QStringLiteral("127.0.0.1"));
        QCOMPARE(changed.count(), 1);
        const auto logged = f.env.prompts();
        QCOMPARE(logged.size(), 2);
        QVERIFY(logged[0].text.startsWith(QStringLiteral("Lanway98 was unable to create the default tracker socket.")));

        // Cancelled: the tree runs without a tracker.
        TreeFixture g;
        g.settings.setOwnAddress(0xC0000207);
        g.env.setAnswers({QStringLiteral("ok"), QStringLiteral("cancel")});
        ServerTree &without = g.start();
        QVERIFY(!without.tracker()->isBound());
        QCOMPARE(without.activeRoot()->text(0), QStringLiteral("Active Servers"));
    }

    void addressChoiceTakesTheHostNameWhenTheResolverAnswers()
    {
        TreeFixture f;
        f.settings.setOwnAddress(0xC0000207);  // 192.0.2.7: not this machine's
        // The warning; the dialog as it stands, the looked-up address first; the warning
        // again (that one is not this machine's either); then a usable address.
        f.env.setAnswers({QStringLiteral("ok"), QStringLiteral("ok"), QStringLiteral("ok"), QStringLiteral("text:127.0.0.1")});
        ServerTree &tree = f.make();
        int lookups = 0;
        tree.setHostNameLookup([&lookups](QObject *, std::function<void(const QList<QHostAddress> &)> done) {
            ++lookups;
            done({QHostAddress(QStringLiteral("127.0.0.1")), QHostAddress(QStringLiteral("192.0.2.55"))});
        });
        QStringList chosen;
        connect(&tree, &ServerTree::ownAddressChanged, this, [&] { chosen << f.settings.ownAddressText; });
        tree.initialize();
        QCOMPARE(chosen, (QStringList{QStringLiteral("192.0.2.55"), QStringLiteral("127.0.0.1")}));
        QCOMPARE(lookups, 2);
        QVERIFY(tree.tracker()->isBound());
    }

    void chatServerHandOver()
    {
        QCOMPARE(splitChatServer(QStringLiteral("chat.example:6667")),
                 (ChatServerAddress{QStringLiteral("chat.example"), 6667}));
        QCOMPARE(splitChatServer(QStringLiteral("6668")), (ChatServerAddress{QString(), 6668}));
        // A bare host name is a host on the usual port, not an empty host on port 0.
        QCOMPARE(splitChatServer(QStringLiteral("chat.example")), (ChatServerAddress{QStringLiteral("chat.example"), 6667}));
        QCOMPARE(splitChatServer(QStringLiteral("a:b:7000")), (ChatServerAddress{QStringLiteral("a"), 0}));
        QCOMPARE(splitChatServer(QStringLiteral("host:6669x")), (ChatServerAddress{QStringLiteral("host"), 6669}));

        TreeFixture f;
        // The chat client's key is not created here.
        QVERIFY(!handOverChatServer(QStringLiteral("chat.example:6667")));
        CRegistry chat;
        QVERIFY(!chat.Open(QLatin1String(kChatSettingsKey)));

        QVERIFY(chat.Create(QLatin1String(kChatSettingsKey)));
        QVERIFY(!handOverChatServer(QString()));
        quint32 port = 0;
        QVERIFY(!chat.GetDoubleWordValue(QStringLiteral("ChatServerPort"), port));
        QVERIFY(handOverChatServer(QStringLiteral("chat.example:6667")));
        QString host;
        QVERIFY(chat.GetStringValue(QStringLiteral("ChatServer"), host));
        QVERIFY(chat.GetDoubleWordValue(QStringLiteral("ChatServerPort"), port));
        QCOMPARE(host, QStringLiteral("chat.example"));
        QCOMPARE(port, 6667u);

        // A port alone keeps the host; a port that is no number keeps the port.
        QVERIFY(handOverChatServer(QStringLiteral("7000")));
        QVERIFY(chat.GetStringValue(QStringLiteral("ChatServer"), host));
        QVERIFY(chat.GetDoubleWordValue(QStringLiteral("ChatServerPort"), port));
        QCOMPARE(host, QStringLiteral("chat.example"));
        QCOMPARE(port, 7000u);
        QVERIFY(handOverChatServer(QStringLiteral("irc.other:none")));
        QVERIFY(chat.GetStringValue(QStringLiteral("ChatServer"), host));
        QVERIFY(chat.GetDoubleWordValue(QStringLiteral("ChatServerPort"), port));
        QCOMPARE(host, QStringLiteral("irc.other"));
        QCOMPARE(port, 7000u);
    }
};

QTEST_MAIN(TestServerTree)
#include "test_servertree.moc"
