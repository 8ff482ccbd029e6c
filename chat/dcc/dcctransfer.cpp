#include "chat/dcc/dcctransfer.h"

#include "chat/dcc/dccoffer.h"
#include "chat/dcc/dcctexts.h"
#include "protocol/bytes.h"

#include <algorithm>
#include <cstdio>

using namespace ferry::dcc;

namespace {

QString text(const char *format) { return QString::fromLatin1(format); }

} // namespace

CDCCTransfer::CDCCTransfer(QObject *parent) : QObject(parent) {}

CDCCTransfer::~CDCCTransfer()
{
    Close();
}

std::uint32_t CDCCTransfer::StartSend(const QString &nick, const QString &path)
{
    m_title = text(texts::kSendTitle).arg(nick);
    m_peerNick = nick;
    m_fileName = path;
    setStatus(text(texts::kNothingSent));
    m_mode = Mode::Sending;

    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        emit lineToShow(text(texts::kUnableToOpenLine).arg(text(texts::kUnableToOpen), path), DccColour::Status);
        finish();
        return kStartFailed;
    }
    if (m_file.size() == 0) {
        // Nothing would cross the wire and no receiver would take the offer.
        emit lineToShow(text(texts::kEmptyFileRefused).arg(path), DccColour::Status);
        finish();
        return kStartFailed;
    }
    m_listener = std::make_unique<CDCCSocket>(static_cast<CDCCSocketOwner *>(this));
    if (!m_listener->Listen()) {
        emit lineToShow(QStringLiteral("** ") + text(texts::kListenFailed).arg(m_listener->ErrorText()),
                        DccColour::Status);
        finish();
        return kStartFailed;
    }
    m_fileSize = std::uint64_t(m_file.size());
    m_port = m_listener->LocalPort();
    reportProgress();
    return m_port;
}

bool CDCCTransfer::StartReceive(std::uint32_t address, std::uint32_t port, const QString &path,
                                const QString &nick, std::uint64_t size)
{
    m_title = text(texts::kReceiveTitle).arg(nick);
    m_peerNick = nick;
    m_mode = Mode::Receiving;
    m_fileName = path;
    setStatus(text(texts::kNothingReceived));
    m_fileSize = size;
    m_transferred = 0;
    m_address = address;
    m_port = port;
    reportProgress();

    if (!IsConnectable(address, port)) {
        emit lineToShow(text(texts::kTransferBadOffer).arg(path, DottedAddress(address)).arg(port),
                        DccColour::Status);
        finish();
        return false;
    }
    // The file comes first: acknowledging bytes that could not be stored would tell
    // the sender that a lost file arrived. A ".part" shorter than the offer is what
    // an earlier attempt left: it is kept and continued if the sender agrees.
    m_file.setFileName(path + QLatin1String(kPartSuffix));
    const qint64 partSize = m_file.exists() ? m_file.size() : 0;
    const bool resumable = partSize > 0 && std::uint64_t(partSize) < size;
    if (!m_file.open(resumable ? QIODevice::ReadWrite : QIODevice::WriteOnly | QIODevice::Truncate)) {
        emit lineToShow(text(texts::kUnableToOpenLine).arg(text(texts::kUnableToOpen), path), DccColour::Status);
        finish();
        return false;
    }
    if (!resumable) {
        connectToSender();
        return true;
    }
    m_transferred = std::uint64_t(partSize);
    m_awaitingAccept = true;
    setStatus(text(texts::kResumeWaiting).arg(m_transferred));
    m_resumeWait = new QTimer(this);
    m_resumeWait->setSingleShot(true);
    connect(m_resumeWait, &QTimer::timeout, this, &CDCCTransfer::startAfresh);
    m_resumeWait->start(m_resumeWaitMs);
    reportProgress();
    return true;
}

bool CDCCTransfer::Resume(const QString &nick, std::uint32_t port, std::uint64_t position)
{
    if (m_mode != Mode::Sending || m_finished || m_data || m_resumed || !m_listener || port != m_port
        || nick.compare(m_peerNick, Qt::CaseInsensitive) != 0 || position > m_fileSize)
        return false;
    m_resumed = true;
    m_transferred = m_acked = position;
    return true;
}

bool CDCCTransfer::AcceptResume(const QString &nick, std::uint32_t port, std::uint64_t position)
{
    if (m_finished || port != m_port || nick.compare(m_peerNick, Qt::CaseInsensitive) != 0)
        return false;
    if (m_resumeUnanswered) {
        giveUpLateResume();
        return true;
    }
    if (!m_awaitingAccept || position > m_transferred)
        return false;
    // A sender may grant less than was asked: what lies beyond is dropped.
    if (!m_file.resize(qint64(position)) || !m_file.seek(qint64(position))) {
        fail();
        return false;
    }
    m_transferred = position;
    emit lineToShow(text(texts::kResumeAccepted).arg(m_peerNick, m_fileName).arg(position), DccColour::Status);
    setStatus(text(texts::kBytesReceived).arg(position));
    connectToSender();
    return true;
}

// No ACCEPT came in time (a sender that cannot resume): the whole file is fetched again.
void CDCCTransfer::startAfresh()
{
    if (!m_awaitingAccept || m_finished)
        return;
    if (!m_file.resize(0) || !m_file.seek(0)) {
        fail();
        return;
    }
    m_transferred = 0;
    m_resumeUnanswered = true;
    emit lineToShow(text(texts::kResumeUnanswered)
                        .arg(m_peerNick, m_fileName)
                        .arg((m_resumeWaitMs + 999) / 1000),
                    DccColour::Status);
    setStatus(text(texts::kNothingReceived));
    connectToSender();
}

// The sender took our RESUME after all and sends from where it was asked to, while
// this side writes from the start: the bytes would land in the wrong place. The
// ".part" goes, so that a later attempt does not continue it.
void CDCCTransfer::giveUpLateResume()
{
    emit lineToShow(text(texts::kResumeTooLate).arg(m_peerNick, m_fileName), DccColour::Status);
    Close();
    m_file.remove();
    emit finished();
}

void CDCCTransfer::connectToSender()
{
    m_awaitingAccept = false;
    if (m_resumeWait)
        m_resumeWait->stop();
    reportProgress();
    m_data = std::make_unique<CDCCSocket>(static_cast<CDCCSocketOwner *>(this));
    m_data->ConnectTo(m_address, std::uint16_t(m_port));
}

void CDCCTransfer::Close()
{
    if (m_resumeWait)
        m_resumeWait->stop();
    m_awaitingAccept = false;
    if (m_data)
        m_data->Close();
    if (m_listener)
        m_listener->Close();
    if (m_file.isOpen())
        m_file.close();
    m_finished = true;
}

void CDCCTransfer::Withdraw(const QString &line)
{
    emit lineToShow(line, DccColour::Status);
    finish();
}

void CDCCTransfer::OnDccAccept(CDCCSocket *listener)
{
    auto peer = std::make_unique<CDCCSocket>(static_cast<CDCCSocketOwner *>(this));
    if (m_data || !listener->Accept(*peer))
        return;
    // The first peer to connect is the receiver; nobody else gets the file.
    listener->StopListening();
    m_data = std::move(peer);
    m_fileSize = std::uint64_t(m_file.size());
    if (m_acked > m_fileSize)
        m_transferred = m_acked = m_fileSize;
    reportProgress();
    if (m_fileSize == 0) {
        // Nothing to send and so nothing will be acknowledged: end at once
        // instead of leaving both sides waiting for a user to close a window.
        finishWith(texts::kEmptyTransferClosed);
        return;
    }
    if (m_acked == m_fileSize) {
        // Resumed at the very end: the receiver has it all already.
        finishWith(texts::kTransferCompleted);
        return;
    }
    fillWindow();
}

void CDCCTransfer::OnDccConnect(CDCCSocket *, bool ok)
{
    if (m_mode != Mode::Receiving)
        return;
    if (!ok) {
        fail();
    } else if (m_fileSize == 0) {
        putInPlace();
        finishWith(texts::kEmptyTransferClosed);
    }
}

void CDCCTransfer::OnDccReceive(CDCCSocket *socket)
{
    if (m_finished)
        return;
    if (m_mode == Mode::Sending)
        takeAcknowledgements(socket);
    else if (m_mode == Mode::Receiving)
        receiveData(socket, true);
}

void CDCCTransfer::OnDccWritten(CDCCSocket *)
{
    if (!m_finished && m_mode == Mode::Sending)
        fillWindow();
}

void CDCCTransfer::OnDccClose(CDCCSocket *socket)
{
    if (m_finished)
        return;
    if (socket->BytesAvailable() > 0) {
        if (m_mode == Mode::Receiving)
            receiveData(socket, false);
        else
            takeAcknowledgements(socket);
    }
    if (m_finished)
        return;
    if (m_fileSize == 0) {
        putInPlace();
        finishWith(texts::kEmptyTransferClosed);
        return;
    }
    // The sender counts what the receiver acknowledged: bytes still in flight when
    // the connection went may never have arrived.
    const std::uint64_t done = m_mode == Mode::Sending ? m_acked : m_transferred;
    if (done == m_fileSize && (m_mode == Mode::Sending || putInPlace()))
        finishWith(texts::kTransferCompleted);
    else
        fail();
}

// Acknowledgements may arrive cut anywhere or several at once: bytes are gathered
// four at a time. An acknowledgement counts when it lies between what was
// acknowledged before and everything sent (compared modulo 2^32, the width of the
// number on the wire: files of 4 GiB and more wrap); any other is ignored.
void CDCCTransfer::takeAcknowledgements(CDCCSocket *socket)
{
    m_ackBuffer += socket->ReceiveAll();
    qsizetype used = 0;
    bool moved = false;
    for (; m_ackBuffer.size() - used >= 4; used += 4) {
        const std::uint32_t ack =
            ferry::bytes::getBe32(reinterpret_cast<const unsigned char *>(m_ackBuffer.constData() + used));
        const std::uint32_t step = ack - std::uint32_t(m_acked);
        if (step == 0 || step > m_transferred - m_acked)
            continue;
        m_acked += step;
        moved = true;
    }
    m_ackBuffer.remove(0, used);
    if (!moved)
        return;
    reportProgress();
    if (m_acked == m_fileSize) {
        finishWith(texts::kTransferCompleted);
        return;
    }
    setStatus(text(texts::kBytesSent).arg(m_acked));
    fillWindow();
}

void CDCCTransfer::fillWindow()
{
    // Send may report written bytes from inside itself; one filling loop at a time.
    if (m_filling || !m_data)
        return;
    m_filling = true;
    while (!m_finished && m_transferred < m_fileSize && m_data->PendingWrite() == 0) {
        const qint64 room = m_window - qint64(m_transferred - m_acked);
        const qint64 want = std::min<qint64>({m_chunk, room, qint64(m_fileSize - m_transferred)});
        if (want <= 0)
            break;
        const qint64 taken = m_data->SendFile(m_file, qint64(m_transferred), want);
        if (taken < 0)
            break;
        if (taken != want) {
            // The file shrank or cannot be read any more: the receiver would wait forever.
            m_filling = false;
            fail();
            return;
        }
        m_transferred += std::uint64_t(want);
    }
    m_filling = false;
}

void CDCCTransfer::receiveData(CDCCSocket *socket, bool acknowledge)
{
    const QByteArray bytes = socket->ReceiveAll();
    if (bytes.isEmpty())
        return;
    if (!storeReceived(bytes)) {
        fail();
        return;
    }
    if (acknowledge) {
        QByteArray ack;
        // The low 32 bits: what every receiver sends for files of 4 GiB and more.
        ferry::bytes::Writer(ack).be32(std::uint32_t(m_transferred));
        socket->Send(ack);
    }
    setStatus(text(texts::kBytesReceived).arg(m_transferred));
    reportProgress();
}

bool CDCCTransfer::storeReceived(const QByteArray &bytes)
{
    // Never more than the offered size: a sender that keeps sending cannot fill the disk.
    const qint64 room = qint64(m_fileSize - m_transferred);
    const qint64 count = std::min<qint64>(bytes.size(), room);
    if (count > 0 && m_file.write(bytes.constData(), count) != count)
        return false;
    m_transferred += std::uint64_t(count);
    return count == bytes.size();
}

bool CDCCTransfer::putInPlace()
{
    if (!m_file.flush())
        return false;
    m_file.close();
    // rename() replaces the old file in one step: it is never gone before the new one is there.
    return std::rename(QFile::encodeName(m_file.fileName()).constData(), QFile::encodeName(m_fileName).constData()) == 0;
}

void CDCCTransfer::setStatus(const QString &status)
{
    m_statusText = status;
    emit statusTextChanged(status);
}

void CDCCTransfer::reportProgress()
{
    emit progressChanged(m_mode == Mode::Sending ? m_acked : m_transferred, m_fileSize);
}

void CDCCTransfer::finishWith(const char *lineFormat)
{
    emit lineToShow(text(lineFormat).arg(m_fileName), DccColour::Status);
    finish();
}

void CDCCTransfer::fail()
{
    finishWith(texts::kTransferFailed);
}

void CDCCTransfer::finish()
{
    Close();
    emit finished();
}
