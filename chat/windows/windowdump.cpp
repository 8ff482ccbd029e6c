#include "chat/windows/windowdump.h"

#include "chat/core/tavernwapp.h"
#include "chat/windows/chanulist.h"
#include "chat/windows/chatframe.h"
#include "chat/windows/formcontrols.h"
#include "chat/windows/mainframe.h"
#include "chat/windows/windowtabs.h"

#include <QAction>
#include <QMdiArea>
#include <QSaveFile>
#include <QTextBlock>

namespace tavern {

namespace {

QString field(const QString &text)
{
    return DumpFieldText(text);
}

quint32 refFromColor(const QColor &c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}

// A line's colour is the colour of its first run that is not a link.
quint32 lineColour(const QTextBlock &block)
{
    QTextCharFormat first;
    bool haveFirst = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        if (!haveFirst) {
            first = f;
            haveFirst = true;
        }
        if (!f.isAnchor())
            return refFromColor(f.foreground().color());
    }
    return refFromColor(first.foreground().color());
}

} // namespace

QString DumpFieldText(QString text)
{
    for (QChar &c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

QString DumpWindows(const CMainFrame &frame)
{
    QString out;
    const auto windows = frame.windowArea()->subWindowList();
    for (QMdiSubWindow *w : windows) {
        auto *chat = qobject_cast<CChatFrame *>(w);
        if (!chat) {
            if (w->widget() && IsForm(w->widget()))
                out += QStringLiteral("window\t%1\t%1\n").arg(field(w->windowTitle())) + DumpFormControls(w->widget());
            continue;
        }
        out += QStringLiteral("window\t%1\t%2\n").arg(field(chat->windowName()), field(chat->windowTitle()));
        if (CChanUList *users = chat->userList())
            for (const QString &item : users->itemTexts())
                out += QStringLiteral("user\t%1\n").arg(field(item));
        CMessageView *view = chat->view();
        view->flush();
        for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
            if (b.text().isEmpty() && !b.next().isValid())
                break; // the empty line the text always ends with
            out += QStringLiteral("line\t%1\t%2\n").arg(lineColour(b), 8, 16, QLatin1Char('0')).arg(field(b.text()));
        }
    }
    const CWindowTabBar *tabs = frame.tabBar();
    for (int i = 0; i < tabs->count(); ++i) {
        const QString name = tabs->tabText(i);
        const bool unseen = frame.app() && frame.app()->HasUnseenLines(name);
        out += QStringLiteral("tab\t%1\t%2\n").arg(field(name), unseen ? QStringLiteral("unseen") : QStringLiteral("seen"));
    }
    // The menu entries with a check mark that are offered now.
    for (const QAction *a : frame.checkableCommands())
        out += QStringLiteral("menu\t%1\t%2\n").arg(field(a->text()), a->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked"));
    return out;
}

bool WriteWindowDump(const CMainFrame &frame, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(DumpWindows(frame).toUtf8());
    return file.commit();
}

} // namespace tavern
