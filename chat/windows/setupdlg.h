#pragma once

// "Tavern97 Setup": the chat client's general settings. The check boxes show the
// application's current flags, the quit message, default channel and profanity
// filter come from the registry, server and port from the application. OK checks
// the port (a number from 0 to 9999), puts '#' in front of a default channel that
// lacks it, stores everything and hands the flags, profanity filter and quit
// message to the running program; server and port are used from the next
// connection on, the default channel from the next start. Line breaks pasted into
// the quit message or the channel become blanks, as both go out in protocol lines.
//
// Scripted answers name the fields by their setting: AutoLog, SpamFilter,
// PrivateWindows, ShowJoinPart, ProfanityFilter, BeepOnPrivate, ChatServerTLS,
// AutoReconnect (1/0), QuitMsg, Channel, ChatServer, ChatServerPort. "Reconnect
// automatically" takes effect at once; TLS, like server and port, from the next
// connection on.

#include "platform/checkeddialog.h"

class CTavernwApp;
class QCheckBox;
class QLabel;
class QLineEdit;

namespace tavern {

class CSetupDlg : public ferry::CheckedDialog {
    Q_OBJECT
public:
    static constexpr int kQuitMsgLength = 50;
    static constexpr int kChannelLength = 30;
    static constexpr int kChatServerLength = 200;
    static constexpr int kMaxPort = 9999;

    explicit CSetupDlg(CTavernwApp &app, QWidget *parent = nullptr);

    QCheckBox *autoLog() const { return m_autoLog; }
    QCheckBox *spamFilter() const { return m_spamFilter; }
    QCheckBox *privateWindows() const { return m_privateWindows; }
    QCheckBox *showJoinPart() const { return m_showJoinPart; }
    QCheckBox *profanityFilter() const { return m_profanityFilter; }
    QCheckBox *beepOnPrivate() const { return m_beepOnPrivate; }
    QLineEdit *quitMsg() const { return m_quitMsg; }
    QLineEdit *channel() const { return m_channel; }
    QLabel *fontLabel() const { return m_font; }
    QLineEdit *chatServer() const { return m_chatServer; }
    QLineEdit *chatServerPort() const { return m_port; }
    QCheckBox *chatServerTls() const { return m_tls; }
    QCheckBox *autoReconnect() const { return m_autoReconnect; }

protected:
    bool checkFields() override;
    void commit() override;
    void applyFields(const QHash<QString, QString> &fields) override;

private:
    CTavernwApp &m_app;
    QCheckBox *m_autoLog;
    QCheckBox *m_spamFilter;
    QCheckBox *m_privateWindows;
    QCheckBox *m_showJoinPart;
    QCheckBox *m_profanityFilter;
    QCheckBox *m_beepOnPrivate;
    QLineEdit *m_quitMsg;
    QLineEdit *m_channel;
    QLabel *m_font;
    QLineEdit *m_chatServer;
    QLineEdit *m_port;
    QCheckBox *m_tls;
    QCheckBox *m_autoReconnect;
};

// The port as the setup dialog accepts it: a whole number from 0 to 9999, nothing else.
std::optional<int> ParseSetupPort(const QString &text);

} // namespace tavern
