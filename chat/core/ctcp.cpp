// Client-to-client requests and replies framed by the byte 0x01 inside PRIVMSG and NOTICE.

#include "chat/core/tavernwapp.h"

namespace {

constexpr QChar kCtcpMark(0x01);
// A PING request's argument is echoed, but no more of it than this (in UTF-8 bytes):
// a long argument must not make every answer a large line of ours.
constexpr std::size_t kMaxPingEcho = 64;

struct CtcpMessage {
    QString word;
    QString arguments;
};

// The body is the text without its opening mark and without the closing one when
// present (a missing closing mark costs no character of the body).
CtcpMessage splitCtcp(const QString &text)
{
    QString body = text.mid(1);
    if (body.endsWith(kCtcpMark))
        body.chop(1);
    const qsizetype blank = body.indexOf(u' ');
    if (blank < 0)
        return {body, QString()};
    return {body.left(blank), body.mid(blank + 1)};
}

// Nothing received goes back inside a reply with its own framing marks.
QString withoutMarks(QString text)
{
    text.remove(kCtcpMark);
    return text;
}

QString ctcpReply(const QString &to, const QString &body)
{
    return QStringLiteral("NOTICE %1 :").arg(to) + kCtcpMark + body + kCtcpMark;
}

} // namespace

void CTavernwApp::handleCtcpRequest(const CIrcLine &l, const QString &target, const QString &text)
{
    const CtcpMessage ctcp = splitCtcp(text);
    if (ctcp.word == QLatin1String("FILEREQ")) {
        emit fileRequestReceived(l.sender, ctcp.arguments);
    } else if (ctcp.word == QLatin1String("ACTION")) {
        PrintLine(QStringLiteral("* %1 %2").arg(l.sender, ctcp.arguments), m_Settings.Action,
                  target.startsWith(u'#') ? target : l.sender);
    } else if (ctcp.word.compare(QLatin1String("DCC"), Qt::CaseInsensitive) == 0) {
        emit dccRequestReceived(l.sender, ctcp.arguments);
    } else if (ctcp.word == QLatin1String("PING")) {
        sendCtcpReply(l.sender, QStringLiteral("PING ") + QString::fromUtf8(Utf8Prefix(withoutMarks(ctcp.arguments), kMaxPingEcho)));
    } else if (ctcp.word == QLatin1String("UDPPING")) {
        sendCtcpReply(l.sender, QStringLiteral("UDPPING ") + QString::number(m_identity.UdpPingNumber()));
    } else if (ctcp.word == QLatin1String("VERSION")) {
        sendCtcpReply(l.sender, QStringLiteral("VERSION ") + VersionText());
    } else {
        PrintLine(QStringLiteral("CTCP %1 :%2").arg(l.sender, ctcp.word), m_Settings.Status);
    }
}

// Answers go out only within the reply limit: a flood of requests from any number of
// peers must not make us flood the server ourselves.
void CTavernwApp::sendCtcpReply(const QString &to, const QString &body)
{
    if (m_ctcpLimit.Allow(TickCount()))
        SendLine(ctcpReply(to, body));
}

void CTavernwApp::reportDroppedCtcp()
{
    if (const int dropped = m_ctcpLimit.TakeDroppedReport(TickCount()))
        PrintLine(QStringLiteral("** %1 CTCP requests were not answered (at most %2 are answered in %3 seconds).")
                      .arg(dropped)
                      .arg(CCtcpReplyLimit::kReplies)
                      .arg(CCtcpReplyLimit::kWindowMs / 1000),
                  m_Settings.Status);
}

bool CTavernwApp::handleCtcpReply(const CIrcLine &l, QString &text)
{
    const CtcpMessage ctcp = splitCtcp(text);
    if (ctcp.word == QLatin1String("PING")) {
        const std::uint32_t elapsed = TickCount() - ParseCtcpNumber(ctcp.arguments);
        PrintLine(QStringLiteral("IRC Ping time from %1 is %2ms").arg(l.sender, QString::number(elapsed)),
                  m_Settings.Action);
        return true;
    }
    if (ctcp.word == QLatin1String("UDPPING")) {
        // An answer we did not ask for would have the game service ping any address.
        if (m_udpPings.TakeAnswer(l.sender, TickCount()))
            emit udpPingReplyReceived(l.sender, ParseCtcpNumber(ctcp.arguments));
        return true;
    }
    text = ctcp.arguments;
    return false;
}
