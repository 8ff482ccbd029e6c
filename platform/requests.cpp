#include "platform/requests.h"

#include "platform/paths.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>

namespace ferry::requests {

namespace {

// One short line each way: the request, then "ok" once it is taken.
const QByteArray FrontLine = "front\n";
const QByteArray CloseLine = "close\n";
const QByteArray DumpLine = "dump\n";
const QByteArray AckLine = "ok\n";
constexpr qint64 MaxLine = 16;

// In the user's private folder no other local user can take a name first and
// answer in a program's place; the temporary folder shared by all serves only
// when there is no such folder.
QString blockPrefix()
{
    QString block = sharedBlockName();
    block.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString folder = privateRuntimeDir();
    return folder.isEmpty() ? block : folder + QLatin1Char('/') + block;
}

QByteArray requestLine(Request request)
{
    return request == Request::Close ? CloseLine : request == Request::DumpWindows ? DumpLine : FrontLine;
}

} // namespace

QString endpointName(qint64 pid)
{
    return QStringLiteral("%1.chat.%2").arg(blockPrefix()).arg(pid);
}

QString controlCenterEndpointName()
{
    return blockPrefix() + QStringLiteral(".cc");
}

bool sendRequest(qint64 pid, Request request, int timeoutMs)
{
    if (pid <= 0)
        return false;
    return sendRequest(endpointName(pid), request, timeoutMs);
}

bool postRequest(qint64 pid, Request request)
{
    if (pid <= 0)
        return false;
    QLocalSocket socket;
    socket.connectToServer(endpointName(pid));
    // A local connection is made at once while the receiver's queue has room; a
    // receiver whose queue is full is not waited for.
    if (socket.state() != QLocalSocket::ConnectedState)
        return false;
    const QByteArray line = requestLine(request);
    // A few bytes into an empty socket buffer: written whole, or not at all.
    return socket.write(line) == line.size() && socket.flush();
}

bool sendRequest(const QString &endpoint, Request request, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(endpoint);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(requestLine(request));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray reply;
    while (!reply.contains('\n') && reply.size() < MaxLine) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(timeoutMs))
            break;
        reply += socket.read(MaxLine - reply.size());
    }
    return reply == AckLine;
}

Receiver::Receiver(QObject *parent)
    : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &Receiver::accept);
}

Receiver::~Receiver() = default;

bool Receiver::listen()
{
    // A socket file left by an earlier process with the same id is stale.
    return listen(endpointName(QCoreApplication::applicationPid()));
}

bool Receiver::listen(const QString &endpoint)
{
    QLocalServer::removeServer(endpoint);
    return m_server->listen(endpoint);
}

bool Receiver::isListening() const
{
    return m_server->isListening();
}

void Receiver::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void Receiver::readRequest(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        // A peer that sends more than a request line without ending it is not one of ours.
        if (socket->bytesAvailable() >= MaxLine)
            socket->disconnectFromServer();
        return;
    }
    const QByteArray line = socket->readLine(MaxLine);
    void (Receiver::*signal)() = nullptr;
    if (line == CloseLine)
        signal = &Receiver::closeRequested;
    else if (line == FrontLine)
        signal = &Receiver::bringToFrontRequested;
    else if (line == DumpLine)
        signal = &Receiver::dumpWindowsRequested;
    if (!signal) {
        socket->disconnectFromServer();
        return;
    }
    socket->write(AckLine);
    socket->flush();
    socket->disconnectFromServer();
    // Emitted from the event loop, so a receiver that quits on it has confirmed first.
    QMetaObject::invokeMethod(this, signal, Qt::QueuedConnection);
}

} // namespace ferry::requests
