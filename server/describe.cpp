#include "server/describe.h"

#include "protocol/serverdatagrams.h"
#include "protocol/directory.h"

#include <QHostAddress>

namespace ferryd {

namespace dg = ferry::datagrams;

QString printable(const QByteArray &s)
{
    QString out;
    for (char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\n')
            out += QStringLiteral(" | ");
        else if (b < 0x20 || b == 0x7F)
            out += QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0'));
        else
            out += QChar(b);
    }
    return out;
}

namespace {

QString typeAndSize(const QByteArray &d)
{
    return QStringLiteral("type %1, %2 bytes").arg(d.isEmpty() ? -1 : int(std::uint8_t(d.at(0)))).arg(d.size());
}

QString describePing(const dg::PeerPing &p)
{
    return QStringLiteral("peer ping %1 seq %2: record %3 nickname %4 address %5")
        .arg(dg::typeByte(p.type))
        .arg(p.sequence)
        .arg(p.record.type)
        .arg(printable(p.record.nickname))
        .arg(QHostAddress(p.record.address()).toString());
}

} // namespace

QString describeToServer(const QByteArray &d)
{
    if (const auto s = dg::decodeSignOn(d))
        return QStringLiteral("sign-on nickname \"%1\" e-mail \"%2\"").arg(printable(s->nickname), printable(s->email));
    if (const auto p = dg::decodePeerPing(d))
        return describePing(*p);
    if (const auto id = dg::decodeIdentification(d))
        return QStringLiteral("identification \"%1\"").arg(printable(*id));
    if (dg::isType(d, dg::ServerType::Logoff) && d.size() == 1)
        return QStringLiteral("logoff");
    if (dg::isType(d, dg::DirectoryType::PlayerListRequest))
        return QStringLiteral("player list request");
    if (const auto cmd = dg::decodeServicePayload(d)) {
        switch (dg::ServiceCode(cmd->subCode)) {
        case dg::ServiceCode::Users: return QStringLiteral("service request: users");
        case dg::ServiceCode::Whois: return QStringLiteral("service request: whois \"%1\"").arg(printable(cmd->name));
        case dg::ServiceCode::Ban: return QStringLiteral("service request: ban \"%1\"").arg(printable(cmd->name));
        case dg::ServiceCode::Unban: return QStringLiteral("service request: unban \"%1\"").arg(printable(cmd->name));
        case dg::ServiceCode::BanList: return QStringLiteral("service request: ban list");
        case dg::ServiceCode::Kill:
            return QStringLiteral("service request: remove \"%1\" (%2)").arg(printable(cmd->name), printable(cmd->reason));
        default: break;
        }
    }
    return QStringLiteral("unknown datagram, ") + typeAndSize(d);
}

QString describeToTracker(const QByteArray &d)
{
    if (dg::isType(d, dg::DirectoryType::DirectoryRequest))
        return QStringLiteral("directory request");
    return QStringLiteral("unknown datagram, ") + typeAndSize(d);
}

QString describeFromServer(const QByteArray &d)
{
    if (const auto a = dg::decodeAccepted(d))
        return QStringLiteral("accepted, tunnel %1:%2").arg(QHostAddress(a->tunnelAddress).toString()).arg(a->tunnelPort);
    if (const auto r = dg::decodeRefusal(d)) {
        switch (*r) {
        case dg::Refusal::NicknameInUse: return QStringLiteral("refused: nickname in use");
        case dg::Refusal::ServerFull: return QStringLiteral("refused: server full");
        case dg::Refusal::NoAccess: return QStringLiteral("refused: no access");
        }
    }
    if (const auto n = dg::decodeNotice(d))
        return QStringLiteral("notice \"%1\"").arg(printable(n->text));
    if (const auto p = dg::decodePeerPing(d))
        return describePing(*p);
    if (const auto dir = dg::decodeDirectory(d)) {
        QStringList names;
        for (const auto &s : *dir)
            names << printable(s.address) + QLatin1Char(' ') + printable(s.description);
        return QStringLiteral("directory: %1").arg(names.join(QStringLiteral(", ")));
    }
    if (const auto list = dg::decodePlayerList(d)) {
        QStringList names;
        for (const auto &p : *list)
            names << printable(p.nickname);
        return QStringLiteral("player list: %1").arg(names.join(QStringLiteral(", ")));
    }
    if (dg::isType(d, dg::ServerType::LogoffAcknowledged))
        return QStringLiteral("logoff acknowledged");
    if (dg::isType(d, dg::ServerType::IdentificationProbe))
        return QStringLiteral("identification probe");
    return QStringLiteral("datagram, ") + typeAndSize(d);
}

} // namespace ferryd
