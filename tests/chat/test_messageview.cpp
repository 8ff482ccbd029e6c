// The message view on an offscreen screen, with a fake of the rest of the client.

#include "chat/windows/fontbystyle.h"
#include "chat/windows/ircformat.h"
#include "chat/windows/messageview.h"
#include "platform/prompts.h"
#include "tests/support/testenv.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QUrl>

using namespace tavern;

namespace {

// Stands in for the document, the command interpreter, the desktop and the input line.
struct FakeClient {
    MessageViewSettings settings;
    QString windowName = QStringLiteral("#descent");
    QStringList sent, commands, opened, keys;
    QList<int> functionKeys;

    MessageViewHost host()
    {
        MessageViewHost h;
        h.settings = [this] { return settings; };
        h.windowName = [this] { return windowName; };
        h.sendText = [this](const QString &t) { sent << t; };
        h.runCommand = [this](const QString &t) { commands << t; };
        h.openLink = [this](const QString &t) { opened << t; };
        h.forwardKey = [this](const QKeyEvent &e) { keys << e.text(); };
        h.forwardFunctionKey = [this](int n) { functionKeys << n; };
        return h;
    }
};

// The format of the character at `position`.
QTextCharFormat formatAt(CMessageView &view, int position)
{
    QTextCursor c(view.document());
    c.setPosition(position);
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    return c.charFormat();
}

int positionOf(CMessageView &view, const QString &needle)
{
    return int(view.toPlainText().indexOf(needle));
}

// The middle of the character at `position`, in viewport coordinates.
QPoint pointAt(CMessageView &view, int position)
{
    QTextCursor c(view.document());
    c.setPosition(position);
    const QRect left = view.cursorRect(c);
    c.setPosition(position + 1);
    const QRect right = view.cursorRect(c);
    return QPoint((left.x() + right.x()) / 2, left.center().y());
}

QByteArray fileContents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct Shown {
    FakeClient client;
    CMessageView view{client.host()};
    Shown()
    {
        view.resize(500, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
};

} // namespace

class TestMessageView : public QObject {
    Q_OBJECT
private slots:
    void linesKeepTheirColourAndLinksTakeTheUrlColour()
    {
        FakeClient client;
        CMessageView view(client.host());
        view.addLine("status line", 0x000000FF);
        view.addLine("go http://x.y/z) now", 0x00660000);
        view.flush();

        QCOMPARE(formatAt(view, 0).foreground().color(), QColor(255, 0, 0));
        QVERIFY(!formatAt(view, 0).fontUnderline());
        const int link = positionOf(view, "http:");
        const int paren = positionOf(view, ")");
        // 0x02FF0000: the palette-relative blue of the default settings.
        QCOMPARE(formatAt(view, link).foreground().color(), QColor(0, 0, 255));
        QVERIFY(formatAt(view, link).fontUnderline());
        QVERIFY(formatAt(view, paren - 1).fontUnderline());
        QVERIFY(!formatAt(view, paren).fontUnderline());
        QCOMPARE(formatAt(view, paren).foreground().color(), QColor(0, 0, 0x66));
        QCOMPARE(view.palette().color(QPalette::Base), QColor(255, 255, 255));
    }

    void networkTextIsNeverMarkup()
    {
        FakeClient client;
        CMessageView view(client.host());
        view.addLine("<b>x</b> &amp; <a href=\"http:evil\">y</a>", 0);
        view.addLine(QString("two\nlines\u2029and\rmore"), 0);
        view.flush();
        const QStringList lines = view.toPlainText().split('\n');
        QCOMPARE(lines.value(0), QString("<b>x</b> &amp; <a href=\"http:evil\">y</a>"));
        QCOMPARE(lines.value(1), QString("two lines and more"));
        QCOMPARE(formatAt(view, 1).fontWeight(), int(QFont::Normal));
        QCOMPARE(view.document()->blockCount(), 3);
    }

    void formattingCodesStyleTheTextAndLeaveTheLog()
    {
        QTemporaryDir dir;
        FakeClient client;
        client.settings.logFolder = dir.path();
        client.settings.background = 0x00FFFFFF;
        CMessageView view(client.host());
        view.ToggleLog();
        view.addLine("\x02" "bold\x02 \x03" "4,1red\x03 \x1D" "it\x0F \x1Fsaid http://x.test/\x1F \x16rev", 0x00112233);
        view.addLine("\x03" "99,99\x03" "12\x04" "00ff00green\x0f", 0);
        view.flush();
        const QString first = QStringLiteral("bold red it said http://x.test/ rev");
        QCOMPARE(view.toPlainText().split('\n').mid(0, 2), (QStringList{first, QStringLiteral("green")}));
        QCOMPARE(formatAt(view, 0).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(view, positionOf(view, " red")).fontWeight(), int(QFont::Normal));
        QCOMPARE(formatAt(view, positionOf(view, "red")).foreground().color(), QColor(0xFF, 0, 0));
        QCOMPARE(formatAt(view, positionOf(view, "red")).background().color(), QColor(0, 0, 0));
        QVERIFY(formatAt(view, positionOf(view, "it")).fontItalic());
        QCOMPARE(formatAt(view, positionOf(view, " said")).foreground().color(), QColor(0x33, 0x22, 0x11));
        // Text the sender underlined is no link; the link inside it still is.
        QVERIFY(formatAt(view, positionOf(view, "said")).fontUnderline());
        QVERIFY(view.linkAt(positionOf(view, "said")).isEmpty());
        QCOMPARE(view.linkAt(positionOf(view, "x.test")), QStringLiteral("http://x.test/"));
        // Reverse: the pane's colour on the line's colour.
        QCOMPARE(formatAt(view, positionOf(view, "rev")).foreground().color(), QColor(Qt::white));
        QCOMPARE(formatAt(view, positionOf(view, "rev")).background().color(), QColor(0x33, 0x22, 0x11));
        QCOMPARE(formatAt(view, positionOf(view, "green")).foreground().color(), QColor(0, 0xFF, 0));
        QCOMPARE(fileContents(view.logPath()), (first + QStringLiteral("\ngreen\n")).toUtf8());

        // A style switch at every character: the text stays whole, the pieces bounded.
        QString flicker;
        for (int i = 0; i < 2000; ++i)
            flicker += QStringLiteral("\x02x");
        view.addLine(flicker, 0);
        view.flush();
        const QTextBlock last = view.document()->lastBlock().previous();
        QCOMPARE(last.text(), QString(2000, u'x'));
        int pieces = 0;
        for (auto it = last.begin(); !it.atEnd(); ++it)
            ++pieces;
        QVERIFY(pieces <= kMaxIrcRuns);
    }

    void scrollbackIsBoundedByBytesToo()
    {
        FakeClient client;
        client.settings.scrollbackBytes = 20000; // 10,000 characters
        CMessageView view(client.host());
        for (int i = 0; i < 300; ++i)
            view.addLine(QStringLiteral("%1 ").arg(i, 3, 10, QLatin1Char('0')) + QString(96, u'y'), 0);
        view.flush();
        QVERIFY(view.document()->characterCount() <= 10000 * 9 / 8);
        QVERIFY(view.document()->characterCount() >= 10000 - 101);
        QVERIFY(view.document()->firstBlock().text().endsWith(QString(96, u'y'))); // whole lines go
        QVERIFY(view.toPlainText().contains(QStringLiteral("299 ")));
    }

    void clicksOnLinksActOnTheWholeLink()
    {
        Shown s;
        CMessageView &view = s.view;
        FakeClient &client = s.client;
        view.addLine("a HTTP://X.Y/Z) finger:bob@host", 0);
        view.addLine("GetFile:a.zip@nick getfile:b@c GetFile:none finger:", 0);
        view.flush();

        const auto click = [&](const QString &needle, int into) {
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                              pointAt(view, positionOf(view, needle) + into));
        };
        click("HTTP:", 4);
        click("finger:bob", 9);
        click("GetFile:a", 1);
        click("getfile:b", 0);
        click("finger:\n", 3);
        QCOMPARE(client.opened, (QStringList{"HTTP://X.Y/Z", "getfile:b@c"}));
        QCOMPARE(client.commands,
                 (QStringList{"/finger bob@host", "/ctcp nick FILEREQ a.zip", "/finger "}));

        // A file link without '@' and plain text do nothing.
        click("GetFile:none", 2);
        click("a HTTP", 0);
        QCOMPARE(client.opened.size() + client.commands.size(), 5);
    }

    void pointerOverLinkShowsTheLinkCursor()
    {
        Shown s;
        s.view.addLine("plain http://x", 0);
        s.view.flush();
        QTest::mouseMove(s.view.viewport(), pointAt(s.view, positionOf(s.view, "http") + 2));
        QTRY_VERIFY(s.view.isOverLink());
        QCOMPARE(s.view.viewport()->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(s.view.viewport(), pointAt(s.view, 1));
        QTRY_VERIFY(!s.view.isOverLink());
    }

    void profanityFilterHidesButStillLogs()
    {
        QTemporaryDir dir;
        FakeClient client;
        client.settings.logFolder = dir.path();
        client.settings.profanityFilter = true;
        CMessageView view(client.host());
        view.ToggleLog();
        QVERIFY(view.IsLogging());
        view.addLine("I like SHITake mushrooms", 0);
        view.addLine("clean", 0);
        client.settings.profanityFilter = false;
        view.addLine("shit happens", 0);
        view.flush();
        QCOMPARE(view.toPlainText(), QString("clean\nshit happens\n"));
        QCOMPARE(fileContents(dir.filePath("#descent")),
                 QByteArray("I like SHITake mushrooms\nclean\nshit happens\n"));
    }

    void autoLogStartsWithTheFirstLineAndAppends()
    {
        QTemporaryDir dir;
        {
            QFile earlier(dir.filePath("#descent"));
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("from last time\n");
        }
        FakeClient client;
        client.settings.logFolder = dir.path();
        client.settings.autoLog = true;
        CMessageView view(client.host());
        QVERIFY(!view.IsLogging());
        view.addLine("<b>first</b>", 0);
        QVERIFY(view.IsLogging());
        view.ToggleLog();
        QVERIFY(!view.IsLogging());
        view.ClearBuffer();
        // Auto logging acts once per view, even after the buffer is cleared.
        view.addLine("not logged", 0);
        QVERIFY(!view.IsLogging());
        QCOMPARE(fileContents(dir.filePath("#descent")), QByteArray("from last time\n<b>first</b>\n"));
    }

    void logNameFromTheNetworkStaysInTheLogFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("logs"));
        FakeClient client;
        client.settings.logFolder = dir.filePath("logs");
        client.windowName = "../../evil";
        CMessageView view(client.host());
        view.ToggleLog();
        view.addLine("x", 0);
        QCOMPARE(view.logPath(), dir.filePath("logs/evil"));
        QCOMPARE(fileContents(dir.filePath("logs/evil")), QByteArray("x\n"));
        QVERIFY(!QFile::exists(dir.filePath("evil")));
    }

    void logThatCannotBeCreatedIsReported()
    {
        ferry::test::TestEnv env;
        ferry::prompts::reset();
        FakeClient client;
        // A folder that cannot be made: a file stands where it would go.
        QFile blocker(env.home() + "/blocked");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        client.settings.logFolder = env.home() + "/blocked/logs";
        client.settings.autoLog = true;
        CMessageView view(client.host());
        view.addLine("still shown", 0);
        view.flush();
        QVERIFY(!view.IsLogging());
        QCOMPARE(view.toPlainText(), QString("still shown\n"));
        const auto prompts = env.prompts();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].caption, QString("Error"));
        QCOMPARE(prompts[0].text, QString("Unable to Create Log File"));
    }

    void floodsAreBatchedAndScrollbackIsBounded()
    {
        QTemporaryDir dir;
        FakeClient client;
        client.settings.scrollbackLines = 50;
        client.settings.logFolder = dir.path();
        CMessageView view(client.host());
        view.ToggleLog();

        view.addLine("queued", 0);
        QCOMPARE(view.pendingLines(), 1);
        QVERIFY(view.toPlainText().isEmpty());
        QTRY_COMPARE(view.pendingLines(), 0); // the flush timer draws it
        QCOMPARE(view.toPlainText(), QString("queued\n"));

        for (int i = 0; i < CMessageView::kBatchLines; ++i)
            view.addLine(QString::number(i), 0);
        QCOMPARE(view.pendingLines(), 0); // a full batch is drawn at once

        for (int i = 0; i < 1000; ++i)
            view.addLine(QStringLiteral("line %1 http://x/%1").arg(i), 0);
        view.flush();
        QCOMPARE(view.document()->blockCount(), 51);
        QCOMPARE(view.document()->firstBlock().text(), QString("line 950 http://x/950"));
        QVERIFY(formatAt(view, positionOf(view, "http://x/950")).fontUnderline());
        QCOMPARE(fileContents(view.logPath()).count('\n'), 1 + CMessageView::kBatchLines + 1000);
    }

    void stopScrollingKeepsViewAndSelection()
    {
        Shown s;
        CMessageView &view = s.view;
        s.client.settings.scrollbackLines = 400;
        for (int i = 0; i < 380; ++i)
            view.addLine(QStringLiteral("line %1").arg(i), 0);
        view.flush();
        QScrollBar *bar = view.verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());

        s.client.settings.stopScrolling = true;
        bar->setValue(bar->maximum() / 2);
        QTextCursor sel(view.document());
        sel.setPosition(positionOf(view, "line 350"));
        sel.setPosition(positionOf(view, "line 353"), QTextCursor::KeepAnchor);
        view.setTextCursor(sel);
        const QString topLine = view.cursorForPosition(QPoint(0, 0)).block().text();

        // 100 more lines: 80 of the old ones drop off the front.
        for (int i = 380; i < 480; ++i)
            view.addLine(QStringLiteral("line %1").arg(i), 0);
        view.flush();
        QCOMPARE(view.textCursor().selectedText(), QString("line 350\u2029line 351\u2029line 352\u2029"));
        QCOMPARE(view.document()->firstBlock().text(), QString("line 80"));
        QCOMPARE(view.cursorForPosition(QPoint(0, 0)).block().text(), topLine);
        QVERIFY(bar->value() < bar->maximum());

        s.client.settings.stopScrolling = false;
        view.addLine("the end", 0);
        view.flush();
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(!view.textCursor().hasSelection());
    }

    void droppedFilesBecomeOffers()
    {
        FakeClient client;
        CMessageView view(client.host());
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile("/tmp/a game.zip"), QUrl("http://x/y"),
                      QUrl::fromLocalFile("/tmp/b"), QUrl::fromLocalFile("/tmp/bad\nname"),
                      QUrl::fromLocalFile("/tmp/c")});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(view.viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(view.viewport(), &drop);
        QCOMPARE(client.sent, (QStringList{"/offer /tmp/a game.zip", "/offer /tmp/b", "/offer /tmp/c"}));

        QMimeData text;
        text.setText("not a file");
        QDragEnterEvent other(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(view.viewport(), &other);
        QVERIFY(!other.isAccepted());
    }

    void selectingWithTheMouseCopies()
    {
        Shown s;
        s.view.addLine("hello brave world", 0);
        s.view.flush();
        QApplication::clipboard()->clear();
        QWidget *vp = s.view.viewport();
        const QPoint from = pointAt(s.view, 6) - QPoint(2, 0);
        const QPoint to = pointAt(s.view, 10) + QPoint(2, 0);
        QTest::mousePress(vp, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, vp->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(vp, &move);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
        QCOMPARE(QApplication::clipboard()->text(), QString("brave"));

        // The context menu's only item copies as well.
        QApplication::clipboard()->clear();
        std::unique_ptr<QMenu> menu(s.view.createContextMenu(nullptr));
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions()[0]->text(), QString("&Copy"));
        menu->actions()[0]->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("brave"));
    }

    void keysGoToTheInputLine()
    {
        Shown s;
        QTest::keyClick(&s.view, Qt::Key_A, {}, 10);
        QTest::keyClick(&s.view, Qt::Key_Return);
        QTest::keyClick(&s.view, Qt::Key_Tab);
        QTest::keyClick(&s.view, Qt::Key_F5);
        QTest::keyClick(&s.view, Qt::Key_F10);
        QTest::keyClick(&s.view, Qt::Key_PageDown);
        QCOMPARE(s.client.keys, (QStringList{"a", "\r", "\t"}));
        QCOMPARE(s.client.functionKeys, (QList<int>{5, 10}));
    }

    void applyFontRestylesButKeepsColours()
    {
        FakeClient client;
        CMessageView view(client.host());
        view.addLine("see http://x", 0x0000FF00);
        view.flush();
        const int small = view.document()->defaultFont().pointSize();
        client.settings.fontSize = small + 12;
        view.ApplyFont();
        QCOMPARE(view.document()->defaultFont().pointSize(), small + 12);
        QCOMPARE(QFontInfo(view.font()).pointSize(), small + 12);
        QCOMPARE(formatAt(view, 0).foreground().color(), QColor(0, 255, 0));
        QVERIFY(formatAt(view, positionOf(view, "http")).fontUnderline());
    }

    void fontCreation()
    {
        const QString missing = QStringLiteral("No Such Face 97");
        QVERIFY(!createFontByStyle(missing, "Regular", 8, {.exact = true}));
        const auto fallback = createFontByStyle(missing, "Regular", 14);
        QVERIFY(fallback);
        QCOMPARE(fallback->pointSize(), 14);
        // Without a style name the flags decide weight and slant.
        const auto boldItalic =
            createFontByStyle(missing, QString(), 9, {.bold = true, .italic = true, .underline = true});
        QVERIFY(boldItalic);
        QCOMPARE(boldItalic->weight(), QFont::Bold);
        QVERIFY(boldItalic->italic());
        QVERIFY(boldItalic->underline());
    }

    void rawTextContinuesPartialLines()
    {
        FakeClient client;
        CMessageView view(client.host());
        view.appendRaw("Login: bob\r\nPlan: see ht");
        view.appendRaw("tp://x or finger:me\r\n");
        QCOMPARE(view.toPlainText(), QString("Login: bob\nPlan: see http://x or finger:me\n"));
        // Links are marked per received piece, in the default colour otherwise.
        QVERIFY(!formatAt(view, positionOf(view, "tp://x")).fontUnderline());
        QVERIFY(formatAt(view, positionOf(view, "finger:me")).fontUnderline());
        QVERIFY(!formatAt(view, 0).hasProperty(QTextFormat::ForegroundBrush));
    }
};

QTEST_MAIN(TestMessageView)
#include "test_messageview.moc"
