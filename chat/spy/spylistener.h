#pragma once

// The game spy's listener: it asks the IPX network for Descent or Descent II
// netgames, collects the announcements into a list of games keyed by name, and
// gives the details of a chosen game and player. The window calls PollSpySocket
// from its 100 ms timer and shows what the signals tell.
//
//     CSpyListener listener(std::make_unique<SomeSocket>());
//     connect(&listener, &CSpyListener::gameAdded, ...);   // and the other signals
//     listener.OpenSpySocket();       // Descent II, offset 0
//     listener.SendGameRequest();     // the broadcast, sent once the socket is ready
//     every 100 ms: listener.PollSpySocket();

#include "chat/spy/spynames.h"
#include "chat/spy/spypackets.h"
#include "chat/spy/spysocket.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace tavern::spy {

class CSpyListener : public QObject {
    Q_OBJECT
public:
    static constexpr int kTicksPerBroadcast = 200; // 20 s of 100 ms ticks
    static constexpr int kMaxGames = 256;          // per mode; later games are not listed
    static constexpr int kMaxDatagramsPerTick = 256;

    explicit CSpyListener(std::unique_ptr<ISpySocket> socket, QObject *parent = nullptr);
    ~CSpyListener() override;

    SpyMode Mode() const { return m_mode; }
    int SocketOffset() const { return m_offset; }
    std::uint16_t SocketNumber() const { return SpySocketNumber(m_mode, m_offset); }
    QStringList GameNames() const;
    ISpySocket &socket() const { return *m_socket; }

    // Binds the socket of the mode and offset now in force; the requests get the
    // own address as soon as the socket knows it.
    void OpenSpySocket();
    // A new mode or socket offset (-100..100): that mode's games are forgotten, the
    // socket moves to the new number and the broadcast goes out.
    void ReopenSpySocket(SpyMode mode, int offset);
    // The mode's broadcast request (held back until the socket is ready).
    void SendGameRequest();
    // One timer tick: the broadcast every 20 s, then the datagrams waiting.
    void PollSpySocket();
    // A game chosen in the list: Descent II asks its host, Descent I shows it at once.
    void SelectGame(const QString &name);
    // A player chosen in the player list (exact name, first 8 players only).
    void SelectPlayer(const QString &name);

    // The request buffers as they would go out now (tests, window dump).
    const RequestBuffer &descent2Request() const { return m_descent2Request; }
    const RequestBuffer &descent1Request() const { return m_descent1Request; }

signals:
    void gameListCleared();
    void gameAdded(const QString &name);
    // A Descent II game was chosen and its host asked; its details are on the way.
    void waitingForGame();
    void gameShown(const tavern::spy::SpyGameFields &fields);
    // The player list anew; the window selects row 0 and shows it.
    void playersShown(const QStringList &names);
    void playerShown(const tavern::spy::SpyPlayerFields &fields);
    // The socket could not open: the text to tell the user. The spy cannot go on.
    void socketFailed(const QString &text);

private:
    struct Game {
        QString name;
        QByteArray datagram; // the last announcement, as stored
        SpyAddress from;
    };

    QList<Game> &games() { return m_games[m_mode == SpyMode::Descent2 ? 1 : 0]; }
    const QList<Game> &games() const { return m_games[m_mode == SpyMode::Descent2 ? 1 : 0]; }
    Game *findGame(const QString &name);
    void onSocketState();
    void dispatch(const SpyDatagram &datagram);
    void onAnnouncement(const QByteArray &stored, const SpyAddress &from);
    void onDescent2Game(const QByteArray &stored);
    void onDescent2Players(const QByteArray &stored);
    bool answersLastRequest(const QByteArray &stored) const;
    void send(const SpyAddress &to, const RequestBuffer &request);

    std::unique_ptr<ISpySocket> m_socket;
    SpyMode m_mode = SpyMode::Descent2;
    int m_offset = 0;
    QList<Game> m_games[2];
    RequestBuffer m_descent2Request{};
    RequestBuffer m_descent1Request{};
    bool m_requestsFilled = false;
    bool m_broadcastPending = false;
    bool m_failed = false;
    int m_ticks = 0;

    QString m_selectedGame;
    bool m_gameRequested = false; // a Descent II host was asked since the last (re)open
    QByteArray m_descent2Game;    // the last accepted full game information
    QByteArray m_playerBlock;     // the last accepted players datagram (kPlayerBlockSize bytes)
    QString m_selectedPlayer;
};

} // namespace tavern::spy
