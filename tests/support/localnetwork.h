#pragma once

// The local tunnelling network of the integration tests: the real ferryd on
// 127.0.0.2 (the control center binds its own address at the server port, so the
// server needs an address of its own), and the registry settings of a player
// whose control center signs on to it.

#include "tests/support/testenv.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace ferry::test {

inline const QString kLocalServerAddress = QStringLiteral("127.0.0.2");

// ferryd started in the test's environment (its port offset) on 127.0.0.2.
class FerrydProcess {
public:
    ~FerrydProcess();
    // Starts it with the extra arguments and waits for its listening line.
    bool start(const TestEnv &env, const QStringList &args = {});
    // Waits until a line of its output contains the text.
    bool waitForLine(const QString &text, int timeoutMs = 5000);
    QString output();

private:
    std::unique_ptr<QProcess> m_process;
    QString m_output;
};

// A player's control center settings: a fixed own address, one listed server.
struct PlayerSeed {
    QString nickname = QStringLiteral("hero");
    QString ownAddress = QStringLiteral("127.0.0.1");
    QString serverDescription = QStringLiteral("Home");
    QString serverAddress = kLocalServerAddress;
    QString chatServer = QStringLiteral("127.0.0.1:6667");
    bool runChatOnConnect = false;
};
// Writes the settings into the registry of the current FERRY_HOME.
bool seedPlayer(const PlayerSeed &seed);

// The chat server the chat client will use: ChatServer and ChatServerPort of the
// chat settings; nothing while either is missing.
struct ChatServerSetting {
    QString host;
    quint32 port = 0;
};
std::optional<ChatServerSetting> chatServerSetting();

} // namespace ferry::test
