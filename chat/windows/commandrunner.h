#pragma once

// How the windows hand typed text and menu commands to the command interpreter:
// the text and the window it was typed in ("" for none, as the Server window and
// the menu commands pass). The main frame holds one runner; the interpreter
// replaces the stand-in below with CMainFrame::SetCommandRunner.

#include <QString>

#include <functional>

class CTavernwApp;

namespace tavern {

using CommandRunner = std::function<void(const QString &text, const QString &target)>;

// Stand-in until the full interpreter is plugged in: "/word rest" goes to the server
// as "WORD rest" ("/msg nick text" as a private message), plain text typed in a
// channel or private window is sent to it and shown there as "<nick> text"; plain
// text without a target window is not sent.
void RunBasicCommand(CTavernwApp &app, const QString &text, const QString &target);

} // namespace tavern
