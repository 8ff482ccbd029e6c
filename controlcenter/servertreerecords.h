#pragma once

// The records behind the server tree's rows: servers, players and the task groups
// players are sorted into. The list roots carry none. A row's kind is told by the
// record's class.

#include <QByteArray>
#include <QString>

namespace ferry {

// The one server that is always listed among the active servers, whatever its
// user count: the reference server of local play (see the README).
inline constexpr char kDefaultServerAddress[] = "127.0.0.2";

class CKTreeElement {
public:
    CKTreeElement() = default;
    CKTreeElement(const QString &address, const QString &name) : address(address), name(name) {}
    virtual ~CKTreeElement() = default;

    QString address;
    QString name;
};

class CKServer : public CKTreeElement {
public:
    using CKTreeElement::CKTreeElement;

    int users = 0;
    bool preferred = false;
    QString owner;
    QString cluster;
    QString http;
    QString chatServer;  // host:port
};

class CKClient : public CKTreeElement {
public:
    using CKTreeElement::CKTreeElement;

    QString task;          // trimmed and lower-cased
    QString operatorText;  // "Yes" (any case) marks an operator
    QString status;        // kept, never shown
};

// A task group under a server; its name is the label, it has no address.
class CKGame : public CKTreeElement {
public:
    explicit CKGame(const QString &label) : CKTreeElement(QString(), label) {}
};

// Text received from the network: UTF-8 when it is valid UTF-8, else Windows-1252.
QString networkText(const QByteArray &bytes);

} // namespace ferry
