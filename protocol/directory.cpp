#include "protocol/directory.h"

#include "protocol/bytes.h"

namespace ferry::datagrams {

using bytes::Reader;
using bytes::Writer;

namespace {

void putString(Writer &w, const QByteArray &s)
{
    // A NUL inside a value would end the string early and shift every later one.
    QByteArray clean = s;
    clean.replace('\0', "");
    w.raw(clean);
    w.u8(0);
}

void putKey(Writer &w, const char *key, const QByteArray &value)
{
    if (!value.isEmpty())
        putString(w, QByteArray(key) + value);
}

bool takeKey(const QByteArray &s, const char *key, QByteArray &value)
{
    if (!s.startsWith(key))
        return false;
    value = s.mid(qsizetype(qstrlen(key)));
    return true;
}

} // namespace

QByteArray encodeDirectory(const QList<ServerEntry> &servers)
{
    QByteArray out;
    Writer w(out);
    w.u8(typeByte(DirectoryType::Directory));
    for (const ServerEntry &s : servers) {
        putString(w, "IP=" + s.address);
        putKey(w, "NAME=", s.description);
        if (s.users != 0)
            putString(w, "USERS=" + QByteArray::number(s.users));
        putKey(w, "OWNER=", s.owner);
        putKey(w, "CLUSTER=", s.cluster);
        putKey(w, "HTTP=", s.http);
        putKey(w, "CHATSERVER=", s.chatServer);
    }
    w.u8(0);
    return out;
}

std::optional<QList<ServerEntry>> decodeDirectory(const QByteArray &datagram)
{
    if (!isType(datagram, DirectoryType::Directory))
        return std::nullopt;
    QList<ServerEntry> servers;
    Reader r(datagram);
    r.skip(1);
    while (r.remaining() > 0) {
        const QByteArray s = r.cstr();
        if (s.isEmpty())
            break;
        QByteArray v;
        if (takeKey(s, "IP=", v)) {
            servers.append(ServerEntry{});
            servers.last().address = v;
            continue;
        }
        if (servers.isEmpty())
            continue;  // attributes before the first server belong to none
        ServerEntry &cur = servers.last();
        if (takeKey(s, "USERS=", v))
            cur.users = v.toInt();
        else if (takeKey(s, "NAME=", v))
            cur.description = v;
        else if (takeKey(s, "OWNER=", v))
            cur.owner = v;
        else if (takeKey(s, "CLUSTER=", v))
            cur.cluster = v;
        else if (takeKey(s, "HTTP=", v))
            cur.http = v;
        else if (takeKey(s, "CHATSERVER=", v))
            cur.chatServer = v;
    }
    return servers;
}

// --- player list -------------------------------------------------------------

QByteArray encodePlayerList(const QList<PlayerEntry> &players)
{
    QByteArray out;
    Writer w(out);
    w.u8(typeByte(DirectoryType::PlayerList));
    for (const PlayerEntry &p : players) {
        if (p.nickname.isEmpty())
            continue;  // an empty nickname ends the list
        putString(w, p.nickname);
        putString(w, p.address);
        putString(w, p.task);
        putString(w, p.status);
        putString(w, p.operatorText);
    }
    w.u8(0);
    return out;
}

std::optional<QList<PlayerEntry>> decodePlayerList(const QByteArray &datagram)
{
    if (!isType(datagram, DirectoryType::PlayerList))
        return std::nullopt;
    QList<PlayerEntry> players;
    Reader r(datagram);
    r.skip(1);
    while (r.remaining() > 0) {
        PlayerEntry p;
        p.nickname = r.cstr();
        if (p.nickname.isEmpty())
            break;
        QByteArray *rest[] = {&p.address, &p.task, &p.status, &p.operatorText};
        bool complete = true;
        for (QByteArray *field : rest) {
            if (r.remaining() == 0) {
                complete = false;
                break;
            }
            *field = r.cstr();
        }
        if (!complete)
            break;
        players.append(p);
    }
    return players;
}

} // namespace ferry::datagrams
