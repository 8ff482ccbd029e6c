#pragma once

// What the session core needs from the windows: the only way the core reaches them.
// The main frame implements it; tests put a recording front end in its place. The
// core never touches a widget and never opens a dialog itself.

#include "chat/core/chatprompt.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class CChatDocBase;

class IChatFrontEnd {
public:
    virtual ~IChatFrontEnd() = default;

    // Makes the frame and views of a new document and shows it (with its tab).
    // False when the window cannot be made; the core then drops the document.
    virtual bool CreateWindowFor(CChatDocBase *doc) = 0;
    // Closes the frame of a document (with its tab) that the core is dropping.
    virtual void CloseWindowFor(CChatDocBase *doc) = 0;

    // Name on the selected window tab, and a repaint of the tab bar after the
    // core marked a tab as having unseen lines.
    virtual QString SelectedTabName() const = 0;
    virtual void RepaintTabs() = 0;
    // The repaint after one window's flag changed; a front end that can redraw that
    // one tab alone keeps a flood of lines from redrawing every tab each time.
    virtual void RepaintTab(const QString &name)
    {
        Q_UNUSED(name);
        RepaintTabs();
    }

    virtual void Beep() = 0;
    // Fills the "Channel List" dialog with these entries and shows it restored.
    virtual void ShowChannelList(const QStringList &entries) = 0;
    // Restyles the message views of the Server, channel and private windows with
    // the font settings (FontName, FontSize).
    virtual void ApplyFont() = 0;
    // Ends the splash window and brings the main window to the top, restored.
    virtual void EndSplash() = 0;

    // Shows a prompt (the core's prompt queue calls this outside server-line dispatch,
    // one prompt at a time) and calls answered exactly once when it closes, at once or
    // later. A modal box shown here must leave the event loop running.
    virtual void AskUser(const CChatPrompt &prompt, std::function<void(const CPromptAnswer &)> answered) = 0;
    // The font dialog of the Font command, started with this face and point size;
    // the chosen face and size, or nullopt when cancelled.
    virtual std::optional<std::pair<QString, int>> ChooseFont(const QString &face, int pointSize) = 0;
    // Opens an address in the system's web browser; false when that failed.
    virtual bool OpenUrl(const QString &url) = 0;
};
