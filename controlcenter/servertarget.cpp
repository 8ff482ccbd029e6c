#include "controlcenter/servertarget.h"

#include "controlcenter/connectiontexts.h"
#include "controlcenter/dottedaddress.h"
#include "controlcenter/serverlist.h"

#include <algorithm>

namespace ferry {

bool ResolvedTarget::isLocal() const
{
    return target.compare(QLatin1String(connectiontexts::LocalTarget), Qt::CaseInsensitive) == 0;
}

ResolvedTarget resolveTarget(const ServerChoice &choice, const QString &defaultChatServer)
{
    ResolvedTarget resolved;
    if (choice.localServer) {
        resolved.target = QLatin1String(connectiontexts::LocalTarget);
        return resolved;
    }
    resolved.description = choice.description;
    const QString address = choice.address.trimmed();
    if (!choice.serverSelected || !parseDottedAddress(address)) {
        resolved.invalid = true;
        return resolved;
    }
    resolved.target = address;
    resolved.chatServer = choice.chatServer.isEmpty() ? defaultChatServer : choice.chatServer;
    return resolved;
}

std::optional<ServerChoice> chosenServerFromRegistry()
{
    const QList<CKServer> servers = serverlist::readServers();
    if (servers.isEmpty())
        return std::nullopt;
    const auto preferred = std::find_if(servers.begin(), servers.end(), [](const CKServer &s) { return s.preferred; });
    const CKServer &server = preferred != servers.end() ? *preferred : servers.first();
    ServerChoice choice;
    choice.localServer = server.address.compare(QLatin1String(serverlist::kLocalAddress), Qt::CaseInsensitive) == 0;
    choice.serverSelected = !choice.localServer;
    choice.description = server.name;
    choice.address = server.address;
    choice.chatServer = server.chatServer;
    return choice;
}

} // namespace ferry
