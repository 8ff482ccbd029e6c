#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace ferry::test {

// A real ngircd chat server on a free loopback port with a generated configuration,
// stopped when the fixture goes. start() returns false (with a reason) when ngircd is missing.
class NgircdFixture {
public:
    NgircdFixture() = default;
    ~NgircdFixture();

    bool start(QString *why = nullptr);
    void stop();

    // Before start(): also listen for TLS on a port of its own, with a self-signed
    // certificate for "localhost" made by openssl (start() fails when it cannot be made).
    void enableTls() { m_tls = true; }
    quint16 tlsPort() const { return m_tlsPort; }
    // The PEM file of that certificate.
    QString certificateFile() const;

    quint16 port() const { return m_port; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    // The server name it announces in its replies.
    QString serverName() const { return QStringLiteral("irc.lanway.test"); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
    bool m_tls = false;
};

// A port that was free on the loopback address a moment ago.
quint16 freeTcpPort();
quint16 freeUdpPort();

} // namespace ferry::test
