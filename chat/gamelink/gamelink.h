#pragma once

// The chat client's link to the local game service: service requests typed as chat
// commands, the UDP pings between players, and the service's answers.
//
// Datagrams leave the application's local socket (127.0.0.1, port 2218 plus
// $FERRY_PORT_OFFSET) for 127.0.0.1 port 2217 plus the offset; the service answers
// on the same local socket. Nothing is retried and send errors are not examined:
// a lost datagram is simply lost.
//
// The link touches no window: it prints through its host, which the application
// wires to PrintLine (Status colour, Server window).

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

class CTavernwApp;
class QUdpSocket;

struct GameLinkHost {
    // Prints one line in the Status colour into the Server window.
    std::function<void(const QString &)> printStatus;
    // The own nickname and the configured channel, read at every use.
    std::function<QString()> ownNick;
    std::function<QString()> configuredChannel;
    // A ping time the service measured to a peer, for the user list's statistics
    // (negative times are printed only).
    std::function<void(const QString &nick, std::int32_t milliseconds)> recordPing;
};

class CGameLink : public QObject {
    Q_OBJECT
public:
    explicit CGameLink(GameLinkHost host, QObject *parent = nullptr);

    // Wires a link to the application: prints through PrintLine, reads its nickname
    // and configured channel, feeds the user records' ping statistics, answers the peers'
    // UDPPING replies with a ping request, runs the service commands the command
    // interpreter hands it, and uses the application's local socket.
    // Call it after ConnectToServer made that socket; the link is a child of the app.
    static CGameLink *AttachToApp(CTavernwApp &app);

    // The socket datagrams leave from and arrive on; not owned. Null sends nothing.
    void SetSocket(QUdpSocket *socket);

    // One datagram to the service.
    void SendToService(const QByteArray &datagram);
    // The receive notification: reads every waiting datagram (at most 1500 bytes each)
    // and handles those sent from the service's port on 127.0.0.1.
    void OnServiceDatagram();
    // Handles one received datagram by its type: 5 a peer's ping (answered), 6 a ping
    // time (printed and recorded), 240 text lines (printed); anything else, and any
    // datagram shorter than what its handler reads, is ignored.
    void HandleDatagram(const QByteArray &datagram);

    // ---- the chat commands that become service requests
    // /users: prints the request line, then asks for the user list.
    void RequestUsers();
    // /swhois name: prints the request line, then asks about the name (cut to 16).
    void RequestWhois(const QString &name);
    // /sban text, /sunban text (the text cut to 16).
    void Ban(const QString &text);
    void Unban(const QString &text);
    // /sblist
    void RequestBanList();
    // /skill arguments: `name [reason]`, `name :reason with blanks`, or `"name with
    // blanks" reason`; the name is cut to 15 bytes and the reason to 199.
    void Kill(const QString &arguments);
    // Runs the command word (compared without regard to case) when it is one of
    // users, swhois, sban, sunban, sblist, skill, with the command's argument text.
    // False for any other word, which the caller then handles.
    bool RunServiceCommand(const QString &word, const QString &arguments);

    // A peer answered our UDPPING with its address number: ask the service to
    // measure the time to it (ping record of type 5).
    void SendPingRequest(std::uint32_t peerAddress);

private:
    void print(const QString &text) const;
    QString ownNick() const;

    GameLinkHost m_host;
    QPointer<QUdpSocket> m_socket;
};
