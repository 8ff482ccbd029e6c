#pragma once

// Connects the parts of the chat client that live outside the session core to the
// running application and its main frame: direct connections (the "/dcc" commands,
// incoming DCC offers, file requests and their windows), finger windows, and the
// typed-lines automation seam.

class CDCCHandOver;
class CFileOffers;
class CTavernwApp;
class QObject;

namespace tavern {
class CMainFrame;
}

// "/dcc chat", "/dcc send", incoming offers (asked through the prompt service) and
// file requests matched by offers; every session and transfer gets its window.
// The hand-over is a child of the application and returned for further use.
CDCCHandOver *WireDirectConnections(CTavernwApp &app, tavern::CMainFrame &frame, CFileOffers *offers);

// "/finger user@host" (and "finger:" links) open a finger window in the main
// frame that joins the window map and tabs under its title while it is open.
void WireFinger(CTavernwApp &app, tavern::CMainFrame &frame);

// Types the lines of FERRY_TYPED_LINES into the named windows when it is set.
void WireTypedLines(CTavernwApp &app, tavern::CMainFrame &frame, QObject *parent);
