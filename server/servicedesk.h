#pragma once

// Answers the chat client's service requests (the payloads the control center
// forwards) with text for the asker, and carries out the operators' commands.

#include "server/roster.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <optional>

namespace ferryd {

// An operator: a nickname that counts only when it signed on from this address.
// A nickname alone proves nothing, anyone may sign on with it.
struct Operator {
    QByteArray nickname;
    QHostAddress address;
};

// "nick@address" (the address in dotted form); nullopt for anything else.
std::optional<Operator> parseOperator(const QString &text);

struct ServiceAnswer {
    QByteArray text;                 // lines for the asker, separated by line feeds
    std::optional<Player> removed;   // a player an operator removed
    QByteArray removedText;          // what that player is told
};

class ServiceDesk {
public:
    ServiceDesk(Roster &roster, QByteArray serverName, QList<Operator> operators)
        : m_roster(roster), m_serverName(std::move(serverName)), m_operators(std::move(operators)) {}

    // The answer to one payload from `asker` (null when the sender is not signed on).
    ServiceAnswer answer(const Player *asker, const QByteArray &payload);
    bool isOperator(const Player &p) const;

private:
    QByteArray userList() const;
    QByteArray whois(const QByteArray &nickname) const;

    Roster &m_roster;
    QByteArray m_serverName;
    QList<Operator> m_operators;
};

} // namespace ferryd
