#include "chat/app/clientwiring.h"

#include "chat/app/typedlines.h"
#include "chat/core/tavernwapp.h"
#include "chat/dcc/dccchatwindow.h"
#include "chat/dcc/dcchandover.h"
#include "chat/dcc/dccwindows.h"
#include "chat/finger/fingerview.h"
#include "chat/windows/chatframe.h"
#include "chat/windows/formcontrols.h"
#include "chat/windows/mainframe.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

using tavern::CMainFrame;

CDCCHandOver *WireDirectConnections(CTavernwApp &app, CMainFrame &frame, CFileOffers *offers)
{
    auto *handOver = new CDCCHandOver(&app, offers);
    AttachDccWindows(*handOver, frame);
    app.m_CommandHooks.dccChat = [handOver](const QString &nick) { handOver->DccChat(nick); };
    // The path is taken as typed (quotes and leading blanks are the hand-over's business).
    app.m_CommandHooks.dccSend = [handOver](const QString &nick, const QString &path) {
        handOver->DccCommand(QStringLiteral("send ") + nick + u' ' + path);
    };
    return handOver;
}

void WireFinger(CTavernwApp &app, CMainFrame &frame)
{
    QPointer<CTavernwApp> a(&app);
    QPointer<CMainFrame> f(&frame);
    tavern::FingerWindowHost host;
    host.viewSettings = [f] { return f ? f->ViewSettings() : tavern::MessageViewSettings{}; };
    host.runCommand = [f](const QString &command) {
        if (f)
            f->RunCommand(command);
    };
    host.place = [f](tavern::CFingerFrame *window) {
        if (!f)
            return false;
        f->windowArea()->addSubWindow(window);
        window->show();
        f->windowArea()->setActiveSubWindow(window);
        return true;
    };
    // The window map holds documents: a plain one stands for the finger window.
    host.opened = [a, f](const QString &title) {
        if (a)
            a->RegisterWindow(new CChatDoc(CChatDocBase::Kind::Direct, title, a));
        if (f)
            f->AddWindowTab(title);
    };
    host.closed = [a, f](const QString &title) {
        if (!a)
            return;
        if (CChatDocBase *doc = a->FindWindow(title); doc && doc->kind() == CChatDocBase::Kind::Direct) {
            a->UnregisterWindow(doc);
            doc->deleteLater();
        }
        if (f)
            f->RemoveWindowTab(title);
    };
    host.activated = [f](const QString &title) {
        if (f)
            f->SelectWindowTab(title);
    };
    app.m_CommandHooks.finger = [host](const QString &target) { tavern::OpenFingerWindow(target, host); };
}

void WireTypedLines(CTavernwApp &app, CMainFrame &frame, QObject *parent)
{
    CTypedLinesFeed *feed = CTypedLinesFeed::FromEnvironment(parent);
    if (!feed)
        return;
    QPointer<CTavernwApp> a(&app);
    QPointer<CMainFrame> f(&frame);
    QObject::connect(feed, &CTypedLinesFeed::lineTyped, feed, [a, f](const QString &window, const QString &text) {
        if (!a || !f)
            return;
        if (window.isEmpty()) {
            f->RunCommand(text);
            return;
        }
        if (auto *dcc = qobject_cast<CDCCCDoc *>(a->FindWindow(window)))
            dcc->SendText(text);
        else if (tavern::CChatFrame *chat = f->frameFor(window))
            chat->SendText(text);
        else if (QMdiSubWindow *form = f->formWindow(window))
            tavern::TypeIntoForm(form->widget(), text);
    });
    QObject::connect(feed, &CTypedLinesFeed::menuChosen, feed, [f](const QString &item) {
        if (!f)
            return;
        if (QAction *command = f->action(item))
            command->trigger();
    });
}
