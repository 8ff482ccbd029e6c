#include "chat/core/tavernwapp.h"

#include "chat/core/chatfrontend.h"
#include "platform/prompts.h"

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
      m_strFallbackHost(QString::fromLatin1(kPublicFallbackHost)),
      m_nFallbackPort(kPublicFallbackPort),
      m_tickClock(steadyMilliseconds)
{
}

CTavernwApp::~CTavernwApp()
{
    m_bQuitting = true;
    // The documents are children of this object; their windows go with the front end.
    if (m_pServerSocket)
        m_pServerSocket->disconnect(this);
    qDeleteAll(m_retiredSockets);
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

// ---- windows

CChatDocBase *CTavernwApp::openWindow(CChatDocBase::Kind kind, const QString &name)
{
    m_strPendingWindowName = name;
    CChatDocBase *doc = kind == CChatDocBase::Kind::Channel
                            ? static_cast<CChatDocBase *>(new CTavernwDoc(m_strPendingWindowName, this))
                            : new CChatDoc(kind, m_strPendingWindowName, this);
    const QString key = doc->IsChannel() ? doc->Name().toLower() : doc->Name();
    m_WindowMap.insert(key, doc);
    const bool shown = m_pFrontEnd && m_pFrontEnd->CreateWindowFor(doc);
    m_strPendingWindowName.clear();
    if (!shown) {
        m_WindowMap.remove(key);
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

CChatDocBase *CTavernwApp::FindWindow(const QString &name) const
{
    const auto exact = m_WindowMap.constFind(name);
    if (exact != m_WindowMap.constEnd())
        return exact.value();
    for (auto it = m_WindowMap.constBegin(); it != m_WindowMap.constEnd(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    return nullptr;
}

CTavernwDoc *CTavernwApp::FindChannel(const QString &name) const
{
    const auto it = m_WindowMap.constFind(name.toLower());
    if (it == m_WindowMap.constEnd() || !it.value()->IsChannel())
        return nullptr;
    return static_cast<CTavernwDoc *>(it.value());
}

QList<CTavernwDoc *> CTavernwApp::ChannelDocs() const
{
    QList<CTavernwDoc *> out;
    for (CChatDocBase *doc : m_WindowMap)
        if (doc->IsChannel())
            out << static_cast<CTavernwDoc *>(doc);
    return out;
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
    ferry::prompts::error(nullptr, QStringLiteral("Error"), QStringLiteral("Unable to create new Window!"));
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

void CTavernwApp::RegisterWindow(CChatDocBase *doc)
{
    if (doc)
        m_WindowMap.insert(doc->Name(), doc);
}

void CTavernwApp::UnregisterWindow(CChatDocBase *doc)
{
    for (auto it = m_WindowMap.begin(); it != m_WindowMap.end(); ++it) {
        if (it.value() == doc) {
            m_TabActivity.remove(it.key());
            m_WindowMap.erase(it);
            return;
        }
    }
}

bool CTavernwApp::HasUnseenLines(const QString &name) const
{
    for (auto it = m_TabActivity.constBegin(); it != m_TabActivity.constEnd(); ++it)
        if (it.value() && it.key().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void CTavernwApp::MarkSeen(const QString &name)
{
    for (auto it = m_TabActivity.begin(); it != m_TabActivity.end(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            it.value() = false;
}

// ---- printing

void CTavernwApp::noteActivity(const QString &target)
{
    const QString name = target.isEmpty() ? QString::fromLatin1(kServerWindow) : target;
    const QString selected = m_pFrontEnd ? m_pFrontEnd->SelectedTabName() : QString();
    const bool unseen = name.compare(selected, Qt::CaseInsensitive) != 0;
    auto it = m_TabActivity.find(name);
    if (it == m_TabActivity.end()) {
        m_TabActivity.insert(name, unseen);
    } else if (!it.value() && unseen) {
        it.value() = true;
    } else {
        return;
    }
    if (m_pFrontEnd)
        m_pFrontEnd->RepaintTabs();
}

void CTavernwApp::PrintLine(const QString &text, ChatColour colour, const QString &target)
{
    if (m_bQuitting)
        return;
    noteActivity(target);
    if (target.isEmpty() || (!m_Settings.PrivateWindows && !target.startsWith(u'#'))) {
        if (m_pServerDoc)
            m_pServerDoc->AddLine(text, colour);
        return;
    }
    if (CChatDocBase *doc = FindWindow(target)) {
        doc->AddLine(text, colour);
        return;
    }
    if (target.startsWith(u'#'))
        return; // a channel we have no window for
    if (CChatDocBase *doc = openWindow(CChatDocBase::Kind::Private, target)) {
        doc->AddLine(text, colour);
        return;
    }
    ferry::prompts::warning(nullptr, QStringLiteral("Error"), QStringLiteral("Unable to create new Window!"));
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
