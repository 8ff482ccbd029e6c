#include "platform/interfaceaddresses.h"

#include <QHostInfo>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace ferry {

QList<InterfaceAddress> systemInterfaceAddresses()
{
    QList<InterfaceAddress> result;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return result;
    for (const ifaddrs *i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET)
            continue;
        const auto *in = reinterpret_cast<const sockaddr_in *>(i->ifa_addr);
        InterfaceAddress entry;
        entry.name = QString::fromLocal8Bit(i->ifa_name);
        entry.address = QHostAddress(ntohl(in->sin_addr.s_addr));
        entry.up = (i->ifa_flags & IFF_UP) != 0;
        result.append(entry);
    }
    ::freeifaddrs(list);
    return result;
}

QHostAddress dialUpAddress(const QList<InterfaceAddress> &interfaces)
{
    for (const InterfaceAddress &i : interfaces) {
        if (i.up && i.name.startsWith(QLatin1String("ppp")) && i.address.protocol() == QAbstractSocket::IPv4Protocol
            && i.address.toIPv4Address() != 0)
            return i.address;
    }
    return QHostAddress();
}

QList<QHostAddress> hostAddresses(const QList<QHostAddress> &hostNameAddresses,
                                  const QList<InterfaceAddress> &interfaces)
{
    QList<QHostAddress> result;
    const auto add = [&result](const QHostAddress &a) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback() && a.toIPv4Address() != 0
            && !result.contains(a))
            result.append(a);
    };
    for (const QHostAddress &a : hostNameAddresses)
        add(a);
    for (const InterfaceAddress &i : interfaces)
        if (i.up)
            add(i.address);
    return result;
}

QList<QHostAddress> hostNameAddresses(const QString &hostName)
{
    const QString name = hostName.isEmpty() ? QHostInfo::localHostName() : hostName;
    QList<QHostAddress> result;
    for (const QHostAddress &a : QHostInfo::fromName(name).addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            result.append(a);
    return result;
}

void lookUpHostNameAddresses(QObject *context, std::function<void(const QList<QHostAddress> &)> done)
{
    QHostInfo::lookupHost(QHostInfo::localHostName(), context, [done = std::move(done)](const QHostInfo &info) {
        QList<QHostAddress> result;
        for (const QHostAddress &a : info.addresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol)
                result.append(a);
        done(result);
    });
}

QList<QHostAddress> candidateAddresses(const AddressSources &sources)
{
    return hostAddresses(sources.hostNameAddresses(), sources.interfaces());
}

QHostAddress determineOwnAddress(bool alwaysUseConfigured, const QHostAddress &configured,
                                 const AddressSources &sources)
{
    // An always-used address that was never configured would be 0.0.0.0: detect instead.
    if (alwaysUseConfigured && !configured.isNull() && configured.toIPv4Address() != 0)
        return configured;
    const QList<InterfaceAddress> interfaces = sources.interfaces();
    const QHostAddress dialUp = dialUpAddress(interfaces);
    if (!dialUp.isNull())
        return dialUp;
    const QList<QHostAddress> hosts = hostAddresses(sources.hostNameAddresses(), interfaces);
    return hosts.isEmpty() ? QHostAddress() : hosts.first();
}

} // namespace ferry
