#include "chat/dcc/dccsocket.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <utility>

#include <sys/sendfile.h>
#include <sys/socket.h>

namespace {

// Every round trip of a transfer is one block out and one acknowledgement back, so
// the system calls and event-loop wake-ups per notification decide its speed. Qt's
// buffered sockets spend several of each on every write (a write notification is
// armed and disarmed) and on every read. Hence connecting sockets run unbuffered
// (Qt offers no unbuffered mode for accepted ones), and Send hands bytes to the
// system itself whenever Qt has nothing queued.
constexpr QIODevice::OpenMode kDataMode = QIODevice::ReadWrite | QIODevice::Unbuffered;

} // namespace

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
    m_socket->connectToHost(QHostAddress(addressNumber), port, kDataMode);
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
    connect(m_socket, &QTcpSocket::readyRead, this, &CDCCSocket::onReadable);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &CDCCSocket::onError);
    connect(m_socket, &QTcpSocket::disconnected, this, &CDCCSocket::onDisconnected);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (!m_closedLocally)
            m_owner->OnDccWritten(this);
    });
}

void CDCCSocket::onConnected()
{
    m_wasConnected = true;
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!m_closedLocally)
        m_owner->OnDccConnect(this, true);
}

// A buffered socket has read everything into Qt's buffer already and learns of
// the peer's close by itself. An unbuffered one leaves the reading, and so the
// discovery of the close, to us: a readable socket with nothing to read has ended.
void CDCCSocket::onReadable()
{
    if (m_closedLocally)
        return;
    if (!m_socket->openMode().testFlag(QIODevice::Unbuffered)) {
        m_received += m_socket->readAll();
        if (!m_received.isEmpty())
            m_owner->OnDccReceive(this);
        return;
    }
    constexpr qint64 kChunk = 256 * 1024;
    const qsizetype kept = m_received.size();
    m_received.resize(kept + kChunk);
    const qint64 count = m_socket->read(m_received.data() + kept, kChunk);
    m_received.resize(kept + std::max<qint64>(count, 0));
    if (count > 0) {
        m_owner->OnDccReceive(this);
        return;
    }
    char probe;
    if (count == 0 && ::recv(int(m_socket->socketDescriptor()), &probe, 1, MSG_PEEK | MSG_DONTWAIT) != 0)
        return;
    reportClose();
    if (m_socket && !m_closedLocally)
        m_socket->abort();
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
    return Send(bytes.constData(), bytes.size());
}

qint64 CDCCSocket::Send(const char *data, qint64 size)
{
    // Nothing goes out before the connection stands or after it has gone.
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return -1;
    qint64 sent = 0;
    if (m_socket->bytesToWrite() == 0) {
        const auto n = ::send(int(m_socket->socketDescriptor()), data, size_t(size), MSG_NOSIGNAL | MSG_DONTWAIT);
        sent = std::max<qint64>(n, 0);
        if (sent == size)
            return sent;
    }
    // What the system did not take (or a failure to report) goes through Qt.
    const qint64 queued = m_socket->write(data + sent, size - sent);
    m_socket->flush();
    if (queued < 0)
        return sent > 0 ? sent : -1;
    return sent + queued;
}

qint64 CDCCSocket::SendFile(QFile &file, qint64 offset, qint64 count)
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return -1;
    qint64 sent = 0;
    if (m_socket->bytesToWrite() == 0 && file.handle() >= 0) {
        off_t from = off_t(offset);
        const auto n = ::sendfile(int(m_socket->socketDescriptor()), file.handle(), &from, size_t(count));
        sent = std::max<qint64>(n, 0);
        if (sent == count)
            return sent;
    }
    if (!file.seek(offset + sent))
        return sent;
    const QByteArray rest = file.read(count - sent);
    const qint64 queued = rest.isEmpty() ? 0 : Send(rest);
    return sent + std::max<qint64>(queued, 0);
}

qint64 CDCCSocket::PendingWrite() const
{
    return m_socket ? m_socket->bytesToWrite() : 0;
}

QByteArray CDCCSocket::ReceiveAll()
{
    return std::exchange(m_received, QByteArray());
}

qint64 CDCCSocket::BytesAvailable() const
{
    return m_received.size();
}

void CDCCSocket::Close()
{
    m_closedLocally = true;
    if (m_server)
        m_server->close();
    if (m_socket)
        m_socket->disconnectFromHost();
}

QString CDCCSocket::ErrorText() const
{
    if (m_socket)
        return m_socket->errorString();
    return m_server ? m_server->errorString() : QString();
}
