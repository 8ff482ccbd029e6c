#include "tests/support/ngircdfixture.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>

namespace ferry::test {

quint16 freeTcpPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

quint16 freeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    return socket.localPort();
}

NgircdFixture::~NgircdFixture()
{
    stop();
}

QString NgircdFixture::certificateFile() const
{
    return m_dir.filePath(QStringLiteral("cert.pem"));
}

namespace {

bool makeSelfSignedCertificate(const QString &cert, const QString &key, QString *why)
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                   QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=localhost"), QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
    if (openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0)
        return true;
    if (why)
        *why = QStringLiteral("openssl could not make a certificate: ") + QString::fromLocal8Bit(openssl.readAll());
    return false;
}

} // namespace

bool NgircdFixture::start(QString *why)
{
    const QString key = m_dir.filePath(QStringLiteral("key.pem"));
    if (m_tls && !QFile::exists(certificateFile()) && !makeSelfSignedCertificate(certificateFile(), key, why))
        return false;
    QString binary = QStandardPaths::findExecutable(QStringLiteral("ngircd"));
    if (binary.isEmpty())
        binary = QStandardPaths::findExecutable(QStringLiteral("ngircd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    if (binary.isEmpty()) {
        if (why)
            *why = QStringLiteral("ngircd is not installed");
        return false;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freeTcpPort();
        m_tlsPort = m_tls ? freeTcpPort() : 0;
        const QString tlsSection = m_tls ? QStringLiteral("[SSL]\nCertFile = %1\nKeyFile = %2\nPorts = %3\n")
                                               .arg(certificateFile(), key)
                                               .arg(m_tlsPort)
                                         : QString();
        const QString conf = m_dir.filePath(QStringLiteral("ngircd.conf"));
        QFile f(conf);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            if (why)
                *why = QStringLiteral("cannot write ngircd.conf");
            return false;
        }
        f.write(QStringLiteral(
                    "[Global]\n"
                    "Name = %1\n"
                    "Info = Lanway test server\n"
                    "Listen = 127.0.0.1\n"
                    "Ports = %2\n"
                    "MotdPhrase = Welcome to the test network\n"
                    "PidFile = %3/ngircd.pid\n"
                    "[Limits]\n"
                    "MaxConnectionsIP = 0\n"
                    "MaxJoins = 0\n"
                    "MaxNickLength = 31\n"
                    "PingTimeout = 120\n"
                    "PongTimeout = 60\n"
                    "[Options]\n"
                    "DNS = no\n"
                    "Ident = no\n"
                    "PAM = no\n"
                    "OperCanUseMode = yes\n")
                    .arg(serverName())
                    .arg(m_port)
                    .arg(m_dir.path())
                    .toUtf8()
                + tlsSection.toUtf8());
        f.close();
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        m_process->start(binary, {QStringLiteral("--nodaemon"), QStringLiteral("--config"), conf});
        if (!m_process->waitForStarted(5000)) {
            if (why)
                *why = QStringLiteral("ngircd did not start");
            return false;
        }
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() && m_process->state() == QProcess::Running) {
            const auto listening = [](quint16 port) {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port);
                const bool up = probe.waitForConnected(200);
                probe.abort();
                return up;
            };
            if (listening(m_port) && (!m_tls || listening(m_tlsPort)))
                return true;
            QThread::msleep(50);
        }
        stop(); // the port was taken meanwhile, or ngircd refused the configuration: try another
    }
    if (why)
        *why = QStringLiteral("ngircd did not listen");
    return false;
}

void NgircdFixture::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(3000)) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }
    m_process.reset();
}

} // namespace ferry::test
