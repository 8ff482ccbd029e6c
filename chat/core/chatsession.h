#pragma once

// The connection to the chat server: the socket (plain or TLS), the line cutting of
// what arrives, the paced queue of what goes out, the check of the server's
// certificate and the reconnection after a lost connection. It knows nothing of
// windows or of the chat protocol beyond lines: received lines leave through
// lineReceived, events through the other signals, and the application object decides
// what the user sees.
//
// Time comes from the clock given at construction (milliseconds of a steady clock),
// and Tick() (the main frame's 300 ms timer) drives the reconnection and the queue
// besides the queue's own timer, so that tests can move time on by hand.

#include "chat/core/linecutter.h"
#include "chat/core/sendqueue.h"

#include <QByteArray>
#include <QObject>
#include <QSslSocket>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

// The socket to the chat server.
class CChatServerSocket : public QSslSocket {
    Q_OBJECT
public:
    using QSslSocket::QSslSocket;
};

class CChatSession : public QObject {
    Q_OBJECT
public:
    struct Endpoint {
        QString host;
        quint16 port = 6667;
        bool tls = false;
    };
    using Clock = std::function<std::uint32_t()>;
    // Whether a certificate the system store does not vouch for was trusted for this
    // host by the user (SHA-256 fingerprint, colon-separated hex).
    using TrustCheck = std::function<bool(const QString &host, const QString &fingerprint)>;

    // Retry delays after a lost connection: 5 s, doubling up to 300 s.
    static constexpr int kFirstRetrySeconds = 5;
    static constexpr int kLastRetrySeconds = 300;
    // Received bytes are read in slices of at most this much; the socket holds at
    // most kSocketBuffer more before the server has to wait.
    static constexpr qint64 kReadSlice = 64 * 1024;
    static constexpr qint64 kSocketBuffer = 256 * 1024;

    explicit CChatSession(Clock clock, QObject *parent = nullptr);
    ~CChatSession() override;

    void SetTrustCheck(TrustCheck check) { m_trusted = std::move(check); }
    void SetAutoReconnect(bool on);
    bool AutoReconnect() const { return m_autoReconnect; }

    // Drops any connection (silently) and connects to the endpoint.
    void Connect(const Endpoint &endpoint);
    const Endpoint &CurrentEndpoint() const { return m_endpoint; }
    // Connected and, for TLS, encrypted: lines can go.
    bool IsReady() const;
    CChatServerSocket *Socket() const { return m_socket; }

    // Sends one line (line feed included). Urgent lines (answers to the server's PING,
    // the quit line) go at once; the others are paced by the queue. Lines are dropped
    // while not ready.
    void Send(const QByteArray &line, bool urgent = false);
    // Sends the line at once and closes the connection; nothing is reported after it.
    void Quit(const QByteArray &line);
    // Drops the connection without a word; nothing is reported after it.
    void Abort();

    // Received bytes, as a receive hands them over (also the entry of headless drivers).
    void Feed(const QByteArray &bytes);

    // Starts a reconnection whose time has come and sends the paced lines that may go.
    void Tick();
    // The connection is registered: the next loss starts the retries from the first delay.
    void ResetBackoff() { m_retrySeconds = kFirstRetrySeconds; }
    // Seconds until the next reconnection attempt; -1 when none is planned.
    int SecondsToRetry() const;

    int QueuedLines() const { return m_queue.Size(); }

signals:
    // The connection stands (for TLS: encrypted); the client may register.
    void connected();
    // A received line, trimmed, not yet decoded; empty lines too.
    void lineReceived(const QByteArray &line);
    // An established connection ended (the server or the network closed it).
    void closed();
    // A connection attempt failed before it stood.
    void connectFailed(QAbstractSocket::SocketError error);
    // The server's certificate is not vouched for by the system store nor trusted by
    // the user: the attempt was dropped; trusting it and connecting again is the caller's.
    void certificateRejected(const QString &host, quint16 port, const QString &fingerprint, const QString &reasons);
    // A reconnection is planned in `seconds`, or starts now.
    void reconnectPlanned(int seconds);
    void reconnecting();
    // A line went to the socket (after pacing), line feed included.
    void lineWritten(const QByteArray &line);
    // A line was dropped because too many waited.
    void lineDropped(const QByteArray &line);

private:
    void startSocket();
    void retireSocket();
    void onReady();
    void onReadable();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void onSslErrors(const QList<QSslError> &errors);
    void deliver();
    void write(const QByteArray &line);
    void pump();
    void planRetry();

    Clock m_clock;
    TrustCheck m_trusted;
    Endpoint m_endpoint;
    CChatServerSocket *m_socket = nullptr;
    bool m_ready = false;
    CLineCutter m_cutter;
    bool m_delivering = false;
    bool m_arrivedWhileDelivering = false;
    CSendQueue m_queue;
    QTimer m_queueTimer;

    bool m_autoReconnect = false;
    bool m_retryPlanned = false;
    std::uint32_t m_retryAt = 0;
    int m_retrySeconds = kFirstRetrySeconds;
    bool m_wasReady = false; // this endpoint stood once: failed attempts are retried
};
