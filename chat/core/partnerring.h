#pragma once

// The ring of recent private-message partners that Tab in an input line walks.
// Each partner is listed once (names compared without regard to case); the most
// recent comes first and the ring keeps the last kCapacity of them. Next() hands
// out the partners in ring order and wraps to the first; noting a partner starts
// the walk again from the front.

#include <QObject>
#include <QString>
#include <QStringList>

class CTavernwApp;

class CPartnerRing : public QObject {
    Q_OBJECT
public:
    static constexpr int kCapacity = 10;

    using QObject::QObject;

    // Feeds the ring from an application: the nicknames of private messages it sends
    // (PRIVMSG to a nickname that is no CTCP request) and of those it receives.
    void AttachToApp(CTavernwApp &app);

    // Puts a partner at the front. Empty names and channel names are not partners.
    void Note(const QString &nick);
    // The next partner in ring order, wrapping; empty when the ring is empty.
    QString Next();
    bool IsEmpty() const { return m_partners.isEmpty(); }
    const QStringList &Partners() const { return m_partners; }

private:
    QStringList m_partners;
    int m_next = 0;
};
