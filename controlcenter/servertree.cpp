#include "controlcenter/servertree.h"

#include "controlcenter/messages.h"
#include "controlcenter/selectaddressdialog.h"
#include "controlcenter/serverlist.h"
#include "controlcenter/trackersocket.h"
#include "controlcenter/treeimages.h"
#include "platform/interfaceaddresses.h"
#include "platform/prompts.h"

#include <QCursor>
#include <QHeaderView>
#include <QTreeWidget>

namespace ferry {

namespace {

const QString kTrackerSocketFailed = QStringLiteral(
    "Lanway98 was unable to create the default tracker socket. This error is normally due to an incorrect IP "
    "address. Please select an IP address from the following dialog or enter it manually in the settings "
    "dialog after Lanway98 starts.");
const QString kTextNotFound = QStringLiteral("Text not found in subtree.");

// A row that carries a record; the record goes with the row.
class RecordRow : public QTreeWidgetItem {
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;
    explicit RecordRow(std::unique_ptr<CKTreeElement> record) : QTreeWidgetItem(kType), record(std::move(record)) {}
    std::unique_ptr<CKTreeElement> record;
};

QString activeLabel(const CKServer &server)
{
    // One arg() call: a description holding "%2" stays as it is.
    return QStringLiteral("%1, Users=%2").arg(server.name, QString::number(server.users));
}

bool isOperator(const CKClient &player)
{
    return player.operatorText.compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0;
}

QTreeWidgetItem *nextSibling(const QTreeWidgetItem *row)
{
    if (QTreeWidgetItem *parent = row->parent())
        return parent->child(parent->indexOfChild(const_cast<QTreeWidgetItem *>(row)) + 1);
    QTreeWidget *tree = row->treeWidget();
    return tree ? tree->topLevelItem(tree->indexOfTopLevelItem(const_cast<QTreeWidgetItem *>(row)) + 1) : nullptr;
}

bool nameContains(const QTreeWidgetItem *row, const QString &text)
{
    const CKTreeElement *record = ServerTree::recordOf(row);
    return record && record->name.contains(text, Qt::CaseInsensitive);
}

// Depth first: a row, then its children, then its following siblings.
QTreeWidgetItem *searchFrom(QTreeWidgetItem *row, const QString &text)
{
    for (; row; row = nextSibling(row)) {
        if (nameContains(row, text))
            return row;
        if (QTreeWidgetItem *found = searchFrom(row->child(0), text))
            return found;
    }
    return nullptr;
}

} // namespace

ServerTree::ServerTree(QTreeWidget *tree, const QList<QIcon> &images, ControlCenterSettings &settings,
                       SessionQuery sessionWithServer, QObject *parent)
    : QObject(parent),
      m_tree(tree),
      m_images(images),
      m_settings(settings),
      m_sessionWithServer(std::move(sessionWithServer)),
      m_tracker(std::make_unique<CTrackerSocket>()),
      m_sortMode(settings.sortByTask ? PlayersByTask : PlayersDirectly)
{
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->installEventFilter(this);
    m_tree->viewport()->installEventFilter(this);
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, &ServerTree::onContextMenu);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &ServerTree::selectionChanged);
    connect(m_tracker.get(), &CTrackerSocket::directoryReceived, this, &ServerTree::handleDirectory);
    connect(m_tracker.get(), &CTrackerSocket::playerListReceived, this, &ServerTree::handlePlayerList);
}

ServerTree::~ServerTree() = default;

void ServerTree::initialize()
{
    m_tree->clear();
    m_activeRoot = new QTreeWidgetItem(m_tree, {tr("Active Servers")});
    m_availableRoot = new QTreeWidgetItem(m_tree, {tr("Available Servers")});
    for (QTreeWidgetItem *root : {m_activeRoot, m_availableRoot})
        root->setIcon(0, m_images.value(treeimages::ListRoot));
    m_taskNames = serverlist::readTaskNames();
    for (const CKServer &server : serverlist::readServers(m_tree->window()))
        addServer(server);
    startTracker();
}

bool ServerTree::startTracker()
{
    for (;;) {
        if (m_tracker->bind(m_settings.ownAddressText)) {
            m_tracker->requestDirectory(m_settings.tracker);
            return true;
        }
        QWidget *parent = m_tree->window();
        prompts::warning(parent, QLatin1String(messages::ErrorCaption), kTrackerSocketFailed);
        // The interfaces' addresses at once; the host name's join them when the
        // resolver answers, which may take seconds.
        const QList<InterfaceAddress> interfaces = systemInterfaceAddresses();
        SelectAddressDialog dialog(hostAddresses({}, interfaces), parent);
        m_hostNameLookup(&dialog, [&dialog, interfaces](const QList<QHostAddress> &named) {
            dialog.offerFirst(hostAddresses(named, interfaces));
        });
        if (!prompts::execDialog(&dialog, dialog.windowTitle(),
                                 [&dialog](const QString &text) { dialog.chooseText(text); }))
            return false;
        m_settings.setOwnAddress(dialog.chosenAddress().toIPv4Address());
        emit ownAddressChanged();
    }
}

const CKTreeElement *ServerTree::recordOf(const QTreeWidgetItem *row)
{
    if (!row || row->type() != RecordRow::kType)
        return nullptr;
    return static_cast<const RecordRow *>(row)->record.get();
}

const CKServer *ServerTree::serverOf(const QTreeWidgetItem *row)
{
    return dynamic_cast<const CKServer *>(recordOf(row));
}

QTreeWidgetItem *ServerTree::newRow(std::unique_ptr<CKTreeElement> record, const QString &label, int image)
{
    auto *row = new RecordRow(std::move(record));
    row->setText(0, label);
    row->setIcon(0, m_images.value(image));
    return row;
}

std::optional<bool> ServerTree::takeServerRow(const QString &address)
{
    for (QTreeWidgetItem *root : {m_availableRoot, m_activeRoot}) {
        for (int i = 0; i < root->childCount(); ++i) {
            const CKServer *server = serverOf(root->child(i));
            if (server && server->address == address) {
                const bool preferred = server->preferred;
                delete root->takeChild(i);
                return preferred;
            }
        }
    }
    return std::nullopt;
}

QTreeWidgetItem *ServerTree::placeServer(const CKServer &server, bool intoActiveList)
{
    const QString label = intoActiveList ? activeLabel(server) : server.name;
    QTreeWidgetItem *row = newRow(std::make_unique<CKServer>(server), label, treeimages::Server);
    if (!intoActiveList)
        m_availableRoot->addChild(row);
    else if (server.preferred)
        m_activeRoot->insertChild(0, row);
    else
        m_activeRoot->addChild(row);
    m_activeRoot->setExpanded(true);
    return row;
}

QTreeWidgetItem *ServerTree::addServer(const CKServer &incoming)
{
    CKServer server = incoming;
    if (const auto preferred = takeServerRow(server.address))
        server.preferred = *preferred;
    return placeServer(server, belongsInActiveList(server));
}

bool ServerTree::belongsInActiveList(const CKServer &server)
{
    return server.users != 0 || server.preferred || server.address == QLatin1String(kDefaultServerAddress);
}

QTreeWidgetItem *ServerTree::insertServer(const QString &address, const QString &description, bool intoActiveList)
{
    CKServer server(address, description);
    if (const auto preferred = takeServerRow(address))
        server.preferred = *preferred;
    QTreeWidgetItem *row = placeServer(server, intoActiveList);
    // A preferred server still belongs at the end here: the player chose where it goes.
    if (intoActiveList && server.preferred) {
        m_activeRoot->removeChild(row);
        m_activeRoot->addChild(row);
    }
    return row;
}

void ServerTree::removeServer(QTreeWidgetItem *serverRow)
{
    if (serverOf(serverRow))
        delete serverRow;
}

QString ServerTree::groupLabel(const QString &task) const
{
    if (m_settings.translateTaskNames) {
        const QString translated = m_taskNames.value(task);
        if (!translated.isEmpty())
            return translated;
    }
    return task;
}

QTreeWidgetItem *ServerTree::addPlayer(QTreeWidgetItem *serverRow, const CKClient &player)
{
    const int image = isOperator(player) ? treeimages::Operator : treeimages::Player;
    if (m_sortMode == PlayersDirectly) {
        QTreeWidgetItem *row = newRow(std::make_unique<CKClient>(player),
                                      QStringLiteral("%1 Task=%2").arg(player.name, player.task), image);
        serverRow->insertChild(0, row);
        return row;
    }
    const QString label = groupLabel(player.task);
    QTreeWidgetItem *group = nullptr;
    for (int i = 0; i < serverRow->childCount() && !group; ++i) {
        QTreeWidgetItem *child = serverRow->child(i);
        if (dynamic_cast<const CKGame *>(recordOf(child)) && child->text(0) == label)
            group = child;
    }
    if (!group) {
        group = newRow(std::make_unique<CKGame>(label), label, treeimages::TaskGroup);
        serverRow->insertChild(0, group);
    }
    QTreeWidgetItem *row = newRow(std::make_unique<CKClient>(player), player.name, image);
    group->insertChild(0, row);
    return row;
}

void ServerTree::handleDirectory(const QList<datagrams::ServerEntry> &entries)
{
    for (const datagrams::ServerEntry &entry : entries) {
        CKServer server(networkText(entry.address), networkText(entry.description));
        server.users = entry.users;
        server.owner = networkText(entry.owner);
        server.cluster = networkText(entry.cluster);
        server.http = networkText(entry.http);
        server.chatServer = networkText(entry.chatServer);
        if (!hasServerRow(server.address) && serverCount() >= kMaxServers)
            continue;
        addServer(server);
        if (server.users != 0)
            m_tracker->requestPlayerList(server.address);
    }
}

bool ServerTree::hasServerRow(const QString &address) const
{
    for (const QTreeWidgetItem *root : {m_activeRoot, m_availableRoot}) {
        for (int i = 0; root && i < root->childCount(); ++i) {
            const CKServer *server = serverOf(root->child(i));
            if (server && server->address == address)
                return true;
        }
    }
    return false;
}

int ServerTree::serverCount() const
{
    return (m_activeRoot ? m_activeRoot->childCount() : 0) + (m_availableRoot ? m_availableRoot->childCount() : 0);
}

int ServerTree::playerCount() const
{
    // Players sit under active servers, directly or one level down in their task group.
    int count = 0;
    for (int i = 0; m_activeRoot && i < m_activeRoot->childCount(); ++i) {
        const QTreeWidgetItem *server = m_activeRoot->child(i);
        for (int j = 0; j < server->childCount(); ++j) {
            const QTreeWidgetItem *child = server->child(j);
            count += dynamic_cast<const CKGame *>(recordOf(child)) ? child->childCount() : 1;
        }
    }
    return count;
}

QTreeWidgetItem *ServerTree::serverRowFor(const QHostAddress &address) const
{
    for (int i = 0; i < m_activeRoot->childCount(); ++i) {
        const CKServer *server = serverOf(m_activeRoot->child(i));
        if (server && QHostAddress(server->address).isEqual(address, QHostAddress::ConvertV4MappedToIPv4))
            return m_activeRoot->child(i);
    }
    return nullptr;
}

namespace {

bool listsPlayer(const QTreeWidgetItem *row, const CKClient &player)
{
    for (int i = 0; i < row->childCount(); ++i) {
        const QTreeWidgetItem *child = row->child(i);
        const auto *listed = dynamic_cast<const CKClient *>(ServerTree::recordOf(child));
        if ((listed && listed->name == player.name && listed->address == player.address) || listsPlayer(child, player))
            return true;
    }
    return false;
}

} // namespace

void ServerTree::handlePlayerList(const QHostAddress &from, const QList<datagrams::PlayerEntry> &players)
{
    QTreeWidgetItem *serverRow = m_activeRoot ? serverRowFor(from) : nullptr;
    if (!serverRow)
        return;
    int kept = playerCount();
    for (const datagrams::PlayerEntry &entry : players) {
        if (kept >= kMaxPlayers)
            return;
        CKClient player(networkText(entry.address), networkText(entry.nickname));
        player.task = networkText(entry.task).trimmed().toLower();
        player.status = networkText(entry.status);
        player.operatorText = networkText(entry.operatorText);
        // A list answered twice (two refreshes in a row) shows each player once.
        if (!listsPlayer(serverRow, player)) {
            addPlayer(serverRow, player);
            ++kept;
        }
    }
}

std::optional<CKServer> ServerTree::selectedServer() const
{
    if (const CKServer *server = serverOf(m_tree->currentItem()))
        return *server;
    return std::nullopt;
}

QList<CKServer> ServerTree::servers() const
{
    QList<CKServer> all;
    for (QTreeWidgetItem *root : {m_activeRoot, m_availableRoot}) {
        for (int i = 0; root && i < root->childCount(); ++i) {
            if (const CKServer *server = serverOf(root->child(i)))
                all.append(*server);
        }
    }
    return all;
}

void ServerTree::release()
{
    if (!m_activeRoot)
        return;
    serverlist::writeServers(servers(), m_tree->window());
    m_activeRoot = m_availableRoot = nullptr;
    m_tree->clear();
}

QString ServerTree::toolTipText(const QTreeWidgetItem *row)
{
    const CKTreeElement *record = recordOf(row);
    QString text;
    const auto add = [&text](const char *format, const QString &value) {
        if (!value.isEmpty())
            text += QString::fromLatin1(format).arg(value);
    };
    if (const auto *server = dynamic_cast<const CKServer *>(record)) {
        text = QStringLiteral("IP Address: %1 ").arg(server->address);
        add("\nOwner: %1 ", server->owner);
        add("\nWeb: %1 ", server->http);
        add("\nChat Server: %1 ", server->chatServer);
    } else if (const auto *player = dynamic_cast<const CKClient *>(record)) {
        text = QStringLiteral("IP Address: %1 ").arg(player->address);
        add("\nTask: %1 ", player->task);
        add("\nOperator: %1 ", player->operatorText);
    }
    return text;
}

QTreeWidgetItem *ServerTree::find(const QString &text, bool fromTop)
{
    m_lastSearch = text;
    QTreeWidgetItem *selected = m_tree->currentItem();
    QTreeWidgetItem *start = m_tree->topLevelItem(0);
    // Without a selection there is nothing to continue from: the search starts at the top.
    if (!fromTop && selected)
        start = nameContains(selected, text) ? nextSibling(selected) : selected;
    QTreeWidgetItem *found = searchFrom(start, text);
    if (!found) {
        prompts::warning(m_tree->window(), QLatin1String(messages::ErrorCaption), kTextNotFound);
        return nullptr;
    }
    m_tree->setCurrentItem(found);
    m_tree->scrollToItem(found);
    pointAt(found);
    return found;
}

QTreeWidgetItem *ServerTree::searchAgain()
{
    if (m_lastSearch.isEmpty())
        return nullptr;
    return find(m_lastSearch, false);
}

void ServerTree::pointAt(QTreeWidgetItem *row)
{
    // The pointer goes onto the row found, just right of where its text starts.
    const QRect rect = m_tree->visualItemRect(row);
    const int textStart = rect.left() + m_tree->iconSize().width();
    QCursor::setPos(m_tree->viewport()->mapToGlobal(QPoint(textStart + 15, rect.top() + 8)));
}

} // namespace ferry
