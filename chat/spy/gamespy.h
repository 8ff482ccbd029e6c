#pragma once

// The "&Descent Game Spy" menu entry: opens the game spy window, or closes it when
// it is open. While open, its document stands in the window map under its title
// and the window has its tab; the menu entry carries a check mark.
//
//     GameSpyHost host;                       // see WireGameSpy for the real one
//     CGameSpy spy(host);
//     frame commands: toggleGameSpy = [&] { return spy.ToggleGameSpy(); };

#include "chat/spy/dspyfrm.h"
#include "chat/spy/spysocket.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class CTavernwApp;

namespace tavern {

class CMainFrame;

struct GameSpyHost {
    // The IPX socket of a new spy window.
    std::function<std::unique_ptr<spy::ISpySocket>()> makeSocket;
    // Puts the window into the window area and shows it; false when it cannot.
    std::function<bool(CDspyFrm *)> place;
    // The document joins (opened) or leaves (closed) the window map and tabs.
    std::function<void(CDwatchDoc *)> opened;
    std::function<void(CDwatchDoc *)> closed;
    // The window opened or closed (the menu's check mark).
    std::function<void(bool open)> openChanged;
};

class CGameSpy : public QObject {
    Q_OBJECT
public:
    explicit CGameSpy(GameSpyHost host, QObject *parent = nullptr);

    // Opens the window when closed, closes it when open; returns whether it is open now.
    bool ToggleGameSpy();
    bool IsOpen() const { return !m_frame.isNull(); }
    CDspyFrm *frame() const { return m_frame; }

private:
    void open();
    void onClosing(CDwatchDoc *doc);

    GameSpyHost m_host;
    QPointer<CDspyFrm> m_frame;
};

// A host whose window lives in the main frame's window area and whose document
// joins the application's window map and the tabs; the socket is left to the caller.
GameSpyHost GameSpyHostFor(CTavernwApp &app, CMainFrame &frame);
// Gives the main frame's "&Descent Game Spy" entry to a game spy with that host
// (a child of the application) and returns it.
CGameSpy *AttachGameSpy(CTavernwApp &app, CMainFrame &frame, GameSpyHost host);
// The game spy of the running chat client: its socket registers with the control
// center's local IPX endpoint.
CGameSpy *WireGameSpy(CTavernwApp &app, CMainFrame &frame);

} // namespace tavern
