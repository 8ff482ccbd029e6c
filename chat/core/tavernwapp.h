#pragma once

// The chat client's application object, the part of it that needs no screen. It
// holds the settings, the identity, the users seen and the ignore list, and ties
// together the pieces of the session core:
//   - the session (chatsession.h): the connection, its send queue, TLS, reconnection;
//   - the dispatcher (dispatcher.cpp, ctcp.cpp): server lines into window updates,
//     answers and printed lines;
//   - the command interpreter (processinput.cpp): typed lines into protocol lines;
//   - the window registry (windowregistry.h): the open windows by name;
//   - the prompt queue (promptqueue.h): every question to the user.
// It reaches the windows only through IChatFrontEnd; a test or a fuzzer drives it
// with a recording front end, with or without a socket.

#include "chat/core/chatdocs.h"
#include "chat/core/chatidentity.h"
#include "chat/core/chatprompt.h"
#include "chat/core/chatsession.h"
#include "chat/core/chatsettings.h"
#include "chat/core/commandhooks.h"
#include "chat/core/ctcplimit.h"
#include "chat/core/ircline.h"
#include "chat/core/promptqueue.h"
#include "chat/core/udppingwatch.h"
#include "chat/core/windowregistry.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

class IChatFrontEnd;
class QUdpSocket;

// Per-nickname ping statistics, for the user list's connection-quality pictures.
struct CUserRecord {
    std::uint32_t pingTotal = 0; // sum of measured ping times, ms
    std::uint32_t pingCount = 0; // number of measurements
    int freshness = 0;           // set by each new measurement
};

class CTavernwApp : public QObject {
    Q_OBJECT
public:
    static constexpr const char *kServerWindow = "Server";
    static constexpr unsigned kFallbackTicks = 300;
    // Private windows that others' lines may open at once; lines that would open one
    // more go to the Server window, marked with the nickname.
    static constexpr int kMaxPeerWindows = 100;

    explicit CTavernwApp(IChatFrontEnd *frontEnd, QObject *parent = nullptr);
    ~CTavernwApp() override;

    CChatSettings m_Settings;
    // Folder of the running program with a trailing '/'; files shipped beside the
    // program are found through it.
    QString m_strProgramDir;

    // ---- settings (registry; see settingsstore.h)
    // Reads every setting once at start, writing the defaults of missing values.
    void LoadSettings();
    // Reads the word highlighter list again (also after its dialog closes).
    void LoadHighlightWords();
    // The Font command: the font dialog, then FontName/FontSize stored and applied
    // to every chat window. False when the dialog was cancelled.
    bool OnFont();
    // Turns reconnection after a lost connection on or off (the setup dialog).
    void SetAutoReconnect(bool on);
    // At program end: the quit line, the sockets closed, ShowChanList written.
    void ExitInstance();

    void SetIdentity(const CChatIdentity &identity) { m_identity = identity; }
    const CChatIdentity &Identity() const { return m_identity; }

    // ---- windows (names of channels are stored lower-cased; look-ups ignore case)
    CChatDoc *OpenServerWindow();
    CChatDoc *ServerDoc() const { return m_pServerDoc; }
    CChatDocBase *FindWindow(const QString &name) const { return m_windows.Find(name); }
    CTavernwDoc *FindChannel(const QString &name) const { return m_windows.FindChannel(name); }
    QList<CTavernwDoc *> ChannelDocs() const { return m_windows.Channels(); }
    const CWindowRegistry &Windows() const { return m_windows; }
    // Opens the private window of a nickname, or adds an empty line to the one open.
    void OpenPrivateWindow(const QString &nick);
    // Drops a channel or private document: its window closes and it leaves the registry.
    void CloseWindow(CChatDocBase *doc);
    // Windows opened outside the core (direct chats, transfers, finger windows) join
    // the registry under their document's name while they are open, so that look-ups
    // and PrintLine find them; the window removes itself when it closes.
    void RegisterWindow(CChatDocBase *doc) { m_windows.Add(doc); }
    void UnregisterWindow(CChatDocBase *doc) { m_windows.Remove(doc); }
    QString PendingWindowName() const { return m_strPendingWindowName; }
    // Whether the tab of a window has lines its user has not seen; the tab bar clears it.
    bool HasUnseenLines(const QString &name) const { return m_windows.HasUnseenLines(name); }
    void MarkSeen(const QString &name) { m_windows.MarkSeen(name); }

    // ---- questions to the user
    // Queues a prompt for the front end; answered runs with the answer (never after
    // this object is gone). False when an equal prompt (same kind and peer) is open
    // or waiting, or too many wait: nothing was asked.
    bool Ask(const CChatPrompt &prompt, std::function<void(const CPromptAnswer &)> answered = {});
    const CPromptQueue &Prompts() const { return m_prompts; }
    // Opens an address in the system's web browser (through the front end).
    bool OpenUrl(const QString &url);

    // ---- printing and dispatch
    void PrintLine(const QString &text, ChatColour colour, const QString &target = QString());
    ChatColour HighlightColour(const QString &text) const;
    void OnServerLine(const QString &line);

    // ---- the server connection
    bool ConnectToServer();
    // Received bytes as a receive hands them over: cut into lines and dispatched
    // (the entry point of headless drivers).
    void FeedServerBytes(const QByteArray &bytes) { m_session.Feed(bytes); }
    void OnTimerTick();
    // Sends one protocol line: CR, LF and NUL inside it are dropped and one line feed
    // ends it. Lines go through the paced send queue.
    void SendLine(const QString &line);
    // At shutdown: sends the quit line and closes the sockets.
    void Disconnect();
    // "/server host [port|+port]": leaves the current server and connects to that one
    // (a port written with '+' means TLS).
    void SwitchServer(const QString &arguments);

    CChatSession &Session() { return m_session; }
    CChatServerSocket *ServerSocket() const { return m_session.Socket(); }
    QUdpSocket *LocalSocket() const { return m_pLocalSocket; }

    QString OwnNick() const { return m_strNick; }
    void SetOwnNick(const QString &nick) { m_strNick = nick; }
    QString ConfiguredChannel() const { return m_strChannel; }
    // Registered on the current connection (after its end of the message of the day).
    bool IsRegistered() const { return m_bRegistered; }
    bool IsQuitting() const { return m_bQuitting; }
    void SetQuitting(bool quitting) { m_bQuitting = quitting; }
    QString QuitMessage() const;

    // The public server tried when the configured one does not register us.
    void SetFallbackServer(const QString &host, quint16 port);
    // The millisecond tick count used by CTCP pings, pacing and reconnection; tests replace it.
    void SetTickClock(std::function<std::uint32_t()> clock) { m_tickClock = std::move(clock); }
    std::uint32_t TickCount() const { return m_tickClock(); }

    // ---- users and the ignore list
    const QMap<QString, CUserRecord> &UserMap() const { return m_UserMap; }
    // The record of a nickname seen in a channel; null when there is none.
    CUserRecord *UserRecord(const QString &nick);
    const QStringList &IgnoreList() const { return m_IgnoreList; }
    // Ignores the nickname, or stops ignoring it; true when it is ignored now.
    bool ToggleIgnore(const QString &nick);
    const QStringList &ChannelList() const { return m_ChannelList; }

    static QString VersionText();
    // A UDPPING request went to nick: its answer is awaited (see udppingwatch.h).
    void NoteUdpPingSent(const QString &nick) { m_udpPings.Sent(nick, TickCount()); }

    // ---- the command interpreter (processinput.cpp)
    // One typed line: plain text goes to the conversation of the target window (a
    // channel or nickname; empty for the Server window), a line beginning with '/' is
    // a command.
    void ProcessInput(const QString &text, const QString &target = QString());
    // The menu's "Away...": announces the return while away, else asks for a message
    // (through askMessage when given, else through the prompt queue; nullopt =
    // cancelled) and announces the absence in every open channel.
    void ToggleAway(const std::function<std::optional<QString>()> &askMessage = {});
    bool IsAway() const { return m_bAway; }
    CCommandHooks m_CommandHooks;

signals:
    // Every line the core sends, line feed included, as it enters the send queue
    // (also without a connection).
    void lineSent(const QByteArray &line);
    // A DCC request (the arguments after the word DCC: a CHAT or send offer, a RESUME
    // or ACCEPT of a file transfer), for the direct connections.
    void dccRequestReceived(const QString &sender, const QString &arguments);
    // A request for an offered file, for the file offers.
    void fileRequestReceived(const QString &sender, const QString &fileName);
    // A peer's answer to a UDPPING we sent it within the last minute: its address
    // number, for the game-service link.
    void udpPingReplyReceived(const QString &sender, std::uint32_t address);
    // A private message (no CTCP) from a nickname, for the ring of recent partners.
    void privateMessageReceived(const QString &sender);
private:
    // connection (serverconnection.cpp)
    CChatSession::Endpoint configuredEndpoint() const;
    void wireSession();
    void onConnected();
    void onConnectFailed(QAbstractSocket::SocketError error);
    void onClosed();
    void onCertificateRejected(const QString &host, quint16 port, const QString &fingerprint, const QString &reasons);
    void askForNickname();
    void registrationComplete();
    // A message box. Equal notices (the same text; for the other kinds, the same kind)
    // do not stack up while one is shown: they are counted, and the count is printed
    // in the Server window when it closes.
    void notice(const QString &caption, const QString &text, CChatPrompt::Icon icon,
                CChatPrompt::Kind kind = CChatPrompt::Kind::Notice);

    // dispatch (dispatcher.cpp, ctcp.cpp)
    CChatDocBase *openWindow(CChatDocBase::Kind kind, const QString &name, bool byPeer = false);
    void noteActivity(const QString &target);
    bool listedInAnyChannel(const QString &nick) const;
    void noteUser(const QString &nick);
    void onPart(const CIrcLine &l);
    void onJoin(const CIrcLine &l);
    void onPrivmsg(const CIrcLine &l);
    void onNotice(const CIrcLine &l);
    void onNames(const CIrcLine &l);
    void onQuit(const CIrcLine &l);
    void onMode(const CIrcLine &l);
    void onKick(const CIrcLine &l);
    void onNick(const CIrcLine &l);
    void onTopicReply(const CIrcLine &l, bool hasTopic);
    void onTopic(const CIrcLine &l);
    void onChannelModes(const CIrcLine &l);
    // Sends "MODE <channel>" unless a query for that channel is still unanswered, so
    // that a flood of mode changes costs one query.
    void queryChannelModes(const QString &channel);
    void printRaw(const QString &line);
    void handleCtcpRequest(const CIrcLine &l, const QString &target, const QString &text);
    bool handleCtcpReply(const CIrcLine &l, QString &text);
    void sendCtcpReply(const QString &to, const QString &body);
    void reportDroppedCtcp();

    IChatFrontEnd *m_pFrontEnd;
    CChatIdentity m_identity;
    std::function<std::uint32_t()> m_tickClock;
    CChatSession m_session;
    CPromptQueue m_prompts;
    CWindowRegistry m_windows;
    CCtcpReplyLimit m_ctcpLimit;
    QHash<QString, int> m_noticeRepeats;             // prompt kind and peer -> equal notices not shown
    QHash<QString, std::uint32_t> m_modeQueries;     // lower-cased channel -> tick its MODE query went out
    CUdpPingWatch m_udpPings;

    QPointer<CChatDoc> m_pServerDoc;
    QString m_strPendingWindowName;
    QStringList m_ChannelList;
    QMap<QString, CUserRecord> m_UserMap;
    QStringList m_IgnoreList;

    QString m_strNick;
    QString m_strChannel;
    QString m_strPrevLine;
    bool m_bRegistered = false;     // on the current connection
    bool m_bEverRegistered = false; // on any connection of this run: no more fallback
    bool m_bQuitting = false;
    bool m_bAway = false;
    bool m_bUserQuit = false; // the user sent QUIT: the close that follows is no loss

    QUdpSocket *m_pLocalSocket = nullptr;
    unsigned m_nConnectWait = 0;
    bool m_bConnectStarted = false; // ConnectToServer ran: the connect wait counts
    int m_nSplash = 0;

    QString m_strFallbackHost;
    quint16 m_nFallbackPort;
};
