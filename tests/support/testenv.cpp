#include "tests/support/testenv.h"

#include "platform/prompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <unistd.h>

namespace ferry::test {

TestEnv::TestEnv()
{
    m_shmName = QStringLiteral("ferry_test_%1_%2").arg(::getpid()).arg(QRandomGenerator::global()->generate() % 1000000);
    // Offsets in 10000..50000 keep the fixed ports (2210..2224) below 53000 and apart per test.
    m_portOffset = 10000 + int(QRandomGenerator::global()->bounded(4000)) * 10;
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
