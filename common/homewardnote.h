#pragma once

// The note the chat client leaves for `homeward` when it hands over to a game.
// The chat client starts homeward first (by bare name, without arguments), then the
// game, then writes "homeward-<homeward's process id>.note" in the data folder:
//
//   game <process id> <start time>    the game to wait for; "game 0 0" when it could
//                                     not be started or cannot be followed (a file
//                                     handed to the desktop's default application)
//   chat <process id>                 the chat client that is about to end
//
// homeward reads and removes its note, waits for the game to end and the chat client
// to be gone, and starts the chat client again while the control center runs.

#include <QString>

#include <optional>

namespace ferry::homeward {

struct Note {
    qint64 game = 0;
    quint64 gameStart = 0; // the game's start time (processes::startTime)
    qint64 chat = 0;
    bool operator==(const Note &) const = default;
};

QString notePath(qint64 homewardPid);
// Writes the note whole (a reader never sees half of it); false when it cannot.
bool writeNote(qint64 homewardPid, const Note &note);
// The note at path; nullopt when there is none or it is not a note.
std::optional<Note> readNote(const QString &path);

} // namespace ferry::homeward
