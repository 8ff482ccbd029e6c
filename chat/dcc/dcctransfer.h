#pragma once

// The connection behind one DCC file transfer window, sending or receiving one file.
//
// Wire format: the sender writes the file's bytes and nothing else; the receiver
// answers every read with the running total of bytes received as an unsigned 32-bit
// number, most significant byte first. Files of 4 GiB and more are offered with
// their whole size; their totals are acknowledged modulo 2^32, which is unambiguous
// because the sender never has more than a window of bytes unacknowledged. The sender does not wait for each
// acknowledgement: it keeps up to a window of unacknowledged bytes in flight (a
// window of one block is the old stop-and-wait), so a long round trip does not
// decide the speed. Acknowledgements may come cut, coalesced or for every packet.
//
// A received file is written to "<path>.part" and renamed over <path> only once it
// is complete, so a failed or cancelled transfer never destroys a file it would
// replace. A ".part" left by an earlier attempt is continued (DCC RESUME): the
// receiver waits for the sender's ACCEPT before connecting, and starts afresh
// when none comes in time. An ACCEPT that comes after that means the sender skips
// what the receiver is now writing from the start: the transfer is given up and
// the ".part" emptied rather than filled with bytes at the wrong place. Positions
// on the wire are offsets into the whole file.
//
// It shows nothing itself: the window's texts and progress leave through signals,
// the lines for the Server window through lineToShow, and finished() asks the
// window to close (it may come from inside StartSend or StartReceive when they fail).

#include "chat/dcc/dcccolour.h"
#include "chat/dcc/dccsocket.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <algorithm>

#include <cstdint>
#include <memory>

class CDCCTransfer : public QObject, private CDCCSocketOwner {
    Q_OBJECT
public:
    enum class Mode { None = 0, Sending = 32, Receiving = 64 };

    // StartSend's answer when the file cannot be sent (missing, unreadable or empty).
    static constexpr std::uint32_t kStartFailed = 0xFFFFFFFFu;
    // What the sender hands to the socket at once: few system calls per megabyte.
    static constexpr qint64 kSendChunk = 64 * 1024;
    // Unacknowledged bytes the sender keeps in flight: about 5 MB/s at 200 ms.
    static constexpr qint64 kSendWindow = 1024 * 1024;
    // How long a receiver waits for the ACCEPT of its RESUME before starting afresh.
    static constexpr int kResumeWaitMs = 30000;
    static constexpr char kPartSuffix[] = ".part";

    explicit CDCCTransfer(QObject *parent = nullptr);
    ~CDCCTransfer() override;

    // Sending side: opens the file at path and listens for the receiver; returns the
    // port for the offer, or kStartFailed (a line says why, and finished() follows).
    std::uint32_t StartSend(const QString &nick, const QString &path);
    // Receiving side: creates (or truncates) the file at path, a path the user chose,
    // and connects to the offer's address number and port. False when the offer
    // cannot be connected to or the file cannot be created (a line says why, and
    // finished() follows).
    bool StartReceive(std::uint32_t address, std::uint32_t port, const QString &path,
                      const QString &nick, std::uint64_t size);

    // Sending side, before the receiver connects: the receiver asks to continue at
    // position (DCC RESUME). Honoured once, only for nick's request on this offer's
    // port and for a position within the file; true when the ACCEPT is to be sent.
    bool Resume(const QString &nick, std::uint32_t port, std::uint64_t position);
    // Receiving side: true while the RESUME for an existing ".part" awaits its ACCEPT.
    bool AwaitingAccept() const { return m_awaitingAccept; }
    std::uint64_t ResumePosition() const { return m_transferred; }
    std::uint32_t OfferPort() const { return m_port; }
    QString PeerNick() const { return m_peerNick; }
    // The sender's ACCEPT: nick's answer for this offer's port at a position not past
    // the ".part" continues the file there; once the wait is over it ends the
    // transfer (see above). True when it was nick's answer for this transfer.
    bool AcceptResume(const QString &nick, std::uint32_t port, std::uint64_t position);

    // How long StartReceive waits for an ACCEPT (kResumeWaitMs by default).
    void SetResumeWait(int ms) { m_resumeWaitMs = ms; }
    // Bytes the sender keeps in flight unacknowledged (kSendWindow by default).
    // Below 2^31, so that acknowledgements modulo 2^32 stay unambiguous.
    void SetSendWindow(qint64 bytes) { m_window = std::clamp<qint64>(bytes, 1, qint64(1) << 30); }
    // Bytes the sender hands to the socket in one send (kSendChunk by default).
    void SetSendChunk(qint64 bytes) { m_chunk = std::max<qint64>(bytes, 1); }

    // The user closes the window: the connection drops without a line on this side.
    void Close();
    // An offer of ours that nobody connected to: the listening socket closes, the
    // line is shown and finished() follows.
    void Withdraw(const QString &line);
    // Sending, and the receiver has not connected yet.
    bool IsWaitingForPeer() const { return m_mode == Mode::Sending && !m_data && !m_finished; }

    QString Title() const { return m_title; }
    QString FileName() const { return m_fileName; }
    QString StatusText() const { return m_statusText; }
    Mode CurrentMode() const { return m_mode; }
    std::uint64_t FileSize() const { return m_fileSize; }
    // Bytes sent (sender) or received (receiver), counted from the file's start.
    std::uint64_t Transferred() const { return m_transferred; }
    // Bytes the receiver has acknowledged (sender).
    std::uint64_t Acknowledged() const { return m_acked; }
    bool IsFinished() const { return m_finished; }

signals:
    // The byte count line under the file name.
    void statusTextChanged(const QString &text);
    void progressChanged(std::uint64_t done, std::uint64_t total);
    // A line for the Server window.
    void lineToShow(const QString &text, DccColour colour);
    // The transfer is over; the window closes.
    void finished();

private:
    void OnDccAccept(CDCCSocket *listener) override;
    void OnDccConnect(CDCCSocket *socket, bool ok) override;
    void OnDccReceive(CDCCSocket *socket) override;
    void OnDccClose(CDCCSocket *socket) override;
    void OnDccWritten(CDCCSocket *socket) override;

    void takeAcknowledgements(CDCCSocket *socket);
    // Sends until the window is full, the socket's queue has backed up or the file
    // is all sent.
    void fillWindow();
    void connectToSender();
    void startAfresh();
    void giveUpLateResume();
    // Puts the complete ".part" in place of the file; false when that failed.
    bool putInPlace();
    // Writes received bytes; false when the transfer cannot go on.
    bool storeReceived(const QByteArray &bytes);
    void receiveData(CDCCSocket *socket, bool acknowledge);

    void setStatus(const QString &text);
    void reportProgress();
    void finishWith(const char *lineFormat);
    void fail();
    void finish();

    Mode m_mode = Mode::None;
    QString m_title;
    QString m_fileName;
    QString m_statusText;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_transferred = 0;
    std::uint64_t m_acked = 0;
    std::uint32_t m_address = 0;
    std::uint32_t m_port = 0;
    QString m_peerNick;
    qint64 m_window = kSendWindow;
    qint64 m_chunk = kSendChunk;
    int m_resumeWaitMs = kResumeWaitMs;
    bool m_filling = false;
    bool m_resumed = false;
    bool m_awaitingAccept = false;
    bool m_resumeUnanswered = false; // asked to resume, started afresh without an answer
    QTimer *m_resumeWait = nullptr;
    QFile m_file;
    QByteArray m_ackBuffer;
    std::unique_ptr<CDCCSocket> m_listener;
    std::unique_ptr<CDCCSocket> m_data;
    bool m_finished = false;
};
