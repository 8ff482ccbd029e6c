#include "chat/windows/commandrunner.h"

#include "chat/core/tavernwapp.h"

namespace tavern {

namespace {

void sayTo(CTavernwApp &app, const QString &target, const QString &text)
{
    app.SendLine(QStringLiteral("PRIVMSG %1 :%2").arg(target, text));
    app.PrintLine(QStringLiteral("<%1> %2").arg(app.OwnNick(), text), app.m_Settings.Normal, target);
}

} // namespace

void RunBasicCommand(CTavernwApp &app, const QString &text, const QString &target)
{
    if (text.isEmpty())
        return;
    if (!text.startsWith(u'/')) {
        if (!target.isEmpty())
            sayTo(app, target, text);
        return;
    }
    const qsizetype blank = text.indexOf(u' ');
    const QString word = text.mid(1, blank < 0 ? -1 : blank - 1);
    const QString rest = blank < 0 ? QString() : text.mid(blank + 1);
    if (word.isEmpty())
        return;
    if (word.compare(QLatin1String("msg"), Qt::CaseInsensitive) == 0) {
        const qsizetype gap = rest.indexOf(u' ');
        if (gap > 0)
            sayTo(app, rest.left(gap), rest.mid(gap + 1));
        return;
    }
    app.SendLine(rest.isEmpty() ? word.toUpper() : word.toUpper() + u' ' + rest);
}

} // namespace tavern
