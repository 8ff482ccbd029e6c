#pragma once

// The frame of one chat window inside the main frame's window area: the Server
// window and private windows (message view over input line) and channel windows
// (the same, with the user list as a column at the right). The frame shows its
// document's lines and title, sends what is typed through the command runner in
// the window's context, keeps its placement in "tavern97.ini" and applies the
// closing rules of its kind.

#include "chat/windows/commandrunner.h"
#include "chat/windows/inputline.h"
#include "chat/windows/messageview.h"

#include <QMdiSubWindow>
#include <QPointer>

class CChatDocBase;
class CPartnerRing;
class CTavernwApp;

namespace tavern {

class CChanUList;
struct PlacementSection;

// What a frame needs from the main frame.
struct ChatFrameHost {
    CTavernwApp *app = nullptr;
    std::function<MessageViewSettings()> viewSettings;
    CommandRunner runCommand;
    // The recent private-message partners that Tab in the input line walks.
    CPartnerRing *partners = nullptr;
};

class CChatFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    static constexpr int kInputHeight = 30;

    CChatFrame(CChatDocBase *doc, ChatFrameHost host, QWidget *parent = nullptr);

    CChatDocBase *document() const { return m_doc; }
    QString windowName() const { return m_name; }
    CMessageView *view() const { return m_view; }
    // The channel window's user list; null for the other kinds.
    CChanUList *userList() const { return m_userList; }
    // The input line: history, Tab, function keys (CSendChat / CSendView).
    CInputLine *inputLine() const { return m_input; }

    // The document's SendText: the text goes to the command interpreter with the
    // window's name as target; the Server window passes none.
    void SendText(const QString &text);

    // Moves and shows the frame as the kind's section in "tavern97.ini" says. Call
    // after the frame joined the window area, whose coordinates the rectangle uses.
    void RestorePlacement();
    const PlacementSection &placementSection() const;

    // The core dropped the document: closing now only stores the placement.
    void releaseDocument() { m_released = true; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void savePlacement();
    void scrollView(int key);
    // The user list's menu at a point in screen coordinates.
    void showUserMenu(const QPoint &globalPos);

    QPointer<CChatDocBase> m_doc;
    QString m_name;
    ChatFrameHost m_host;
    CMessageView *m_view = nullptr;
    CChanUList *m_userList = nullptr;
    CInputLine *m_input = nullptr;
    bool m_released = false;
};

// Channel windows use the same frame with the user list.
using CChildFrame = CChatFrame;

} // namespace tavern
