#pragma once

// The optional disk log of one chat window: every line the window receives, in
// UTF-8, one line feed after each, appended to what earlier runs wrote.

#include <QFile>
#include <QString>

namespace tavern {

// The file name a window's log gets. The window name comes from the network
// (a channel or a nickname), so it loses path separators, control characters and
// leading dots first; a name left empty becomes "_".
QString logFileNameFor(const QString &windowName);

class WindowLog {
public:
    // Opens (creating, never truncating) the log of `windowName` in `folder`, or in
    // the current directory when `folder` is empty. False when it cannot be opened.
    bool open(const QString &folder, const QString &windowName);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    // Full path of the open (or last opened) log.
    QString path() const { return m_file.fileName(); }

    // Writes the line and a line feed, and hands them to the system at once so
    // that the log keeps every line even if the program ends abruptly.
    void writeLine(const QString &text);

private:
    QFile m_file;
};

} // namespace tavern
