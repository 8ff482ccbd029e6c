#pragma once

// The TCP socket of every direct connection, chat or file transfer. One object is
// either a listening socket (Listen, then Accept into a fresh CDCCSocket) or a data
// socket (ConnectTo, or filled by Accept). Its notifications go to one owner, the
// chat session or the transfer that created it, always on the UI thread.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>

class QFile;
class QTcpServer;
class QTcpSocket;
class CDCCSocket;

// What a CDCCSocket reports. An owner may drop or delete a socket from inside a
// notification only with deleteLater().
class CDCCSocketOwner {
public:
    virtual ~CDCCSocketOwner() = default;
    // A peer waits on the listening socket; the owner accepts it with Accept().
    virtual void OnDccAccept(CDCCSocket *listener) = 0;
    // An outgoing connect finished; ok is false when it failed.
    virtual void OnDccConnect(CDCCSocket *socket, bool ok) = 0;
    virtual void OnDccReceive(CDCCSocket *socket) = 0;
    // The peer closed the connection or it broke. Never reported after Close().
    virtual void OnDccClose(CDCCSocket *socket) = 0;
    // Bytes that Send had to queue have gone to the system (PendingWrite fell).
    virtual void OnDccWritten(CDCCSocket *) {}
};

class CDCCSocket : public QObject {
    Q_OBJECT
public:
    explicit CDCCSocket(CDCCSocketOwner *owner, QObject *parent = nullptr);
    ~CDCCSocket() override;

    // Listens on any free local IPv4 port with a backlog of one; false on failure.
    bool Listen();
    // The local port (the listening port, or the data connection's own port).
    std::uint16_t LocalPort() const;
    // Moves the next pending connection of this listening socket into `into`, which
    // then reports receive and close. False when no connection is pending.
    bool Accept(CDCCSocket &into);
    // Stops accepting further peers; the accepted connection stays.
    void StopListening();

    // Starts connecting to the IPv4 address whose most significant byte is the first
    // octet (the number of a DCC offer) and port. True when the attempt started.
    bool ConnectTo(std::uint32_t addressNumber, std::uint16_t port);
    bool IsConnected() const;

    // Sends the bytes at once; returns the count taken, or -1 when not connected.
    // What the system cannot take at once is queued here (see PendingWrite).
    qint64 Send(const QByteArray &bytes);
    qint64 Send(const char *data, qint64 size);
    // Sends count bytes of file from offset, handing them from the file to the system
    // without a copy here when it can. Returns the count taken (what the system could
    // not take is queued as by Send), less when the file ends early, -1 when not
    // connected. The file's own position is left undefined.
    qint64 SendFile(QFile &file, qint64 offset, qint64 count);
    // Bytes taken by Send that still wait to be handed to the system.
    qint64 PendingWrite() const;
    // Everything received so far; empty when nothing is waiting.
    QByteArray ReceiveAll();
    qint64 BytesAvailable() const;

    // Closes the connection or the listening socket without a close notification.
    void Close();

    QString ErrorText() const;

private:
    void adopt(QTcpSocket *socket);
    void onConnected();
    void onReadable();
    void onError();
    void onDisconnected();
    void reportClose();

    CDCCSocketOwner *m_owner;
    QTcpServer *m_server = nullptr;
    QTcpSocket *m_socket = nullptr;
    QByteArray m_received;
    bool m_wasConnected = false;
    bool m_closeReported = false;
    bool m_closedLocally = false;
};
