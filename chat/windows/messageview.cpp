#include "chat/windows/messageview.h"

#include "chat/core/colorref.h"
#include "chat/core/linkscan.h"
#include "chat/windows/fontbystyle.h"
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

qreal blockTop(QTextDocument *doc, const QTextBlock &block)
{
    return doc->documentLayout()->blockBoundingRect(block).top();
}

} // namespace

CMessageView::CMessageView(MessageViewHost host, QWidget *parent)
    : QTextEdit(parent), m_host(std::move(host))
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
    m_flushTimer.setInterval(0);
    connect(&m_flushTimer, &QTimer::timeout, this, &CMessageView::flush);

    const MessageViewSettings s = currentSettings();
    if (auto font = createFontByStyle(s.fontName, QStringLiteral("Regular"), s.fontSize)) {
        setFont(*font);
        document()->setDefaultFont(*font);
    }
    applyBackground(s.background);
    applyScrollbackCap(s.scrollbackLines);
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

void CMessageView::applyScrollbackCap(int lines)
{
    // One more block than lines: the text always ends with an empty line.
    const int blocks = lines > 0 ? lines + 1 : 0;
    if (document()->maximumBlockCount() != blocks)
        document()->setMaximumBlockCount(blocks);
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
    m_log.writeLine(text);
    if (s.profanityFilter && containsProfanity(text, s.profanityWords))
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
    applyScrollbackCap(s.scrollbackLines);

    QTextDocument *doc = document();
    const QTextCursor user = textCursor();
    const int savedAnchor = user.anchor();
    const int savedPosition = user.position();
    const int charsBefore = doc->characterCount();

    // With scrolling stopped, remember which text is at the top of the pane so the
    // same text stays there even when old lines drop off the front.
    int topPosition = -1;
    qreal topOffset = 0;
    if (s.stopScrolling) {
        topPosition = cursorForPosition(QPoint(0, 0)).position();
        topOffset = verticalScrollBar()->value() - blockTop(doc, doc->findBlock(topPosition));
    }

    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    const int start = cursor.position();
    cursor.beginEditBlock();
    for (const PendingLine &line : std::as_const(m_pending))
        insertLine(cursor, line, s);
    const int inserted = cursor.position() - start;
    cursor.endEditBlock();
    m_pending.clear();

    const int removed = std::max(0, charsBefore + inserted - doc->characterCount());
    if (s.stopScrolling) {
        const int anchor = std::max(0, savedAnchor - removed);
        const int position = std::max(0, savedPosition - removed);
        if (textCursor().anchor() != anchor || textCursor().position() != position) {
            QTextCursor restored(doc);
            restored.setPosition(anchor);
            restored.setPosition(position, QTextCursor::KeepAnchor);
            setTextCursor(restored);
        }
        const int top = topPosition - removed;
        verticalScrollBar()->setValue(
            top < 0 ? 0 : int(blockTop(doc, doc->findBlock(top)) + topOffset));
    } else {
        QTextCursor end(doc);
        end.movePosition(QTextCursor::End);
        setTextCursor(end);
        ensureCursorVisible();
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

void CMessageView::insertLine(QTextCursor &cursor, const PendingLine &line, const MessageViewSettings &s)
{
    const QString text = displayText(line.text);
    QTextCharFormat plain;
    if (!line.raw)
        plain.setForeground(colorFromRef(line.colour));
    QTextCharFormat link = plain;
    link.setFontUnderline(true);
    link.setForeground(colorFromRef(s.url));

    qsizetype at = 0;
    for (const LinkSpan &span : mergedLinks(text)) {
        if (span.start > at)
            cursor.insertText(text.mid(at, span.start - at), plain);
        cursor.insertText(text.mid(span.start, span.end - span.start), link);
        at = span.end;
    }
    if (at < text.size())
        cursor.insertText(text.mid(at), plain);
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

int CMessageView::characterAt(const QPoint &viewportPos) const
{
    const QPointF docPos = QPointF(viewportPos)
        + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    return document()->documentLayout()->hitTest(docPos, Qt::ExactHit);
}

bool CMessageView::isUnderlinedAt(int position) const
{
    if (position < 0)
        return false;
    const QTextBlock block = document()->findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (position >= f.position() && position < f.position() + f.length())
            return f.charFormat().fontUnderline();
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
        if (f.charFormat().fontUnderline()) {
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
    QTextEdit::mousePressEvent(event);
}

void CMessageView::mouseMoveEvent(QMouseEvent *event)
{
    QTextEdit::mouseMoveEvent(event);
    m_overLink = isUnderlinedAt(characterAt(event->position().toPoint()));
    viewport()->setCursor(m_overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void CMessageView::mouseReleaseEvent(QMouseEvent *event)
{
    QTextEdit::mouseReleaseEvent(event);
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
    QTextEdit::keyPressEvent(event);
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
    return QTextEdit::event(event);
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
