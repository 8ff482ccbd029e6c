#pragma once

// One finger query, with no window: looks up the host, connects to its finger
// service, sends the user name and hands back the answer as it arrives. The finger
// window shows what textReceived gives, in order.

#include <QAbstractSocket>
#include <QByteArray>
#include <QHostInfo>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

namespace tavern {

// The parts of a finger target "user@host": before and after its first '@'. Both
// stay empty when the target has no '@'.
struct FingerTarget {
    QString user;
    QString host;

    static FingerTarget Parse(const QString &target);
};

// The request line for a user: the name without trailing white space, then CR LF.
// Line breaks and NULs inside the name are dropped so that the request stays one line.
QByteArray FingerRequest(const QString &user);

// Shown when the host ends the connection after answering.
inline constexpr const char *kHostConnectionClosed = "\nHost connection closed.";
// Shown when the host name gives no address.
inline constexpr const char *kHostLookupFailed = "Host lookup failed.";
// Shown when the host cannot be reached or refuses the connection.
inline constexpr const char *kHostConnectionFailed = "Host connection failed.";
// Shown when the host keeps silent (no address, no connection or no bytes) too long.
inline constexpr const char *kHostDidNotAnswer = "Host did not answer.";

class CFingerSession : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, LookingUp, Connecting, Connected, Closed, Failed };
    // How long the query waits for the next step (an address, the connection, the
    // next bytes) before it gives up: a host that accepts and never answers would
    // otherwise hold the connection and leave the window empty for good.
    static constexpr int kSilenceLimitMs = 60000;

    explicit CFingerSession(const QString &target, QObject *parent = nullptr);
    ~CFingerSession() override;

    QString user() const { return m_target.user; }
    QString host() const { return m_target.host; }
    State state() const { return m_state; }

    // The service port; the finger port unless a test points it elsewhere.
    void setPort(quint16 port) { m_port = port; }
    quint16 port() const { return m_port; }
    // The silence limit; kSilenceLimitMs unless a test shortens it.
    void setSilenceLimit(int ms) { m_silence.setInterval(ms); }

    // Starts the host look-up; everything after it happens on the event loop.
    void Start();

signals:
    // Received text, or one of the closing and failure texts above.
    void textReceived(const QString &text);
    // The query is over (closed by the host or failed).
    void finished();

private:
    void OnLookupDone(const QHostInfo &info);
    void OnConnect();
    void OnReceive();
    void OnClose();
    void OnError(QAbstractSocket::SocketError error);
    void fail(const char *text);
    QString decodeReceived(QByteArray bytes);

    FingerTarget m_target;
    quint16 m_port;
    State m_state = State::Idle;
    int m_lookupId = -1;
    QTcpSocket m_socket;
    QTimer m_silence;
    // The last bytes of a chunk that begin a UTF-8 character completed by the next chunk.
    QByteArray m_partialChar;
};

} // namespace tavern
