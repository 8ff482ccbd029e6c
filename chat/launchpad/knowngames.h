#pragma once

// "games.txt": the games the search knows. The first line is a heading; every further
// line is one game of five comma-separated fields (a run of commas is one separator,
// so an empty field cannot be written; missing fields are empty):
//
//   title, file to look for, program to start (relative to the folder where the looked-for
//   file was found), parameters, icon file (relative to the chat client's folder; empty:
//   the program is its own icon)
//
// At most 253 characters of a line count; the rest of a longer line is dropped.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tavern {

struct CKnownGame {
    QString title;
    QString lookFor;
    QString program;
    QString parameters;
    QString icon;
    bool operator==(const CKnownGame &) const = default;
};

inline constexpr int kKnownGameLineLimit = 253;
inline constexpr char kKnownGamesFile[] = "games.txt";

// The games of the file's text (UTF-8, or Latin-1 when it is not valid UTF-8).
QList<CKnownGame> ParseKnownGames(const QByteArray &text);

// "games.txt" in the working directory, else the one shipped in the program's folder;
// empty when neither can be read.
QString KnownGamesPath(const QString &programDir);

// The games of the file at path; nullopt when it cannot be opened.
std::optional<QList<CKnownGame>> ReadKnownGames(const QString &path);

} // namespace tavern
