#pragma once

// The chat client's application object, the part of it that needs no screen: the
// connection to the chat server, the dispatch of server lines, the windows by name,
// the users seen, the ignore list and the settings. The windows reach it through
// their documents; it reaches them through IChatFrontEnd.

#include "chat/core/chatdocs.h"
#include "chat/core/chatidentity.h"
#include "chat/core/chatsettings.h"
#include "chat/core/commandhooks.h"
#include "chat/core/ircline.h"
#include "chat/core/linecutter.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

#include <cstdint>
#include <functional>
#include <memory>

class IChatFrontEnd;
class QUdpSocket;

// The socket to the chat server; its connect, receive and close notifications go to
// the application object.
class CChatServerSocket : public QTcpSocket {
    Q_OBJECT
public:
    using QTcpSocket::QTcpSocket;
};

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
    // At program end: the quit line, the sockets closed, ShowChanList written.
    void ExitInstance();

    void SetIdentity(const CChatIdentity &identity) { m_identity = identity; }
    const CChatIdentity &Identity() const { return m_identity; }

    // ---- windows (names of channels are stored lower-cased; look-ups ignore case)
    CChatDoc *OpenServerWindow();
    CChatDoc *ServerDoc() const { return m_pServerDoc; }
    CChatDocBase *FindWindow(const QString &name) const;
    CTavernwDoc *FindChannel(const QString &name) const;
    QList<CTavernwDoc *> ChannelDocs() const;
    // Opens the private window of a nickname, or adds an empty line to the one open.
    void OpenPrivateWindow(const QString &nick);
    // Drops a channel or private document: its window closes and it leaves the map.
    void CloseWindow(CChatDocBase *doc);
    const QMap<QString, CChatDocBase *> &WindowMap() const { return m_WindowMap; }
    // Windows opened outside the core (direct chats, transfers, finger windows) join
    // the map under their document's name while they are open, so that look-ups and
    // PrintLine find them; the window removes itself when it closes.
    void RegisterWindow(CChatDocBase *doc);
    void UnregisterWindow(CChatDocBase *doc);
    QString PendingWindowName() const { return m_strPendingWindowName; }
    // Whether the tab of a window has lines its user has not seen; the tab bar clears it.
    bool HasUnseenLines(const QString &name) const;
    void MarkSeen(const QString &name);

    // ---- printing and dispatch
    void PrintLine(const QString &text, ChatColour colour, const QString &target = QString());
    ChatColour HighlightColour(const QString &text) const;
    void OnServerLine(const QString &line);

    // ---- the server connection
    bool ConnectToServer();
    void OnServerReceive();
    // Appends received bytes and dispatches the complete lines (what a receive does
    // after draining the socket); also the entry point of headless drivers.
    void FeedServerBytes(const QByteArray &bytes);
    void OnTimerTick();
    // Sends one protocol line: CR, LF and NUL inside it are dropped and one line feed ends it.
    void SendLine(const QString &line);
    // At shutdown: sends the quit line and closes the sockets.
    void Disconnect();

    CChatServerSocket *ServerSocket() const { return m_pServerSocket; }
    QUdpSocket *LocalSocket() const { return m_pLocalSocket; }

    QString OwnNick() const { return m_strNick; }
    void SetOwnNick(const QString &nick) { m_strNick = nick; }
    QString ConfiguredChannel() const { return m_strChannel; }
    bool IsRegistered() const { return m_bRegistered; }
    bool IsQuitting() const { return m_bQuitting; }
    void SetQuitting(bool quitting) { m_bQuitting = quitting; }
    QString QuitMessage() const;

    // The public server tried when the configured one does not register us.
    void SetFallbackServer(const QString &host, quint16 port);
    // The millisecond tick count used by CTCP pings; tests replace it.
    void SetTickClock(std::function<std::uint32_t()> clock) { m_tickClock = std::move(clock); }
    std::uint32_t TickCount() const { return m_tickClock(); }

    QStringList m_IgnoreList;
    QMap<QString, CUserRecord> m_UserMap;
    const QStringList &ChannelList() const { return m_ChannelList; }

    static QString VersionText();

    // ---- the command interpreter (processinput.cpp)
    // One typed line: plain text goes to the conversation of the target window (a
    // channel or nickname; empty for the Server window), a line beginning with '/' is
    // a command.
    void ProcessInput(const QString &text, const QString &target = QString());
    // The menu's "Away...": announces the return while away, else asks for a message
    // and announces the absence in every open channel.
    void ToggleAway();
    bool IsAway() const { return m_bAway; }
    CCommandHooks m_CommandHooks;
    bool m_bAway = false;

signals:
    // Every line handed to the server socket, line feed included (also without a socket).
    void lineSent(const QByteArray &line);
    // A DCC CHAT or DCC send offer (arguments after the word DCC), for the direct connections.
    void dccRequestReceived(const QString &sender, const QString &arguments);
    // A request for an offered file, for the file offers.
    void fileRequestReceived(const QString &sender, const QString &fileName);
    // A peer's answer to our UDPPING: its address number, for the game-service link.
    void udpPingReplyReceived(const QString &sender, std::uint32_t address);
    // A private message (no CTCP) from a nickname, for the ring of recent partners.
    void privateMessageReceived(const QString &sender);

private:
    // connection
    void startSocket(const QString &host, quint16 port);
    void retireSocket();
    void onConnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void onClosed();
    void dispatchPending();
    void askForNickname();
    void registrationComplete();

    // dispatch
    CChatDocBase *openWindow(CChatDocBase::Kind kind, const QString &name);
    void noteActivity(const QString &target);
    bool listedInAnyChannel(const QString &nick) const;
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
    void printRaw(const QString &line);
    void handleCtcpRequest(const CIrcLine &l, const QString &target, const QString &text);
    bool handleCtcpReply(const CIrcLine &l, QString &text);

    IChatFrontEnd *m_pFrontEnd;
    CChatIdentity m_identity;

    QMap<QString, CChatDocBase *> m_WindowMap;
    QPointer<CChatDoc> m_pServerDoc;
    QString m_strPendingWindowName;
    QMap<QString, bool> m_TabActivity;
    QStringList m_ChannelList;

    QString m_strNick;
    QString m_strChannel;
    QString m_strPrevLine;
    bool m_bRegistered = false;
    bool m_bQuitting = false;
    bool m_bDispatching = false;
    bool m_bReceivedWhileDispatching = false;

    CChatServerSocket *m_pServerSocket = nullptr;
    QList<CChatServerSocket *> m_retiredSockets;
    QUdpSocket *m_pLocalSocket = nullptr;
    CLineCutter m_cutter;
    unsigned m_nConnectWait = 0;
    int m_nSplash = 0;

    QString m_strFallbackHost;
    quint16 m_nFallbackPort;
    std::function<std::uint32_t()> m_tickClock;
};
