#include "controlcenter/ownaddress.h"

#include "platform/prompts.h"

namespace ferry {

QHostAddress chooseOwnAddress(bool alwaysUseConfigured, const QHostAddress &configured, QWidget *parent,
                              const AddressSources &sources, const FindItTarget &findItTarget)
{
    const QHostAddress detected = determineOwnAddress(alwaysUseConfigured, configured, sources);
    if (!detected.isNull())
        return detected;

    prompts::warning(parent, QStringLiteral("Error"),
                     QStringLiteral("Lanway98 was not able to determine your IP address. Please select an IP "
                                    "address from the following dialog or enter it manually in the settings "
                                    "dialog after Lanway98 starts."));
    SelectAddressDialog dialog(candidateAddresses(sources), parent, findItTarget);
    const bool chosen = prompts::execDialog(&dialog, dialog.windowTitle(),
                                            [&dialog](const QString &text) { dialog.chooseText(text); });
    return chosen ? dialog.chosenAddress() : QHostAddress();
}

std::unique_ptr<TunnelDriver> openTunnelDriver(QWidget *parent)
{
    auto driver = std::make_unique<TunnelDriver>();
    if (driver->open())
        return driver;
    prompts::warning(parent, QStringLiteral("Error"),
                     QStringLiteral("Unable to open Ferry VxD. This may be due to an older or different version "
                                    "of Ferry being run. Please reinstall Ferry and or reboot your computer and "
                                    "try again."));
    return nullptr;
}

} // namespace ferry
