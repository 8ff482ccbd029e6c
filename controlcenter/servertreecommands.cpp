// The server tree's right-button menus, their commands, its keys and tool tips.

#include "common/registry.h"
#include "controlcenter/finddialog.h"
#include "controlcenter/insertserverdialog.h"
#include "controlcenter/pingdialog.h"
#include "controlcenter/servertree.h"
#include "controlcenter/trackersocket.h"
#include "platform/launcher.h"
#include "platform/prompts.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QToolTip>
#include <QTreeWidget>

namespace ferry {

namespace {

QAction *addCommand(QMenu *menu, const QString &text, ServerTree::Command command)
{
    QAction *action = menu->addAction(text);
    action->setData(int(command));
    return action;
}

void writeFlag(const char *name, bool on)
{
    CRegistry registry;
    if (registry.Create(QLatin1String(settingskeys::Ferry97)))
        registry.SetStringValue(QLatin1String(name), flagText(on));
}

// Tool tips show network text: escaped, and kept to its own lines.
QString tipMarkup(const QString &text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(escaped);
}

} // namespace

std::unique_ptr<QMenu> ServerTree::popupMenu(QTreeWidgetItem *row)
{
    if (!row)
        return nullptr;
    const CKTreeElement *record = recordOf(row);
    if (dynamic_cast<const CKGame *>(record))
        return nullptr;

    auto menu = std::make_unique<QMenu>(m_tree);
    const auto checkable = [](QAction *action, bool checked) {
        action->setCheckable(true);
        action->setChecked(checked);
    };

    if (dynamic_cast<const CKClient *>(record)) {
        addCommand(menu.get(), tr("Ping"), Ping);
        addCommand(menu.get(), tr("Refresh All"), RefreshAll);
        addCommand(menu.get(), tr("Find..."), Find);
        menu->addSeparator();
        checkable(addCommand(menu.get(), tr("Sort by Game/Task"), SortByTask), m_sortMode == PlayersByTask);
        return menu;
    }

    const auto *server = dynamic_cast<const CKServer *>(record);
    QAction *connectAction = addCommand(menu.get(), tr("Connect to server"), ConnectToServer);
    addCommand(menu.get(), m_localServer ? tr("Stop Local Server") : tr("Start Local Server"), LocalServer);
    menu->addSeparator();
    addCommand(menu.get(), tr("Refresh All"), RefreshAll);
    QAction *refreshSelected = addCommand(menu.get(), tr("Refresh Selected"), RefreshSelected);
    menu->addSeparator();
    QAction *always = addCommand(menu.get(), tr("Always in Active List"), AlwaysInActiveList);
    QAction *insert = addCommand(menu.get(), tr("Insert Server"), InsertServer);
    addCommand(menu.get(), tr("Find..."), Find);
    menu->addSeparator();
    checkable(addCommand(menu.get(), tr("Sort by Game/Task"), SortByTask), m_sortMode == PlayersByTask);
    checkable(addCommand(menu.get(), tr("Translate Task Name"), TranslateTaskName), m_settings.translateTaskNames);
    menu->addSeparator();
    QAction *ping = addCommand(menu.get(), tr("Ping"), Ping);
    QAction *url = addCommand(menu.get(), tr("URL.."), OpenUrl);

    if (!server) {
        // A list root: nothing to connect to, mark, refresh, ping or browse.
        for (QAction *action : {connectAction, always, refreshSelected, ping, url})
            action->setEnabled(false);
        return menu;
    }

    checkable(always, server->preferred);
    if (!m_localServer && m_sessionWithServer && m_sessionWithServer()) {
        connectAction->setText(tr("Disconnect from server"));
        insert->setEnabled(false);
    }
    if (m_localServer) {
        connectAction->setEnabled(false);
        refreshSelected->setEnabled(false);
    }
    url->setEnabled(!server->http.isEmpty());
    return menu;
}

void ServerTree::runCommand(Command command)
{
    switch (command) {
    case ConnectToServer:
        emit connectRequested();
        break;
    case RefreshAll:
        m_tracker->requestDirectory(m_settings.tracker);
        break;
    case RefreshSelected:
        refreshSelected();
        break;
    case AlwaysInActiveList:
        toggleAlwaysInActiveList();
        break;
    case InsertServer:
        openInsertServerDialog();
        break;
    case LocalServer:
        toggleLocalServer();
        break;
    case Find:
        openFindDialog();
        break;
    case SortByTask:
        toggleSortMode();
        break;
    case TranslateTaskName:
        toggleTranslation();
        break;
    case Ping:
        pingSelected();
        break;
    case OpenUrl:
        openSelectedUrl();
        break;
    }
}

void ServerTree::refreshSelected()
{
    QTreeWidgetItem *row = m_tree->currentItem();
    const CKServer *server = serverOf(row);
    if (!server)
        return;
    qDeleteAll(row->takeChildren());
    m_tracker->requestPlayerList(server->address);
}

void ServerTree::toggleAlwaysInActiveList()
{
    const CKServer *current = serverOf(m_tree->currentItem());
    if (!current)
        return;
    // Owner, web address and chat server go along: the chat server is what the
    // sign-on hands to the chat client, and the tool tip shows the others.
    CKServer server = *current;
    server.preferred = !server.preferred;
    takeServerRow(server.address);
    m_tree->setCurrentItem(placeServer(server, belongsInActiveList(server)));
}

void ServerTree::toggleLocalServer()
{
    if (m_localServer) {
        emit connectRequested();
        m_localServer = false;
    } else {
        m_localServer = true;
        emit connectRequested();
    }
}

void ServerTree::toggleSortMode()
{
    m_sortMode = m_sortMode == PlayersByTask ? PlayersDirectly : PlayersByTask;
    m_settings.sortByTask = m_sortMode == PlayersByTask;
    writeFlag(settingskeys::SortByTask, m_settings.sortByTask);
}

void ServerTree::toggleTranslation()
{
    m_settings.translateTaskNames = !m_settings.translateTaskNames;
    writeFlag(settingskeys::TranslateTaskNames, m_settings.translateTaskNames);
}

void ServerTree::pingSelected()
{
    const CKTreeElement *record = recordOf(m_tree->currentItem());
    if (!dynamic_cast<const CKServer *>(record) && !dynamic_cast<const CKClient *>(record))
        return;
    PingDialog dialog(record->address, m_tree->window());
    prompts::execDialog(&dialog, dialog.windowTitle());
}

void ServerTree::openSelectedUrl()
{
    const CKServer *server = serverOf(m_tree->currentItem());
    if (server && !server->http.isEmpty() && !launcher::openUrl(server->http))
        QApplication::beep();
}

void ServerTree::openInsertServerDialog()
{
    // Where the server goes depends on the row selected when the dialog opened.
    const QTreeWidgetItem *selected = m_tree->currentItem();
    const bool intoActiveList =
        selected && (selected == m_activeRoot || (serverOf(selected) && selected->parent() == m_activeRoot));
    InsertServerDialog dialog(m_tree->window());
    if (dialog.run())
        m_tree->setCurrentItem(insertServer(dialog.address(), dialog.description(), intoActiveList));
}

void ServerTree::openFindDialog()
{
    FindDialog dialog(m_lastSearch, m_tree->window());
    if (dialog.run())
        find(dialog.text(), dialog.startFromTop());
}

void ServerTree::onContextMenu(const QPoint &pos)
{
    QTreeWidgetItem *row = m_tree->itemAt(pos);
    if (!row)
        return;
    m_tree->setCurrentItem(row);
    const std::unique_ptr<QMenu> menu = popupMenu(row);
    if (!menu)
        return;
    if (QAction *chosen = menu->exec(m_tree->viewport()->mapToGlobal(pos)))
        runCommand(Command(chosen->data().toInt()));
}

void ServerTree::showToolTip(const QPoint &viewportPos, const QPoint &globalPos)
{
    QTreeWidgetItem *row = m_tree->itemAt(viewportPos);
    if (!row) {
        QToolTip::hideText();
        return;
    }
    m_tree->setCurrentItem(row);
    const QString text = toolTipText(row);
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(globalPos, tipMarkup(text), m_tree->viewport(), m_tree->visualItemRect(row));
}

bool ServerTree::eventFilter(QObject *watched, QEvent *event)
{
    // The event type is looked at first: while the tree is torn down its widgets
    // still send events here, and none of them is a tool tip or a key release.
    if (event->type() == QEvent::ToolTip && watched == m_tree->viewport()) {
        const auto *help = static_cast<QHelpEvent *>(event);
        showToolTip(help->pos(), help->globalPos());
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == m_tree) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F && !key->isAutoRepeat())
            m_findKeyDown = (key->modifiers() & Qt::ControlModifier) != 0;
    }
    if (event->type() == QEvent::KeyRelease && watched == m_tree) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->isAutoRepeat())
            return QObject::eventFilter(watched, event);
        if (key->key() == Qt::Key_Insert) {
            openInsertServerDialog();
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            removeServer(m_tree->currentItem());
            return true;
        }
        if (key->key() == Qt::Key_F && (m_findKeyDown || (key->modifiers() & Qt::ControlModifier))) {
            m_findKeyDown = false;
            openFindDialog();
            return true;
        }
        if (key->key() == Qt::Key_F3) {
            searchAgain();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ferry
