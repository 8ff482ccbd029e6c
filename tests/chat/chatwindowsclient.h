#pragma once

// A chat client with real windows on the offscreen screen: the main frame, the
// application object, and helpers to feed server lines and read what the windows show.

#include "chat/core/tavernwapp.h"
#include "chat/windows/chatframe.h"
#include "chat/windows/mainframe.h"
#include "tests/support/testenv.h"

#include <QMdiArea>
#include <QStringList>

struct WindowedClient {
    ferry::test::TestEnv env;
    tavern::CMainFrame frame;
    CTavernwApp app{&frame};

    explicit WindowedClient(const QString &nick = QStringLiteral("me"))
    {
        app.SetOwnNick(nick);
        frame.Attach(&app);
        app.OpenServerWindow();
        frame.show();
    }
    void feed(const QString &line) { app.FeedServerBytes(line.toUtf8() + "\r\n"); }
    tavern::CChatFrame *window(const QString &name) const { return frame.frameFor(name); }
    // The lines the window's message view shows.
    QStringList shown(const QString &name) const
    {
        tavern::CChatFrame *w = window(name);
        if (!w)
            return {};
        w->view()->flush();
        return w->view()->toPlainText().split(u'\n');
    }
    int windowCount() const { return int(frame.windowArea()->subWindowList().size()); }
};
