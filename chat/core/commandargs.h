#pragma once

// Pure helpers of the command interpreter: how a typed command line splits into its
// word and arguments, and how the kick and topic commands build their protocol lines
// from the arguments and the window they were typed in. None touches a socket.

#include <QString>

struct CCommandLine {
    QString word;      // the command word, as typed
    QString arguments; // the text after the first blank
};

// Splits a line that began with '/' (the '/' already dropped). Without a blank, the
// word and the arguments are both the whole text: "/quit" quits with the message "quit".
CCommandLine SplitCommand(const QString &withoutSlash);

// The text after the first blank, empty when there is none.
QString AfterFirstBlank(const QString &text);

// "kick <channel> <nick> <reason field>" without its line feed. Typed in a channel
// window without a leading '#', the channel is that window.
QString KickLine(const QString &arguments, const QString &target);

// "topic <channel> ..." without its line feed: with ":" and the text it sets the topic,
// with an empty text it asks the server for the topic.
QString TopicLine(const QString &arguments, const QString &target);

// The nickname and text of "/msg": the first word and the text after the first
// blank, or a double-quoted nickname (as Tab fills in) and the text after the
// closing quote and the blank that follows it.
struct CMessageArguments {
    QString nick;
    QString text;
};
CMessageArguments MessageArguments(const QString &arguments);

// "WHO <mask>": the second word of the arguments, "*" without one.
QString WhoLine(const QString &arguments);
