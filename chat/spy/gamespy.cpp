#include "chat/spy/gamespy.h"

#include "chat/core/tavernwapp.h"
#include "chat/windows/mainframe.h"

#include <QMdiArea>

namespace tavern {

CGameSpy::CGameSpy(GameSpyHost host, QObject *parent) : QObject(parent), m_host(std::move(host)) {}

bool CGameSpy::ToggleGameSpy()
{
    if (m_frame)
        m_frame->close(); // leaves the map and tabs at once; the widgets go later
    else
        open();
    return IsOpen();
}

void CGameSpy::open()
{
    if (!m_host.makeSocket)
        return;
    auto *view = new CGameView(m_host.makeSocket());
    auto *frame = new CDspyFrm(new CDwatchDoc, view);
    if (!m_host.place || !m_host.place(frame)) {
        delete frame;
        return;
    }
    frame->PlaceAtOrigin();
    m_frame = frame;
    frame->onClosing = [self = QPointer<CGameSpy>(this)](CDwatchDoc *doc) {
        if (self)
            self->onClosing(doc);
    };
    if (m_host.opened)
        m_host.opened(frame->GetDocument());
    if (m_host.openChanged)
        m_host.openChanged(true);
    view->OnInitialUpdate();
}

void CGameSpy::onClosing(CDwatchDoc *doc)
{
    m_frame.clear();
    if (m_host.closed)
        m_host.closed(doc);
    if (m_host.openChanged)
        m_host.openChanged(false);
}

GameSpyHost GameSpyHostFor(CTavernwApp &app, CMainFrame &frame)
{
    QPointer<CTavernwApp> a(&app);
    QPointer<CMainFrame> f(&frame);
    GameSpyHost host;
    host.place = [f](CDspyFrm *window) {
        if (!f)
            return false;
        f->windowArea()->addSubWindow(window);
        window->show();
        f->windowArea()->setActiveSubWindow(window);
        return true;
    };
    host.opened = [a, f](CDwatchDoc *doc) {
        if (a)
            a->RegisterWindow(doc);
        if (f)
            f->AddWindowTab(doc->Name());
    };
    host.closed = [a, f](CDwatchDoc *doc) {
        if (a)
            a->UnregisterWindow(doc);
        if (f)
            f->RemoveWindowTab(doc->Name());
    };
    host.openChanged = [f](bool open) {
        if (f)
            f->SetGameSpyChecked(open);
    };
    return host;
}

CGameSpy *AttachGameSpy(CTavernwApp &app, CMainFrame &frame, GameSpyHost host)
{
    auto *spy = new CGameSpy(std::move(host), &app);
    MainFrameCommands commands = frame.Commands();
    commands.toggleGameSpy = [spy = QPointer<CGameSpy>(spy)] { return spy && spy->ToggleGameSpy(); };
    frame.SetCommands(commands);
    return spy;
}

} // namespace tavern
