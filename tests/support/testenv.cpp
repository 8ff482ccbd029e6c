#include "tests/support/testenv.h"

#include "platform/prompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QUdpSocket>
#include <QTextStream>

#include <unistd.h>

namespace ferry::test {

namespace {

// Whether the fixed ports (2210..2224) moved by this offset are free for TCP and UDP
// on every address: another test, or a connection the system numbered, may hold one.
bool fixedPortsFree(int offset)
{
    for (int port = 2210 + offset; port <= 2224 + offset; ++port) {
        QTcpServer tcp;
        QUdpSocket udp;
        if (!tcp.listen(QHostAddress::Any, quint16(port))
            || !udp.bind(QHostAddress::Any, quint16(port), QAbstractSocket::DontShareAddress))
            return false;
    }
    return true;
}

// Offsets in 10000..30000 keep the fixed ports below 32768, where the system
// numbers its outgoing connections, and apart per test.
int freePortOffset()
{
    int offset = 0;
    for (int attempt = 0; attempt < 50; ++attempt) {
        offset = 10000 + int(QRandomGenerator::global()->bounded(2001)) * 10;
        if (fixedPortsFree(offset))
            break;
    }
    return offset;
}

} // namespace

TestEnv::TestEnv()
{
    m_shmName = QStringLiteral("ferry_test_%1_%2").arg(::getpid()).arg(QRandomGenerator::global()->generate() % 1000000);
    m_portOffset = freePortOffset();
    setAnswers({});
    qputenv("FERRY_HOME", home().toUtf8());
    qputenv("FERRY_SHM_NAME", m_shmName.toUtf8());
    qputenv("FERRY_PORT_OFFSET", QByteArray::number(m_portOffset));
    qputenv("FERRY_PROMPTS", promptsFile().toUtf8());
    prompts::reset();
}

TestEnv::~TestEnv()
{
    qunsetenv("FERRY_PROMPTS");
    prompts::reset();
}

void TestEnv::setAnswers(const QStringList &answers) const
{
    QFile f(promptsFile());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write((answers.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    prompts::reset();
}

QList<LoggedPrompt> TestEnv::prompts() const
{
    QList<LoggedPrompt> out;
    QFile f(promptsFile() + QStringLiteral(".log"));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> parts = line.split('\t');
        LoggedPrompt p;
        p.kind = QString::fromUtf8(parts.value(0));
        p.caption = QString::fromUtf8(parts.value(1));
        p.text = QString::fromUtf8(parts.value(2)).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        out << p;
    }
    return out;
}

QProcessEnvironment TestEnv::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FERRY_HOME"), home());
    env.insert(QStringLiteral("FERRY_SHM_NAME"), m_shmName);
    env.insert(QStringLiteral("FERRY_PORT_OFFSET"), QString::number(m_portOffset));
    env.insert(QStringLiteral("FERRY_PROMPTS"), promptsFile());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

QString TestEnv::program(const QString &name)
{
    QString dir = qEnvironmentVariable("FERRY_BIN_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    return dir + QLatin1Char('/') + name;
}

std::unique_ptr<QProcess> TestEnv::start(const QString &name, const QStringList &args,
                                         const QString &workingDirectory) const
{
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(environment());
    p->setWorkingDirectory(workingDirectory.isEmpty() ? home() : workingDirectory);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(program(name), args);
    return p;
}

int stopProcess(QProcess &process, int waitMs)
{
    if (process.state() == QProcess::NotRunning)
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    process.terminate();
    if (!process.waitForFinished(waitMs)) {
        process.kill();
        process.waitForFinished(waitMs);
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace ferry::test
