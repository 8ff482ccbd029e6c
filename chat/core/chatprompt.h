#pragma once

// A question or notice the chat core puts to the user. The core never opens a dialog
// itself: it queues prompts (CPromptQueue) and the front end shows them one at a time,
// outside the dispatch of server lines, and reports the answer back.

#include <QString>

struct CChatPrompt {
    // What the prompt is about. At most one prompt of a kind is open or waiting for
    // one peer at a time, so a flood of equal events cannot stack up boxes.
    enum class Kind {
        Notice,         // a message box with an OK button (failures, kicks, disconnects)
        ParseError,     // an unparsable server line
        Kick,           // we were kicked from a channel
        Nickname,       // the refused nickname: a text field
        DccChat,        // a direct chat offer: Yes/No
        DccFile,        // a file offer: Yes/No
        SaveFile,       // where to save an accepted file
        Certificate,    // an unverified server certificate: trust it? Yes/No
        AwayMessage,    // the away message: a text field
    };
    enum class Style { Message, YesNo, Text, SaveFile };
    enum class Icon { None, Information, Warning, Error, Question };

    Kind kind = Kind::Notice;
    QString peer;     // whom it concerns: a nickname, a host; empty for the server itself
    Style style = Style::Message;
    Icon icon = Icon::None;
    QString caption;
    QString text;
    QString initial;  // Text: the field's first content; SaveFile: the suggested path
};

struct CPromptAnswer {
    bool accepted = false; // OK or Yes; false for Cancel, No or a closed box
    QString text;          // Text: the field; SaveFile: the chosen path
};
