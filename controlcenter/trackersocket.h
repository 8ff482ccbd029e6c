#pragma once

// CTrackerSocket: the server tree's datagram socket, bound to the own address at
// the tracker port. It asks the tracker for the server directory ("Q") and a
// server for its player list ("?"), and hands the decoded answers on. Datagrams
// of other types, and datagrams too short for their type, are ignored.
//
// Anyone can send a datagram to this port: an answer is taken only while a
// request is outstanding, from the address and port it went to, once per request
// and within kAnswerWindowMs. Everything else is dropped unread.

#include "protocol/directory.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QUdpSocket>

namespace ferry {

class CTrackerSocket : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kAnswerWindowMs = 30 * 1000;
    // Requests remembered at once; the oldest is forgotten beyond.
    static constexpr int kMaxOutstanding = 1024;

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

    // Handles one received datagram as an answer (the socket's reads come here
    // once they are found to answer a request).
    void handleDatagram(const QByteArray &datagram, const QHostAddress &from);
    // Whether a datagram from there answers an outstanding request; the request
    // is then answered and forgotten.
    bool takeAnswer(const QByteArray &datagram, const QHostAddress &from, quint16 fromPort);

signals:
    void directoryReceived(const QList<ferry::datagrams::ServerEntry> &servers);
    void playerListReceived(const QHostAddress &from, const QList<ferry::datagrams::PlayerEntry> &players);

private:
    void readPending();
    void sendTo(const QByteArray &datagram, const QHostAddress &to, quint16 port);

    struct Outstanding {
        std::uint8_t answerType = 0;
        QHostAddress to;
        quint16 port = 0;
        qint64 deadlineMs = 0;
    };

    QUdpSocket m_socket;
    QList<Outstanding> m_outstanding;
};

} // namespace ferry
