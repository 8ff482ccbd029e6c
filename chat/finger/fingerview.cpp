#include "chat/finger/fingerview.h"

#include <QMdiArea>

namespace tavern {

namespace {

MessageViewHost messageViewHost(const FingerWindowHost &host, const QString &title)
{
    MessageViewHost view;
    view.settings = host.viewSettings;
    view.windowName = [title] { return title; };
    view.runCommand = host.runCommand;
    view.openLink = host.openLink;
    return view;
}

} // namespace

CFingerView::CFingerView(CFingerDoc *doc, const FingerWindowHost &host, QWidget *parent)
    : CMessageView(messageViewHost(host, doc->Title()), parent), m_doc(doc)
{
    m_doc->setParent(this);
    if (host.port != 0)
        m_doc->session().setPort(host.port);
    connect(m_doc, &CFingerDoc::textReceived, this, &CMessageView::appendRaw);
}

void CFingerView::OnInitialUpdate()
{
    m_doc->Start();
}

CFingerFrame::CFingerFrame(CFingerView *view, FingerWindowHost host, QWidget *parent)
    : QMdiSubWindow(parent), m_view(view), m_host(std::move(host)), m_title(view->GetDocument()->Title())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(m_title);
    setWidget(view);
    connect(this, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
                if (!(before & Qt::WindowActive) && (now & Qt::WindowActive) && m_host.activated)
                    m_host.activated(m_title);
            });
}

CFingerFrame::~CFingerFrame()
{
    if (m_registered && m_host.closed)
        m_host.closed(m_title);
}

void CFingerFrame::Register()
{
    if (m_registered)
        return;
    m_registered = true;
    if (m_host.opened)
        m_host.opened(m_title);
}

void CFingerFrame::GiveWay()
{
    if (m_registered && m_host.closed)
        m_host.closed(m_title);
    m_registered = false;
    close(); // deleted later: the click that asked again may come from this very window
}

CFingerFrame *OpenFingerWindow(const QString &target, const FingerWindowHost &host)
{
    auto *view = new CFingerView(new CFingerDoc(target), host);
    auto *frame = new CFingerFrame(view, host);
    if (!host.place || !host.place(frame)) {
        delete frame;
        return nullptr;
    }
    // Two windows of one name would share one entry in the window list and one tab.
    if (QMdiArea *area = frame->mdiArea()) {
        for (QMdiSubWindow *other : area->subWindowList()) {
            auto *older = qobject_cast<CFingerFrame *>(other);
            if (older && older != frame && older->windowName() == frame->windowName())
                older->GiveWay();
        }
    }
    frame->Register();
    view->OnInitialUpdate();
    return frame;
}

} // namespace tavern
