#include "chat/windows/userlistmenu.h"

#include "chat/core/chatdocs.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/textfielddlg.h"
#include "platform/prompts.h"

namespace tavern {

CUserListMenu::CUserListMenu(CTavernwDoc *doc, CTavernwApp *app, CommandRunner runCommand, QWidget *parent)
    : QMenu(parent), m_doc(doc), m_app(app), m_runCommand(std::move(runCommand))
{
    addItem(this, QStringLiteral("&True Ping"), &CUserListMenu::truePing);
    addItem(this, QStringLiteral("Toggle &Ignore"), &CUserListMenu::toggleIgnore);
    addItem(this, QStringLiteral("I&RC Chat Ping"), &CUserListMenu::chatPing);
    addSeparator();
    addItem(this, QStringLiteral("Send &Message"), &CUserListMenu::sendMessage);
    addItem(this, QStringLiteral("Initiate Secure &DCC Chat"), &CUserListMenu::dccChat);
    addItem(this, QStringLiteral("Send &File"), &CUserListMenu::sendFile);
    addItem(this, QStringLiteral("&Whois"), &CUserListMenu::whois);
    addSeparator();

    QMenu *operators = addMenu(QStringLiteral("Operators"));
    const bool op = doc && app && IsOperatorOf(*doc, app->OwnNick());
    const QList<QAction *> opItems{
        addItem(operators, QStringLiteral("Grant &Operator Status"), &CUserListMenu::grantOperator),
        addItem(operators, QStringLiteral("Grant &Voice Status"), &CUserListMenu::grantVoice),
        addItem(operators, QStringLiteral("Take Operator Status"), &CUserListMenu::takeOperator),
        addItem(operators, QStringLiteral("Take Voice Status"), &CUserListMenu::takeVoice),
        addItem(operators, QStringLiteral("&Kick User"), &CUserListMenu::kickUser),
    };
    for (QAction *a : opItems)
        a->setEnabled(op);
}

bool CUserListMenu::IsOperatorOf(const CTavernwDoc &doc, const QString &ownNick)
{
    return !ownNick.isEmpty() && doc.Users().Contains(u'@' + ownNick);
}

QAction *CUserListMenu::addItem(QMenu *menu, const QString &text, void (CUserListMenu::*run)())
{
    QAction *a = menu->addAction(text);
    connect(a, &QAction::triggered, this, run);
    m_items << a;
    return a;
}

QAction *CUserListMenu::item(const QString &text) const
{
    for (QAction *a : m_items)
        if (a->text() == text)
            return a;
    return nullptr;
}

void CUserListMenu::run(const QString &command)
{
    if (m_runCommand)
        m_runCommand(command, QString());
}

QString CUserListMenu::nick() const
{
    return m_doc ? m_doc->SelectedNick() : QString();
}

QString CUserListMenu::channel() const
{
    return m_doc ? m_doc->Name() : QString();
}

void CUserListMenu::truePing() { run(QStringLiteral("/tping ") + nick()); }
void CUserListMenu::toggleIgnore() { run(QStringLiteral("/ignore ") + nick()); }
void CUserListMenu::chatPing() { run(QStringLiteral("/ping ") + nick()); }
void CUserListMenu::dccChat() { run(QStringLiteral("/dcc chat ") + nick()); }
void CUserListMenu::whois() { run(QStringLiteral("/whois ") + nick()); }
void CUserListMenu::grantOperator() { run(QStringLiteral("/mode %1 +o %2").arg(channel(), nick())); }
void CUserListMenu::grantVoice() { run(QStringLiteral("/mode %1 +v %2").arg(channel(), nick())); }
void CUserListMenu::takeOperator() { run(QStringLiteral("/mode %1 -o %2").arg(channel(), nick())); }
void CUserListMenu::takeVoice() { run(QStringLiteral("/mode %1 -v %2").arg(channel(), nick())); }

void CUserListMenu::sendMessage()
{
    // Without a selection there is nobody to talk to; an unnamed window would be none.
    if (m_app && !nick().isEmpty())
        m_app->OpenPrivateWindow(nick());
}

void CUserListMenu::sendFile()
{
    const QString who = nick(); // the selection may move while the dialog is open
    const auto path = ferry::prompts::openFile(parentWidget(), QStringLiteral("Open"), QString(),
                                               ferry::prompts::windowsFilter(QStringLiteral("All Files (*.*)|*.*||")));
    if (path)
        run(QStringLiteral("/dcc send %1 %2").arg(who, *path));
}

void CUserListMenu::kickUser()
{
    const QString who = nick();
    const QString where = channel();
    if (const auto reason = AskKickReason(parentWidget()))
        run(QStringLiteral("/kick %1 %2 %3").arg(where, who, *reason));
}

} // namespace tavern
