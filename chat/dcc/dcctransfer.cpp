#include "chat/dcc/dcctransfer.h"

#include "chat/dcc/dccoffer.h"
#include "chat/dcc/dcctexts.h"
#include "protocol/bytes.h"

#include <algorithm>

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
    m_fileName = path;
    setStatus(text(texts::kNothingSent));
    m_mode = Mode::Sending;

    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        emit lineToShow(text(texts::kUnableToOpenLine).arg(text(texts::kUnableToOpen), path), DccColour::Status);
        finish();
        return kStartFailed;
    }
    if (m_file.size() > qint64(0xFFFFFFFFu)) {
        emit lineToShow(text(texts::kFileTooLarge).arg(path), DccColour::Status);
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
    m_fileSize = std::uint32_t(m_file.size());
    reportProgress();
    return m_listener->LocalPort();
}

bool CDCCTransfer::StartReceive(std::uint32_t address, std::uint32_t port, const QString &path,
                                const QString &nick, std::uint32_t size)
{
    m_title = text(texts::kReceiveTitle).arg(nick);
    m_mode = Mode::Receiving;
    m_fileName = path;
    setStatus(text(texts::kNothingReceived));
    m_fileSize = size;
    m_transferred = 0;
    reportProgress();

    if (!IsConnectable(address, port)) {
        emit lineToShow(text(texts::kTransferBadOffer).arg(path).arg(address).arg(port), DccColour::Status);
        finish();
        return false;
    }
    // The file comes first: acknowledging bytes that could not be stored would tell
    // the sender that a lost file arrived.
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        emit lineToShow(text(texts::kUnableToOpenLine).arg(text(texts::kUnableToOpen), path), DccColour::Status);
        finish();
        return false;
    }
    m_data = std::make_unique<CDCCSocket>(static_cast<CDCCSocketOwner *>(this));
    m_data->ConnectTo(address, std::uint16_t(port));
    return true;
}

void CDCCTransfer::Close()
{
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
    m_fileSize = std::uint32_t(std::min<qint64>(m_file.size(), 0xFFFFFFFFu));
    m_transferred = 0;
    reportProgress();
    if (m_fileSize == 0) {
        // Nothing to send and so nothing will be acknowledged: end at once
        // instead of leaving both sides waiting for a user to close a window.
        finishWith(texts::kEmptyTransferClosed);
        return;
    }
    sendNextBlock();
}

void CDCCTransfer::OnDccConnect(CDCCSocket *, bool ok)
{
    if (m_mode != Mode::Receiving)
        return;
    if (!ok)
        fail();
    else if (m_fileSize == 0)
        finishWith(texts::kEmptyTransferClosed);
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

void CDCCTransfer::OnDccClose(CDCCSocket *socket)
{
    if (m_finished)
        return;
    if (m_mode == Mode::Receiving && socket->BytesAvailable() > 0)
        receiveData(socket, false);
    if (m_finished)
        return;
    bool stored = true;
    if (m_mode == Mode::Receiving)
        stored = m_file.flush();
    if (m_fileSize == 0)
        finishWith(texts::kEmptyTransferClosed);
    else if (m_transferred == m_fileSize && stored)
        finishWith(texts::kTransferCompleted);
    else
        fail();
}

// Acknowledgements may arrive cut anywhere or several at once: bytes are gathered
// until four are there, and only one equal to everything sent moves the transfer on.
void CDCCTransfer::takeAcknowledgements(CDCCSocket *socket)
{
    m_ackBuffer += socket->ReceiveAll();
    qsizetype used = 0;
    while (m_ackBuffer.size() - used >= 4) {
        const std::uint32_t ack =
            ferry::bytes::getBe32(reinterpret_cast<const unsigned char *>(m_ackBuffer.constData() + used));
        used += 4;
        if (ack != m_transferred)
            continue;
        if (m_transferred == m_fileSize) {
            finishWith(texts::kTransferCompleted);
            return;
        }
        setStatus(text(texts::kBytesSent).arg(ack));
        sendNextBlock();
        if (m_finished)
            return;
    }
    m_ackBuffer.remove(0, used);
}

void CDCCTransfer::sendNextBlock()
{
    const qint64 want = std::min<qint64>(kBlockSize, qint64(m_fileSize) - m_transferred);
    const QByteArray block = m_file.read(want);
    if (block.size() != want) {
        // The file shrank or cannot be read any more: the receiver would wait forever.
        fail();
        return;
    }
    m_data->Send(block);
    m_transferred += std::uint32_t(block.size());
    reportProgress();
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
        ferry::bytes::Writer(ack).be32(m_transferred);
        socket->Send(ack);
    }
    setStatus(text(texts::kBytesReceived).arg(m_transferred));
    reportProgress();
}

bool CDCCTransfer::storeReceived(const QByteArray &bytes)
{
    // Never more than the offered size: a sender that keeps sending cannot fill the disk.
    const qint64 room = qint64(m_fileSize) - m_transferred;
    const qint64 count = std::min<qint64>(bytes.size(), room);
    if (count > 0 && m_file.write(bytes.constData(), count) != count)
        return false;
    m_transferred += std::uint32_t(count);
    return count == bytes.size();
}

void CDCCTransfer::setStatus(const QString &status)
{
    m_statusText = status;
    emit statusTextChanged(status);
}

void CDCCTransfer::reportProgress()
{
    emit progressChanged(m_transferred, m_fileSize);
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
