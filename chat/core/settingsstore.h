#pragma once

// Where the chat client keeps its settings in the registry, and the reading and
// writing of them. Every value missing at start is written with its default, so a
// first start leaves the whole set in the registry for the user (or a .reg file)
// to edit. Registry failures are silent: an unreadable value takes its default.

#include "chat/core/chatsettings.h"

#include <QString>
#include <QStringList>

#include <optional>

class CRegistry;

namespace tavern::settingsstore {

inline constexpr char kChatKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat";
inline constexpr char kColorsKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat\\Colors";
inline constexpr char kFKeysKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat\\FKeys";
inline constexpr char kFiltersKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat\\Filters";
// Certificates the user chose to trust: one value per host (lower-cased), holding the
// SHA-256 fingerprint as colon-separated upper-case hex.
inline constexpr char kCertificatesKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat\\Certificates";

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

// The fingerprint trusted for a host; empty when none is.
QString TrustedCertificate(const QString &host);
bool TrustCertificate(const QString &host, const QString &fingerprint);

// ---- the preference dialogs

// What the setup dialog shows besides the application's flags and server.
struct SetupValues {
    QString profanityFilter = QStringLiteral("FALSE");
    QString channel = QStringLiteral("#ferry");
    QString quitMsg = QStringLiteral("Leaving");
    QString fontName = QStringLiteral("Courier New");
    int fontSize = 8;
};

// Reads the setup dialog's values from the Chat key, writing the defaults of the
// missing ones (the three window flags default to the application's current ones).
// False when the key can be neither opened nor created.
bool LoadSetup(SetupValues &values, const CChatSettings &current);
// Writes AutoLog, QuitMsg, Channel, PrivateWindows, ProfanityFilter, ShowJoinPart,
// SpamFilter, BeepOnPrivate, ChatServer, ChatServerPort, ChatServerTLS, AutoReconnect
// in this order.
bool SaveSetup(const CChatSettings &settings);
// Whether the Chat key can be opened (or created) for writing.
bool CanOpenChatKey();

// The six colours for the colours dialog, writing the dialog's defaults (palette-
// relative) for missing ones. False when the key can be neither opened nor created.
bool LoadColors(CChatSettings &settings);
// Writes Normal, Action, Status, Private, Background, URL in this order.
bool SaveColors(const CChatSettings &settings);

// F2..F12 for the function-key dialog, writing the start-up defaults for missing ones.
bool LoadFunctionKeys(QStringList &texts);
bool SaveFunctionKeys(const QStringList &texts);

// The word highlighter's stored words, in the order the registry enumerates them.
QStringList HighlightWordNames();
// The stored colour of a word; nullopt when it has none.
std::optional<ChatColour> HighlightWordColour(const QString &word);
bool SetHighlightWord(const QString &word, ChatColour colour);
bool DeleteHighlightWord(const QString &word);

} // namespace tavern::settingsstore
