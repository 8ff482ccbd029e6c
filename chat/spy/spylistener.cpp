#include "chat/spy/spylistener.h"

#include <algorithm>

namespace tavern::spy {

CSpyListener::CSpyListener(std::unique_ptr<ISpySocket> socket, QObject *parent)
    : QObject(parent), m_socket(std::move(socket))
{
}

CSpyListener::~CSpyListener() = default;

QStringList CSpyListener::GameNames() const
{
    QStringList names;
    for (const Game &g : games())
        names << g.name;
    return names;
}

CSpyListener::Game *CSpyListener::findGame(const QString &name)
{
    for (Game &g : games())
        if (g.name.compare(name, Qt::CaseInsensitive) == 0)
            return &g;
    return nullptr;
}

void CSpyListener::OpenSpySocket()
{
    m_socket->Bind(SocketNumber());
    onSocketState();
}

void CSpyListener::ReopenSpySocket(SpyMode mode, int offset)
{
    m_mode = mode;
    m_offset = std::clamp(offset, kMinSocketOffset, kMaxSocketOffset);
    games().clear();
    m_selectedGame.clear();
    m_gameRequested = false;
    emit gameListCleared();
    m_socket->Bind(SocketNumber());
    SendGameRequest();
}

void CSpyListener::SendGameRequest()
{
    if (!m_requestsFilled) {
        m_broadcastPending = true;
        return;
    }
    const SpyAddress everyone = BroadcastAddress(SocketNumber());
    if (m_mode == SpyMode::Descent2) {
        // The broadcast reuses the buffer: after a selection it carries that game's security value.
        SetRequestType(m_descent2Request, kD2GameListRequest);
        send(everyone, m_descent2Request);
    } else {
        send(everyone, m_descent1Request);
    }
}

void CSpyListener::send(const SpyAddress &to, const RequestBuffer &request)
{
    m_socket->SendTo(to, RequestBytes(request));
}

void CSpyListener::PollSpySocket()
{
    if (m_failed)
        return;
    if (++m_ticks >= kTicksPerBroadcast) {
        m_ticks = 0;
        SendGameRequest();
    }
    for (int n = 0; n < kMaxDatagramsPerTick; ++n) {
        const std::optional<SpyDatagram> datagram = m_socket->Receive();
        if (!datagram)
            break;
        dispatch(*datagram);
    }
    onSocketState();
}

// The socket became ready (the requests get the own address; a held-back broadcast
// goes out) or failed (said once).
void CSpyListener::onSocketState()
{
    switch (m_socket->state()) {
    case ISpySocket::State::Ready:
        if (!m_requestsFilled) {
            const SpyAddress own = m_socket->ownAddress();
            m_descent2Request = Descent2Request(own);
            m_descent1Request = Descent1Request(own);
            m_requestsFilled = true;
        }
        if (m_broadcastPending) {
            m_broadcastPending = false;
            SendGameRequest();
        }
        break;
    case ISpySocket::State::Failed:
        if (!m_failed) {
            m_failed = true;
            emit socketFailed(m_socket->failureText());
        }
        break;
    case ISpySocket::State::Opening:
        break;
    }
}

void CSpyListener::dispatch(const SpyDatagram &datagram)
{
    const std::optional<std::uint8_t> type = PacketType(datagram.payload);
    if (!type)
        return;
    const QByteArray stored = StoredDatagram(m_mode, datagram.payload);
    if (m_mode == SpyMode::Descent2) {
        if (*type == kD2Announcement)
            onAnnouncement(stored, datagram.from);
        else if (*type == kD2GameInfo)
            onDescent2Game(stored);
        else if (*type == kD2Players)
            onDescent2Players(stored);
    } else if (*type == kD1GameInfo) {
        onAnnouncement(stored, datagram.from);
    }
}

void CSpyListener::onAnnouncement(const QByteArray &stored, const SpyAddress &from)
{
    const QString name = WireText(AnnouncedName(m_mode, stored));
    if (name.isEmpty())
        return;
    if (Game *g = findGame(name)) {
        g->datagram = stored;
        g->from = from;
        return;
    }
    if (games().size() >= kMaxGames)
        return;
    games().append(Game{name, stored, from});
    emit gameAdded(name);
}

// Game and player answers count only when they carry the security value of the
// request last sent to a host.
bool CSpyListener::answersLastRequest(const QByteArray &stored) const
{
    return m_gameRequested && SecurityOf(stored) == RequestSecurity(m_descent2Request);
}

void CSpyListener::onDescent2Game(const QByteArray &stored)
{
    if (!answersLastRequest(stored))
        return;
    const SpyGame game = DecodeDescent2Game(stored);
    if (Game *g = findGame(WireText(game.name)))
        g->datagram = stored;
    m_descent2Game = stored;
    emit gameShown(GameFields(SpyMode::Descent2, game));
    // The players came first: their kills, deaths and scores are here now.
    if (!m_playerBlock.isEmpty() && !m_selectedPlayer.isEmpty())
        SelectPlayer(m_selectedPlayer);
}

void CSpyListener::onDescent2Players(const QByteArray &stored)
{
    if (!answersLastRequest(stored))
        return;
    m_playerBlock = stored.left(kPlayerBlockSize);
    QStringList names;
    for (const QByteArray &name : Descent2PlayerNames(m_playerBlock))
        if (!name.isEmpty())
            names << WireText(name);
    emit playersShown(names);
}

void CSpyListener::SelectGame(const QString &name)
{
    Game *g = findGame(name);
    if (!g)
        return;
    m_selectedGame = g->name;
    if (m_mode == SpyMode::Descent2) {
        SetRequestSecurity(m_descent2Request, SecurityOf(g->datagram));
        SetRequestType(m_descent2Request, kD2GameInfoRequest);
        m_gameRequested = true;
        m_descent2Game.clear();
        m_playerBlock.clear();
        m_selectedPlayer.clear();
        emit waitingForGame();
        send(g->from, m_descent2Request);
        return;
    }
    emit gameShown(GameFields(SpyMode::Descent1, DecodeDescent1Game(g->datagram)));
    QStringList names;
    for (const QByteArray &player : Descent1PlayerNames(g->datagram))
        if (!player.isEmpty())
            names << WireText(player);
    emit playersShown(names);
}

void CSpyListener::SelectPlayer(const QString &name)
{
    m_selectedPlayer = name;
    const QByteArray wireName = name.toLatin1();
    std::optional<SpyPlayer> player;
    if (m_mode == SpyMode::Descent2) {
        if (!m_playerBlock.isEmpty())
            player = FindDescent2Player(m_playerBlock, StoredDatagram(SpyMode::Descent2, m_descent2Game), wireName);
    } else if (const Game *g = findGame(m_selectedGame); g && !m_selectedGame.isEmpty()) {
        player = FindDescent1Player(g->datagram, wireName);
    }
    if (player)
        emit playerShown(PlayerFields(*player));
}

} // namespace tavern::spy
