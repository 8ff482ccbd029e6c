#pragma once

// The server tree: "Active Servers" with the players of each server under it
// (directly or grouped by the task they run) and "Available Servers". It owns the
// server and player records (one per row), the tracker socket, the task-name
// translations, the tool tips, the right-button menus, the search, and the choice
// the connect handler acts on (selectedServer(), localServerFlag()).
//
// Rows are replaced, never updated in place: a server announced again, or one
// whose preferred flag is toggled, loses its old row and the players under it.

#include "protocol/directory.h"
#include "controlcenter/servertreerecords.h"
#include "controlcenter/settings.h"
#include "platform/interfaceaddresses.h"

#include <QHash>
#include <QHostAddress>
#include <QIcon>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace ferry {

class CTrackerSocket;

class ServerTree : public QObject {
    Q_OBJECT
public:
    enum SortMode : int { PlayersDirectly = 1, PlayersByTask = 2 };

    // The commands of the right-button menus.
    enum Command : int {
        ConnectToServer = 32792,
        RefreshAll = 32795,
        LocalServer = 32796,
        AlwaysInActiveList = 32797,
        InsertServer = 32798,
        Find = 32799,
        RefreshSelected = 32804,
        SortByTask = 32806,
        Ping = 32807,
        OpenUrl = 32808,
        TranslateTaskName = 32810,
    };

    // Whether the tunnel driver holds a session with a server (it is asked each
    // time a server's menu opens).
    using SessionQuery = std::function<bool()>;

    ServerTree(QTreeWidget *tree, const QList<QIcon> &images, ControlCenterSettings &settings,
               SessionQuery sessionWithServer, QObject *parent = nullptr);
    ~ServerTree() override;

    // The roots, the registry's servers, the task names, then the tracker.
    void initialize();
    // Binds the tracker socket and asks the tracker for its directory. When the
    // socket cannot be had the player is told and may choose another own address;
    // false when the tree runs without a tracker.
    bool startTracker();
    CTrackerSocket *tracker() const { return m_tracker.get(); }
    // How the host name's addresses are looked up for the address choice (tests
    // supply their own); the look-up never holds the user-interface thread.
    void setHostNameLookup(HostNameLookup lookup) { m_hostNameLookup = std::move(lookup); }

    QTreeWidget *widget() const { return m_tree; }
    QTreeWidgetItem *activeRoot() const { return m_activeRoot; }
    QTreeWidgetItem *availableRoot() const { return m_availableRoot; }
    static const CKTreeElement *recordOf(const QTreeWidgetItem *row);
    static const CKServer *serverOf(const QTreeWidgetItem *row);

    // A server from the registry or the tracker: replaces the row with the same
    // address (keeping its preferred flag) and goes to the list its users, flag
    // and address choose. Returns the new row.
    QTreeWidgetItem *addServer(const CKServer &server);
    // Players, the preferred flag or the default address keep a server in the active list.
    static bool belongsInActiveList(const CKServer &server);
    // A server typed by the player: it replaces the row with the same address,
    // keeping its preferred flag, and goes to the end of the active list or of
    // the available list.
    QTreeWidgetItem *insertServer(const QString &address, const QString &description, bool intoActiveList);
    // A player under a server row, directly or in its task group by the sort mode.
    QTreeWidgetItem *addPlayer(QTreeWidgetItem *serverRow, const CKClient &player);
    // Removes a server row with its players (the registry entry stays).
    void removeServer(QTreeWidgetItem *serverRow);

    // The most servers and players the tracker's and the servers' answers may
    // make the tree hold; further ones are dropped.
    static constexpr int kMaxServers = 1000;
    static constexpr int kMaxPlayers = 1000;

    // The tracker's answers.
    void handleDirectory(const QList<datagrams::ServerEntry> &servers);
    void handlePlayerList(const QHostAddress &from, const QList<datagrams::PlayerEntry> &players);

    // The label a task group is shown under: the translation while translating and
    // one exists, else the task.
    QString groupLabel(const QString &task) const;
    SortMode sortMode() const { return m_sortMode; }
    const QHash<QString, QString> &taskNames() const { return m_taskNames; }

    // The choice the connect handler acts on: the local server toggle, or the
    // selected row when it is a server.
    bool localServerFlag() const { return m_localServer; }
    void setLocalServerFlag(bool on) { m_localServer = on; }
    std::optional<CKServer> selectedServer() const;

    // Every server of the active list, then of the available list, in tree order.
    QList<CKServer> servers() const;
    // At exit: the servers go to the registry and every row goes.
    void release();

    // Tool tip of a row: the address and whichever further attributes are set.
    static QString toolTipText(const QTreeWidgetItem *row);

    // The right-button menu for a row (nullptr for task groups); each action's data
    // is its Command.
    std::unique_ptr<QMenu> popupMenu(QTreeWidgetItem *row);
    // Runs a command on the selected row.
    void runCommand(Command command);

    // The search: from the top, or from the selected row (moving on past it when it
    // already matches). Selects the row found; tells the player when none is.
    QTreeWidgetItem *find(const QString &text, bool fromTop);
    // F3: the last search again from the selected row.
    QTreeWidgetItem *searchAgain();
    QString lastSearchText() const { return m_lastSearch; }

    // The dialogs behind Insert Server and Find...
    void openInsertServerDialog();
    void openFindDialog();

signals:
    // Connect / Disconnect and Start / Stop Local Server: the connect handler runs.
    void connectRequested();
    // The selected row changed (the sign-on target may have).
    void selectionChanged();
    // The own address was chosen anew because the tracker socket could not be bound to it.
    void ownAddressChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTreeWidgetItem *newRow(std::unique_ptr<CKTreeElement> record, const QString &label, int image);
    // Deletes the first server row with the address (available list first); its
    // preferred flag, when there was one.
    std::optional<bool> takeServerRow(const QString &address);
    QTreeWidgetItem *placeServer(const CKServer &server, bool intoActiveList);
    QTreeWidgetItem *serverRowFor(const QHostAddress &address) const;
    bool hasServerRow(const QString &address) const;
    int serverCount() const;
    int playerCount() const;
    void refreshSelected();
    void toggleAlwaysInActiveList();
    void toggleLocalServer();
    void toggleSortMode();
    void toggleTranslation();
    void pingSelected();
    void openSelectedUrl();
    void showToolTip(const QPoint &viewportPos, const QPoint &globalPos);
    void pointAt(QTreeWidgetItem *row);
    void onContextMenu(const QPoint &pos);

    QTreeWidget *m_tree;
    QList<QIcon> m_images;
    ControlCenterSettings &m_settings;
    SessionQuery m_sessionWithServer;
    std::unique_ptr<CTrackerSocket> m_tracker;
    QTreeWidgetItem *m_activeRoot = nullptr;
    QTreeWidgetItem *m_availableRoot = nullptr;
    QHash<QString, QString> m_taskNames;
    SortMode m_sortMode = PlayersByTask;
    bool m_localServer = false;
    QString m_lastSearch;
    // F went down with Ctrl held: the release opens Find even when Ctrl was let go first.
    bool m_findKeyDown = false;
    HostNameLookup m_hostNameLookup = lookUpHostNameAddresses;
};

} // namespace ferry
