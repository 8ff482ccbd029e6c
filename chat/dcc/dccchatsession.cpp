#include "chat/dcc/dccchatsession.h"

#include "chat/core/ircline.h"
#include "chat/dcc/dccoffer.h"
#include "chat/dcc/dcctexts.h"

using namespace ferry::dcc;

namespace {

constexpr char kActionPrefix[] = "\x01" "ACTION";
constexpr qsizetype kActionPrefixLength = 7;
constexpr char kCtcpMessagePrefix[] = "CTCP_MESSAGE ";

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// The action text of a CTCP ACTION line (its first seven bytes are exactly byte 1
// and "ACTION"), without the closing byte 1.
QByteArray actionText(const QByteArray &line)
{
    QByteArray text = line.mid(kActionPrefixLength);
    if (text.endsWith('\x01'))
        text.chop(1);
    return text;
}

bool isAction(const QByteArray &line) { return line.startsWith(kActionPrefix); }

// Bytes that would end or cut the line on the wire never go out inside it.
QByteArray wireSafe(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    bytes.removeIf([](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    return bytes;
}

} // namespace

CDCCChatSession::CDCCChatSession(const QString &peerNick, const QString &ownNick, QObject *parent)
    : QObject(parent),
      m_peerNick(peerNick.isEmpty() ? QString::fromLatin1(texts::kNoPeerNick) : peerNick),
      m_ownNick(ownNick)
{
}

CDCCChatSession::~CDCCChatSession() = default;

QString CDCCChatSession::Title() const
{
    return QString::fromLatin1(texts::kChatTitle).arg(m_peerNick);
}

void CDCCChatSession::OnInitialUpdate()
{
    show(QString::fromLatin1(texts::kAttempting), DccColour::Status);
}

std::uint16_t CDCCChatSession::StartListening()
{
    m_listener = std::make_unique<CDCCSocket>(static_cast<CDCCSocketOwner *>(this));
    if (!m_listener->Listen()) {
        show(QString::fromLatin1(texts::kListenFailed).arg(m_listener->ErrorText()), DccColour::Status);
        m_listener.reset();
        return 0;
    }
    return m_listener->LocalPort();
}

bool CDCCChatSession::ConnectToPeer(std::uint32_t address, std::uint32_t port)
{
    if (!IsConnectable(address, port)) {
        show(QString::fromLatin1(texts::kChatBadOffer).arg(DottedAddress(address)).arg(port), DccColour::Status);
        return false;
    }
    m_connection = std::make_unique<CDCCSocket>(static_cast<CDCCSocketOwner *>(this));
    return m_connection->ConnectTo(address, std::uint16_t(port));
}

bool CDCCChatSession::IsConnected() const
{
    return m_connection && m_connection->IsConnected();
}

void CDCCChatSession::Close()
{
    if (m_connection)
        m_connection->Close();
    if (m_listener)
        m_listener->Close();
}

void CDCCChatSession::OnDccAccept(CDCCSocket *listener)
{
    // One conversation per window: the first peer to arrive is the partner, and the
    // port is closed to anyone else.
    auto peer = std::make_unique<CDCCSocket>(static_cast<CDCCSocketOwner *>(this));
    if (!listener->Accept(*peer))
        return;
    listener->StopListening();
    m_connection = std::move(peer);
    show(QString::fromLatin1(texts::kEstablished), DccColour::Status);
}

void CDCCChatSession::OnDccConnect(CDCCSocket *socket, bool ok)
{
    if (ok)
        show(QString::fromLatin1(texts::kEstablished), DccColour::Status);
    else
        show(QString::fromLatin1(texts::kChatConnectFailed).arg(socket->ErrorText()), DccColour::Status);
}

void CDCCChatSession::OnDccReceive(CDCCSocket *socket)
{
    QByteArray bytes = socket->ReceiveAll();
    if (bytes.isEmpty())
        return;
    // A NUL would have ended the text early; it carries nothing a line can show.
    bytes.removeIf([](char c) { return c == '\0'; });
    m_receiveBuffer += bytes;
    cutLines();
}

void CDCCChatSession::OnDccClose(CDCCSocket *socket)
{
    // Lines that arrived just before the close are still shown.
    if (socket->BytesAvailable() > 0)
        OnDccReceive(socket);
    show(QString::fromLatin1(texts::kChatClosed), DccColour::Status);
}

// A CR or LF ends a line; the byte right after it is passed over, so that a CR LF
// pair ends one line only. A passed-over byte is not lost: it opens the next line's
// text, whose trimming removes it when it is a line end.
void CDCCChatSession::cutLines()
{
    const QByteArray &buffer = m_receiveBuffer;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < buffer.size()) {
        if (isLineEnd(buffer[i])) {
            showPeerLine(buffer.mid(start, i - start));
            start = i;
            i += 2;
        } else {
            ++i;
        }
    }
    QByteArray rest = buffer.mid(start);
    if (rest.size() > kMaxLineBytes) {
        showPeerLine(rest);
        rest.clear();
    }
    m_receiveBuffer = rest;
}

void CDCCChatSession::showPeerLine(const QByteArray &raw)
{
    QByteArray line = raw.trimmed();
    // Some clients (irssi) put "CTCP_MESSAGE " before a CTCP request in a direct
    // chat: its /me arrives as "CTCP_MESSAGE \x01ACTION text\x01".
    if (line.startsWith(kCtcpMessagePrefix) && isAction(line.mid(qsizetype(sizeof kCtcpMessagePrefix) - 1)))
        line.remove(0, qsizetype(sizeof kCtcpMessagePrefix) - 1);
    if (line.isEmpty())
        return;
    if (isAction(line))
        show(QStringLiteral("* %1%2").arg(m_peerNick, DecodeChatText(actionText(line))), DccColour::Action);
    else
        show(QStringLiteral("<%1> %2").arg(m_peerNick, DecodeChatText(line)), DccColour::Normal);
}

void CDCCChatSession::SendTypedText(const QString &text)
{
    if (text.startsWith(QLatin1Char('/'))) {
        if (text.left(3).compare(QLatin1String("/me"), Qt::CaseInsensitive) == 0)
            SendChatText(QStringLiteral("\x01" "ACTION %1\x01").arg(text.mid(4)));
        else
            emit commandTyped(text);
        return;
    }
    SendChatText(text);
}

void CDCCChatSession::SendChatText(const QString &text)
{
    if (!m_connection || text.isEmpty())
        return;
    const QByteArray bytes = wireSafe(text);
    m_connection->Send(bytes + '\n');
    if (isAction(bytes))
        show(QStringLiteral("* %1%2").arg(m_ownNick, QString::fromUtf8(actionText(bytes))), DccColour::Action);
    else
        show(QStringLiteral("<%1> %2").arg(m_ownNick, QString::fromUtf8(bytes)), DccColour::Normal);
}

void CDCCChatSession::show(const QString &text, DccColour colour)
{
    emit lineToShow(text.trimmed(), colour);
}
