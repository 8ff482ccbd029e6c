#include "chat/dcc/dcchandover.h"

#include "chat/core/fileoffers.h"
#include "chat/core/ircline.h"
#include "chat/core/tavernwapp.h"
#include "chat/dcc/dccchatsession.h"
#include "chat/dcc/dccoffer.h"
#include "chat/dcc/dccprompts.h"
#include "chat/dcc/dccresume.h"
#include "chat/dcc/dcctexts.h"
#include "chat/dcc/dcctransfer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>

namespace {

QString text(const char *t) { return QString::fromLatin1(t); }

// "/dcc send" takes the path as typed; a dropped or pasted path may come quoted.
QString unquotedPath(QString path)
{
    while (path.startsWith(u' ') || path.startsWith(u'\t'))
        path.remove(0, 1);
    if (path.endsWith(u'"')) {
        path.chop(1);
        if (path.startsWith(u'"'))
            path.remove(0, 1);
    }
    return path;
}

QString defaultDownloadFolder()
{
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return downloads.isEmpty() ? QDir::homePath() : downloads;
}

} // namespace

CDCCHandOver::CDCCHandOver(CTavernwApp *app, CFileOffers *offers, QObject *parent)
    : QObject(parent ? parent : app), m_pApp(app), m_downloadFolder(defaultDownloadFolder())
{
    connect(app, &CTavernwApp::dccRequestReceived, this, &CDCCHandOver::OnDccRequest);
    if (offers)
        connect(offers, &CFileOffers::sendRequested, this, &CDCCHandOver::OnSendRequested);
}

// ---- sessions and transfers

CDCCChatSession *CDCCHandOver::openChat(const QString &peer)
{
    auto *session = new CDCCChatSession(peer, m_pApp->OwnNick(), this);
    connect(session, &CDCCChatSession::commandTyped, this, &CDCCHandOver::commandTyped);
    emit chatSessionOpened(session);
    session->OnInitialUpdate();
    return session;
}

CDCCTransfer *CDCCHandOver::openTransfer()
{
    auto *transfer = new CDCCTransfer(this);
    connect(transfer, &CDCCTransfer::lineToShow, this, [this](const QString &line, DccColour colour) {
        m_pApp->PrintLine(line, SettingColour(m_pApp->m_Settings, colour));
    });
    connect(transfer, &CDCCTransfer::finished, this, [this, transfer] {
        m_transfers.removeAll(transfer);
        if (transfer->parent() == this)
            transfer->deleteLater();
    });
    m_transfers.removeAll(nullptr);
    m_transfers << transfer;
    emit transferOpened(transfer);
    return transfer;
}

// ---- outgoing offers

bool CDCCHandOver::DccCommand(const QString &arguments)
{
    const QString sub = GetWord(0, arguments);
    if (sub.compare(QLatin1String("chat"), Qt::CaseInsensitive) == 0) {
        DccChat(GetWord(1, arguments));
        return true;
    }
    if (sub.compare(QLatin1String("send"), Qt::CaseInsensitive) == 0) {
        DccSend(GetWord(1, arguments), unquotedPath(RestAfterWord(1, arguments)));
        return true;
    }
    return false;
}

CDCCChatSession *CDCCHandOver::DccChat(const QString &nick)
{
    if (nick.isEmpty())
        return nullptr;
    CDCCChatSession *session = openChat(nick);
    const std::uint16_t port = session->StartListening();
    if (port == 0)
        return nullptr; // the session's window says why
    m_pApp->SendLine(QString::fromUtf8(ferry::dcc::ChatOfferLine(nick, m_pApp->Identity().DccNumber(), port)));
    return session;
}

CDCCTransfer *CDCCHandOver::offerFile(const QString &nick, const QString &path)
{
    CDCCTransfer *transfer = openTransfer();
    const std::uint32_t port = transfer->StartSend(nick, path);
    if (port == CDCCTransfer::kStartFailed)
        return nullptr; // the transfer printed why and is finishing
    m_pApp->SendLine(QString::fromUtf8(ferry::dcc::SendOfferLine(nick, path, m_pApp->Identity().DccNumber(),
                                                                 std::uint16_t(port), transfer->FileSize())));
    return transfer;
}

CDCCTransfer *CDCCHandOver::DccSend(const QString &nick, const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        CChatPrompt prompt;
        prompt.caption = QStringLiteral("Error");
        prompt.text = text(ferry::dcc::texts::kUnableToOpen);
        prompt.peer = path;
        prompt.icon = CChatPrompt::Icon::Error;
        m_pApp->Ask(prompt);
        return nullptr;
    }
    file.close();
    if (nick.isEmpty())
        return nullptr;
    return offerFile(nick, path);
}

void CDCCHandOver::OnSendRequested(const QString &nick, const QString &path)
{
    // A stranger's request must not pop up a box: the transfer reports an offered
    // file that has gone as a line in the Server window. Nor may requests hold an
    // unbounded number of listening sockets open.
    const QString key = nick.toLower();
    m_requestSends.removeIf([](const RequestSend &r) { return !r.transfer || !r.transfer->IsWaitingForPeer(); });
    const auto forNick = std::count_if(m_requestSends.cbegin(), m_requestSends.cend(),
                                       [&key](const RequestSend &r) { return r.nick == key; });
    if (forNick >= kMaxRequestSendsPerNick || m_requestSends.size() >= kMaxRequestSends) {
        if (!m_toldRequestLimit.contains(key)) {
            m_toldRequestLimit.insert(key);
            m_pApp->PrintLine(text(ferry::dcc::texts::kRequestRefused)
                                  .arg(ferry::dcc::FileNameOfPath(path), nick)
                                  .arg(forNick >= kMaxRequestSendsPerNick ? kMaxRequestSendsPerNick : kMaxRequestSends),
                              m_pApp->m_Settings.Status);
        }
        return;
    }
    m_toldRequestLimit.remove(key);
    CDCCTransfer *transfer = offerFile(nick, path);
    if (!transfer)
        return;
    m_requestSends.append({transfer, key});
    const QString line = text(ferry::dcc::texts::kRequestUnanswered)
                             .arg(ferry::dcc::FileNameOfPath(path), nick)
                             .arg(m_requestWaitMs / 1000);
    QTimer::singleShot(m_requestWaitMs, transfer, [transfer, line] {
        if (transfer->IsWaitingForPeer())
            transfer->Withdraw(line);
    });
}

// ---- incoming offers

void CDCCHandOver::OnDccRequest(const QString &sender, const QString &arguments)
{
    const ferry::dcc::Offer offer = ferry::dcc::ParseOffer(arguments.toUtf8());
    if (const auto *chat = std::get_if<ferry::dcc::ChatOffer>(&offer))
        acceptChat(sender, *chat);
    else if (const auto *send = std::get_if<ferry::dcc::SendOffer>(&offer))
        acceptFile(sender, *send);
    else
        onResumeMessage(sender, arguments.toUtf8());
}

void CDCCHandOver::onResumeMessage(const QString &sender, const QByteArray &arguments)
{
    const auto message = ferry::dcc::ParseResume(arguments);
    if (!message)
        return;
    for (const QPointer<CDCCTransfer> &transfer : std::as_const(m_transfers)) {
        if (!transfer)
            continue;
        if (message->kind == ferry::dcc::ResumeMessage::Kind::Accept) {
            if (transfer->AcceptResume(sender, message->port, message->position))
                return;
        } else if (transfer->Resume(sender, message->port, message->position)) {
            m_pApp->PrintLine(text(ferry::dcc::texts::kResumeGranted)
                                  .arg(sender, transfer->FileName())
                                  .arg(message->position),
                              m_pApp->m_Settings.Status);
            m_pApp->SendLine(QString::fromUtf8(
                ferry::dcc::AcceptLine(sender, message->fileName, message->port, message->position)));
            return;
        }
    }
}

QString CDCCHandOver::askedKey(int kind, const QString &sender)
{
    return QString::number(kind) + u'\n' + sender.toLower();
}

void CDCCHandOver::acceptChat(const QString &sender, const ferry::dcc::ChatOffer &offer)
{
    using namespace ferry::dcc;
    const std::uint32_t address = offer.address;
    const std::uint32_t port = offer.port;
    if (const QString why = OfferRefusal(address, port); !why.isEmpty()) {
        m_pApp->PrintLine(text(texts::kChatOfferRefused).arg(sender, why, DottedAddress(address)).arg(port),
                          m_pApp->m_Settings.Status);
        return;
    }
    QPointer<CDCCHandOver> self(this);
    const QString key = askedKey(int(CChatPrompt::Kind::DccChat), sender);
    const bool asked = m_pApp->Ask(ChatOfferPrompt(sender, address, port), [self, sender, address, port, key](const CPromptAnswer &answer) {
        if (!self)
            return;
        self->m_toldRefused.remove(key);
        if (answer.accepted)
            self->openChat(sender)->ConnectToPeer(address, port);
    });
    if (asked)
        m_toldRefused.remove(QString());
    else
        refuseOffer(int(CChatPrompt::Kind::DccChat), sender);
}

void CDCCHandOver::acceptFile(const QString &sender, const ferry::dcc::SendOffer &offer)
{
    using namespace ferry::dcc;
    const std::uint32_t address = offer.address;
    const std::uint32_t port = offer.port;
    const std::uint64_t size = offer.size;
    const QByteArray offeredName = offer.fileName;
    if (const QString why = OfferRefusal(offer); !why.isEmpty()) {
        m_pApp->PrintLine(text(texts::kFileOfferRefused)
                              .arg(SanitizeOfferedFileName(offeredName), sender, why, DottedAddress(address))
                              .arg(port),
                          m_pApp->m_Settings.Status);
        return;
    }
    QPointer<CDCCHandOver> self(this);
    const auto save = [self, sender, offeredName, address, port, size](const CPromptAnswer &answer) {
        if (!self || !answer.accepted || answer.text.isEmpty())
            return;
        CDCCTransfer *transfer = self->openTransfer();
        if (!transfer->StartReceive(address, port, answer.text, sender, size) || !transfer->AwaitingAccept())
            return;
        self->m_pApp->PrintLine(text(ferry::dcc::texts::kResumeAsked)
                                    .arg(sender, answer.text)
                                    .arg(transfer->ResumePosition()),
                                self->m_pApp->m_Settings.Status);
        self->m_pApp->SendLine(
            QString::fromUtf8(ferry::dcc::ResumeLine(sender, offeredName, port, transfer->ResumePosition())));
    };
    const QString key = askedKey(int(CChatPrompt::Kind::DccFile), sender);
    const auto receive = [self, sender, offeredName, save, key](const CPromptAnswer &answer) {
        if (!self)
            return;
        self->m_toldRefused.remove(key);
        if (answer.accepted)
            self->m_pApp->Ask(SaveOfferedFilePrompt(sender, offeredName, self->m_downloadFolder), save);
    };
    if (m_pApp->Ask(FileOfferPrompt(sender, offeredName, address, port), receive))
        m_toldRefused.remove(QString());
    else
        refuseOffer(int(CChatPrompt::Kind::DccFile), sender);
}

void CDCCHandOver::refuseOffer(int kind, const QString &sender)
{
    const bool repeated = m_pApp->Prompts().Has(CChatPrompt::Kind(kind), sender);
    const QString key = repeated ? askedKey(kind, sender) : QString();
    if (m_toldRefused.contains(key))
        return;
    m_toldRefused.insert(key);
    m_pApp->PrintLine(text(repeated ? ferry::dcc::texts::kRepeatedOffer : ferry::dcc::texts::kTooManyOffers).arg(sender),
                      m_pApp->m_Settings.Status);
}
