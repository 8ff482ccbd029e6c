#include "controlcenter/trackersocket.h"

#include "protocol/ports.h"

#include <QDeadlineTimer>
#include <QHostInfo>
#include <QNetworkDatagram>

namespace ferry {

namespace {

qint64 monotonicMs() { return QDeadlineTimer::current().deadline(); }

} // namespace

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
    if (!isBound())
        return;
    const bool directory = datagrams::isType(datagram, datagrams::DirectoryType::DirectoryRequest);
    const qint64 now = monotonicMs();
    m_outstanding.removeIf([now](const Outstanding &o) { return o.deadlineMs < now; });
    if (m_outstanding.size() >= kMaxOutstanding)
        m_outstanding.removeFirst();
    m_outstanding.append({datagrams::typeByte(directory ? datagrams::DirectoryType::Directory
                                                        : datagrams::DirectoryType::PlayerList),
                          to, toPort, now + kAnswerWindowMs});
    m_socket.writeDatagram(datagram, to, toPort);
}

bool CTrackerSocket::takeAnswer(const QByteArray &datagram, const QHostAddress &from, quint16 fromPort)
{
    const auto type = datagrams::typeOf(datagram);
    if (!type)
        return false;
    // Without a request waiting (most of the time) a flood costs one look each.
    for (qsizetype i = 0; i < m_outstanding.size(); ++i) {
        const Outstanding &o = m_outstanding[i];
        if (o.answerType == *type && o.port == fromPort && o.to.isEqual(from, QHostAddress::TolerantConversion)) {
            const bool inTime = o.deadlineMs >= monotonicMs();
            m_outstanding.removeAt(i);
            if (inTime)
                return true;
            --i;
        }
    }
    return false;
}

void CTrackerSocket::readPending()
{
    while (m_socket.hasPendingDatagrams()) {
        // Anything beyond the largest datagram of the network is cut off, never read.
        const QNetworkDatagram datagram = m_socket.receiveDatagram(qint64(datagrams::kMaxDatagram));
        if (takeAnswer(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort())))
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
