#include "chat/windows/messageview.h"

#include "chat/core/colorref.h"
#include "chat/core/linkscan.h"
#include "chat/windows/fontbystyle.h"
#include "chat/windows/ircformat.h"
#include "platform/launcher.h"
#include "platform/prompts.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>

#include <algorithm>

namespace tavern {

namespace {

// Characters that the text document would take as paragraph or frame breaks; a line
// from the network stays one line, so they are shown as blanks.
QString displayText(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        switch (c.unicode()) {
        case u'\r': case u'\n': case 0x2028: case 0x2029: case 0xFDD0: case 0xFDD1:
            c = u' ';
            break;
        default:
            break;
        }
    }
    return out;
}

// The local files in a drop, in the order listed. A path that could break the
// command line it is sent in (line breaks, NUL) is left out.
QStringList droppedFiles(const QMimeData *mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (path.isEmpty() || path.contains(u'\n') || path.contains(u'\r') || path.contains(QChar(0)))
            continue;
        files.append(path);
    }
    return files;
}

} // namespace

CMessageView::CMessageView(MessageViewHost host, QWidget *parent)
    : QPlainTextEdit(parent), m_host(std::move(host))
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);

    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushDelayMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &CMessageView::flush);

    const MessageViewSettings s = currentSettings();
    if (auto font = createFontByStyle(s.fontName, QStringLiteral("Regular"), s.fontSize)) {
        setFont(*font);
        document()->setDefaultFont(*font);
    }
    applyBackground(s.background);
}

CMessageView::~CMessageView() = default;

MessageViewSettings CMessageView::currentSettings() const
{
    return m_host.settings ? m_host.settings() : MessageViewSettings{};
}

void CMessageView::applyBackground(quint32 colour)
{
    if (colour == m_background)
        return;
    m_background = colour;
    QPalette p = palette();
    p.setColor(QPalette::Base, colorFromRef(colour));
    setPalette(p);
}

// Drops the oldest lines once the pane holds more than `lines` plus a slack of an
// eighth, down to `lines`. Every removal at the front makes the text layout move all
// the lines after it, so trimming a few lines per batch (as a block count limit on
// the document does) costs a pass over the whole scrollback each time; trimming in
// steps pays that pass once per step.
//
// The pane is held to a size in bytes as well (its text is kept as UTF-16, two bytes
// a character): long lines would otherwise take gigabytes before the line count drops any.
void CMessageView::trimScrollback(QTextCursor &cursor, const MessageViewSettings &s)
{
    QTextDocument *doc = document();
    int cut = 0; // the text before this position goes
    const int lines = s.scrollbackLines;
    const int shown = doc->blockCount() - 1; // the text always ends with an empty line
    if (lines > 0 && shown > lines + std::max(1, lines / 8))
        cut = doc->findBlockByNumber(shown - lines).position();
    const qint64 maxChars = s.scrollbackBytes / 2;
    const int chars = doc->characterCount();
    if (maxChars > 0 && chars > maxChars + maxChars / 8) {
        // Whole lines go, up to the start of the line that holds the limit.
        const QTextBlock holding = doc->findBlock(int(chars - maxChars));
        const QTextBlock next = holding.position() < chars - maxChars ? holding.next() : holding;
        cut = std::max(cut, next.isValid() ? next.position() : doc->lastBlock().position());
    }
    if (cut <= 0)
        return;
    cursor.movePosition(QTextCursor::Start);
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void CMessageView::SetLineColor(quint32 colour)
{
    m_lineColour = colour;
}

void CMessageView::addLine(const QString &text, quint32 colour)
{
    SetLineColor(colour);
    AppendLine(text);
}

void CMessageView::AppendLine(const QString &text)
{
    const MessageViewSettings s = currentSettings();
    if (!m_started) {
        m_started = true;
        if (s.autoLog && !m_log.isOpen())
            startLog();
    }
    // Logs and the filter see the text without its formatting codes.
    const QString plain = StripIrcFormatting(text);
    m_log.writeLine(plain);
    if (s.profanityFilter && containsProfanity(plain, s.profanityWords))
        return;
    m_pending.append({text, m_lineColour, false, true});
    if (m_pending.size() >= kBatchLines)
        flush();
    else if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void CMessageView::appendRaw(const QString &text)
{
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype nl = text.indexOf(u'\n', from);
        const qsizetype end = nl < 0 ? text.size() : nl;
        QString piece = text.mid(from, end - from);
        if (piece.endsWith(u'\r'))
            piece.chop(1);
        m_pending.append({piece, 0, true, nl >= 0});
        from = end + 1;
    }
    flush();
}

void CMessageView::flush()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return;
    const MessageViewSettings s = currentSettings();
    applyBackground(s.background);

    QTextDocument *doc = document();
    const QTextCursor user = textCursor();
    const int savedAnchor = user.anchor();
    const int savedPosition = user.position();
    const int charsBefore = doc->characterCount();

    // With scrolling stopped, remember which line is at the top of the pane so the
    // same line stays there even when old lines drop off the front.
    const int topBlock = s.stopScrolling ? firstVisibleBlock().blockNumber() : -1;
    const int blocksBefore = doc->blockCount();

    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    const int start = cursor.position();
    cursor.beginEditBlock();
    for (const PendingLine &line : std::as_const(m_pending))
        insertLine(cursor, line, s);
    const int inserted = cursor.position() - start;
    const int blocksInserted = doc->blockCount() - blocksBefore;
    trimScrollback(cursor, s);
    cursor.endEditBlock();
    m_pending.clear();

    const int removed = std::max(0, charsBefore + inserted - doc->characterCount());
    const int blocksRemoved = std::max(0, blocksBefore + blocksInserted - doc->blockCount());
    if (s.stopScrolling) {
        const int anchor = std::max(0, savedAnchor - removed);
        const int position = std::max(0, savedPosition - removed);
        if (textCursor().anchor() != anchor || textCursor().position() != position) {
            QTextCursor restored(doc);
            restored.setPosition(anchor);
            restored.setPosition(position, QTextCursor::KeepAnchor);
            setTextCursor(restored);
        }
        // The scroll bar of this pane counts lines.
        verticalScrollBar()->setValue(std::max(0, topBlock - blocksRemoved));
    } else {
        QTextCursor end(doc);
        end.movePosition(QTextCursor::End);
        setTextCursor(end);
        ensureCursorVisible();
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

// The format of a piece of a line: the line's colour with the piece's formatting
// codes applied, and for a link the URL colour, an underline and the anchor that
// tells links apart from text the sender underlined.
static QTextCharFormat pieceFormat(const QTextCharFormat &base, const IrcStyle &style, bool link,
                                   const MessageViewSettings &s)
{
    QTextCharFormat f = base;
    if (style.bold)
        f.setFontWeight(QFont::Bold);
    if (style.italic)
        f.setFontItalic(true);
    if (style.underline)
        f.setFontUnderline(true);
    if (style.strike)
        f.setFontStrikeOut(true);
    QColor fg = style.foreground.isValid() ? style.foreground
                                           : (base.hasProperty(QTextFormat::ForegroundBrush) ? base.foreground().color() : QColor());
    QColor bg = style.background;
    if (style.reverse) {
        const QColor pane = colorFromRef(s.background);
        std::swap(fg, bg);
        if (!fg.isValid())
            fg = pane;
        if (!bg.isValid())
            bg = base.hasProperty(QTextFormat::ForegroundBrush) ? base.foreground().color() : QColor(Qt::black);
    }
    if (fg.isValid())
        f.setForeground(fg);
    if (bg.isValid())
        f.setBackground(bg);
    if (link) {
        f.setFontUnderline(true);
        f.setForeground(colorFromRef(s.url));
        f.setAnchor(true);
    }
    return f;
}

void CMessageView::insertLine(QTextCursor &cursor, const PendingLine &line, const MessageViewSettings &s)
{
    const IrcFormattedLine formatted = ParseIrcFormatting(line.text);
    const QString text = displayText(formatted.plain);
    QTextCharFormat plain;
    if (!line.raw)
        plain.setForeground(colorFromRef(line.colour));

    // The line is cut wherever a style run or a link begins or ends.
    const QList<LinkSpan> links = mergedLinks(text);
    QList<IrcRun> runs = formatted.runs;
    if (runs.isEmpty())
        runs.append({0, text.size(), IrcStyle{}});
    qsizetype link = 0;
    for (const IrcRun &run : std::as_const(runs)) {
        qsizetype at = run.start;
        while (at < run.end) {
            while (link < links.size() && links[link].end <= at)
                ++link;
            const bool inLink = link < links.size() && links[link].start <= at;
            qsizetype end = run.end;
            if (link < links.size())
                end = std::min(end, inLink ? links[link].end : links[link].start);
            cursor.insertText(text.mid(at, end - at), pieceFormat(plain, run.style, inLink, s));
            at = end;
        }
    }
    if (line.endsLine)
        cursor.insertBlock(QTextBlockFormat(), plain);
}

void CMessageView::startLog()
{
    const QString name = m_host.windowName ? m_host.windowName() : QString();
    if (!m_log.open(currentSettings().logFolder, name))
        ferry::prompts::warning(this, QStringLiteral("Error"), QStringLiteral("Unable to Create Log File"));
}

void CMessageView::ToggleLog()
{
    if (m_log.isOpen())
        m_log.close();
    else
        startLog();
}

void CMessageView::ApplyFont()
{
    const MessageViewSettings s = currentSettings();
    const auto font = createFontByStyle(s.fontName, QStringLiteral("Regular"), s.fontSize);
    if (!font)
        return;
    // Lines carry only colour and underline, so the default font restyles them all.
    setFont(*font);
    document()->setDefaultFont(*font);
}

void CMessageView::ClearBuffer()
{
    m_pending.clear();
    m_flushTimer.stop();
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.removeSelectedText();
}

void CMessageView::copySelection()
{
    QString text = textCursor().selectedText();
    if (text.isEmpty())
        return;
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    QGuiApplication::clipboard()->setText(text);
}

QMenu *CMessageView::createContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->addAction(QStringLiteral("&Copy"), this, &CMessageView::copySelection);
    return menu;
}

QMimeData *CMessageView::createMimeDataFromSelection() const
{
    auto *mime = new QMimeData;
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    mime->setText(text);
    return mime;
}

// The character under a point of the viewport, or -1 when the point is beside the
// text (past a line's end, below the last line).
int CMessageView::characterAt(const QPoint &viewportPos) const
{
    const QTextCursor c = cursorForPosition(viewportPos);
    const QTextBlock block = c.block();
    const QTextLayout *layout = block.layout();
    if (!block.isValid() || !layout || layout->lineCount() == 0)
        return -1;
    const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
    const QPointF inBlock = QPointF(viewportPos) - box.topLeft();
    if (inBlock.y() < 0 || inBlock.y() >= box.height())
        return -1;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        if (inBlock.y() < line.y() || inBlock.y() >= line.y() + line.height())
            continue;
        if (inBlock.x() < line.x() || inBlock.x() >= line.x() + line.naturalTextWidth())
            return -1;
        // The boundary nearest the point; the character is the one whose box holds it.
        int at = line.xToCursor(inBlock.x(), QTextLine::CursorBetweenCharacters);
        if (at > line.textStart() && line.cursorToX(at) > inBlock.x())
            --at;
        return block.position() + std::min(at, line.textStart() + line.textLength() - 1);
    }
    return -1;
}

bool CMessageView::isUnderlinedAt(int position) const
{
    if (position < 0)
        return false;
    const QTextBlock block = document()->findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (position >= f.position() && position < f.position() + f.length())
            return f.charFormat().isAnchor();
    }
    return false;
}

QString CMessageView::linkAt(int position) const
{
    if (position < 0)
        return {};
    const QTextBlock block = document()->findBlock(position);
    QString run;
    bool containsPosition = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (f.charFormat().isAnchor()) {
            run += f.text();
            if (position >= f.position() && position < f.position() + f.length())
                containsPosition = true;
        } else if (containsPosition) {
            break;
        } else {
            run.clear();
        }
    }
    return containsPosition ? run : QString();
}

void CMessageView::activateLink(const QString &link)
{
    const LinkAction action = actionForLink(link);
    switch (action.kind) {
    case LinkAction::None:
        break;
    case LinkAction::Command:
        if (m_host.runCommand)
            m_host.runCommand(action.argument);
        break;
    case LinkAction::Open:
        if (m_host.openLink)
            m_host.openLink(action.argument);
        else
            ferry::launcher::openUrl(action.argument);
        break;
    }
}

void CMessageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const QString link = linkAt(characterAt(event->position().toPoint()));
        if (!link.isEmpty()) {
            // The action may close this window (a command), so check before going on.
            QPointer<CMessageView> self(this);
            activateLink(link);
            if (!self)
                return;
        }
    }
    QPlainTextEdit::mousePressEvent(event);
}

void CMessageView::mouseMoveEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseMoveEvent(event);
    m_overLink = isUnderlinedAt(characterAt(event->position().toPoint()));
    viewport()->setCursor(m_overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void CMessageView::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        copySelection();
}

void CMessageView::contextMenuEvent(QContextMenuEvent *event)
{
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard
        ? viewport()->mapToGlobal(QPoint(5, 5))
        : event->globalPos();
    QMenu *menu = createContextMenu(window());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(at);
}

void CMessageView::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_F10 && mods == Qt::ShiftModifier) {
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                    viewport()->mapToGlobal(QPoint(5, 5)));
        contextMenuEvent(&menuEvent);
        return;
    }
    if (key >= Qt::Key_F2 && key <= Qt::Key_F12 && mods == Qt::NoModifier) {
        if (m_host.forwardFunctionKey)
            m_host.forwardFunctionKey(key - Qt::Key_F1 + 1);
        return;
    }
    if (event->matches(QKeySequence::Copy) || (key == Qt::Key_Insert && mods == Qt::ControlModifier)) {
        copySelection();
        return;
    }
    const bool typed = !event->text().isEmpty()
        && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (typed && m_host.forwardKey) {
        m_host.forwardKey(*event);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool CMessageView::event(QEvent *event)
{
    // Tab would move the focus; like every other typed character it belongs to the
    // input line.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && m_host.forwardKey) {
            m_host.forwardKey(*key);
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void CMessageView::dragEnterEvent(QDragEnterEvent *event)
{
    if (droppedFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void CMessageView::dragMoveEvent(QDragMoveEvent *event)
{
    if (droppedFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void CMessageView::dropEvent(QDropEvent *event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    for (const QString &path : files) {
        if (m_host.sendText)
            m_host.sendText(QStringLiteral("/offer ") + path);
    }
}

} // namespace tavern
