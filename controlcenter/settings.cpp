#include "controlcenter/settings.h"

#include "common/registry.h"
#include "controlcenter/dottedaddress.h"

namespace ferry {

namespace {

// Assigns the string value when it is present.
void readText(CRegistry &registry, const char *name, QString &field)
{
    QString value;
    if (registry.GetStringValue(QLatin1String(name), value))
        field = value;
}

void readFlag(CRegistry &registry, const char *name, bool &field)
{
    QString value;
    if (registry.GetStringValue(QLatin1String(name), value))
        field = flagIsOn(value);
}

} // namespace

bool flagIsOn(const QString &text)
{
    return text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

QString flagText(bool on)
{
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

bool ControlCenterSettings::read(CRegistry &registry)
{
    using namespace settingskeys;
    if (!registry.Open(QLatin1String(Ferry97), KEY_READ) || registry.GetNumberOfValues() < 2) {
        registry.Close();
        return false;
    }
    readText(registry, Nickname, nickname);
    readText(registry, Email, email);

    QString address;
    readText(registry, IpAddress, address);
    // An empty value leaves the configured address alone; text that is not an
    // address is ignored rather than turned into a broadcast address.
    if (!address.isEmpty()) {
        if (const auto parsed = parseDottedAddress(address)) {
            configuredAddress = *parsed;
            configuredAddressText = dottedAddressText(*parsed);
        }
    }

    readFlag(registry, AlwaysUseIp, alwaysUseConfiguredAddress);
    for (const AdvancedFlagValue &value : kAdvancedFlagValues)
        readFlag(registry, value.valueName, advanced.*value.flag);
    readFlag(registry, SortByTask, sortByTask);
    readFlag(registry, TranslateTaskNames, translateTaskNames);
    readText(registry, HelpServer, helpServer);
    readText(registry, FirstHelpPage, firstHelpPage);
    readText(registry, ChatServer, chatServer);
    readText(registry, Tracker, tracker);
    registry.Close();

    applyDisableAltTab(advanced.disableAltTab);
    return true;
}

bool ControlCenterSettings::read()
{
    CRegistry registry;
    return read(registry);
}

void ControlCenterSettings::setOwnAddress(quint32 address)
{
    ownAddress = address;
    ownAddressText = dottedAddressText(address);
}

void ControlCenterSettings::fillDriverOptions(DriverStatusRecord &record) const
{
    record.compression = advanced.enableCompression ? 1 : 0;
    record.unbufferedSends = advanced.bufferSends ? 0 : 1;
    record.ipxOverSockets = advanced.enableIpxWinsock ? 1 : 0;
    record.sendSocketClose = advanced.sendSocketClose ? 1 : 0;
}

void applyDisableAltTab(bool on)
{
    Q_UNUSED(on);
}

} // namespace ferry
