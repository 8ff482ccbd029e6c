#include "controlcenter/settingsstore.h"

#include "common/registry.h"
#include "platform/regfile.h"
#include "platform/registrystore.h"

#include <QDir>
#include <QFile>

namespace ferry {

namespace {

void writeFlag(CRegistry &registry, const char *name, bool on)
{
    registry.SetStringValue(QLatin1String(name), flagText(on));
}

} // namespace

bool importSettingsFile(const QString &folder, QString *problem)
{
    const QString path = QDir(folder).filePath(QLatin1String(SettingsFileName));
    if (!QFile::exists(path))
        return false;
    reg::ImportResult result;
    if (auto store = reg::defaultStore(); store && store->isOpen())
        result = reg::importRegFile(*store, path);
    else
        result.refusal = QStringLiteral("the registry cannot be opened");
    if (result.complete()) {
        QFile::remove(path);
        return true;
    }
    // Kept for the player to mend: deleting it would lose the settings it carries.
    QString first = result.refusal;
    if (result.accepted && !result.errors.isEmpty())
        first = QStringLiteral("line %1: %2").arg(result.errors.first().line).arg(result.errors.first().message);
    if (problem)
        *problem = QStringLiteral("The settings file %1 was not imported completely and was left in place: %2.")
                       .arg(QDir::toNativeSeparators(path), first);
    return true;
}

bool copyLegacySettings()
{
    using namespace settingskeys;
    CRegistry legacy;
    if (!legacy.Open(QLatin1String(Legacy), KEY_READ) || legacy.GetNumberOfValues() < 2)
        return false;

    CRegistry current;
    if (!current.Create(QLatin1String(Ferry97)))
        return false;
    CRegistry servers;
    servers.Create(QLatin1String(Servers));

    QString name;
    CRegistry::KeyValueTypes type;
    QByteArray data;
    for (int index = 0; legacy.EnumerateValues(index, name, type, data); ++index)
        current.SetValue(name, type, data);
    return true;
}

void writeDefaultSettings()
{
    using namespace settingskeys;
    CRegistry registry;
    registry.Create(QLatin1String(Hollowell));
    if (!registry.Create(QLatin1String(Ferry97)))
        return;
    registry.SetStringValue(QLatin1String(Nickname), QLatin1String(DefaultNickname));
    registry.SetStringValue(QLatin1String(Email), QLatin1String(DefaultEmail));
    writeFlag(registry, AlwaysUseIp, false);
    constexpr AdvancedFlags firstStartFlags{true, true, true, true, true, false};
    for (const AdvancedFlagValue &value : kAdvancedFlagValues)
        writeFlag(registry, value.valueName, firstStartFlags.*value.flag);
    writeFlag(registry, SortByTask, true);
    writeFlag(registry, TranslateTaskNames, true);
    registry.Create(QLatin1String(Servers));
}

bool loadSettings(ControlCenterSettings &settings)
{
    if (settings.read())
        return true;
    if (!copyLegacySettings())
        writeDefaultSettings();
    return settings.read();
}

void writeIdentitySettings(const QString &nickname, const QString &email, const QString &addressText,
                           bool alwaysUseAddress)
{
    using namespace settingskeys;
    CRegistry registry;
    if (!registry.Create(QLatin1String(Ferry97)))
        return;
    registry.SetStringValue(QLatin1String(Nickname), nickname);
    registry.SetStringValue(QLatin1String(Email), email);
    registry.SetStringValue(QLatin1String(IpAddress), addressText);
    writeFlag(registry, AlwaysUseIp, alwaysUseAddress);
}

void writeAdvancedFlags(const AdvancedFlags &flags)
{
    using namespace settingskeys;
    CRegistry registry;
    if (!registry.Create(QLatin1String(Ferry97)))
        return;
    for (const AdvancedFlagValue &value : kAdvancedFlagValues)
        writeFlag(registry, value.valueName, flags.*value.flag);
}

} // namespace ferry
