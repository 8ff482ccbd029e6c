#pragma once

// ferryd's sockets: the server port (sign-on, logoff, player lists, service
// requests, peer pings), the tunnel port (the players' IPX frames, routed
// between them) and the tracker port (server directory), all on one address and
// moved by FERRY_PORT_OFFSET.

#include "protocol/directory.h"
#include "protocol/serverdatagrams.h"
#include "protocol/tunnelrouter.h"
#include "server/answerbudget.h"
#include "server/roster.h"
#include "server/servicedesk.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <functional>

class QUdpSocket;

namespace ferryd {

struct Config {
    QHostAddress address = QHostAddress(QStringLiteral("127.0.0.1"));
    QByteArray name = "ferryd";
    int maxPlayers = 32;
    QByteArray chatServer;                           // host:port advertised in the directory
    QList<ferry::datagrams::ServerEntry> others;     // further servers for the directory
    QList<Operator> operators;                       // who may ban and remove, from where
    QHostAddress tunnelAddress;                      // given to players; default: the listening address
    quint16 tunnelPort = 0;                          // listened on and given to players; default 2211
    bool tracker = true;                             // answer directory requests on the tracker port
    bool probe = false;                              // send the identification probe after accepting
};

class FerryServer : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString &)>;
    using Clock = std::function<qint64()>;  // milliseconds, monotonic

    // Players are dropped after this long without a datagram; the tunnel's
    // keep-alive (every 20 s) keeps a playing or idle player present.
    static constexpr qint64 kSilenceLimitMs = qint64(ferry::tunnel::kSilenceLimitSeconds) * 1000;

    FerryServer(Config config, Log log, QObject *parent = nullptr);
    ~FerryServer() override;

    // Binds the ports; false with a reason when one cannot be had.
    bool start(QString *error);

    quint16 serverPort() const;
    quint16 trackerPort() const;
    quint16 tunnelPort() const;

    // Signs on a player that plays on the server's own machine without a sign-on
    // datagram (the host of a local server): its tunnel is then welcomed from the
    // address with the nickname like any player's.
    void admitHost(const QByteArray &nickname, const QHostAddress &address);

    void setClock(Clock clock) { m_clock = std::move(clock); }
    // Drops the players silent for 10 minutes (run by a timer; tests call it).
    void dropSilentPlayers();

    const Roster &roster() const { return m_roster; }
    const ferry::tunnel::RouteCounters &tunnelCounters() const { return m_router.counters(); }
    // One line with the tunnel's counters, for the log at the end.
    QString tunnelSummary() const;

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
    void readTunnel();
    void handleTunnelFrame(const QByteArray &frame, const Endpoint &from);
    void handleHello(const ferry::tunnel::Hello &hello, const Endpoint &from);
    void dropFrame(ferry::tunnel::Drop drop, const Endpoint &from);
    void removePlayer(const Player &p);
    void send(QUdpSocket *socket, const QByteArray &d, const Endpoint &to);
    // An answer to someone who may not have signed on: within their budget only.
    void answerStranger(QUdpSocket *socket, const QByteArray &d, const Endpoint &to);
    QByteArray directory() const;
    QByteArray playerList() const;

    Config m_config;
    Log m_log;
    Clock m_clock;
    Roster m_roster;
    AnswerBudget m_strangerAnswers;
    ServiceDesk m_desk;
    ferry::tunnel::TunnelRouter m_router;
    QUdpSocket *m_server = nullptr;
    QUdpSocket *m_tracker = nullptr;
    QUdpSocket *m_tunnel = nullptr;
    QTimer m_silenceTimer;
};

} // namespace ferryd
