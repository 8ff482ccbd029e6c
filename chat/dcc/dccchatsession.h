#pragma once

// The connection behind one DCC chat window: listening for the peer (offering side)
// or connecting to the offered address (accepting side), cutting the peer's bytes
// into lines, sending typed lines and actions. It shows nothing itself: every line
// for the window leaves through lineToShow, and typed commands through
// commandTyped, so a window (or a test) plugs in by connecting to them.

#include "chat/dcc/dcccolour.h"
#include "chat/dcc/dccsocket.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class CDCCChatSession : public QObject, private CDCCSocketOwner {
    Q_OBJECT
public:
    // An empty peer nick stands for a window opened without one ("BADNEWS!").
    CDCCChatSession(const QString &peerNick, const QString &ownNick, QObject *parent = nullptr);
    ~CDCCChatSession() override;

    QString PeerNick() const { return m_peerNick; }
    // "DCC Chat <peer>".
    QString Title() const;
    void SetOwnNick(const QString &nick) { m_ownNick = nick; }

    // The window has opened: announces the connection attempt.
    void OnInitialUpdate();

    // Offering side: listens on a free port and returns it for the offer; 0 when no
    // port could be had (a line says why).
    std::uint16_t StartListening();
    // Accepting side: connects to the offer's address number and port. An address
    // of 0 or a port outside 1..65535 is not connected to (a line says so).
    bool ConnectToPeer(std::uint32_t address, std::uint32_t port);

    // A line typed in the window: "/me text" becomes an action, other lines that
    // start with '/' go to commandTyped, everything else to SendChatText.
    void SendTypedText(const QString &text);
    // Sends one line (or a CTCP ACTION) to the peer and echoes it; nothing happens
    // while no connection exists or when the text is empty.
    void SendChatText(const QString &text);

    bool IsConnected() const;
    // Closes the connection and the listening socket without printing (the window closes).
    void Close();

    // Received bytes not yet ended by a line end.
    QByteArray PendingBytes() const { return m_receiveBuffer; }

    // A line longer than this without a line end is shown as it stands.
    static constexpr qsizetype kMaxLineBytes = 16 * 1024;

signals:
    void lineToShow(const QString &text, DccColour colour);
    // A typed command for the command interpreter, to run with no target.
    void commandTyped(const QString &text);

private:
    void OnDccAccept(CDCCSocket *listener) override;
    void OnDccConnect(CDCCSocket *socket, bool ok) override;
    void OnDccReceive(CDCCSocket *socket) override;
    void OnDccClose(CDCCSocket *socket) override;

    void cutLines();
    void showPeerLine(const QByteArray &line);
    void show(const QString &text, DccColour colour);

    QString m_peerNick;
    QString m_ownNick;
    std::unique_ptr<CDCCSocket> m_listener;
    std::unique_ptr<CDCCSocket> m_connection;
    QByteArray m_receiveBuffer;
};
