#include "tests/support/localnetwork.h"

#include "common/registry.h"
#include "platform/registrystore.h"

#include <QTest>

namespace ferry::test {

FerrydProcess::~FerrydProcess()
{
    if (m_process)
        stopProcess(*m_process);
}

bool FerrydProcess::start(const TestEnv &env, const QStringList &args)
{
    m_process = env.start(QStringLiteral("ferryd"), QStringList{QStringLiteral("--address"), kLocalServerAddress} + args);
    return m_process->waitForStarted(5000) && waitForLine(QStringLiteral("listening on"));
}

QString FerrydProcess::output()
{
    if (m_process)
        m_output += QString::fromUtf8(m_process->readAllStandardOutput());
    return m_output;
}

bool FerrydProcess::waitForLine(const QString &text, int timeoutMs)
{
    return QTest::qWaitFor([&] { return output().contains(text); }, timeoutMs);
}

ConnectingControlCenter::~ConnectingControlCenter()
{
    m_memory.release();
    if (m_process)
        stopProcess(*m_process);
}

bool ConnectingControlCenter::start(const QProcessEnvironment &environment, const QString &home,
                                    const QString &shmName)
{
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(environment);
    m_process->setWorkingDirectory(home);
    m_process->setProcessChannelMode(QProcess::ForwardedChannels);
    m_process->start(TestEnv::program(QStringLiteral("ferrycc")), {QStringLiteral("--connect")});
    return m_process->waitForStarted(5000) && QTest::qWaitFor([&] {
        return m_memory.isMapped() || m_memory.open(shmName, sharedblock::Size) == SharedMemory::Result::Ok;
    }, 15000);
}

bool ConnectingControlCenter::waitUntilSignedOn(const QByteArray &serverName, int timeoutMs)
{
    return QTest::qWaitFor([&] { return block().serverName() == serverName; }, timeoutMs);
}

bool seedPlayer(const PlayerSeed &seed)
{
    CRegistry registry;
    if (!registry.Create(QStringLiteral("SOFTWARE\\Hollowell\\Ferry97")))
        return false;
    const auto text = [&](const char *name, const QString &value) {
        return registry.SetStringValue(QLatin1String(name), value);
    };
    const bool settings = text("Nickname", seed.nickname) && text("Email", seed.nickname + QStringLiteral("@lanway.test"))
        && text("IP Address", seed.ownAddress) && text("AlwaysUseIP", QStringLiteral("True"))
        && text("RunChatOnConnect", seed.runChatOnConnect ? QStringLiteral("True") : QStringLiteral("False"))
        && text("ChatServer", seed.chatServer) && text("tracker", seed.serverAddress);
    return settings && registry.Create(QStringLiteral("SOFTWARE\\Hollowell\\Ferry97\\Servers"))
        && registry.SetStringValue(seed.serverDescription, seed.serverAddress + QStringLiteral(",preferred"));
}

PlayerSeed TwoPlayers::buddySeed()
{
    PlayerSeed seed;
    seed.nickname = QStringLiteral("buddy");
    seed.ownAddress = QStringLiteral("127.0.0.3");
    return seed;
}

bool TwoPlayers::seed()
{
    const auto seedIn = [](const TestEnv &e, const PlayerSeed &s) {
        qputenv("FERRY_HOME", e.home().toUtf8());
        reg::resetDefaultStore();
        return seedPlayer(s);
    };
    return seedIn(buddyEnv, buddy) && seedIn(env, hero);
}

QProcessEnvironment TwoPlayers::buddyEnvironment() const
{
    QProcessEnvironment e = buddyEnv.environment();
    e.insert(QStringLiteral("FERRY_PORT_OFFSET"), QString::number(env.portOffset()));
    return e;
}

std::optional<ChatServerSetting> chatServerSetting()
{
    CRegistry chat;
    ChatServerSetting setting;
    if (!chat.Open(QStringLiteral("SOFTWARE\\Hollowell\\Ferry97\\Chat"), KEY_READ)
        || !chat.GetStringValue(QStringLiteral("ChatServer"), setting.host)
        || !chat.GetDoubleWordValue(QStringLiteral("ChatServerPort"), setting.port))
        return std::nullopt;
    return setting;
}

} // namespace ferry::test
