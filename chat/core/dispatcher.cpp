// The server message dispatcher: every line from the chat server is parsed here,
// filtered, and turned into window updates, answers and printed lines.

#include "chat/core/chatfrontend.h"
#include "chat/core/tavernwapp.h"

#include <QHash>
#include <QSet>

namespace {

const QString kAppCaption = QStringLiteral("The Hearthside 97");

// Numerics that carry nothing the user needs to see.
const QSet<QString> &ignoredNumerics()
{
    static const QSet<QString> set = {
        QStringLiteral("329"), QStringLiteral("366"), QStringLiteral("333"), QStringLiteral("001"),
        QStringLiteral("002"), QStringLiteral("003"), QStringLiteral("004"), QStringLiteral("251"),
        QStringLiteral("252"), QStringLiteral("253"), QStringLiteral("254"), QStringLiteral("255"),
        QStringLiteral("265"), QStringLiteral("266"), QStringLiteral("375"),
    };
    return set;
}

// Errors about a channel named in word 1: a mode query for it will not be answered.
const QSet<QString> &channelErrorNumerics()
{
    static const QSet<QString> set = {
        QStringLiteral("403"), QStringLiteral("442"), QStringLiteral("476"), QStringLiteral("477"),
        QStringLiteral("479"), QStringLiteral("482"),
    };
    return set;
}

// How long a channel-mode query may stay unanswered before another one may go.
constexpr std::uint32_t kModeQueryMs = 60000;
// At most this many channels with a query outstanding.
constexpr qsizetype kMaxModeQueries = 256;

const QSet<QString> &whoisNumerics()
{
    static const QSet<QString> set = {
        QStringLiteral("311"), QStringLiteral("313"), QStringLiteral("312"), QStringLiteral("317"),
        QStringLiteral("318"), QStringLiteral("319"), QStringLiteral("307"),
    };
    return set;
}

// The first word of a parameter text with one leading ':' removed (a JOIN or PART
// may carry more after the channel, such as a reason).
QString channelParam(const QString &params)
{
    const QString text = StripColon(params);
    const qsizetype blank = text.indexOf(u' ');
    return blank < 0 ? text : text.left(blank);
}

} // namespace

void CTavernwApp::printRaw(const QString &line)
{
    PrintLine(line, m_Settings.Status);
}

bool CTavernwApp::listedInAnyChannel(const QString &nick) const
{
    for (const CTavernwDoc *doc : ChannelDocs())
        if (doc->IsUserListed(nick))
            return true;
    return false;
}

void CTavernwApp::OnServerLine(const QString &line)
{
    if (m_bQuitting || line.isEmpty())
        return;

    const std::optional<CIrcLine> parsed = CIrcLine::Parse(line);
    // The repeat filter never swallows a PING: a quiet channel makes the server's
    // keep-alive the only lines, all alike, and an unanswered one ends the connection.
    const bool isPing = parsed && parsed->command.compare(QLatin1String("PING"), Qt::CaseInsensitive) == 0;
    if (m_Settings.SpamFilter && line == m_strPrevLine && !isPing)
        return;
    m_strPrevLine = line;

    if (!parsed) {
        notice(kAppCaption, QStringLiteral("Unable to parse line. Something really strange was sent by the IRC server."),
               CChatPrompt::Icon::None, CChatPrompt::Kind::ParseError);
        printRaw(line);
        return;
    }
    const CIrcLine &l = *parsed;
    const QString command = l.command.toUpper();

    if (command == QLatin1String("PART"))
        onPart(l);
    else if (command == QLatin1String("JOIN"))
        onJoin(l);
    else if (command == QLatin1String("PRIVMSG"))
        onPrivmsg(l);
    else if (command == QLatin1String("NOTICE"))
        onNotice(l);
    else if (command == QLatin1String("PING"))
        SendLine(QStringLiteral("PONG ") + l.params); // goes ahead of every paced line
    else if (command == QLatin1String("353"))
        onNames(l);
    else if (command == QLatin1String("QUIT"))
        onQuit(l);
    else if (command == QLatin1String("MODE"))
        onMode(l);
    else if (command == QLatin1String("KICK"))
        onKick(l);
    else if (command == QLatin1String("NICK"))
        onNick(l);
    else if (command == QLatin1String("332"))
        onTopicReply(l, true);
    else if (command == QLatin1String("331"))
        onTopicReply(l, false);
    else if (command == QLatin1String("TOPIC"))
        onTopic(l);
    else if (command == QLatin1String("372"))
        PrintLine(GetWord(1, l.params), m_Settings.Status);
    else if (ignoredNumerics().contains(command))
        return;
    else if ((command == QLatin1String("376") || command == QLatin1String("422")) && !m_bRegistered)
        registrationComplete();
    else if (command == QLatin1String("433") || command == QLatin1String("431") || command == QLatin1String("432"))
        askForNickname();
    else if (command == QLatin1String("321"))
        m_ChannelList.clear();
    else if (command == QLatin1String("322"))
        m_ChannelList << l.params;
    else if (command == QLatin1String("323")) {
        if (m_pFrontEnd)
            m_pFrontEnd->ShowChannelList(m_ChannelList);
    } else if (command == QLatin1String("324"))
        onChannelModes(l);
    else if (command == QLatin1String("352"))
        PrintLine(QStringLiteral("User: ") + RestAfterWord(0, l.params), m_Settings.Status);
    else if (whoisNumerics().contains(command))
        PrintLine(QStringLiteral("User Info: ") + RestAfterWord(0, l.params), m_Settings.Status);
    else {
        if (channelErrorNumerics().contains(command))
            m_modeQueries.remove(GetWord(1, l.params).toLower());
        printRaw(line);
    }
}

void CTavernwApp::onPart(const CIrcLine &l)
{
    const QString channel = channelParam(l.params);
    if (CTavernwDoc *doc = FindChannel(channel); doc && l.sender != m_strNick) {
        doc->RemoveUser(l.sender);
        if (m_Settings.ShowJoinPart)
            PrintLine(QStringLiteral("%1 has left channel %2.").arg(l.sender, channel), m_Settings.Status, channel);
    }
    if (!listedInAnyChannel(l.sender))
        m_UserMap.remove(l.sender);
}

void CTavernwApp::onJoin(const CIrcLine &l)
{
    const QString channel = channelParam(l.params);
    if (channel.isEmpty())
        return;
    if (!FindChannel(channel) && !openWindow(CChatDocBase::Kind::Channel, channel))
        notice(QStringLiteral("Error"), QStringLiteral("Unable to create new Window!"), CChatPrompt::Icon::Warning);
    noteUser(l.sender);
    if (CTavernwDoc *doc = FindChannel(channel); doc && l.sender != m_strNick)
        doc->AddUser(l.sender);
    if (m_Settings.ShowJoinPart)
        PrintLine(QStringLiteral("%1 has joined channel %2.").arg(l.sender, channel), m_Settings.Status, channel);
}

void CTavernwApp::onPrivmsg(const CIrcLine &l)
{
    const QString target = GetWord(0, l.params);
    if (m_IgnoreList.contains(l.sender))
        return;
    const QString text = StripColon(RestAfterWord(0, l.params));
    if (text.startsWith(QChar(0x01))) {
        handleCtcpRequest(l, target, text);
        return;
    }
    if (!target.startsWith(u'#')) {
        emit privateMessageReceived(l.sender);
        if (m_Settings.BeepOnPrivate && m_pFrontEnd)
            m_pFrontEnd->Beep();
        PrintLine(QStringLiteral("<%1> %2").arg(l.sender, text), m_Settings.Private, l.sender);
        return;
    }
    const QString formatted = QStringLiteral("<%1> %2").arg(l.sender, text);
    PrintLine(formatted, HighlightColour(formatted), target);
}

void CTavernwApp::onNotice(const CIrcLine &l)
{
    const QString target = GetWord(0, l.params);
    if (m_IgnoreList.contains(l.sender))
        return;
    QString text = StripColon(RestAfterWord(0, l.params));
    if (text.startsWith(QChar(0x01)) && handleCtcpReply(l, text))
        return;
    if (target.startsWith(u'#')) {
        PrintLine(QStringLiteral("* <%1> %2").arg(l.sender, text), m_Settings.Action, target);
        return;
    }
    if (!m_bRegistered)
        return;
    PrintLine(QStringLiteral("*<%1> %2").arg(l.sender, text), m_Settings.Status);
    if (m_Settings.BeepOnPrivate && m_pFrontEnd)
        m_pFrontEnd->Beep();
}

void CTavernwApp::onNames(const CIrcLine &l)
{
    const QString channel = GetWord(2, l.params);
    const QString names = StripColon(RestAfterWord(2, l.params));
    // Users are recorded only for channels we are in: records of other channels would
    // never be dropped (no PART of theirs reaches us), and a server could grow them
    // without end.
    if (CTavernwDoc *doc = FindChannel(channel)) {
        for (const QString &name : names.split(u' ', Qt::SkipEmptyParts)) {
            // Records are kept by plain nickname, the key parts, quits and the user list use.
            noteUser(name.startsWith(u'@') || name.startsWith(u'+') ? name.mid(1) : name);
            doc->AddUser(name);
        }
    }
    PrintLine(QStringLiteral("%1 - %2").arg(channel.toLower(), names), m_Settings.Status);
}

void CTavernwApp::onQuit(const CIrcLine &l)
{
    const QString reason = StripColon(l.params);
    const QString line = QStringLiteral("%1 has quit IRC (%2).").arg(l.sender, reason);
    for (CTavernwDoc *doc : ChannelDocs())
        if (doc->RemoveUser(l.sender) && m_Settings.ShowJoinPart)
            PrintLine(line, m_Settings.Status, doc->Name());
    m_UserMap.remove(l.sender);
    PrintLine(line, m_Settings.Status);
}

void CTavernwApp::onMode(const CIrcLine &l)
{
    const QString target = GetWord(0, l.params);
    const QString modes = GetWord(1, l.params);
    if (modes.isEmpty())
        return;
    PrintLine(QStringLiteral("%1 set mode %2").arg(l.sender, l.params), m_Settings.Status);
    if (!target.startsWith(u'#'))
        return;
    const QChar second = modes.size() > 1 ? modes.at(1).toLower() : QChar();
    if (second == u'o' || second == u'v') {
        CTavernwDoc *doc = FindChannel(target);
        QChar sign = modes.at(0);
        int k = 0;
        for (qsizetype i = 1; i < modes.size(); ++i) {
            const QChar c = modes.at(i);
            if (c == u'+' || c == u'-') {
                sign = c;
                continue;
            }
            const QString argument = GetWord(k + 2, l.params);
            ++k;
            // Only operator and voice changes name a user; other letters (a limit, a key,
            // a ban mask) take arguments that are no nicknames.
            const QChar letter = c.toLower();
            if (doc && (letter == u'o' || letter == u'v') && !argument.isEmpty())
                doc->SetUserMode(QString(sign) + c, argument);
        }
    }
    queryChannelModes(target);
}

void CTavernwApp::queryChannelModes(const QString &channel)
{
    const QString key = channel.toLower();
    const std::uint32_t now = TickCount();
    const auto sent = m_modeQueries.constFind(key);
    if (sent != m_modeQueries.cend() && now - *sent < kModeQueryMs)
        return;
    if (m_modeQueries.size() >= kMaxModeQueries) {
        m_modeQueries.removeIf([now](const auto &entry) { return now - entry.value() >= kModeQueryMs; });
        if (m_modeQueries.size() >= kMaxModeQueries && !FindChannel(channel))
            return; // the channels we are in are always asked about
    }
    m_modeQueries.insert(key, now);
    SendLine(QStringLiteral("MODE ") + channel);
}

void CTavernwApp::onKick(const CIrcLine &l)
{
    const QString channel = GetWord(0, l.params);
    const QString victim = GetWord(1, l.params);
    const QString reason = GetWord(2, l.params);
    CTavernwDoc *doc = FindChannel(channel);
    if (victim == m_strNick) {
        const QString text = QStringLiteral("You have been kicked from %1 with the reason %2").arg(channel, reason);
        // One box at a time: kicks that come while it is shown are counted.
        notice(kAppCaption, text, CChatPrompt::Icon::None, CChatPrompt::Kind::Kick);
        PrintLine(text, m_Settings.Status);
        if (doc)
            CloseWindow(doc);
        return;
    }
    if (doc) {
        doc->RemoveUser(victim);
        PrintLine(QStringLiteral("%1 has kicked %2 from %3 (%4).").arg(l.sender, victim, channel, reason),
                  m_Settings.Status, channel);
    }
}

void CTavernwApp::onNick(const CIrcLine &l)
{
    const QString newNick = StripColon(l.params);
    if (l.sender == m_strNick)
        m_strNick = newNick;
    const QString line = QStringLiteral("%1 is now known as %2").arg(l.sender, newNick);
    for (CTavernwDoc *doc : ChannelDocs()) {
        if (!doc->IsUserListed(l.sender))
            continue;
        PrintLine(line, m_Settings.Status, doc->Name());
        doc->RenameUser(newNick, l.sender);
    }
}

void CTavernwApp::onTopicReply(const CIrcLine &l, bool hasTopic)
{
    const QString channel = GetWord(1, l.params);
    const QString text = StripColon(RestAfterWord(1, l.params));
    CTavernwDoc *doc = FindChannel(channel);
    if (!doc)
        return;
    if (!hasTopic) {
        doc->SetTopic(QStringLiteral("%1 - No Topic").arg(channel), text);
        return;
    }
    doc->SetTopic(QStringLiteral("%1 - Topic: %2").arg(channel, text), text);
    if (!text.isEmpty())
        PrintLine(QStringLiteral("%1 sets the topic to: %2").arg(l.sender, text), m_Settings.Status, channel);
}

void CTavernwApp::onTopic(const CIrcLine &l)
{
    const QString channel = GetWord(0, l.params);
    const QString topic = StripColon(RestAfterWord(0, l.params));
    if (CTavernwDoc *doc = FindChannel(channel))
        doc->SetTopic(QStringLiteral("%1 - Topic: %2").arg(channel, topic), topic);
    PrintLine(QStringLiteral("** %1 has changed the topic of channel %2 to: %3").arg(l.sender, channel, topic),
              m_Settings.Status, channel);
}

void CTavernwApp::onChannelModes(const CIrcLine &l)
{
    const QString channel = GetWord(1, l.params);
    const QString modes = GetWord(2, l.params);
    m_modeQueries.remove(channel.toLower());
    if (modes.size() < 2)
        return;
    if (CTavernwDoc *doc = FindChannel(channel))
        doc->SetModeText(modes);
    else
        PrintLine(QStringLiteral("Mode: %1 %2").arg(channel, modes), m_Settings.Status);
}
