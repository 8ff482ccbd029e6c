#include "chat/core/commandargs.h"

#include "chat/core/ircline.h"

CCommandLine SplitCommand(const QString &withoutSlash)
{
    const qsizetype blank = withoutSlash.indexOf(u' ');
    if (blank < 0)
        return {withoutSlash, withoutSlash};
    return {withoutSlash.left(blank), withoutSlash.mid(blank + 1)};
}

QString AfterFirstBlank(const QString &text)
{
    const qsizetype blank = text.indexOf(u' ');
    return blank < 0 ? QString() : text.mid(blank + 1);
}

CMessageArguments MessageArguments(const QString &arguments)
{
    if (!arguments.startsWith(u'"'))
        return {GetWord(0, arguments), AfterFirstBlank(arguments)};
    const qsizetype close = arguments.indexOf(u'"', 1);
    if (close < 0)
        return {arguments.mid(1), QString()};
    QString text = arguments.mid(close + 1);
    if (text.startsWith(u' '))
        text.remove(0, 1);
    return {arguments.mid(1, close - 1), text};
}

static bool typedInWindowWithoutChannel(const QString &arguments, const QString &target)
{
    return !target.isEmpty() && !arguments.startsWith(u'#');
}

QString KickLine(const QString &arguments, const QString &target)
{
    QString channel;
    QString nick;
    QString reason;
    if (typedInWindowWithoutChannel(arguments, target)) {
        channel = target;
        nick = GetWord(0, arguments);
        const qsizetype blank = arguments.indexOf(u' ');
        if (blank >= 0)
            reason = QLatin1Char(':') + arguments.mid(blank); // the blank stays, as peers have always seen it
    } else {
        channel = GetWord(0, arguments);
        nick = GetWord(1, arguments);
        const QString rest = AfterFirstBlank(AfterFirstBlank(arguments));
        if (!rest.isEmpty())
            reason = QLatin1Char(':') + rest;
    }
    return QStringLiteral("kick %1 %2 %3").arg(channel, nick, reason);
}

QString TopicLine(const QString &arguments, const QString &target)
{
    if (typedInWindowWithoutChannel(arguments, target))
        return QStringLiteral("topic %1 :%2").arg(target, arguments);
    const QString channel = GetWord(0, arguments);
    // A channel with nothing (or only a trailing blank) after it asks for the topic;
    // it never sends an empty ":" that would clear it.
    const QString text = AfterFirstBlank(arguments);
    if (text.isEmpty())
        return QStringLiteral("topic %1 ").arg(channel);
    return QStringLiteral("topic %1 :%2").arg(channel, text);
}

QString WhoLine(const QString &arguments)
{
    const QString mask = GetWord(1, arguments);
    return QStringLiteral("WHO %1").arg(mask.isEmpty() ? QStringLiteral("*") : mask);
}
