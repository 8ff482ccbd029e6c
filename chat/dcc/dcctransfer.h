#pragma once

// The connection behind one DCC file transfer window, sending or receiving one file.
//
// Wire format: the sender writes the file's bytes in blocks of at most 1024 bytes
// and sends the next block only when the receiver has acknowledged everything sent
// so far; the receiver answers every read with the running total of bytes received
// as an unsigned 32-bit number, most significant byte first.
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

#include <cstdint>
#include <memory>

class CDCCTransfer : public QObject, private CDCCSocketOwner {
    Q_OBJECT
public:
    enum class Mode { None = 0, Sending = 32, Receiving = 64 };

    // StartSend's answer when the file cannot be sent.
    static constexpr std::uint32_t kStartFailed = 0xFFFFFFFFu;
    static constexpr qint64 kBlockSize = 1024;

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
                      const QString &nick, std::uint32_t size);

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
    std::uint32_t FileSize() const { return m_fileSize; }
    std::uint32_t Transferred() const { return m_transferred; }
    bool IsFinished() const { return m_finished; }

signals:
    // The byte count line under the file name.
    void statusTextChanged(const QString &text);
    void progressChanged(std::uint32_t done, std::uint32_t total);
    // A line for the Server window.
    void lineToShow(const QString &text, DccColour colour);
    // The transfer is over; the window closes.
    void finished();

private:
    void OnDccAccept(CDCCSocket *listener) override;
    void OnDccConnect(CDCCSocket *socket, bool ok) override;
    void OnDccReceive(CDCCSocket *socket) override;
    void OnDccClose(CDCCSocket *socket) override;

    void takeAcknowledgements(CDCCSocket *socket);
    void sendNextBlock();
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
    std::uint32_t m_fileSize = 0;
    std::uint32_t m_transferred = 0;
    QFile m_file;
    QByteArray m_ackBuffer;
    std::unique_ptr<CDCCSocket> m_listener;
    std::unique_ptr<CDCCSocket> m_data;
    bool m_finished = false;
};
