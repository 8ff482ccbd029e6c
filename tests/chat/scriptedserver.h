#pragma once

// A chat server played by the test: it listens on a free loopback port, takes one
// client at a time (a new connection replaces the old one), records every line the
// client sends and sends what the test tells it to. It can register the client the
// way a real server does (001 and 376 on USER and NICK) and drop the connection.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <functional>

class ScriptedServer : public QObject {
public:
    ScriptedServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *next = m_server.nextPendingConnection()) {
                if (m_client)
                    m_client->deleteLater();
                m_client = next;
                m_partial.clear();
                ++connections;
                QObject::connect(next, &QTcpSocket::readyRead, this, [this, next] { take(next); });
            }
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    // Stops taking connections (attempts are refused), and takes them again on the same port.
    void stopListening() { m_server.close(); }
    bool listenAgain(quint16 port) { return m_server.listen(QHostAddress::LocalHost, port); }
    bool hasClient() const { return m_client && m_client->state() == QAbstractSocket::ConnectedState; }

    void send(const QByteArray &bytes)
    {
        if (m_client) {
            m_client->write(bytes);
            m_client->flush();
        }
    }
    void sendLine(const QByteArray &line) { send(line + "\r\n"); }
    // Closes the client's connection, as a server that goes away does.
    void drop()
    {
        if (m_client) {
            m_client->disconnectFromHost();
            m_client = nullptr;
        }
    }
    // Waits until a line received since the last forget() satisfies the test.
    bool waitForLine(const std::function<bool(const QByteArray &)> &wanted, int ms = 5000)
    {
        return QTest::qWaitFor([&] {
            for (const QByteArray &line : lines)
                if (wanted(line))
                    return true;
            return false;
        }, ms);
    }
    bool waitForLine(const QByteArray &exact, int ms = 5000)
    {
        return waitForLine([&](const QByteArray &l) { return l == exact; }, ms);
    }
    int count(const std::function<bool(const QByteArray &)> &wanted) const
    {
        int n = 0;
        for (const QByteArray &line : lines)
            n += wanted(line) ? 1 : 0;
        return n;
    }
    void forget() { lines.clear(); }

    // Registers a client that sent USER and NICK as "nick" (001 and the end of the MOTD).
    bool registerClient(const QByteArray &nick)
    {
        if (!waitForLine([](const QByteArray &l) { return l.startsWith("NICK "); }))
            return false;
        sendLine(":srv 001 " + nick + " :Welcome");
        sendLine(":srv 376 " + nick + " :End of MOTD");
        return true;
    }

    QList<QByteArray> lines; // every line received, without its line end
    int connections = 0;
    std::function<void(const QByteArray &)> onLine; // runs for each received line

private:
    void take(QTcpSocket *socket)
    {
        if (socket != m_client)
            return;
        m_partial += socket->readAll();
        qsizetype end;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            QByteArray line = m_partial.left(end);
            m_partial.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            lines << line;
            if (onLine)
                onLine(line);
        }
    }

    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QByteArray m_partial;
};
