// The application object's use of the settings store: reading at start, the Font
// command, and what the program writes and releases at its end.

#include "chat/core/chatfrontend.h"
#include "chat/core/settingsstore.h"
#include "chat/core/tavernwapp.h"

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

    if (!m_pFrontEnd)
        return false;
    const auto chosen = m_pFrontEnd->ChooseFont(name, size > 0 ? size : defaults.FontSize);
    if (!chosen)
        return false;
    // A font given in pixels has no point size and keeps the old size.
    m_Settings.FontName = chosen->first;
    if (chosen->second > 0)
        m_Settings.FontSize = chosen->second;
    tavern::settingsstore::SaveFont(m_Settings.FontName, m_Settings.FontSize);
    if (m_pFrontEnd)
        m_pFrontEnd->ApplyFont();
    return true;
}

void CTavernwApp::ExitInstance()
{
    m_bQuitting = true;
    Disconnect();
    m_prompts.Clear();
    m_windows.ClearActivity();
    m_UserMap.clear();
    m_Settings.HighlightWords.clear();
    tavern::settingsstore::SaveShowChanList(m_Settings.ShowChanList);
}
