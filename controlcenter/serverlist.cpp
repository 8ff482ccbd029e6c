#include "controlcenter/serverlist.h"

#include "common/registry.h"
#include "controlcenter/dottedaddress.h"
#include "controlcenter/messages.h"
#include "controlcenter/settings.h"
#include "platform/prompts.h"

namespace ferry::serverlist {

namespace {

// The source line the "Debug" box has always named.
constexpr int kDebugLine = 209;

void reportUnreadable(QWidget *parent)
{
    prompts::message(parent, QLatin1String(messages::ErrorCaption), QLatin1String(messages::SettingsUnreadable));
}

} // namespace

std::optional<CKServer> parseEntry(const QString &description, const QString &data)
{
    const QString head = data.section(QLatin1Char(','), 0, 0);
    CKServer server(QString(), description);
    // "local" is accepted before a comma too, so that a preferred local entry,
    // written back as "LOCAL,preferred", is still read at the next start.
    if (head.compare(QLatin1String(kLocalAddress), Qt::CaseInsensitive) == 0)
        server.address = head;
    else if (const auto address = parseDottedAddress(head))
        server.address = dottedAddressText(*address);
    else
        return std::nullopt;
    server.preferred = data.contains(QLatin1String("preferred"));
    return server;
}

QString entryData(const CKServer &server)
{
    return server.preferred ? server.address + QLatin1String(kPreferredSuffix) : server.address;
}

QList<CKServer> readServers(QWidget *parent)
{
    QList<CKServer> servers;
    CRegistry registry;
    if (!registry.Open(QLatin1String(settingskeys::Servers), KEY_READ)) {
        // A list that was never written (settings imported without one) is an
        // empty list, not a broken installation; it is created at exit.
        if (registry.GetErrorCode() != ERROR_FILE_NOT_FOUND)
            reportUnreadable(parent);
        return servers;
    }
    const int count = registry.GetNumberOfValues();
    for (int index = 0; index < count; ++index) {
        QString name;
        CRegistry::KeyValueTypes type = REG_NONE;
        QByteArray data;
        if (!registry.EnumerateValues(index, name, type, data)) {
            const int code = registry.GetErrorCode();
            if (code == ERROR_NO_MORE_ITEMS)
                break;
            if (code != ERROR_MORE_DATA)
                prompts::message(parent, QStringLiteral("Debug"),
                                 QStringLiteral("Line:%1 0 based index = %2, retValue = %3, ValueLen = %4")
                                     .arg(kDebugLine)
                                     .arg(index)
                                     .arg(code)
                                     .arg(name.size()));
            continue;
        }
        if (!ferry::reg::isStringKind(type))
            continue;
        if (auto server = parseEntry(name, ferry::reg::decodeString(data)))
            servers.append(*server);
    }
    return servers;
}

bool writeServers(const QList<CKServer> &servers, QWidget *parent)
{
    CRegistry registry;
    bool ok = registry.Create(QLatin1String(settingskeys::Servers));
    for (const CKServer &server : servers) {
        if (!ok)
            break;
        ok = registry.SetStringValue(server.name, entryData(server));
    }
    if (!ok)
        reportUnreadable(parent);
    return ok;
}

QHash<QString, QString> readTaskNames()
{
    QHash<QString, QString> names;
    CRegistry registry;
    if (!registry.Open(QLatin1String(kTasksKey), KEY_READ) || registry.GetNumberOfValues() < 2)
        return names;
    QString task;
    CRegistry::KeyValueTypes type = REG_NONE;
    QByteArray data;
    for (int index = 0; registry.EnumerateValues(index, task, type, data); ++index) {
        if (ferry::reg::isStringKind(type))
            names.insert(task.trimmed().toLower(), ferry::reg::decodeString(data));
    }
    return names;
}

} // namespace ferry::serverlist
