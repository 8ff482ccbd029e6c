#include "chat/core/tavernwapp.h"

#include "chat/core/chatfrontend.h"

#include <QUdpSocket>

#include <chrono>

namespace {

// A public network's server, tried when the configured one does not register us.
constexpr const char *kPublicFallbackHost = "irc.libera.chat";
constexpr quint16 kPublicFallbackPort = 6667;

std::uint32_t steadyMilliseconds()
{
    using namespace std::chrono;
    return std::uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

CTavernwApp::CTavernwApp(IChatFrontEnd *frontEnd, QObject *parent)
    : QObject(parent),
      m_pFrontEnd(frontEnd),
      m_tickClock(steadyMilliseconds),
      // The session reads the clock through this object, so a replaced clock reaches it.
      m_session([this] { return m_tickClock(); }),
      m_prompts(frontEnd),
      m_strFallbackHost(QString::fromLatin1(kPublicFallbackHost)),
      m_nFallbackPort(kPublicFallbackPort)
{
    wireSession();
}

CTavernwApp::~CTavernwApp()
{
    m_bQuitting = true;
    m_prompts.Clear();
    // The documents are children of this object; their windows go with the front end.
    m_session.disconnect(this);
}

QString CTavernwApp::VersionText()
{
    return QStringLiteral("The Hearthside 97 1.0 for Linux (Lanway98)");
}

QString CTavernwApp::QuitMessage() const
{
    // A stored quit message that reads like a server kill notice is not sent as ours.
    if (m_Settings.QuitMsg.left(6).compare(QLatin1String("Killed"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Leaving");
    return m_Settings.QuitMsg;
}

void CTavernwApp::SetFallbackServer(const QString &host, quint16 port)
{
    m_strFallbackHost = host;
    m_nFallbackPort = port;
}

bool CTavernwApp::Ask(const CChatPrompt &prompt, std::function<void(const CPromptAnswer &)> answered)
{
    QPointer<CTavernwApp> self(this);
    return m_prompts.Ask(prompt, [self, answered = std::move(answered)](const CPromptAnswer &answer) {
        if (self && !self->m_bQuitting && answered)
            answered(answer);
    });
}

bool CTavernwApp::OpenUrl(const QString &url)
{
    return m_pFrontEnd && m_pFrontEnd->OpenUrl(url);
}

// ---- users

CUserRecord *CTavernwApp::UserRecord(const QString &nick)
{
    const auto it = m_UserMap.find(nick);
    return it == m_UserMap.end() ? nullptr : &it.value();
}

void CTavernwApp::noteUser(const QString &nick)
{
    if (!nick.isEmpty() && !m_UserMap.contains(nick))
        m_UserMap.insert(nick, CUserRecord());
}

bool CTavernwApp::ToggleIgnore(const QString &nick)
{
    if (m_IgnoreList.removeAll(nick) > 0)
        return false;
    m_IgnoreList.append(nick);
    return true;
}

// ---- windows

CChatDocBase *CTavernwApp::openWindow(CChatDocBase::Kind kind, const QString &name, bool byPeer)
{
    m_strPendingWindowName = name;
    CChatDocBase *doc = kind == CChatDocBase::Kind::Channel
                            ? static_cast<CChatDocBase *>(new CTavernwDoc(m_strPendingWindowName, this))
                            : new CChatDoc(kind, m_strPendingWindowName, this);
    doc->SetOpenedByPeer(byPeer);
    m_windows.Add(doc);
    const bool shown = m_pFrontEnd && m_pFrontEnd->CreateWindowFor(doc);
    m_strPendingWindowName.clear();
    if (!shown) {
        m_windows.Remove(doc);
        delete doc;
        return nullptr;
    }
    if (doc->IsChannel() && m_pServerDoc)
        m_pServerDoc->AddLine(QStringLiteral("Attemping to Join channel..."), m_Settings.Status);
    return doc;
}

CChatDoc *CTavernwApp::OpenServerWindow()
{
    if (!m_pServerDoc)
        m_pServerDoc = static_cast<CChatDoc *>(openWindow(CChatDocBase::Kind::Server, QString::fromLatin1(kServerWindow)));
    return m_pServerDoc;
}

void CTavernwApp::OpenPrivateWindow(const QString &nick)
{
    if (CChatDocBase *doc = FindWindow(nick)) {
        doc->AddLine(QString(), m_Settings.Background);
        return;
    }
    if (CChatDocBase *doc = openWindow(CChatDocBase::Kind::Private, nick)) {
        doc->AddLine(QString(), m_Settings.Background);
        return;
    }
    notice(QStringLiteral("Error"), QStringLiteral("Unable to create new Window!"), CChatPrompt::Icon::Error);
    if (m_pServerDoc)
        m_pServerDoc->AddLine(QString(), m_Settings.Background);
}

void CTavernwApp::CloseWindow(CChatDocBase *doc)
{
    if (!doc || doc == m_pServerDoc)
        return;
    UnregisterWindow(doc);
    if (m_pFrontEnd)
        m_pFrontEnd->CloseWindowFor(doc);
    doc->deleteLater();
}

// ---- printing

void CTavernwApp::noteActivity(const QString &target)
{
    const QString name = target.isEmpty() ? QString::fromLatin1(kServerWindow) : target;
    const QString selected = m_pFrontEnd ? m_pFrontEnd->SelectedTabName() : QString();
    if (m_windows.NoteActivity(name, selected) && m_pFrontEnd)
        m_pFrontEnd->RepaintTab(name);
}

void CTavernwApp::PrintLine(const QString &text, ChatColour colour, const QString &target)
{
    if (m_bQuitting)
        return;
    const bool toServer = target.isEmpty() || (!m_Settings.PrivateWindows && !target.startsWith(u'#'));
    CChatDocBase *doc = toServer ? m_pServerDoc.data() : FindWindow(target);
    // Every new nickname would open a window of its own: past the limit the lines
    // stay in the Server window, marked, so a flood of senders cannot bury the client.
    if (!doc && !toServer && !target.startsWith(u'#') && m_windows.PeerOpenedCount() >= kMaxPeerWindows) {
        noteActivity(QString());
        if (m_pServerDoc)
            m_pServerDoc->AddLine(QStringLiteral("[%1] %2").arg(target, text), colour);
        return;
    }
    if (doc) {
        noteActivity(toServer ? QString() : target);
        doc->AddLine(text, colour);
        return;
    }
    if (toServer || target.startsWith(u'#'))
        return; // a channel we have no window for
    noteActivity(target);
    if (CChatDocBase *opened = openWindow(CChatDocBase::Kind::Private, target, true)) {
        opened->AddLine(text, colour);
        return;
    }
    notice(QStringLiteral("Error"), QStringLiteral("Unable to create new Window!"), CChatPrompt::Icon::Warning);
    if (m_pServerDoc)
        m_pServerDoc->AddLine(text, colour);
}

ChatColour CTavernwApp::HighlightColour(const QString &text) const
{
    const QString lower = text.toLower();
    for (const CHighlightWord &entry : m_Settings.HighlightWords)
        if (lower.contains(entry.word))
            return entry.colour;
    return m_Settings.Normal;
}
