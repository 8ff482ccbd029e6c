#pragma once

// The players signed on to this server, its player limit and its ban list.

#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QList>

#include <optional>

namespace ferryd {

// Where a player's datagrams come from and where its answers go.
struct Endpoint {
    QHostAddress address;
    quint16 port = 0;

    bool operator==(const Endpoint &o) const { return port == o.port && address.isEqual(o.address); }
    QString toString() const;
};

struct Player {
    QByteArray nickname;
    QByteArray email;
    Endpoint endpoint;
    QDateTime signedOnAt;
    int id = 0;               // unique for the server's run; names the player's tunnel
    qint64 lastHeardMs = 0;   // monotonic time of the player's last datagram
};

class Roster {
public:
    enum class Verdict { Accepted, NicknameInUse, ServerFull, NoAccess };

    // Players one address may hold at once: a sign-on from a fresh port is a
    // new player, and one host must not fill the server alone.
    static constexpr int kMaxPlayersPerAddress = 4;

    explicit Roster(int maxPlayers) : m_maxPlayers(maxPlayers) {}

    // Signs a player on. A sign-on repeated from the same endpoint (its accept
    // was lost and the control center retries) is accepted again; a new
    // nickname from that endpoint replaces the old one. A new player beyond the
    // limit, or beyond kMaxPlayersPerAddress from one address, finds the server full.
    Verdict signOn(const QByteArray &nickname, const QByteArray &email, const Endpoint &from);
    // Removes the player at the endpoint; false when none was signed on there.
    bool logoff(const Endpoint &from);
    // Removes the player with the nickname and returns it.
    std::optional<Player> remove(const QByteArray &nickname);

    const Player *at(const Endpoint &from) const;
    const Player *named(const QByteArray &nickname) const;
    const Player *withId(int id) const;
    // The player at the address (any port) with the nickname.
    const Player *atAddressNamed(const QHostAddress &address, const QByteArray &nickname) const;
    // Notes that the player was heard from at `nowMs`.
    void heardFrom(int id, qint64 nowMs);
    // Removes and returns the players not heard from for `silenceMs`.
    QList<Player> takeSilent(qint64 nowMs, qint64 silenceMs);
    // A player other than `except` whose address is the given IPv4 address (host order).
    const Player *atAddress(quint32 ipv4, const Endpoint &except) const;

    const QList<Player> &players() const { return m_players; }
    int maxPlayers() const { return m_maxPlayers; }

    // Bans name a nickname or a dotted address; matched without regard to case.
    bool ban(const QByteArray &mask);
    bool unban(const QByteArray &mask);
    const QList<QByteArray> &bans() const { return m_bans; }
    bool isBanned(const QByteArray &nickname, const QHostAddress &address) const;

private:
    int indexAt(const Endpoint &from) const;
    int indexNamed(const QByteArray &nickname) const;
    int countAt(const QHostAddress &address) const;

    int m_maxPlayers;
    int m_lastId = 0;
    QList<Player> m_players;
    QList<QByteArray> m_bans;
};

// Nicknames compare without regard to ASCII case, as the chat network does.
bool sameNickname(const QByteArray &a, const QByteArray &b);

} // namespace ferryd
