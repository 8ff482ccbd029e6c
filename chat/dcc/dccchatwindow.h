#pragma once

// The DCC chat window: the document that holds one direct chat session and shows
// its lines, and the frame inside the main frame's window area with the message
// view on top and the input line below. The window is known by its title
// ("DCC Chat <peer>"): it joins the application's window map and the window tabs
// while it is open. Closing it ends the connection; the connection ending leaves
// the window open with "Chat Connection closed." until the user closes it.

#include "chat/core/chatdocs.h"
#include "chat/windows/inputline.h"
#include "chat/windows/messageview.h"

#include <QMdiSubWindow>
#include <QPointer>

class CDCCChatSession;
class CTavernwApp;

namespace tavern {
class CMainFrame;
}

class CDCCCDoc : public CChatDocBase {
    Q_OBJECT
public:
    // Takes the session over; its lines are shown in the app's colour settings.
    CDCCCDoc(CDCCChatSession *session, CTavernwApp *app, QObject *parent = nullptr);

    QString m_strPeerNick;
    CDCCChatSession *Session() const { return m_session; }

    // A line typed in the window: "/me ..." is an action, other "/" lines are
    // commands, the rest goes to the peer.
    void SendText(const QString &text);

private:
    CDCCChatSession *m_session;
};

class CDCCCFrm : public QMdiSubWindow {
    Q_OBJECT
public:
    static constexpr int kInputHeight = 30;

    CDCCCFrm(CDCCCDoc *doc, tavern::CMainFrame *mainFrame, QWidget *parent = nullptr);
    ~CDCCCFrm() override;

    CDCCCDoc *document() const { return m_doc; }
    tavern::CDCCCView *view() const { return m_view; }
    tavern::CInputLine *inputLine() const { return m_input; }
    QString windowName() const { return m_name; }

    // Puts the frame into the main frame's window area where "PrivWnd" says, adds
    // its tab, registers its title and gives the input line the focus.
    void Open();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void leaveWindowList();
    void savePlacement();

    CDCCCDoc *m_doc;
    QPointer<tavern::CMainFrame> m_main;
    QPointer<CTavernwApp> m_app;
    QString m_name;
    tavern::CDCCCView *m_view;
    tavern::CInputLine *m_input;
    bool m_listed = false;
};

// Opens the window of a freshly announced session in the main frame.
CDCCCFrm *OpenDccChatWindow(CDCCChatSession *session, tavern::CMainFrame &mainFrame);
