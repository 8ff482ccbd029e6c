#pragma once

// The local server. While it runs, the player's own games see each other with no
// tunnel (the driver's endpoint delivers locally), and this control center is a
// tunnelling server for other players as ferryd is: it answers sign-ons on the
// own address and routes their IPX frames, the player's own games joining
// through the driver's tunnel like any player's. Only the tracker is left out
// (the control center's tree holds that port).

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <memory>

namespace ferryd {
class FerryServer;
}

namespace ferry {

class LocalServer {
public:
    LocalServer();
    ~LocalServer();

    // Starts serving on the own address with the player as its host; false with a
    // reason when a port is taken (the player's games still see each other).
    bool start(const QHostAddress &ownAddress, const QByteArray &nickname, QString *error);
    void stop();
    bool isRunning() const { return m_server != nullptr; }
    ferryd::FerryServer *server() const { return m_server.get(); }

private:
    std::unique_ptr<ferryd::FerryServer> m_server;
};

} // namespace ferry
