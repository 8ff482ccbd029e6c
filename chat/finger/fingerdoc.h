#pragma once

// The document of a finger window: the target it asks about, the title the window
// is known by ("Finger: user@host", also its name in the window list and tabs) and
// the query itself. No widgets: the view attaches to textReceived.

#include "chat/finger/fingersession.h"

#include <QObject>
#include <QString>

namespace tavern {

class CFingerDoc : public QObject {
    Q_OBJECT
public:
    explicit CFingerDoc(const QString &target, QObject *parent = nullptr);

    QString Target() const { return m_target; }
    // "Finger: <target>"; the window's title and its name.
    QString Title() const { return m_title; }
    QString Name() const { return m_title; }

    CFingerSession &session() { return m_session; }

    // Starts the query once the view listens.
    void Start() { m_session.Start(); }

signals:
    void textReceived(const QString &text);

private:
    QString m_target;
    QString m_title;
    CFingerSession m_session;
};

} // namespace tavern
