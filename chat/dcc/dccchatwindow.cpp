#include "chat/dcc/dccchatwindow.h"

#include "chat/core/tavernwapp.h"
#include "chat/dcc/dccchatsession.h"
#include "chat/windows/mainframe.h"
#include "chat/windows/windowplacement.h"
#include "common/profile.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace tavern;

CDCCCDoc::CDCCCDoc(CDCCChatSession *session, CTavernwApp *app, QObject *parent)
    : CChatDocBase(Kind::Direct, session->Title(), parent),
      m_strPeerNick(session->PeerNick()), m_session(session)
{
    session->setParent(this);
    QPointer<CTavernwApp> settingsOwner(app);
    connect(session, &CDCCChatSession::lineToShow, this, [this, settingsOwner](const QString &text, DccColour colour) {
        AddLine(text, settingsOwner ? SettingColour(settingsOwner->m_Settings, colour) : SettingColour({}, colour));
    });
}

void CDCCCDoc::SendText(const QString &text)
{
    m_session->SendTypedText(text);
}

// ---- frame

CDCCCFrm::CDCCCFrm(CDCCCDoc *doc, CMainFrame *mainFrame, QWidget *parent)
    : QMdiSubWindow(parent), m_doc(doc), m_main(mainFrame), m_app(mainFrame->app()), m_name(doc->Name())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(doc->Title());
    doc->setParent(this);

    auto *panes = new QWidget(this);
    MessageViewHost viewHost;
    viewHost.settings = [this] { return m_main ? m_main->ViewSettings() : MessageViewSettings{}; };
    viewHost.windowName = [this] { return m_name; };
    viewHost.sendText = [this](const QString &text) { m_doc->SendText(text); };
    viewHost.runCommand = [this](const QString &text) {
        if (m_main)
            m_main->RunCommand(text);
    };
    viewHost.forwardKey = [this](const QKeyEvent &key) { m_input->TypeKey(key); };
    viewHost.forwardFunctionKey = [this](int n) { m_input->PressFunctionKey(n); };
    m_view = new CDCCCView(viewHost, panes);

    InputLineHost inputHost = m_app ? AppInputLineHost(*m_app, nullptr) : InputLineHost{};
    inputHost.sendText = [this](const QString &text) { m_doc->SendText(text); };
    inputHost.scrollViews = [this](int key) {
        QScrollBar *bar = m_view->verticalScrollBar();
        bar->triggerAction(key == Qt::Key_PageUp ? QAbstractSlider::SliderPageStepSub
                                                 : QAbstractSlider::SliderPageStepAdd);
    };
    m_input = new CInputLine(inputHost, panes);
    m_input->setFixedHeight(kInputHeight);
    connect(doc, &CChatDocBase::lineAdded, m_view, &CMessageView::addLine);

    auto *rows = new QVBoxLayout(panes);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(m_view, 1);
    rows->addWidget(m_input);
    setWidget(panes);
    setFocusProxy(m_input);
}

CDCCCFrm::~CDCCCFrm()
{
    leaveWindowList();
}

void CDCCCFrm::Open()
{
    if (!m_main)
        return;
    m_main->windowArea()->addSubWindow(this);
    if (m_app) {
        m_app->RegisterWindow(m_doc);
        m_listed = true;
    }
    m_main->AddWindowTab(m_name);

    ShowAsPlaced(*this, kPrivWndPlacement);
    m_main->windowArea()->setActiveSubWindow(this);
    m_input->setFocus();
}

// The document belongs to this window, so the map never keeps it past the window,
// not even while the program ends.
void CDCCCFrm::leaveWindowList()
{
    if (!m_listed)
        return;
    m_listed = false;
    if (m_app)
        m_app->UnregisterWindow(m_doc);
    if (m_main)
        m_main->RemoveWindowTab(m_name);
}

void CDCCCFrm::savePlacement()
{
    PrivateProfile ini(placementFile());
    WriteChildPlacement(ini, kPrivWndPlacement, geometry(), isMinimized(), isMaximized());
}

void CDCCCFrm::closeEvent(QCloseEvent *event)
{
    leaveWindowList();
    m_doc->Session()->Close();
    savePlacement();
    QMdiSubWindow::closeEvent(event);
}

CDCCCFrm *OpenDccChatWindow(CDCCChatSession *session, CMainFrame &mainFrame)
{
    auto *doc = new CDCCCDoc(session, mainFrame.app());
    auto *frame = new CDCCCFrm(doc, &mainFrame);
    frame->Open();
    return frame;
}
