#include "chat/core/chatsession.h"

#include <QSslCertificate>
#include <QSslConfiguration>

#include <algorithm>

namespace {

QString fingerprintOf(const QSslCertificate &certificate)
{
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

} // namespace

CChatSession::CChatSession(Clock clock, QObject *parent) : QObject(parent), m_clock(std::move(clock))
{
    m_queueTimer.setSingleShot(true);
    connect(&m_queueTimer, &QTimer::timeout, this, &CChatSession::pump);
}

CChatSession::~CChatSession()
{
    if (m_socket)
        m_socket->disconnect(this);
}

void CChatSession::SetAutoReconnect(bool on)
{
    m_autoReconnect = on;
    if (!on)
        m_retryPlanned = false;
}

bool CChatSession::IsReady() const
{
    return m_socket && m_ready && m_socket->state() == QAbstractSocket::ConnectedState;
}

void CChatSession::Connect(const Endpoint &endpoint)
{
    m_endpoint = endpoint;
    m_wasReady = false;
    m_retryPlanned = false;
    m_retrySeconds = kFirstRetrySeconds;
    startSocket();
}

void CChatSession::startSocket()
{
    retireSocket();
    m_socket = new CChatServerSocket(this);
    m_socket->setReadBufferSize(kSocketBuffer);
    connect(m_socket, &QSslSocket::readyRead, this, &CChatSession::onReadable);
    connect(m_socket, &QSslSocket::disconnected, this, &CChatSession::onDisconnected);
    connect(m_socket, &QSslSocket::errorOccurred, this, &CChatSession::onError);
    if (m_endpoint.tls) {
        connect(m_socket, &QSslSocket::encrypted, this, &CChatSession::onReady);
        connect(m_socket, &QSslSocket::sslErrors, this, &CChatSession::onSslErrors);
        m_socket->connectToHostEncrypted(m_endpoint.host, m_endpoint.port);
    } else {
        connect(m_socket, &QSslSocket::connected, this, &CChatSession::onReady);
        m_socket->connectToHost(m_endpoint.host, m_endpoint.port);
    }
}

// The old socket may be the sender of a notification still on the stack: it goes later.
void CChatSession::retireSocket()
{
    m_ready = false;
    m_queue.Clear();
    m_queueTimer.stop();
    m_cutter.Clear();
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

void CChatSession::Abort()
{
    m_retryPlanned = false;
    retireSocket();
}

void CChatSession::Quit(const QByteArray &line)
{
    m_retryPlanned = false;
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    if (IsReady()) {
        m_socket->write(line);
        emit lineWritten(line);
        m_socket->flush();
    }
    m_socket->disconnectFromHost();
    m_socket->deleteLater();
    m_socket = nullptr;
    m_ready = false;
    m_queue.Clear();
    m_queueTimer.stop();
}

void CChatSession::onReady()
{
    m_ready = true;
    m_wasReady = true;
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    emit connected();
}

void CChatSession::onSslErrors(const QList<QSslError> &errors)
{
    const QSslCertificate certificate = m_socket->peerCertificate();
    const QString fingerprint = fingerprintOf(certificate);
    if (!certificate.isNull() && m_trusted && m_trusted(m_endpoint.host, fingerprint)) {
        m_socket->ignoreSslErrors(errors);
        return;
    }
    QStringList reasons;
    for (const QSslError &e : errors)
        if (!reasons.contains(e.errorString()))
            reasons << e.errorString();
    // The attempt ends here: a user's answer may take longer than the server waits.
    retireSocket();
    emit certificateRejected(m_endpoint.host, m_endpoint.port, fingerprint, reasons.join(QStringLiteral("; ")));
}

void CChatSession::onError(QAbstractSocket::SocketError error)
{
    if (m_ready)
        return; // the disconnected notification follows
    retireSocket();
    emit connectFailed(error);
    if (m_autoReconnect && m_wasReady)
        planRetry();
}

void CChatSession::onDisconnected()
{
    if (!m_ready)
        return; // a failed attempt: reported as an error
    retireSocket();
    emit closed();
    if (m_autoReconnect)
        planRetry();
}

void CChatSession::planRetry()
{
    m_retryPlanned = true;
    m_retryAt = m_clock() + std::uint32_t(m_retrySeconds) * 1000u;
    emit reconnectPlanned(m_retrySeconds);
    m_retrySeconds = std::min(m_retrySeconds * 2, kLastRetrySeconds);
}

int CChatSession::SecondsToRetry() const
{
    if (!m_retryPlanned)
        return -1;
    const auto left = std::int32_t(m_retryAt - m_clock());
    return left <= 0 ? 0 : (left + 999) / 1000;
}

void CChatSession::Tick()
{
    if (m_retryPlanned && std::int32_t(m_clock() - m_retryAt) >= 0) {
        m_retryPlanned = false;
        emit reconnecting();
        startSocket();
    }
    pump();
}

// ---- receiving

void CChatSession::onReadable()
{
    deliver();
}

void CChatSession::Feed(const QByteArray &bytes)
{
    m_cutter.Append(bytes);
    deliver();
}

// Reads the socket in slices that fit what the line cutter may hold and hands on
// every complete line before reading more. A client that fell behind (a long flood,
// a slow machine) finds megabytes waiting at once: read whole, the cutter's bound
// would drop lines the server sent in good faith, while slices lose nothing and
// leave the rest to the socket, whose buffer is bounded (the server then waits).
void CChatSession::deliver()
{
    // A line being handled may run an event loop (nothing in the core does, but a
    // front end might): what arrives meanwhile stays in the socket and is read
    // right after, not left waiting for the next receive notification.
    if (m_delivering) {
        m_arrivedWhileDelivering = true;
        return;
    }
    m_delivering = true;
    do {
        m_arrivedWhileDelivering = false;
        if (m_socket) {
            const qint64 room = CLineCutter::kMaxPending - m_cutter.Pending().size();
            if (room > 0 && m_socket->bytesAvailable() > 0)
                m_cutter.Append(m_socket->read(std::min<qint64>(room, kReadSlice)));
        }
        m_cutter.Cut([this](const QByteArray &line) { emit lineReceived(line); });
        if (m_socket && m_socket->bytesAvailable() > 0)
            m_arrivedWhileDelivering = true;
    } while (m_arrivedWhileDelivering);
    m_delivering = false;
}

// ---- sending

void CChatSession::Send(const QByteArray &line, bool urgent)
{
    if (!IsReady())
        return;
    if (urgent) {
        write(line);
        return;
    }
    if (!m_queue.Push(line)) {
        emit lineDropped(line);
        return;
    }
    pump();
}

void CChatSession::write(const QByteArray &line)
{
    m_socket->write(line);
    emit lineWritten(line);
}

void CChatSession::pump()
{
    if (!IsReady()) {
        m_queue.Clear();
        return;
    }
    const std::uint32_t now = m_clock();
    for (const QByteArray &line : m_queue.Release(now))
        write(line);
    const int delay = m_queue.NextDelay(now);
    if (delay >= 0 && !m_queueTimer.isActive())
        m_queueTimer.start(std::max(delay, 1));
}
