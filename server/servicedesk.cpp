#include "server/servicedesk.h"

#include "protocol/serverdatagrams.h"

namespace ferryd {

namespace dg = ferry::datagrams;

std::optional<Operator> parseOperator(const QString &text)
{
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
    if (at <= 0)
        return std::nullopt;
    const QHostAddress address(text.mid(at + 1));
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    return Operator{text.left(at).toUtf8(), address};
}

bool ServiceDesk::isOperator(const Player &p) const
{
    for (const Operator &op : m_operators) {
        if (sameNickname(op.nickname, p.nickname) && p.endpoint.address.isEqual(op.address, QHostAddress::TolerantConversion))
            return true;
    }
    return false;
}

QByteArray ServiceDesk::userList() const
{
    const QList<Player> &players = m_roster.players();
    QByteArray text = "Players on " + m_serverName + ": " + QByteArray::number(players.size()) + " of "
        + QByteArray::number(m_roster.maxPlayers());
    for (const Player &p : players)
        text += "\n  " + p.nickname + "  " + p.endpoint.address.toString().toLatin1();
    return text;
}

QByteArray ServiceDesk::whois(const QByteArray &nickname) const
{
    const Player *p = m_roster.named(nickname);
    if (!p)
        return "No player named " + nickname + " is signed on.";
    const qint64 minutes = p->signedOnAt.secsTo(QDateTime::currentDateTimeUtc()) / 60;
    return p->nickname + " is at " + p->endpoint.address.toString().toLatin1() + ", e-mail "
        + (p->email.isEmpty() ? QByteArray("unknown") : p->email) + ", signed on for "
        + QByteArray::number(minutes) + " min.";
}

ServiceAnswer ServiceDesk::answer(const Player *asker, const QByteArray &payload)
{
    ServiceAnswer a;
    if (!asker) {
        a.text = "You are not signed on to this server.";
        return a;
    }
    const auto cmd = dg::decodeServicePayload(payload);
    if (!cmd) {
        a.text = "Malformed service request.";
        return a;
    }
    using dg::ServiceCode;
    switch (ServiceCode(cmd->subCode)) {
    case ServiceCode::Users:
        a.text = userList();
        return a;
    case ServiceCode::Whois:
        a.text = whois(cmd->name);
        return a;
    case ServiceCode::Kill:
    case ServiceCode::Ban:
    case ServiceCode::Unban:
    case ServiceCode::BanList:
        break;
    default:
        a.text = "Unknown service request " + QByteArray::number(cmd->subCode) + ".";
        return a;
    }

    if (!isOperator(*asker)) {
        a.text = "Only server operators may do that.";
        return a;
    }
    switch (ServiceCode(cmd->subCode)) {
    case ServiceCode::Users:
    case ServiceCode::Whois:
        break;
    case ServiceCode::Ban:
        a.text = m_roster.ban(cmd->name) ? "Banned " + cmd->name + "." : cmd->name + " is already banned.";
        break;
    case ServiceCode::Unban:
        a.text = m_roster.unban(cmd->name) ? "Unbanned " + cmd->name + "." : cmd->name + " is not banned.";
        break;
    case ServiceCode::BanList:
        a.text = m_roster.bans().isEmpty() ? QByteArray("No bans.") : "Bans: " + m_roster.bans().join(' ');
        break;
    case ServiceCode::Kill:
        a.removed = m_roster.remove(cmd->name);
        if (!a.removed) {
            a.text = "No player named " + cmd->name + " is signed on.";
        } else {
            a.text = "Removed " + a.removed->nickname + " (" + cmd->reason + ").";
            a.removedText = "You were removed from the server by " + asker->nickname + ": " + cmd->reason;
        }
        break;
    }
    return a;
}

} // namespace ferryd
