#include "chat/core/partnerring.h"

#include "chat/core/ircline.h"
#include "chat/core/tavernwapp.h"

void CPartnerRing::AttachToApp(CTavernwApp &app)
{
    connect(&app, &CTavernwApp::lineSent, this, [this](const QByteArray &line) {
        const auto parsed = CIrcLine::Parse(DecodeChatText(line.trimmed()));
        if (!parsed || parsed->command.compare(QLatin1String("PRIVMSG"), Qt::CaseInsensitive) != 0)
            return;
        if (StripColon(RestAfterWord(0, parsed->params)).startsWith(QChar(0x01)))
            return;
        Note(GetWord(0, parsed->params));
    });
    connect(&app, &CTavernwApp::privateMessageReceived, this, &CPartnerRing::Note);
}

void CPartnerRing::Note(const QString &nick)
{
    if (nick.isEmpty() || nick.startsWith(u'#'))
        return;
    for (qsizetype i = 0; i < m_partners.size(); ++i) {
        if (m_partners.at(i).compare(nick, Qt::CaseInsensitive) == 0) {
            m_partners.removeAt(i);
            break;
        }
    }
    m_partners.prepend(nick);
    while (m_partners.size() > kCapacity)
        m_partners.removeLast();
    m_next = 0;
}

QString CPartnerRing::Next()
{
    if (m_partners.isEmpty())
        return QString();
    if (m_next >= m_partners.size())
        m_next = 0;
    return m_partners.at(m_next++);
}
