#pragma once

// Turns DCC offers into direct connections, both ways.
//
// Incoming (the application's dccRequestReceived): a DCC CHAT offer is put to the
// user as a Yes/No question and, on Yes, a chat session connects to the offered
// address; a DCC send offer goes through the receive question and the save dialog
// and, on OK, a transfer connects and receives into the chosen file. The questions
// go through the application's prompt queue, so the chat goes on while they wait;
// a further offer of the same kind from a peer whose offer is still waiting is
// refused, with one line in the Server window however many come. Offers that must
// not be taken up (see OfferRefusal: an unspecified, broadcast or multicast
// address, a port below 1024, an empty file) are refused with a line in the Server
// window without asking; the questions name the offer's address and port; other
// sub-words are ignored.
//
// Outgoing (entry points for the command interpreter):
//   /dcc chat <nick>          -> DccChat(nick)        (or DccCommand(arguments))
//   /dcc send <nick> <path>   -> DccSend(nick, path)  (or DccCommand(arguments))
// Each listens on a free port and sends the CTCP offer through the chat server with
// the own address from the application's identity. A FILEREQ matched by the file
// offers starts a send the same way, reporting an unreadable file as a line. Such
// requests come from anyone: at most kMaxRequestSendsPerNick of them per nickname
// and kMaxRequestSends in all wait for their receiver at a time, and each is
// withdrawn when nobody connects within RequestWaitMs.
//
// Ownership: every session and transfer is created as a child of this object and
// announced through chatSessionOpened / transferOpened before it starts, so that a
// window can connect to its signals. A window that shows it takes it over with
// setParent(window) and deletes it when it closes. A transfer that no window took is
// deleted once it has finished; sessions no window took live as long as this object.
// Lines a transfer addresses to the Server window are printed there by this object.
//
// Resuming: a save path whose ".part" an earlier attempt left makes the transfer ask
// the sender for the rest (DCC RESUME), and the sender's DCC ACCEPT starts it (the
// Server window says so, and when no ACCEPT came in time; see CDCCTransfer). A
// peer's RESUME for one of our offers is honoured only for the nick offered to, on
// that offer's port, before it connects and within the file; every other RESUME
// or ACCEPT is ignored.

#include "chat/dcc/dccoffer.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <cstdint>

class CDCCChatSession;
class CDCCTransfer;
class CFileOffers;
class CTavernwApp;

class CDCCHandOver : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRequestSendsPerNick = 3;
    static constexpr int kMaxRequestSends = 10;
    static constexpr int kRequestWaitMs = 120000;

    // Listens to the application's DCC offers and, when offers is given, to its
    // file requests; a child of the application unless another parent is given.
    explicit CDCCHandOver(CTavernwApp *app, CFileOffers *offers = nullptr, QObject *parent = nullptr);

    // The folder the save dialog starts in (default: the user's download folder).
    void SetDownloadFolder(const QString &folder) { m_downloadFolder = folder; }
    // How long a send started by a file request waits for its receiver (tests shorten it).
    void SetRequestWait(int ms) { m_requestWaitMs = ms; }
    QString DownloadFolder() const { return m_downloadFolder; }

    // The arguments of "/dcc": "chat <nick>" or "send <nick> <path>" (sub-words
    // without regard to case). The path is the rest after the nick without leading
    // blanks and without one pair of enclosing double quotes. Returns false for any
    // other sub-word: the interpreter then sends the line raw.
    bool DccCommand(const QString &arguments);
    // Offers a chat to nick; the session, or nullptr when no port could be had or
    // the nick is empty (nothing is sent then).
    CDCCChatSession *DccChat(const QString &nick);
    // Offers the file at path to nick. An unreadable file gives the message box
    // "Unable to open file!" (caption "Error") and nothing else; an empty one, which
    // no receiver would take, a line in the Server window. Returns the transfer, or
    // nullptr when nothing was offered.
    CDCCTransfer *DccSend(const QString &nick, const QString &path);

    // A DCC offer received from sender (the CTCP arguments after the word DCC).
    void OnDccRequest(const QString &sender, const QString &arguments);
    // A file request that matched an offer: sends the file without a message box.
    void OnSendRequested(const QString &nick, const QString &path);

signals:
    void chatSessionOpened(CDCCChatSession *session);
    void transferOpened(CDCCTransfer *transfer);
    // A line beginning with '/' typed in any DCC chat window, for the command
    // interpreter to run with no target.
    void commandTyped(const QString &text);

private:
    CDCCChatSession *openChat(const QString &peer);
    CDCCTransfer *openTransfer();
    CDCCTransfer *offerFile(const QString &nick, const QString &path);
    void acceptChat(const QString &sender, const ferry::dcc::ChatOffer &offer);
    void acceptFile(const QString &sender, const ferry::dcc::SendOffer &offer);
    // An offer whose question could not be queued: one line per peer and kind while
    // its question waits, one while the queue is full.
    void refuseOffer(int kind, const QString &sender);
    static QString askedKey(int kind, const QString &sender);
    void onResumeMessage(const QString &sender, const QByteArray &arguments);

    struct RequestSend {
        QPointer<CDCCTransfer> transfer;
        QString nick; // lower-cased
    };

    // The transfers opened here that have not yet ended, to route RESUME and ACCEPT.
    QList<QPointer<CDCCTransfer>> m_transfers;

    CTavernwApp *m_pApp;
    QString m_downloadFolder;
    QSet<QString> m_toldRefused;      // askedKey of offers refused with a line; "" for a full queue
    QList<RequestSend> m_requestSends; // sends started by file requests, still waiting
    QSet<QString> m_toldRequestLimit; // nicknames told that their requests were refused
    int m_requestWaitMs = kRequestWaitMs;
};
