#include "controlcenter/trackersocket.h"

#include "protocol/ports.h"

#include <QHostInfo>
#include <QNetworkDatagram>

namespace ferry {

CTrackerSocket::CTrackerSocket(QObject *parent) : QObject(parent)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &CTrackerSocket::readPending);
}

bool CTrackerSocket::bind(const QString &ownAddressText)
{
    const QHostAddress own(ownAddressText);
    if (own.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    return m_socket.bind(own, port(kTrackerPort));
}

void CTrackerSocket::requestDirectory(const QString &trackerHost)
{
    const QString host = trackerHost.trimmed();
    if (host.isEmpty())
        return;
    const QByteArray request = datagrams::encodeSingle(datagrams::DirectoryType::DirectoryRequest);
    const QHostAddress literal(host);
    if (literal.protocol() == QAbstractSocket::IPv4Protocol) {
        sendTo(request, literal, port(kTrackerPort));
        return;
    }
    QHostInfo::lookupHost(host, this, [this, request](const QHostInfo &info) {
        for (const QHostAddress &address : info.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                sendTo(request, address, port(kTrackerPort));
                return;
            }
        }
    });
}

bool CTrackerSocket::requestPlayerList(const QString &serverAddress)
{
    const QHostAddress address(serverAddress);
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    sendTo(datagrams::encodeSingle(datagrams::DirectoryType::PlayerListRequest), address, port(kServerPort));
    return true;
}

void CTrackerSocket::sendTo(const QByteArray &datagram, const QHostAddress &to, quint16 toPort)
{
    if (isBound())
        m_socket.writeDatagram(datagram, to, toPort);
}

void CTrackerSocket::readPending()
{
    while (m_socket.hasPendingDatagrams()) {
        // Anything beyond the largest datagram of the network is cut off, never read.
        const QNetworkDatagram datagram = m_socket.receiveDatagram(qint64(datagrams::kMaxDatagram));
        handleDatagram(datagram.data(), datagram.senderAddress());
    }
}

void CTrackerSocket::handleDatagram(const QByteArray &datagram, const QHostAddress &from)
{
    if (const auto servers = datagrams::decodeDirectory(datagram))
        emit directoryReceived(*servers);
    else if (const auto players = datagrams::decodePlayerList(datagram))
        emit playerListReceived(from, *players);
}

} // namespace ferry
