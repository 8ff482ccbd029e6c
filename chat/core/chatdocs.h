#pragma once

// Documents of the chat windows: the Server window and private windows (CChatDoc)
// and channel windows (CTavernwDoc). A document holds what its window shows; views
// attach to its signals and draw it.

#include "chat/core/channelusers.h"
#include "chat/core/chatsettings.h"

#include <QObject>
#include <QString>

class CChatDocBase : public QObject {
    Q_OBJECT
public:
    // Direct: a window the core does not open itself (a DCC chat or transfer, a
    // finger window); it joins the window map by its title while it is open.
    enum class Kind { Server, Private, Channel, Direct };

    // Name of the window; a document made without a name is called "BADNEWS!".
    CChatDocBase(Kind kind, const QString &name, QObject *parent = nullptr);

    Kind kind() const { return m_kind; }
    bool IsChannel() const { return m_kind == Kind::Channel; }
    QString Name() const { return m_name; }
    QString Title() const { return m_title; }

    // Appends a line in the given colour to every view of the document.
    void AddLine(const QString &text, ChatColour colour);

signals:
    void lineAdded(const QString &text, ChatColour colour);
    void titleChanged(const QString &title);

protected:
    void setTitle(const QString &title);

private:
    Kind m_kind;
    QString m_name;
    QString m_title;
};

// The Server window and the private windows.
class CChatDoc : public CChatDocBase {
    Q_OBJECT
public:
    CChatDoc(Kind kind, const QString &name, QObject *parent = nullptr) : CChatDocBase(kind, name, parent) {}
};

// A channel window with its user list.
class CTavernwDoc : public CChatDocBase {
    Q_OBJECT
public:
    explicit CTavernwDoc(const QString &name, QObject *parent = nullptr)
        : CChatDocBase(Kind::Channel, name, parent)
    {
    }

    QString Topic() const { return m_topic; }
    QString ModeText() const { return m_modeText; }
    QString SelectedNick() const { return m_selectedNick; }
    void SetSelectedNick(const QString &nick) { m_selectedNick = nick; }

    // Stores the topic and shows the title text.
    void SetTopic(const QString &title, const QString &topic);
    // Stores the channel modes and shows "name[modes] - Topic: topic".
    void SetModeText(const QString &modes);

    bool AddUser(const QString &item);
    bool RemoveUser(const QString &nick);
    void SetUserMode(const QString &mode, const QString &nick);
    void RenameUser(const QString &newNick, const QString &oldNick);
    // Empties the user list (the connection was lost; a new join lists the users again).
    void ClearUsers();
    bool IsUserListed(const QString &nick) const { return m_users.IsUserListed(nick); }
    const CChannelUsers &Users() const { return m_users; }

signals:
    // One item left the users (at removedAt, an index before the change) and/or one
    // came in (at insertedAt, an index after it); both -1: the users changed in a way
    // that has no row (a large list, or all of them), and views read them again.
    void usersEdited(qsizetype removedAt, qsizetype insertedAt);

private:
    void announceUserChange();

    QString m_topic;
    QString m_modeText;
    QString m_selectedNick;
    CChannelUsers m_users;
};
