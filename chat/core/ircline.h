#pragma once

// Pure helpers of the chat protocol: decoding received bytes, splitting a line into
// prefix, command and parameters, and the word splitter the dispatcher uses.
// None of them touches a socket or a window.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

// Received chat text as characters: UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString DecodeChatText(const QByteArray &bytes);

// One server line split into its parts.
struct CIrcLine {
    QString prefix;  // text between ':' and the first blank; empty without a prefix
    QString sender;  // prefix up to its first '!' (a server name has none)
    QString command; // up to the first blank after the prefix
    QString params;  // everything after that blank, as received

    // Splits a trimmed line. A line that starts with ':' but has no blank cannot be
    // split and gives nothing.
    static std::optional<CIrcLine> Parse(const QString &line);
};

// Longest result GetWord gives; longer words and rests are cut to this length.
inline constexpr int kGetWordMax = 303;

// The n-th word (from 0) of text, words separated by blanks, tabs, CR and LF. A word
// that begins with ':' stands for the whole rest of the text after that colon.
// Without enough words: empty.
QString GetWord(int n, const QString &text);

// The text after the n-th word and the separator that follows it (n from 0), as it
// stands; empty when the text has no more words than that.
QString RestAfterWord(int n, const QString &text);

// The text without one leading ':'.
QString StripColon(const QString &text);

// A decimal number as CTCP arguments carry it: optional blanks and sign, then digits,
// accumulated modulo 2^32; anything else ends it.
std::uint32_t ParseCtcpNumber(const QString &text);

// `text` as UTF-8, at most maxBytes bytes, never ending inside a character.
QByteArray Utf8Prefix(const QString &text, std::size_t maxBytes);
