// The application object's use of the settings store: reading at start, the Font
// command, and what the program writes and releases at its end.

#include "chat/core/chatfrontend.h"
#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"
#include "platform/prompts.h"

#include <QFont>

void CTavernwApp::LoadSettings()
{
    tavern::settingsstore::Load(m_Settings);
}

void CTavernwApp::LoadHighlightWords()
{
    tavern::settingsstore::LoadHighlightWords(m_Settings);
}

bool CTavernwApp::OnFont()
{
    const CChatSettings defaults;
    QString name = defaults.FontName;
    int size = defaults.FontSize;
    tavern::settingsstore::LoadFont(name, size);

    QFont initial(name, size > 0 ? size : defaults.FontSize, QFont::Normal);
    initial.setStyleName(QStringLiteral("Regular"));
    const std::optional<QFont> chosen = ferry::prompts::chooseFont(nullptr, QStringLiteral("Font"), initial);
    if (!chosen)
        return false;

    // Whole points, as the size is stored; a font given in pixels keeps the old size.
    const int points = int(chosen->pointSizeF());
    m_Settings.FontName = chosen->family();
    if (points > 0)
        m_Settings.FontSize = points;
    tavern::settingsstore::SaveFont(m_Settings.FontName, m_Settings.FontSize);
    if (m_pFrontEnd)
        m_pFrontEnd->ApplyFont();
    return true;
}

void CTavernwApp::ExitInstance()
{
    m_bQuitting = true;
    Disconnect();
    m_TabActivity.clear();
    m_UserMap.clear();
    m_Settings.HighlightWords.clear();
    tavern::settingsstore::SaveShowChanList(m_Settings.ShowChanList);
}
