#pragma once

// CTrackerSocket: the server tree's datagram socket, bound to the own address at
// the tracker port. It asks the tracker for the server directory ("Q") and a
// server for its player list ("?"), and hands the decoded answers on. Datagrams
// of other types, and datagrams too short for their type, are ignored.

#include "protocol/directory.h"

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

namespace ferry {

class CTrackerSocket : public QObject {
    Q_OBJECT
public:
    explicit CTrackerSocket(QObject *parent = nullptr);

    // Binds to the dotted own address at the tracker port. False when that fails.
    bool bind(const QString &ownAddressText);
    bool isBound() const { return m_socket.state() == QAbstractSocket::BoundState; }
    quint16 localPort() const { return m_socket.localPort(); }

    // "Q" to the tracker at the tracker port. A host name is looked up first; an
    // empty host sends nothing.
    void requestDirectory(const QString &trackerHost);
    // "?" to a server at the server port. False when the address is not dotted.
    bool requestPlayerList(const QString &serverAddress);

    // Handles one received datagram (the socket's own reads come here too).
    void handleDatagram(const QByteArray &datagram, const QHostAddress &from);

signals:
    void directoryReceived(const QList<ferry::datagrams::ServerEntry> &servers);
    void playerListReceived(const QHostAddress &from, const QList<ferry::datagrams::PlayerEntry> &players);

private:
    void readPending();
    void sendTo(const QByteArray &datagram, const QHostAddress &to, quint16 port);

    QUdpSocket m_socket;
};

} // namespace ferry
