#include "chat/core/fileoffers.h"

#include "chat/core/ircline.h"
#include "chat/core/tavernwapp.h"

#include <QFile>

#include <algorithm>

namespace {

constexpr QChar kCtcpMark(0x01);
constexpr char kOfferingFile[] = "is offering file";
constexpr char kNoMoreFiles[] = "** No more files can be offered! (Max. of ";
constexpr char kUnableToOpen[] = "Unable to open file!";
constexpr char kNoLongerOffered[] = "** File no longer being offered";
constexpr char kNotOffered[] = "** That file is not being offered!";

bool isReadable(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

} // namespace

CFileOffers::CFileOffers(CTavernwApp *app, QObject *parent)
    : QObject(parent ? parent : app), m_pApp(app)
{
    connect(app, &CTavernwApp::fileRequestReceived, this, &CFileOffers::OnFileRequest);
}

QString CFileOffers::OfferedFileName(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(cut + 1);
}

void CFileOffers::announce(const QString &fileName)
{
    const QString own = m_pApp->OwnNick();
    const QString text = QStringLiteral("%1: GetFile:%2@%3").arg(QLatin1String(kOfferingFile), fileName, own);
    const QStringList names = m_pApp->Windows().ChannelNames();
    for (const QString &name : names) {
        m_pApp->SendLine(QStringLiteral("PRIVMSG %1 :").arg(name) + kCtcpMark + QStringLiteral("ACTION ") + text
                         + kCtcpMark);
        m_pApp->PrintLine(QStringLiteral("* %1 %2").arg(own, text), m_pApp->m_Settings.Action, name);
    }
}

void CFileOffers::Offer(const QString &path)
{
    auto free = std::find_if(m_OfferSlots.begin(), m_OfferSlots.end(), [](const QString &s) { return s.isEmpty(); });
    if (free == m_OfferSlots.end()) {
        m_pApp->PrintLine(QStringLiteral("%1 %2)").arg(QLatin1String(kNoMoreFiles)).arg(kSlotCount),
                          m_pApp->m_Settings.Status);
        return;
    }
    // An empty path would leave the slot looking free.
    if (path.isEmpty() || !isReadable(path)) {
        m_pApp->PrintLine(QStringLiteral("** %1: %2").arg(QLatin1String(kUnableToOpen), path), m_pApp->m_Settings.Status);
        return;
    }
    *free = path;
    announce(OfferedFileName(path));
}

void CFileOffers::Deoffer(const QString &arguments)
{
    const auto find = [this](const QString &path) {
        return std::find_if(m_OfferSlots.begin(), m_OfferSlots.end(), [&path](const QString &s) {
            return !s.isEmpty() && s.compare(path, Qt::CaseInsensitive) == 0;
        });
    };
    auto slot = find(GetWord(0, arguments));
    if (slot == m_OfferSlots.end())
        slot = find(arguments.trimmed());
    if (slot == m_OfferSlots.end()) {
        m_pApp->PrintLine(QLatin1String(kNotOffered), m_pApp->m_Settings.Status);
        return;
    }
    slot->clear();
    m_pApp->PrintLine(QLatin1String(kNoLongerOffered), m_pApp->m_Settings.Status);
}

void CFileOffers::ShowOffers()
{
    for (const QString &path : m_OfferSlots)
        if (!path.isEmpty())
            announce(OfferedFileName(path));
}

std::optional<QString> CFileOffers::FindOffered(const QString &fileName) const
{
    for (const QString &path : m_OfferSlots)
        if (!path.isEmpty() && OfferedFileName(path).compare(fileName, Qt::CaseInsensitive) == 0)
            return path;
    return std::nullopt;
}

void CFileOffers::OnFileRequest(const QString &sender, const QString &fileName)
{
    if (const auto path = FindOffered(fileName))
        emit sendRequested(sender, *path);
}
