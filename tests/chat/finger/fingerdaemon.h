#pragma once

// A scripted finger daemon on a free loopback port: it reads one request line,
// records it, then sends its answer and closes. With `stepwise` set it sends one
// chunk per sendNext() call, so a test can make the client see the pieces apart.

#include <QByteArrayList>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

class FingerDaemon : public QObject {
public:
    QByteArrayList answer;
    bool stepwise = false;
    QByteArray request;       // the bytes received up to and including the first LF
    int connections = 0;
    bool peerGone = false;    // the client closed its end

    FingerDaemon()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *peer = m_server.nextPendingConnection()) {
                ++connections;
                m_peer = peer;
                connect(peer, &QTcpSocket::readyRead, this, [this, peer] { onRequest(peer); });
                connect(peer, &QTcpSocket::disconnected, this, [this] { peerGone = true; });
            }
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    bool requestComplete() const { return request.endsWith('\n'); }
    bool answered() const { return m_next >= answer.size(); }

    // Sends the next chunk; after the last one the connection is closed.
    void sendNext()
    {
        if (!m_peer || answered())
            return;
        m_peer->write(answer[m_next++]);
        m_peer->flush();
        if (answered())
            m_peer->disconnectFromHost();
    }

private:
    void onRequest(QTcpSocket *peer)
    {
        if (requestComplete())
            return;
        request += peer->readAll();
        if (!requestComplete())
            return;
        if (answer.isEmpty())
            peer->disconnectFromHost();
        while (!stepwise && !answered())
            sendNext();
    }

    QTcpServer m_server;
    QPointer<QTcpSocket> m_peer;
    int m_next = 0;
};
