#include "chat/windows/chatframe.h"

#include "chat/core/chatdocs.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/chanulist.h"
#include "chat/windows/windowplacement.h"
#include "common/profile.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
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
    viewHost.forwardKey = [this](const QKeyEvent &key) { forwardKey(key); };

    auto *panes = new QWidget(this);
    m_view = new CMessageView(viewHost, panes);
    m_input = new QLineEdit(panes);
    m_input->setFixedHeight(kInputHeight);
    connect(m_input, &QLineEdit::returnPressed, this, &CChatFrame::sendInput);
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
            if (m_host.app)
                m_host.app->OpenPrivateWindow(nick);
        };
        columns->addWidget(m_userList);
    }
    setWidget(panes);
    setFocusProxy(m_input);
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

void CChatFrame::sendInput()
{
    const QString text = m_input->text();
    m_input->clear();
    SendText(text);
}

void CChatFrame::forwardKey(const QKeyEvent &key)
{
    m_input->setFocus();
    m_input->insert(key.text());
    if (mdiArea())
        mdiArea()->setActiveSubWindow(this);
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
        const bool channel = m_doc->IsChannel();
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
