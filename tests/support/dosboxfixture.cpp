#include "tests/support/dosboxfixture.h"

#include <QFile>
#include <QStandardPaths>
#include <QTest>

namespace ferry::test {

namespace {

// The DOS side: connect, report, then wait for GO.TXT, ping, report DONE.TXT,
// wait for END.TXT and leave (END.TXT also ends it before any ping). DOSBox
// writes file names in capitals.
const char kConfig[] =
    "[sdl]\n"
    "output=surface\n"
    "[mixer]\n"
    "nosound=true\n"
    "[cpu]\n"
    "cycles=fixed 3000\n"
    "[ipx]\n"
    "ipx=true\n"
    "[autoexec]\n"
    "mount c \"%1\"\n"
    "c:\n"
    "ipxnet connect %2 %3\n"
    "ipxnet status > c:\\status.txt\n"
    ":wait1\n"
    "rescan > nul\n"
    "if exist c:\\end.txt goto end\n"
    "if not exist c:\\go.txt goto wait1\n"
    "ipxnet ping > c:\\out.txt\n"
    "echo done > c:\\done.txt\n"
    ":wait2\n"
    "rescan > nul\n"
    "if not exist c:\\end.txt goto wait2\n"
    ":end\n"
    "exit\n";

} // namespace

DosBoxFixture::~DosBoxFixture()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(3000);
    }
}

QString DosBoxFixture::program()
{
    return QStandardPaths::findExecutable(QStringLiteral("dosbox"));
}

QString DosBoxFixture::drive(const QString &name) const
{
    return m_dir.filePath(name);
}

QString DosBoxFixture::read(const QString &name) const
{
    QFile f(drive(name));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

bool DosBoxFixture::mark(const QString &name) const
{
    QFile f(drive(name));
    return f.open(QIODevice::WriteOnly) && f.write("go\r\n") > 0;
}

bool DosBoxFixture::start(const QString &host, quint16 port, QString *why)
{
    const QString binary = program();
    if (binary.isEmpty()) {
        *why = QStringLiteral("dosbox is not installed");
        return false;
    }
    QFile conf(drive(QStringLiteral("dosbox.conf")));
    if (!m_dir.isValid() || !conf.open(QIODevice::WriteOnly)) {
        *why = QStringLiteral("cannot write dosbox.conf");
        return false;
    }
    conf.write(QString::fromLatin1(kConfig).arg(m_dir.path(), host).arg(port).toLatin1());
    conf.close();
    m_process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SDL_VIDEODRIVER"), QStringLiteral("dummy"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    env.insert(QStringLiteral("HOME"), m_dir.path());  // DOSBox keeps its own settings there
    m_process->setProcessEnvironment(env);
    m_process->setWorkingDirectory(m_dir.path());
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->start(binary, {QStringLiteral("-conf"), conf.fileName()});
    if (!m_process->waitForStarted(5000)) {
        *why = QStringLiteral("dosbox did not start");
        return false;
    }
    return true;
}

bool DosBoxFixture::waitConnected(int timeoutMs)
{
    return QTest::qWaitFor([&] { return read(QStringLiteral("STATUS.TXT")).contains(QLatin1String("Client status: CONNECTED")); },
                           timeoutMs);
}

QString DosBoxFixture::ping(int timeoutMs)
{
    if (!mark(QStringLiteral("GO.TXT"))
        || !QTest::qWaitFor([&] { return QFile::exists(drive(QStringLiteral("DONE.TXT"))); }, timeoutMs))
        return QString();
    return read(QStringLiteral("OUT.TXT"));
}

bool DosBoxFixture::finish(int timeoutMs)
{
    return mark(QStringLiteral("END.TXT")) && m_process->waitForFinished(timeoutMs);
}

} // namespace ferry::test
