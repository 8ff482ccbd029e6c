// The command interpreter: what a line typed into a chat window (or made by a menu,
// a function key, a link or the user list) sends and prints.

#include "chat/core/chatfrontend.h"
#include "chat/core/commandargs.h"
#include "chat/core/ircline.h"
#include "chat/core/tavernwapp.h"

#include <QStringList>

#include <cstdint>

namespace {

constexpr QChar kCtcpMark(0x01);

struct Command {
    QString word;      // as typed
    QString arguments; // text after the first blank (the word itself without one)
    QString target;    // window typed in; empty for the Server window
};

using Handler = void (*)(CTavernwApp &, const Command &);

QString ctcp(const QString &body)
{
    return kCtcpMark + body + kCtcpMark;
}

void printStatus(CTavernwApp &app, const QString &text)
{
    app.PrintLine(text, app.m_Settings.Status);
}

void notAvailable(CTavernwApp &app, const QString &what)
{
    printStatus(app, QStringLiteral("** %1 not available.").arg(what));
}

QStringList openChannels(const CTavernwApp &app)
{
    return app.Windows().ChannelNames();
}

// An action line to every open channel, echoed into each.
void announceAction(CTavernwApp &app, const QString &action)
{
    for (const QString &channel : openChannels(app)) {
        app.SendLine(QStringLiteral("PRIVMSG %1 :%2").arg(channel, ctcp(QStringLiteral("ACTION ") + action)));
        app.PrintLine(QStringLiteral("* %1 %2").arg(app.OwnNick(), action), app.m_Settings.Action, channel);
    }
}

void sendPlainText(CTavernwApp &app, const QString &text, const QString &target)
{
    app.SendLine(QStringLiteral("PRIVMSG %1 :%2").arg(target, text));
    const QString echo = QStringLiteral("<%1> %2").arg(app.OwnNick(), text);
    const ChatColour colour = target.startsWith(u'#') ? app.HighlightColour(echo) : app.m_Settings.Private;
    app.PrintLine(echo, colour, target);
}

// ---- the commands, in the order they are matched

void serviceRequest(CTavernwApp &app, const Command &c)
{
    if (!app.m_CommandHooks.serviceCommand || !app.m_CommandHooks.serviceCommand(c.word, c.arguments))
        notAvailable(app, QStringLiteral("The game service is"));
}

void ignore(CTavernwApp &app, const Command &c)
{
    const QString nick = GetWord(0, c.arguments);
    // An empty entry would match every server line that carries no sender.
    if (nick.isEmpty())
        return;
    if (app.ToggleIgnore(nick))
        printStatus(app, QStringLiteral("** Ignoreing user %1.").arg(nick));
    else
        printStatus(app, QStringLiteral("%1 %2.").arg(QStringLiteral("** No longer ignoring user"), nick));
}

void fallback(CTavernwApp &app, const Command &c);

void dcc(CTavernwApp &app, const Command &c)
{
    const QString sub = GetWord(0, c.arguments);
    const QString nick = GetWord(1, c.arguments);
    const CCommandHooks &hooks = app.m_CommandHooks;
    if (sub.compare(QLatin1String("chat"), Qt::CaseInsensitive) == 0) {
        if (hooks.dccChat)
            hooks.dccChat(nick);
        else
            notAvailable(app, QStringLiteral("Direct chat is"));
    } else if (sub.compare(QLatin1String("send"), Qt::CaseInsensitive) == 0) {
        if (hooks.dccSend)
            hooks.dccSend(nick, RestAfterWord(1, c.arguments));
        else
            notAvailable(app, QStringLiteral("Direct file transfer is"));
    } else {
        fallback(app, c);
    }
}

void finger(CTavernwApp &app, const Command &c)
{
    if (app.m_CommandHooks.finger)
        app.m_CommandHooks.finger(c.arguments);
    else
        notAvailable(app, QStringLiteral("Finger is"));
}

void join(CTavernwApp &app, const Command &c)
{
    app.SendLine(QStringLiteral("JOIN ") + c.arguments);
    app.SendLine(QStringLiteral("MODE ") + c.arguments);
}

void kill(CTavernwApp &app, const Command &c)
{
    app.SendLine(QStringLiteral("kill :") + c.arguments);
}

void pmsg(CTavernwApp &app, const Command &c)
{
    if (!c.target.isEmpty())
        app.SendLine(QStringLiteral("PRIVMSG %1 :%2").arg(c.target, c.arguments));
}

void msg(CTavernwApp &app, const Command &c)
{
    const QString nick = GetWord(0, c.arguments);
    const QString text = AfterFirstBlank(c.arguments);
    app.SendLine(QStringLiteral("PRIVMSG %1 :%2").arg(nick, text));
    app.PrintLine(QStringLiteral("%1: *%2* %3").arg(app.OwnNick(), nick, text), app.m_Settings.Private, c.target);
}

void notice(CTavernwApp &app, const Command &c)
{
    const QString nick = GetWord(0, c.arguments);
    const QString text = AfterFirstBlank(c.arguments);
    app.SendLine(QStringLiteral("NOTICE %1 :%2").arg(nick, text));
    app.PrintLine(QStringLiteral("%1: NOTICE -%2- %3").arg(app.OwnNick(), nick, text), app.m_Settings.Action, nick);
}

void me(CTavernwApp &app, const Command &c)
{
    if (c.target.isEmpty())
        return;
    app.SendLine(QStringLiteral("PRIVMSG %1 :%2").arg(c.target, ctcp(QStringLiteral("ACTION ") + c.arguments)));
    app.PrintLine(QStringLiteral("* %1 %2").arg(app.OwnNick(), c.arguments), app.m_Settings.Action, c.target);
}

void ctcpRequest(CTavernwApp &app, const Command &c)
{
    const QString nick = GetWord(0, c.arguments);
    const QString request = AfterFirstBlank(c.arguments);
    app.SendLine(QStringLiteral("PRIVMSG %1 :%2").arg(nick, ctcp(request)));
    app.PrintLine(QStringLiteral("%1: CTCP *%2* %3").arg(app.OwnNick(), nick, request), app.m_Settings.Action, c.target);
}

void offers(CTavernwApp &app, const Command &c)
{
    if (!app.m_CommandHooks.offerCommand || !app.m_CommandHooks.offerCommand(c.word, c.arguments, c.target))
        notAvailable(app, QStringLiteral("File offers are"));
}

void ping(CTavernwApp &app, const Command &c)
{
    const auto ticks = static_cast<std::int32_t>(app.TickCount());
    app.SendLine(QStringLiteral("PRIVMSG %1 :%2").arg(c.arguments, ctcp(QStringLiteral("PING %1").arg(ticks))));
    printStatus(app, QStringLiteral("%1 %2\n").arg(QStringLiteral("** Pinging"), c.arguments));
}

void udpPing(CTavernwApp &app, const Command &c)
{
    app.SendLine(QStringLiteral("PRIVMSG %1 :%2").arg(c.arguments, ctcp(QStringLiteral("UDPPING"))));
    app.NoteUdpPingSent(c.arguments);
    printStatus(app, QStringLiteral("%1 %2\n").arg(QStringLiteral("** Pinging"), c.arguments));
}

void help(CTavernwApp &app, const Command &)
{
    if (!app.OpenUrl(QString::fromLatin1(kManualUrl)))
        printStatus(app, QStringLiteral("** Unable to open the manual at %1").arg(QLatin1String(kManualUrl)));
}

void quit(CTavernwApp &app, const Command &c)
{
    app.SendLine(QStringLiteral("QUIT :") + (c.arguments.isEmpty() ? app.m_Settings.QuitMsg : c.arguments));
}

void list(CTavernwApp &app, const Command &)
{
    app.SendLine(QStringLiteral("LIST "));
}

void whois(CTavernwApp &app, const Command &c)
{
    app.SendLine(QStringLiteral("whois ") + c.arguments);
}

void who(CTavernwApp &app, const Command &c)
{
    app.SendLine(WhoLine(c.arguments));
}

void nick(CTavernwApp &app, const Command &c)
{
    app.SendLine(QStringLiteral("nick ") + c.arguments);
}

void kick(CTavernwApp &app, const Command &c)
{
    app.SendLine(KickLine(c.arguments, c.target));
}

void mode(CTavernwApp &app, const Command &c)
{
    app.SendLine(QStringLiteral("MODE ") + c.arguments);
}

void topic(CTavernwApp &app, const Command &c)
{
    app.SendLine(TopicLine(c.arguments, c.target));
}

void server(CTavernwApp &app, const Command &c)
{
    app.SwitchServer(c.arguments);
}

void fallback(CTavernwApp &app, const Command &c)
{
    app.SendLine(QStringLiteral("%1 %2").arg(c.word, c.arguments));
}

struct Row {
    const char *word;
    Handler run;
};

constexpr Row kCommands[] = {
    {"users", serviceRequest},  {"swhois", serviceRequest}, {"sban", serviceRequest},
    {"sunban", serviceRequest}, {"sblist", serviceRequest}, {"skill", serviceRequest},
    {"ignore", ignore},         {"dcc", dcc},               {"finger", finger},
    {"join", join},             {"kill", kill},             {"pmsg", pmsg},
    {"msg", msg},               {"notice", notice},         {"me", me},
    {"ctcp", ctcpRequest},      {"offer", offers},          {"deoffer", offers},
    {"showoffers", offers},     {"ping", ping},             {"tping", udpPing},
    {"help", help},             {"quit", quit},             {"list", list},
    {"whois", whois},           {"who", who},               {"nick", nick},
    {"kick", kick},             {"mode", mode},             {"topic", topic},
    {"server", server},
};

void runCommand(CTavernwApp &app, const Command &c)
{
    for (const Row &row : kCommands) {
        if (c.word.compare(QLatin1String(row.word), Qt::CaseInsensitive) == 0) {
            row.run(app, c);
            return;
        }
    }
    // Offer words beyond the listed ones (such as a request for an offered file)
    // belong to the file offers when they claim them.
    if (app.m_CommandHooks.offerCommand && app.m_CommandHooks.offerCommand(c.word, c.arguments, c.target))
        return;
    fallback(app, c);
}

} // namespace

void CTavernwApp::ProcessInput(const QString &text, const QString &target)
{
    if (!text.startsWith(u'/')) {
        if (!target.isEmpty())
            sendPlainText(*this, text, target);
        return; // plain text in the Server window goes nowhere
    }
    const CCommandLine line = SplitCommand(text.mid(1));
    // A lone '/' or one followed by a blank names no command; sent raw it would make
    // the server read the arguments as the command.
    if (line.word.isEmpty())
        return;
    runCommand(*this, {line.word, line.arguments, target});
}

void CTavernwApp::ToggleAway(const std::function<std::optional<QString>()> &askMessage)
{
    if (m_bAway) {
        m_bAway = false;
        announceAction(*this, QStringLiteral("is back."));
        SendLine(QStringLiteral("away"));
        return;
    }
    const auto goAway = [this](const QString &message) {
        m_bAway = true;
        announceAction(*this, QStringLiteral("is away (%1)").arg(message));
        SendLine(QStringLiteral("away ") + message);
    };
    if (askMessage) {
        if (const auto message = askMessage())
            goAway(*message);
        return;
    }
    CChatPrompt prompt;
    prompt.kind = CChatPrompt::Kind::AwayMessage;
    prompt.style = CChatPrompt::Style::Text;
    prompt.caption = QStringLiteral("Away");
    prompt.text = QStringLiteral("Enter your away message");
    Ask(prompt, [this, goAway](const CPromptAnswer &answer) {
        if (answer.accepted && !m_bAway)
            goAway(answer.text);
    });
}
