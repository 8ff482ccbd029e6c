#pragma once

// The coloured, read-only, scrolling text pane of every chat window (Server,
// private, channel and DCC chat windows; the finger window uses its link part).
//
// Text is always inserted as plain text with character formats, never as markup:
// a line "<b>x</b>" shows exactly those characters. The formatting codes of chat
// lines (colour, bold, italic, underline, reverse, reset; ircformat.h) style the
// text and are never shown; logs get the text without them. Links starting with "http:",
// "ftp:", "finger:", "getfile:" or "mailto:" are underlined in the URL colour and
// act when clicked.
//
// The pane is a plain text edit (lines with character formats): it lays out only
// the lines in sight, so a flood costs little more than storing the text.
//
// Floods: each appended line is written to the log at once, but drawing is
// batched. Lines wait in a short queue that is inserted as one edit block when
// kBatchLines have gathered, kFlushDelayMs after the first of them arrived, or
// when flush() is called; a flood is then drawn some twenty times a second
// instead of after every read from the server. The pane keeps the last
// MessageViewSettings::scrollbackLines lines and scrollbackBytes of text: the oldest
// drop in steps, once an eighth more have gathered.

#include "chat/core/viewsettings.h"
#include "chat/core/windowlog.h"

#include <QFont>
#include <QList>
#include <QPlainTextEdit>
#include <QTimer>

#include <functional>

class QKeyEvent;
class QMenu;
class QTextCursor;

namespace tavern {

// How a view reaches the rest of the client. Every member may be left empty; an
// empty one does nothing (openLink falls back to the desktop's handler and
// settings to the defaults). Tests fill these with fakes.
struct MessageViewHost {
    // The settings, read at every use (colours, font, filter, logging, stop scrolling).
    std::function<MessageViewSettings()> settings;
    // The window's name ("Server", "#channel", a nickname): names the log file.
    std::function<QString()> windowName;
    // The document's SendText: text processed in the window's context (the
    // "/offer <path>" lines of dropped files).
    std::function<void(const QString &)> sendText;
    // The command interpreter with no target window ("/finger ...", "/ctcp ... FILEREQ ...").
    std::function<void(const QString &)> runCommand;
    // Opens any other link; defaults to ferry::launcher::openUrl.
    std::function<void(const QString &)> openLink;
    // A character typed into the view, for the window's input line.
    std::function<void(const QKeyEvent &)> forwardKey;
    // F2..F12 pressed in the view (the number 2..12), for the input line's key texts.
    std::function<void(int)> forwardFunctionKey;
};

class CMessageView : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kBatchLines = 500;
    static constexpr int kFlushDelayMs = 50;

    explicit CMessageView(MessageViewHost host, QWidget *parent = nullptr);
    ~CMessageView() override;

    // Sets the colour (0x00BBGGRR) of the lines appended next.
    void SetLineColor(quint32 colour);
    // Logs the line, drops it when the profanity filter catches it, and queues it
    // for the pane with its links marked. The text is one line without line end;
    // line breaks inside it are shown as blanks.
    void AppendLine(const QString &text);
    // SetLineColor then AppendLine, as a document does for each of its views.
    void addLine(const QString &text, quint32 colour);
    // Appends received text as it stands (its own line ends split it into lines),
    // in the default colour, with links marked, without log or filter.
    void appendRaw(const QString &text);

    void ToggleLog();
    bool IsLogging() const { return m_log.isOpen(); }
    QString logPath() const { return m_log.path(); }

    // Recreates the font from the settings and restyles all text; colours and
    // underlines stay.
    void ApplyFont();
    // Deletes all text (and the lines still waiting to be drawn).
    void ClearBuffer();

    // Draws the queued lines now.
    void flush();
    int pendingLines() const { return int(m_pending.size()); }

    // Copies the selection to the clipboard as plain text.
    void copySelection();
    // The context menu with its single item "&Copy".
    QMenu *createContextMenu(QWidget *parent);

    // True while the pointer rests on a link.
    bool isOverLink() const { return m_overLink; }
    // The underlined run containing the character at `position`, or empty.
    QString linkAt(int position) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool event(QEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    struct PendingLine {
        QString text;
        quint32 colour = 0;
        bool raw = false;
        bool endsLine = true;
    };

    MessageViewSettings currentSettings() const;
    void applyBackground(quint32 colour);
    void trimScrollback(QTextCursor &cursor, const MessageViewSettings &s);
    void startLog();
    void insertLine(QTextCursor &cursor, const PendingLine &line, const MessageViewSettings &s);
    int characterAt(const QPoint &viewportPos) const;
    bool isUnderlinedAt(int position) const;
    void activateLink(const QString &link);

    MessageViewHost m_host;
    QFont m_font;
    bool m_hasFont = false;
    quint32 m_lineColour = 0;
    quint32 m_background = 0xFFFFFFFFu;
    bool m_started = false;
    bool m_overLink = false;
    WindowLog m_log;
    QList<PendingLine> m_pending;
    QTimer m_flushTimer;
};

// The window kinds share the one view.
using CChatView = CMessageView;
using CTavernwView = CMessageView;
using CDCCCView = CMessageView;

} // namespace tavern
