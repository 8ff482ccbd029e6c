#include "server/roster.h"

namespace ferryd {

QString Endpoint::toString() const
{
    return address.toString() + QLatin1Char(':') + QString::number(port);
}

bool sameNickname(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int Roster::indexAt(const Endpoint &from) const
{
    for (int i = 0; i < m_players.size(); ++i) {
        if (m_players[i].endpoint == from)
            return i;
    }
    return -1;
}

int Roster::indexNamed(const QByteArray &nickname) const
{
    for (int i = 0; i < m_players.size(); ++i) {
        if (sameNickname(m_players[i].nickname, nickname))
            return i;
    }
    return -1;
}

int Roster::countAt(const QHostAddress &address) const
{
    int n = 0;
    for (const Player &p : m_players) {
        if (p.endpoint.address.isEqual(address, QHostAddress::TolerantConversion))
            ++n;
    }
    return n;
}

Roster::Verdict Roster::signOn(const QByteArray &nickname, const QByteArray &email, const Endpoint &from)
{
    if (nickname.isEmpty() || isBanned(nickname, from.address))
        return Verdict::NoAccess;
    const int same = indexAt(from);
    const int named = indexNamed(nickname);
    if (named >= 0 && named != same)
        return Verdict::NicknameInUse;
    if (same < 0 && (m_players.size() >= m_maxPlayers || countAt(from.address) >= kMaxPlayersPerAddress))
        return Verdict::ServerFull;
    if (same >= 0) {
        m_players[same].nickname = nickname;
        m_players[same].email = email;
        return Verdict::Accepted;
    }
    m_players.append(Player{nickname, email, from, QDateTime::currentDateTimeUtc(), ++m_lastId, 0});
    return Verdict::Accepted;
}

bool Roster::logoff(const Endpoint &from)
{
    const int i = indexAt(from);
    if (i < 0)
        return false;
    m_players.removeAt(i);
    return true;
}

std::optional<Player> Roster::remove(const QByteArray &nickname)
{
    const int i = indexNamed(nickname);
    if (i < 0)
        return std::nullopt;
    return m_players.takeAt(i);
}

const Player *Roster::at(const Endpoint &from) const
{
    const int i = indexAt(from);
    return i < 0 ? nullptr : &m_players[i];
}

const Player *Roster::named(const QByteArray &nickname) const
{
    const int i = indexNamed(nickname);
    return i < 0 ? nullptr : &m_players[i];
}

const Player *Roster::withId(int id) const
{
    for (const Player &p : m_players) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

const Player *Roster::atAddressNamed(const QHostAddress &address, const QByteArray &nickname) const
{
    for (const Player &p : m_players) {
        if (p.endpoint.address.isEqual(address, QHostAddress::TolerantConversion) && sameNickname(p.nickname, nickname))
            return &p;
    }
    return nullptr;
}

void Roster::heardFrom(int id, qint64 nowMs)
{
    for (Player &p : m_players) {
        if (p.id == id)
            p.lastHeardMs = nowMs;
    }
}

QList<Player> Roster::takeSilent(qint64 nowMs, qint64 silenceMs)
{
    QList<Player> silent;
    for (qsizetype i = 0; i < m_players.size();) {
        if (nowMs - m_players[i].lastHeardMs >= silenceMs)
            silent.append(m_players.takeAt(i));
        else
            ++i;
    }
    return silent;
}

const Player *Roster::atAddress(quint32 ipv4, const Endpoint &except) const
{
    for (const Player &p : m_players) {
        bool ok = false;
        if (!(p.endpoint == except) && p.endpoint.address.toIPv4Address(&ok) == ipv4 && ok)
            return &p;
    }
    return nullptr;
}

bool Roster::ban(const QByteArray &mask)
{
    if (mask.isEmpty())
        return false;
    for (const QByteArray &b : m_bans) {
        if (sameNickname(b, mask))
            return false;
    }
    m_bans.append(mask);
    return true;
}

bool Roster::unban(const QByteArray &mask)
{
    for (int i = 0; i < m_bans.size(); ++i) {
        if (sameNickname(m_bans[i], mask)) {
            m_bans.removeAt(i);
            return true;
        }
    }
    return false;
}

bool Roster::isBanned(const QByteArray &nickname, const QHostAddress &address) const
{
    const QByteArray dotted = address.toString().toLatin1();
    for (const QByteArray &b : m_bans) {
        if (sameNickname(b, nickname) || b == dotted)
            return true;
    }
    return false;
}

} // namespace ferryd
