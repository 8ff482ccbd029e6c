#pragma once

// Where the chat client keeps its settings in the registry, and the reading and
// writing of them. Every value missing at start is written with its default, so a
// first start leaves the whole set in the registry for the user (or a .reg file)
// to edit. Registry failures are silent: an unreadable value takes its default.

#include "chat/core/chatsettings.h"

#include <QString>

class CRegistry;

namespace tavern::settingsstore {

inline constexpr char kChatKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat";
inline constexpr char kColorsKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat\\Colors";
inline constexpr char kFKeysKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat\\FKeys";
inline constexpr char kFiltersKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat\\Filters";

// Reads Colors, FKeys and Chat in that order, writing each missing value's default,
// then the word highlighter list. A key that can be neither opened nor created ends
// the reading there; the members not reached keep the values they had.
void Load(CChatSettings &settings);

// Replaces the word highlighter list with the Filters key's values in the order the
// registry enumerates them (word = value name, colour = the number).
void LoadHighlightWords(CChatSettings &settings);

// FontName and FontSize from the Chat key, writing the defaults when missing.
void LoadFont(QString &fontName, int &fontSize);
// Stores the chosen face and point size in the Chat key.
bool SaveFont(const QString &fontName, int fontSize);

// Writes ShowChanList with its current value (at shutdown).
bool SaveShowChanList(bool showChanList);

} // namespace tavern::settingsstore
