#include "chat/dcc/dccsocket.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

CDCCSocket::CDCCSocket(CDCCSocketOwner *owner, QObject *parent)
    : QObject(parent), m_owner(owner)
{
}

CDCCSocket::~CDCCSocket()
{
    Close();
}

bool CDCCSocket::Listen()
{
    if (!m_server) {
        m_server = new QTcpServer(this);
        m_server->setMaxPendingConnections(1);
        m_server->setListenBacklogSize(1);
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            if (!m_closedLocally)
                m_owner->OnDccAccept(this);
        });
    }
    return m_server->listen(QHostAddress::AnyIPv4, 0);
}

std::uint16_t CDCCSocket::LocalPort() const
{
    if (m_server)
        return m_server->serverPort();
    return m_socket ? m_socket->localPort() : 0;
}

bool CDCCSocket::Accept(CDCCSocket &into)
{
    if (!m_server || !m_server->hasPendingConnections())
        return false;
    QTcpSocket *peer = m_server->nextPendingConnection();
    into.adopt(peer);
    into.m_wasConnected = true;
    return true;
}

void CDCCSocket::StopListening()
{
    if (m_server)
        m_server->close();
}

bool CDCCSocket::ConnectTo(std::uint32_t addressNumber, std::uint16_t port)
{
    if (m_socket || m_server)
        return false;
    adopt(new QTcpSocket(this));
    m_socket->connectToHost(QHostAddress(addressNumber), port);
    return m_socket->state() != QAbstractSocket::UnconnectedState;
}

bool CDCCSocket::IsConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void CDCCSocket::adopt(QTcpSocket *socket)
{
    m_socket = socket;
    m_socket->setParent(this);
    // One small block or acknowledgement is in flight at a time: waiting for more
    // data to fill a segment would only add delay to every round trip.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket, &QTcpSocket::connected, this, &CDCCSocket::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        if (!m_closedLocally)
            m_owner->OnDccReceive(this);
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this, &CDCCSocket::onError);
    connect(m_socket, &QTcpSocket::disconnected, this, &CDCCSocket::onDisconnected);
}

void CDCCSocket::onConnected()
{
    m_wasConnected = true;
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!m_closedLocally)
        m_owner->OnDccConnect(this, true);
}

void CDCCSocket::onError()
{
    if (m_closedLocally)
        return;
    if (!m_wasConnected) {
        // The connect attempt failed; there never was a connection to close.
        m_closeReported = true;
        m_owner->OnDccConnect(this, false);
        return;
    }
    // A broken connection may not be followed by a disconnected() signal.
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        reportClose();
}

void CDCCSocket::onDisconnected()
{
    if (!m_closedLocally)
        reportClose();
}

void CDCCSocket::reportClose()
{
    if (m_closeReported)
        return;
    m_closeReported = true;
    m_owner->OnDccClose(this);
}

qint64 CDCCSocket::Send(const QByteArray &bytes)
{
    if (!m_socket || !m_socket->isOpen())
        return -1;
    const qint64 written = m_socket->write(bytes);
    m_socket->flush();
    return written;
}

QByteArray CDCCSocket::ReceiveAll()
{
    return m_socket ? m_socket->readAll() : QByteArray();
}

qint64 CDCCSocket::BytesAvailable() const
{
    return m_socket ? m_socket->bytesAvailable() : 0;
}

void CDCCSocket::Close()
{
    m_closedLocally = true;
    if (m_server)
        m_server->close();
    if (m_socket)
        m_socket->disconnectFromHost();
}

void CDCCSocket::Abort()
{
    m_closedLocally = true;
    if (m_server)
        m_server->close();
    if (m_socket)
        m_socket->abort();
}

QString CDCCSocket::ErrorText() const
{
    if (m_socket)
        return m_socket->errorString();
    return m_server ? m_server->errorString() : QString();
}
