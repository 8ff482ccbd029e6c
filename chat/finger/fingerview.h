#pragma once

// The finger window: a read-only message view showing the answer of its document's
// query as received (plain text, links marked and active), and the sub-window that
// wraps it in the main frame's window area.
//
// Opening one (the "/finger user@host" command and "finger:" links):
//     FingerWindowHost host;
//     host.viewSettings = [&] { return frame.ViewSettings(); };
//     host.runCommand = [&](const QString &c) { frame.RunCommand(c); };
//     host.place = [&](CFingerFrame *w) { frame.windowArea()->addSubWindow(w); w->show(); return true; };
//     host.opened = [&](const QString &title) { /* m_WindowMap, AddWindowTab */ };
//     host.closed = [&](const QString &title) { /* RemoveWindowTab, window names */ };
//     host.activated = [&](const QString &title) { frame.SelectWindowTab(title); };
//     OpenFingerWindow("alice@example.org", host);

#include "chat/finger/fingerdoc.h"
#include "chat/windows/messageview.h"

#include <QMdiSubWindow>

#include <functional>

namespace tavern {

class CFingerFrame;

struct FingerWindowHost {
    // Colours, font and scrollback of the view; defaults when empty.
    std::function<MessageViewSettings()> viewSettings;
    // Runs the command of a "finger:" or "getfile:" link.
    std::function<void(const QString &)> runCommand;
    // Opens any other link; the desktop's handler when empty.
    std::function<void(const QString &)> openLink;
    // Puts the new window into the window area and shows it. False when it cannot
    // be placed; the window is then deleted and nothing is asked.
    std::function<bool(CFingerFrame *)> place;
    // The window joined (opened) or left (closed) the window list and tabs, by title.
    std::function<void(const QString &)> opened;
    std::function<void(const QString &)> closed;
    // The window became the active one (its tab is selected).
    std::function<void(const QString &)> activated;
    // Service port of the query; tests point it at their own daemon.
    quint16 port = 0;
};

class CFingerView : public CMessageView {
    Q_OBJECT
public:
    // The view shows the document's text; the document is owned by the view.
    CFingerView(CFingerDoc *doc, const FingerWindowHost &host, QWidget *parent = nullptr);

    CFingerDoc *GetDocument() const { return m_doc; }
    // Starts the query (the view's initial update).
    void OnInitialUpdate();

private:
    CFingerDoc *m_doc;
};

class CFingerFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CFingerFrame(CFingerView *view, FingerWindowHost host, QWidget *parent = nullptr);
    ~CFingerFrame() override;

    CFingerView *view() const { return m_view; }
    QString windowName() const { return m_title; }

    // Joins the window list and tabs (host.opened); the frame leaves them when it
    // is deleted (host.closed).
    void Register();
    // Leaves the window list and tabs at once and closes: a new window for the same
    // target takes its name.
    void GiveWay();

private:
    CFingerView *m_view;
    FingerWindowHost m_host;
    QString m_title;
    bool m_registered = false;
};

// Makes the document, view and frame for a target ("user@host"), places the frame
// through host.place, registers it through host.opened and starts the query. A
// finger window of the same target already in the window area gives way to it.
// Returns the frame, or null when it could not be placed.
CFingerFrame *OpenFingerWindow(const QString &target, const FingerWindowHost &host);

} // namespace tavern
