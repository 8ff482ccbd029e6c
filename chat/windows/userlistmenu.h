#pragma once

// The menu a right-click opens on a channel's user list. Every item acts on the
// nickname selected in the list (n) in this channel (c) by running a slash command
// through the command interpreter with no target window, so the list never talks
// to the server itself:
//
//     "&True Ping"                   /tping n
//     "Toggle &Ignore"               /ignore n
//     "I&RC Chat Ping"               /ping n
//     "Send &Message"                the private window of n (no command)
//     "Initiate Secure &DCC Chat"    /dcc chat n
//     "Send &File"                   a file chosen in the open-file dialog: /dcc send n path
//     "&Whois"                       /whois n
//     "Operators" ▸ "Grant &Operator Status" /mode c +o n,  "Grant &Voice Status" /mode c +v n,
//                   "Take Operator Status"   /mode c -o n,  "Take Voice Status"   /mode c -v n,
//                   "&Kick User"             the kick dialog, then /kick c n reason
//
// The five operator items are enabled only while the list holds "@" followed by the
// user's own nickname, that is while the user operates this channel.

#include "chat/windows/commandrunner.h"

#include <QMenu>
#include <QPointer>

class CTavernwApp;
class CTavernwDoc;

namespace tavern {

class CUserListMenu : public QMenu {
    Q_OBJECT
public:
    // The menu of one channel document; parent owns the dialogs the items open.
    CUserListMenu(CTavernwDoc *doc, CTavernwApp *app, CommandRunner runCommand, QWidget *parent);

    // The item with this text, in the menu or its "Operators" submenu.
    QAction *item(const QString &text) const;

    // Whether own nick is listed with "@" in the channel.
    static bool IsOperatorOf(const CTavernwDoc &doc, const QString &ownNick);

private:
    QAction *addItem(QMenu *menu, const QString &text, void (CUserListMenu::*run)());
    void run(const QString &command);
    QString nick() const;
    QString channel() const;

    void truePing();
    void toggleIgnore();
    void chatPing();
    void sendMessage();
    void dccChat();
    void sendFile();
    void whois();
    void grantOperator();
    void grantVoice();
    void takeOperator();
    void takeVoice();
    void kickUser();

    QPointer<CTavernwDoc> m_doc;
    QPointer<CTavernwApp> m_app;
    CommandRunner m_runCommand;
    QList<QAction *> m_items;
};

} // namespace tavern
