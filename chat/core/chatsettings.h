#pragma once

// The chat settings the session core reads, with the values a first start uses.
// The settings store fills this from the registry; until then these defaults hold.

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// A line colour: 0x00BBGGRR; 0x02 in the top byte marks a palette-relative colour.
using ChatColour = std::uint32_t;

// One entry of the word highlighter list: channel lines containing the word take the colour.
struct CHighlightWord {
    QString word;
    ChatColour colour = 0;
};

struct CChatSettings {
    // Colors
    ChatColour Action = 0x000000FF;
    ChatColour Normal = 0x00000000;
    ChatColour Private = 0x00660000;
    ChatColour Status = 0x000000FF;
    ChatColour Background = 0x00FFFFFF;
    ChatColour URL = 0x02FF0000;

    // FKeys: the texts of F2 .. F12, in that order.
    QStringList FKeys = DefaultFKeys();

    // Chat
    QString FontName = QStringLiteral("Courier New");
    int FontSize = 8;
    QString Channel = QStringLiteral("#lanway");
    QString QuitMsg = QStringLiteral("Leaving");
    bool PrivateWindows = true;
    bool SpamFilter = true;
    bool ShowJoinPart = false;
    bool AutoLog = false;
    bool ShowChanList = true;
    QString ChatServer = DefaultChatServer();
    int ChatServerPort = 6667;
    bool BeepOnPrivate = true;
    // The chat server is reached over TLS (certificates checked against the system's
    // store, or trusted by the user for the host).
    bool ChatServerTLS = false;
    // A lost connection is tried again after 5, 10, 20 ... up to 300 seconds.
    bool AutoReconnect = false;
    QString ProfanityFilter = QStringLiteral("FALSE");

    // Filters: the word highlighter list in stored order.
    QList<CHighlightWord> HighlightWords;

    // The control center writes the chat server of the network it signs on to; until
    // then the client looks on this machine, where a local-play setup runs its own
    // chat server, rather than sending the player's identity to an unknown host.
    static QString DefaultChatServer() { return QStringLiteral("127.0.0.1"); }
    static QStringList DefaultFKeys()
    {
        return {
            QStringLiteral("/help"),
            QStringLiteral("/users"),
            QStringLiteral("/who"),
            QStringLiteral("/showoffers"),
            QStringLiteral("/away Away from the keyboard, back soon."),
            QStringLiteral("/me slaps $USER with a SpamFish\u00A9 (Spamfish\u00A9 is a registered trademark of Muddlefin)"),
            QStringLiteral("/me just hit F8, thinking I was playing a game or something...."),
            QStringLiteral("/me loves this program! (REALLY!)"),
            QStringLiteral("/me challenges $USER to a game of Descent 2."),
            QStringLiteral("/away Gone to fetch the newest Lanway98 from http://www.hollowell.net/lanway98"),
            QStringLiteral("This program rocks!!!!"),
        };
    }
};
