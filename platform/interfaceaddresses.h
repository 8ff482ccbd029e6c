#pragma once

// The player's own IPv4 address: the configured one when it is to be used
// always, else the address of the first dial-up (ppp*) interface that is up,
// else the first address of the host name. The sources are injectable so that
// the order can be tested without real interfaces.

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace ferry {

struct InterfaceAddress {
    QString name;
    QHostAddress address;  // IPv4
    bool up = false;
};

// IPv4 addresses of every interface, in the order the system lists them.
QList<InterfaceAddress> systemInterfaceAddresses();

// The first address of an interface named ppp* that is up and has a non-zero address.
QHostAddress dialUpAddress(const QList<InterfaceAddress> &interfaces);

// The host name's IPv4 addresses without the loopback ones (a name often maps to
// 127.0.1.1 on Linux, which no peer can reach), followed by the addresses of the
// interfaces that are up and not loopback, without repeats.
QList<QHostAddress> hostAddresses(const QList<QHostAddress> &hostNameAddresses,
                                  const QList<InterfaceAddress> &interfaces);

// The host name's IPv4 addresses as the resolver gives them (blocking).
QList<QHostAddress> hostNameAddresses(const QString &hostName);

// This machine's host name's IPv4 addresses, looked up without blocking: `done`
// runs on context's thread when the resolver answers, never after context is gone.
using HostNameLookup = std::function<void(QObject *context, std::function<void(const QList<QHostAddress> &)> done)>;
void lookUpHostNameAddresses(QObject *context, std::function<void(const QList<QHostAddress> &)> done);

struct AddressSources {
    std::function<QList<InterfaceAddress>()> interfaces = systemInterfaceAddresses;
    std::function<QList<QHostAddress>()> hostNameAddresses = [] {
        return ferry::hostNameAddresses(QString());
    };
};

// The addresses offered for selection (the "Select IP Address" list).
QList<QHostAddress> candidateAddresses(const AddressSources &sources = {});

// The own address at start-up; null when none can be found (the caller then
// asks the user to select one). A configured address that is null or 0.0.0.0
// is not used even when it is to be used always.
QHostAddress determineOwnAddress(bool alwaysUseConfigured, const QHostAddress &configured,
                                 const AddressSources &sources = {});

} // namespace ferry
