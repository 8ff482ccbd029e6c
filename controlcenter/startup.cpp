#include "controlcenter/startup.h"

#include "common/splashwindow.h"
#include "controlcenter/maindialog.h"
#include "controlcenter/messages.h"
#include "controlcenter/ownaddress.h"
#include "controlcenter/settingsstore.h"
#include "platform/prompts.h"
#include "platform/requests.h"
#include "protocol/unixsignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace ferry {

namespace {

constexpr int kHostNameMaxLength = 128;

// The splash stays above every window; a box of the start-up (no own address, no
// tracker socket) would open half hidden beneath it. It goes as soon as any other
// window of the program shows, the main dialog included.
class SplashCloser : public QObject {
public:
    explicit SplashCloser(CSplashThread &splash) : m_splash(splash) { qApp->installEventFilter(this); }
    ~SplashCloser() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType() && watched != &m_splash) {
            const auto *widget = static_cast<QWidget *>(watched);
            const Qt::WindowType type = widget->windowType();
            if (widget->isWindow() && (type == Qt::Dialog || type == Qt::Window)) {
                qApp->removeEventFilter(this);
                m_splash.requestClose();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    CSplashThread &m_splash;
};

// The host name's addresses, looked up while the event loop runs: the splash is
// drawn meanwhile, and a second start that asks this one to come to the front is
// answered at once instead of after the resolver (which may take seconds).
QList<QHostAddress> hostNameAddressesWhileRunning()
{
    QEventLoop loop;
    bool done = false;
    QList<QHostAddress> found;
    lookUpHostNameAddresses(&loop, [&](const QList<QHostAddress> &named) {
        found = named;
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
    return found;
}

} // namespace

int runControlCenter()
{
    // One control center per session block: a later start hands over to the running one.
    const QString endpoint = requests::controlCenterEndpointName();
    if (requests::sendRequest(endpoint, requests::Request::BringToFront))
        return 0;
    requests::Receiver laterStarts;
    laterStarts.listen(endpoint);

    // The record starts with its built-in defaults; "settings.reg" lands before anything is read.
    ControlCenterSettings settings;
    QString settingsFileProblem;
    importSettingsFile(QDir::currentPath(), &settingsFileProblem);
    if (!settingsFileProblem.isEmpty())
        prompts::warning(nullptr, QLatin1String(messages::ErrorCaption), settingsFileProblem);
    if (!loadSettings(settings)) {
        prompts::message(nullptr, QLatin1String(messages::ErrorCaption),
                         QLatin1String(messages::SettingsUnreadable));
        return 1;
    }

    std::unique_ptr<CSplashThread> splash = CSplashThread::showControlCenterSplash();
    if (!splash) {
        prompts::error(nullptr, QLatin1String(messages::ErrorCaption), QLatin1String(messages::SplashFailed));
        return 1;
    }
    SplashCloser splashCloser(*splash);

    settings.hostName = QHostInfo::localHostName().left(kHostNameMaxLength);
    const QHostAddress configured =
        settings.configuredAddressText.isEmpty() ? QHostAddress() : QHostAddress(settings.configuredAddress);
    AddressSources sources;
    sources.hostNameAddresses = [named = std::optional<QList<QHostAddress>>()]() mutable {
        if (!named)
            named = hostNameAddressesWhileRunning();
        return *named;
    };
    const QHostAddress own = chooseOwnAddress(settings.alwaysUseConfiguredAddress, configured, nullptr, sources);
    settings.setOwnAddress(own.isNull() ? 0 : own.toIPv4Address());

    std::unique_ptr<TunnelDriver> driver = openTunnelDriver();
    if (!driver)
        return 1;

    MainDialog dialog(settings, *driver);
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &dialog, &MainDialog::exitNow);
    QObject::connect(&laterStarts, &requests::Receiver::bringToFrontRequested, &dialog, &MainDialog::bringToFront);
    if (!dialog.initialize()) {
        driver->close();
        return 1;
    }
    dialog.show();
    dialog.bringToFront();
    // "--connect": sign on to the preferred server of the registry's list at once.
    if (QCoreApplication::arguments().contains(QStringLiteral("--connect"))) {
        if (const auto choice = chosenServerFromRegistry())
            QTimer::singleShot(0, &dialog, [&dialog, c = *choice] { dialog.connection().connectTo(c); });
    }
    splash->requestClose();
    dialog.exec();
    driver->close();
    return 0;
}

} // namespace ferry
