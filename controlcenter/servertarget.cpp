#include "controlcenter/servertarget.h"

#include "common/registry.h"
#include "controlcenter/connectiontexts.h"
#include "controlcenter/dottedaddress.h"
#include "controlcenter/settings.h"

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
    CRegistry registry;
    if (!registry.Open(QLatin1String(settingskeys::Servers), KEY_READ))
        return std::nullopt;
    std::optional<ServerChoice> first;
    for (int i = 0;; ++i) {
        QString name;
        CRegistry::KeyValueTypes type;
        QByteArray data;
        if (!registry.EnumerateValues(i, name, type, data))
            break;
        QString text;
        if (!registry.GetStringValue(name, text))
            continue;
        const QString address = text.section(QLatin1Char(','), 0, 0).trimmed();
        const bool local = text.trimmed().compare(QLatin1String(connectiontexts::LocalTarget), Qt::CaseInsensitive) == 0;
        if (!local && !parseDottedAddress(address))
            continue;
        ServerChoice choice;
        choice.localServer = local;
        choice.serverSelected = !local;
        choice.description = name;
        choice.address = address;
        if (text.contains(QLatin1String("preferred")))
            return choice;
        if (!first)
            first = choice;
    }
    return first;
}

} // namespace ferry
