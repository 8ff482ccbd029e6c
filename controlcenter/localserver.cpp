#include "controlcenter/localserver.h"

#include "server/ferryserver.h"

namespace ferry {

LocalServer::LocalServer() = default;
LocalServer::~LocalServer() = default;

bool LocalServer::start(const QHostAddress &ownAddress, const QByteArray &nickname, QString *error)
{
    stop();
    ferryd::Config config;
    config.address = ownAddress;
    config.name = nickname;
    config.tracker = false;
    auto server = std::make_unique<ferryd::FerryServer>(config, [](const QString &) {});
    if (!server->start(error))
        return false;
    server->admitHost(nickname, ownAddress);
    m_server = std::move(server);
    return true;
}

void LocalServer::stop()
{
    m_server.reset();
}

} // namespace ferry
