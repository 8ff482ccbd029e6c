#pragma once

// ferryd's sockets: the server port (sign-on, logoff, player lists, service
// requests, peer pings) and the tracker port (server directory), both on one
// address and moved by FERRY_PORT_OFFSET.

#include "protocol/serverdatagrams.h"
#include "protocol/directory.h"
#include "tools/ferryd/roster.h"
#include "tools/ferryd/servicedesk.h"

#include <QHostAddress>
#include <QObject>

#include <functional>

class QUdpSocket;

namespace ferryd {

struct Config {
    QHostAddress address = QHostAddress(QStringLiteral("127.0.0.1"));
    QByteArray name = "ferryd";
    int maxPlayers = 32;
    QByteArray chatServer;                           // host:port advertised in the directory
    QList<ferry::datagrams::ServerEntry> others;     // further servers for the directory
    QList<QByteArray> operators;                     // nicknames allowed to ban and remove
    QHostAddress tunnelAddress;                      // default: the listening address
    quint16 tunnelPort = 213;
    bool probe = false;                              // send the identification probe after accepting
};

class FerryServer : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString &)>;

    FerryServer(Config config, Log log, QObject *parent = nullptr);

    // Binds both ports; false with a reason when either cannot be had.
    bool start(QString *error);

    quint16 serverPort() const;
    quint16 trackerPort() const;

private:
    // Reads every waiting datagram of the socket, logs it and hands it on.
    void readAll(QUdpSocket *socket, QString (*describe)(const QByteArray &),
                 void (FerryServer::*handle)(const QByteArray &, const Endpoint &));
    void handleTracker(const QByteArray &d, const Endpoint &from);
    void handleServer(const QByteArray &d, const Endpoint &from);
    void handleSignOn(const ferry::datagrams::SignOn &s, const Endpoint &from);
    void handleLogoff(const Endpoint &from);
    void handlePeerPing(const QByteArray &d, const ferry::datagrams::PeerPing &ping, const Endpoint &from);
    void handleService(const QByteArray &payload, const Endpoint &from);
    void send(QUdpSocket *socket, const QByteArray &d, const Endpoint &to);
    QByteArray directory() const;
    QByteArray playerList() const;

    Config m_config;
    Log m_log;
    Roster m_roster;
    ServiceDesk m_desk;
    QUdpSocket *m_server = nullptr;
    QUdpSocket *m_tracker = nullptr;
};

} // namespace ferryd
