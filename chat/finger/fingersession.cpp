#include "chat/finger/fingersession.h"

#include "chat/core/ircline.h"
#include "protocol/ports.h"

#include <QHostAddress>

#include <utility>

namespace tavern {

namespace {

// Length of the UTF-8 character a lead byte starts; 0 for a byte that starts none.
int utf8Length(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Where an unfinished UTF-8 character at the end of `bytes` begins, or -1.
qsizetype unfinishedCharStart(const QByteArray &bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype i = size - 1; i >= 0 && i >= size - 3; --i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if ((b & 0xC0) == 0x80)
            continue; // continuation byte: keep looking for its lead
        const int length = utf8Length(b);
        return length > size - i ? i : -1;
    }
    return -1;
}

} // namespace

FingerTarget FingerTarget::Parse(const QString &target)
{
    const qsizetype at = target.indexOf(u'@');
    if (at < 0)
        return {};
    return {target.left(at), target.mid(at + 1)};
}

QByteArray FingerRequest(const QString &user)
{
    QString name = user;
    name.remove(u'\r');
    name.remove(u'\n');
    name.remove(QChar(0));
    qsizetype end = name.size();
    while (end > 0 && name[end - 1].isSpace())
        --end;
    name.truncate(end);
    return name.toUtf8() + "\r\n";
}

CFingerSession::CFingerSession(const QString &target, QObject *parent)
    : QObject(parent), m_target(FingerTarget::Parse(target)), m_port(ferry::kFingerPort)
{
    connect(&m_socket, &QTcpSocket::connected, this, &CFingerSession::OnConnect);
    connect(&m_socket, &QTcpSocket::readyRead, this, &CFingerSession::OnReceive);
    connect(&m_socket, &QTcpSocket::disconnected, this, &CFingerSession::OnClose);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &CFingerSession::OnError);
    m_silence.setSingleShot(true);
    m_silence.setInterval(kSilenceLimitMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        if (m_lookupId >= 0) {
            QHostInfo::abortHostLookup(m_lookupId);
            m_lookupId = -1;
        }
        fail(kHostDidNotAnswer);
    });
}

CFingerSession::~CFingerSession()
{
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_socket.disconnect(this);
    m_socket.abort();
}

void CFingerSession::Start()
{
    if (m_state != State::Idle)
        return;
    m_state = State::LookingUp;
    m_silence.start();
    m_lookupId = QHostInfo::lookupHost(m_target.host, this, &CFingerSession::OnLookupDone);
}

void CFingerSession::OnLookupDone(const QHostInfo &info)
{
    m_lookupId = -1;
    if (m_state != State::LookingUp)
        return;
    // IPv4 first, as the finger service has always been reached; an IPv6-only host
    // is still reachable.
    QHostAddress address;
    for (const QHostAddress &candidate : info.addresses()) {
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
            address = candidate;
            break;
        }
        if (address.isNull())
            address = candidate;
    }
    if (info.error() != QHostInfo::NoError || address.isNull()) {
        fail(kHostLookupFailed);
        return;
    }
    m_state = State::Connecting;
    m_silence.start();
    m_socket.connectToHost(address, m_port);
}

void CFingerSession::OnConnect()
{
    m_state = State::Connected;
    m_silence.start();
    m_socket.write(FingerRequest(m_target.user));
}

void CFingerSession::OnReceive()
{
    const QByteArray bytes = m_socket.readAll();
    if (bytes.isEmpty())
        return;
    m_silence.start();
    const QString text = decodeReceived(bytes);
    if (!text.isEmpty())
        emit textReceived(text);
}

QString CFingerSession::decodeReceived(QByteArray bytes)
{
    bytes.prepend(m_partialChar);
    m_partialChar.clear();
    const qsizetype cut = unfinishedCharStart(bytes);
    if (cut >= 0) {
        m_partialChar = bytes.mid(cut);
        bytes.truncate(cut);
    }
    return DecodeChatText(bytes);
}

void CFingerSession::OnClose()
{
    if (m_state != State::Connected)
        return;
    OnReceive();
    m_silence.stop();
    m_state = State::Closed;
    // A character cut off by the close is shown as the bytes that arrived.
    if (!m_partialChar.isEmpty()) {
        const QString rest = DecodeChatText(std::exchange(m_partialChar, {}));
        emit textReceived(rest);
    }
    emit textReceived(QString::fromLatin1(kHostConnectionClosed));
    emit finished();
}

void CFingerSession::OnError(QAbstractSocket::SocketError)
{
    // Once connected, the end of the connection is reported by OnClose.
    if (m_state == State::Connecting)
        fail(kHostConnectionFailed);
}

void CFingerSession::fail(const char *text)
{
    m_state = State::Failed;
    m_silence.stop();
    m_socket.abort();
    emit textReceived(QString::fromLatin1(text));
    emit finished();
}

} // namespace tavern
