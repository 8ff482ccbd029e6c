#pragma once

// Automation seam: with FERRY_TYPED_LINES=<file> set, the running chat client
// types the lines appended to that file, as a user would at the keyboard. A line
// "name<TAB>text" is typed into the window of that name (a channel, a nickname,
// "DCC Chat <nick>"; in a form such as the game spy, "label<TAB>value" or "label"
// works its controls, see chat/windows/formcontrols.h); a line without a tab into
// the Server window; a line "<TAB>item" chooses that menu item. The file is
// read from its start when the client starts and then watched for new lines, so
// scripts (the DCC interoperation test) can drive a client that runs offscreen.

#include <QObject>
#include <QString>
#include <QTimer>

class CTypedLinesFeed : public QObject {
    Q_OBJECT
public:
    static constexpr const char *kVariable = "FERRY_TYPED_LINES";
    static constexpr int kPollMs = 200;

    explicit CTypedLinesFeed(const QString &path, QObject *parent = nullptr);

    // The feed named by the environment, or nullptr when the variable is not set.
    static CTypedLinesFeed *FromEnvironment(QObject *parent);

    // Reads what was appended since the last call and types the complete lines.
    void Poll();

signals:
    // window is empty for the Server window.
    void lineTyped(const QString &window, const QString &text);
    // A line "<TAB>item": the menu item of that text ("&Descent Game Spy").
    void menuChosen(const QString &item);

private:
    QString m_path;
    qint64 m_offset = 0;
    QByteArray m_partial;
    QTimer m_timer;
};
