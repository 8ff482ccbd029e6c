#pragma once

// The local tunnelling network of the integration tests: the real ferryd on
// 127.0.0.2 (the control center binds its own address at the server port, so the
// server needs an address of its own), and the registry settings of a player
// whose control center signs on to it.

#include "common/sharedblock.h"
#include "platform/sharedmemory.h"
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
    qint64 processId() const { return m_process ? m_process->processId() : 0; }

private:
    std::unique_ptr<QProcess> m_process;
    QString m_output;
};

// A control center started with --connect (it signs on to the registry's preferred
// server at once) and the test's view of its shared block.
class ConnectingControlCenter {
public:
    ~ConnectingControlCenter();
    // Starts it and waits until its block is there.
    bool start(const QProcessEnvironment &environment, const QString &home, const QString &shmName);
    bool start(const TestEnv &env) { return start(env.environment(), env.home(), env.shmName()); }
    // Waits until the server's description stands in the block.
    bool waitUntilSignedOn(const QByteArray &serverName = "Home", int timeoutMs = 15000);
    SharedBlock block() const { return SharedBlock(m_memory.data()); }
    QProcess &process() { return *m_process; }

private:
    std::unique_ptr<QProcess> m_process;
    SharedMemory m_memory;
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

// Two players on one machine, as on two: the buddy (127.0.0.3) with a home and
// block of its own, the hero (127.0.0.1) whose environment is this process's.
// Both use the hero's port offset, so that they reach the same server ports.
struct TwoPlayers {
    TestEnv buddyEnv;
    TestEnv env;  // made last: this process's from here on
    PlayerSeed hero;
    PlayerSeed buddy = buddySeed();

    static PlayerSeed buddySeed();
    // Writes both players' settings, each into its own registry.
    bool seed();
    QProcessEnvironment buddyEnvironment() const;
    bool startBuddy(ConnectingControlCenter &cc) const
    {
        return cc.start(buddyEnvironment(), buddyEnv.home(), buddyEnv.shmName());
    }
};

// The chat server the chat client will use: ChatServer and ChatServerPort of the
// chat settings; nothing while either is missing.
struct ChatServerSetting {
    QString host;
    quint32 port = 0;
};
std::optional<ChatServerSetting> chatServerSetting();

} // namespace ferry::test
