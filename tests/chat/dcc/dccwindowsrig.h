#pragma once

// Two chat clients in one process, each with a real main frame, application
// object and the direct connections wired as the running client wires them. Offers travel from one to
// the other through the dispatcher as the chat server would deliver them; the
// direct connections are real loopback sockets.

#include "chat/app/clientwiring.h"
#include "chat/core/tavernwapp.h"
#include "chat/dcc/dccchatwindow.h"
#include "chat/dcc/dccfilewindow.h"
#include "chat/dcc/dcchandover.h"
#include "chat/windows/chatframe.h"
#include "chat/windows/mainframe.h"
#include "chat/windows/windowtabs.h"
#include "tests/support/filebytes.h"

#include <QFile>
#include <QMdiArea>
#include <QStringList>

// Bytes that differ from block to block, so a misplaced block shows.
inline QByteArray filePattern(qsizetype size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char((i * seed + i / 251) & 0xFF);
    return data;
}

struct DccSide {
    tavern::CMainFrame frame;
    CTavernwApp app{&frame};
    CDCCHandOver *handOver;
    QStringList sent;
    QStringList commands;

    explicit DccSide(const QString &nick)
    {
        app.SetOwnNick(nick);
        app.SetIdentity({nick, nick + QStringLiteral("@lanway.test"), {127, 0, 0, 1}});
        frame.SetCommandRunner([this](const QString &text, const QString &) { commands << text; });
        frame.Attach(&app);
        app.OpenServerWindow();
        frame.show();
        handOver = WireDirectConnections(app, frame, nullptr);
        QObject::connect(&app, &CTavernwApp::lineSent, [this](const QByteArray &b) { sent << QString::fromUtf8(b); });
    }

    // Hands the last offer this side sent to `to`, as the chat server would.
    void deliverOfferTo(DccSide &to)
    {
        for (qsizetype i = sent.size() - 1; i >= 0; --i) {
            if (sent.at(i).startsWith(QLatin1String("PRIVMSG "))) {
                to.app.OnServerLine(QStringLiteral(":%1!u@h ").arg(app.OwnNick()) + sent.at(i).trimmed());
                return;
            }
        }
    }

    template <typename Frame>
    Frame *find(const QString &title) const
    {
        for (QMdiSubWindow *w : frame.windowArea()->subWindowList())
            if (auto *f = qobject_cast<Frame *>(w); f && f->windowName() == title)
                return f;
        return nullptr;
    }
    CDCCCFrm *chat(const QString &title) const { return find<CDCCCFrm>(title); }
    CDCCFFrm *transfer(const QString &title) const { return find<CDCCFFrm>(title); }

    static QStringList shown(tavern::CMessageView *view)
    {
        view->flush();
        QStringList lines = view->toPlainText().split(u'\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast(); // the line end after the last line
        return lines;
    }
    QStringList chatLines(const QString &title) const
    {
        CDCCCFrm *f = chat(title);
        return f ? shown(f->view()) : QStringList();
    }
    QStringList serverLines() const { return shown(frame.frameFor(QStringLiteral("Server"))->view()); }
    bool hasTab(const QString &name) const { return frame.tabBar()->findWindowTab(name) >= 0; }
    bool inWindowMap(const QString &name) const { return app.Windows().Contains(name); }
};
