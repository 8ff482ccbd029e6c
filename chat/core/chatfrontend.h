#pragma once

// What the session core needs from the windows. The main frame implements it; the
// core never touches a widget. Tests put a recording fake in its place.

#include <QString>
#include <QStringList>

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

    virtual void Beep() = 0;
    // Fills the "Channel List" dialog with these entries and shows it restored.
    virtual void ShowChannelList(const QStringList &entries) = 0;
    // Restyles the message views of the Server, channel and private windows with
    // the font settings (FontName, FontSize).
    virtual void ApplyFont() = 0;
    // Ends the splash window and brings the main window to the top, restored.
    virtual void EndSplash() = 0;
};
