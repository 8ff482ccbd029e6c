#include "chat/windows/chatframe.h"

#include "chat/core/chatdocs.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/chanulist.h"
#include "chat/windows/userlistmenu.h"
#include "chat/windows/windowplacement.h"
#include "common/profile.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMdiArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace tavern {

CChatFrame::CChatFrame(CChatDocBase *doc, ChatFrameHost host, QWidget *parent)
    : QMdiSubWindow(parent), m_doc(doc), m_name(doc->Name()), m_host(std::move(host))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(doc->Title());
    connect(doc, &CChatDocBase::titleChanged, this, &QWidget::setWindowTitle);

    MessageViewHost viewHost;
    viewHost.settings = m_host.viewSettings;
    viewHost.windowName = [this] { return m_name; };
    viewHost.sendText = [this](const QString &text) { SendText(text); };
    viewHost.runCommand = [this](const QString &text) {
        if (m_host.runCommand)
            m_host.runCommand(text, QString());
    };
    // Keys typed into the message view belong to the input line.
    viewHost.forwardKey = [this](const QKeyEvent &key) { m_input->TypeKey(key); };
    viewHost.forwardFunctionKey = [this](int n) { m_input->PressFunctionKey(n); };

    auto *panes = new QWidget(this);
    m_view = new CMessageView(viewHost, panes);
    InputLineHost inputHost = m_host.app ? AppInputLineHost(*m_host.app, m_host.partners) : InputLineHost{};
    inputHost.sendText = [this](const QString &text) { SendText(text); };
    inputHost.scrollViews = [this](int key) { scrollView(key); };
    m_input = new CInputLine(inputHost, panes);
    m_input->setFixedHeight(kInputHeight);
    if (m_host.viewSettings) {
        const MessageViewSettings s = m_host.viewSettings();
        m_input->ApplyFont(s.fontName, s.fontSize);
    }
    connect(doc, &CChatDocBase::lineAdded, m_view, &CMessageView::addLine);

    auto *talk = new QVBoxLayout;
    talk->setContentsMargins(0, 0, 0, 0);
    talk->setSpacing(0);
    talk->addWidget(m_view, 1);
    talk->addWidget(m_input);

    auto *columns = new QHBoxLayout(panes);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);
    columns->addLayout(talk, 1);
    if (doc->IsChannel()) {
        m_userList = new CChanUList(static_cast<CTavernwDoc *>(doc), panes);
        m_userList->setFixedWidth(CChanUList::kWidth);
        m_userList->onReturnFocus = [this] { m_input->setFocus(); };
        m_userList->onSendMessage = [this](const QString &nick) {
            if (m_host.app && !nick.isEmpty())
                m_host.app->OpenPrivateWindow(nick);
        };
        m_userList->onContextMenu = [this](const QPoint &at) { showUserMenu(at); };
        columns->addWidget(m_userList);
    }
    setWidget(panes);
    setFocusProxy(m_input);
}

void CChatFrame::showUserMenu(const QPoint &globalPos)
{
    auto *channel = qobject_cast<CTavernwDoc *>(m_doc.data());
    if (!channel)
        return;
    // The menu belongs to the top-level window, as do the dialogs its items open.
    CUserListMenu menu(channel, m_host.app, m_host.runCommand, window());
    menu.exec(globalPos);
}

const PlacementSection &CChatFrame::placementSection() const
{
    return m_doc && m_doc->IsChannel() ? kChatWndPlacement : kPrivWndPlacement;
}

void CChatFrame::SendText(const QString &text)
{
    if (!m_host.runCommand || !m_doc)
        return;
    const bool server = m_doc->kind() == CChatDocBase::Kind::Server;
    m_host.runCommand(text, server ? QString() : m_name);
}

void CChatFrame::scrollView(int key)
{
    m_view->verticalScrollBar()->triggerAction(key == Qt::Key_PageUp ? QAbstractSlider::SliderPageStepSub
                                                                     : QAbstractSlider::SliderPageStepAdd);
}

void CChatFrame::RestorePlacement()
{
    ShowAsPlaced(*this, placementSection());
}

void CChatFrame::savePlacement()
{
    PrivateProfile ini(placementFile());
    WriteChildPlacement(ini, placementSection(), geometry(), isMinimized(), isMaximized());
}

void CChatFrame::closeEvent(QCloseEvent *event)
{
    CTavernwApp *app = m_host.app;
    const bool quitting = !app || app->IsQuitting();
    if (!quitting && !m_released && m_doc) {
        if (m_doc->kind() == CChatDocBase::Kind::Server) {
            event->ignore(); // the Server window stays while the program runs
            return;
        }
        // A channel already left is not left a second time.
        const bool channel = m_doc->IsChannel() && !static_cast<CTavernwDoc *>(m_doc.data())->HasLeft();
        if (channel && app->ServerDoc())
            app->ServerDoc()->AddLine(QStringLiteral("* Leaving channel ") + m_name, app->m_Settings.Status);
        m_released = true;
        app->CloseWindow(m_doc); // leaves the window map and the tab bar
        if (channel && m_host.runCommand)
            m_host.runCommand(QStringLiteral("/part ") + m_name, m_name);
    }
    savePlacement();
    QMdiSubWindow::closeEvent(event);
}

} // namespace tavern
