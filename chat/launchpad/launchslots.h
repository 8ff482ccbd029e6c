#pragma once

// The launchpad's twenty game slots and their place in the registry:
//
//   SOFTWARE\Hollowell\Ferry97\Chat\LaunchPad      CloseChat, ConfirmLaunch (DWORD 0/1)
//   SOFTWARE\Hollowell\Ferry97\Chat\LaunchPad\Game01 .. Game20
//                                                  ProgramName, FileName, FilePath,
//                                                  FileParms, FileIcon (strings)
//
// A slot is empty exactly when its title is empty; titles of the slots in use are
// unique (compared with case). FilePath is the program's folder without a trailing
// separator; values written on the games' home system with backslashes still work.

#include <QString>
#include <QStringList>

#include <array>

namespace tavern {

inline constexpr int kSlotCount = 20;
inline constexpr char kLaunchPadKey[] = "SOFTWARE\\Hollowell\\Ferry97\\Chat\\LaunchPad";

struct CLaunchSlot {
    QString ProgramName; // title shown in the list and asked about before launching
    QString FileName;    // the program's file name
    QString FilePath;    // its folder
    QString FileParms;   // command-line parameters
    QString FileIcon;    // the file whose first icon stands for the game

    bool IsEmpty() const { return ProgramName.isEmpty(); }
    void Clear() { *this = CLaunchSlot(); }
    // FilePath and FileName joined, backslashes read as separators.
    QString ProgramPath() const;
    bool operator==(const CLaunchSlot &) const = default;
};

struct CLaunchTable {
    std::array<CLaunchSlot, kSlotCount> Slots;
    quint32 CloseChat = 1;     // close the chat client when a game is launched
    quint32 ConfirmLaunch = 1; // ask before launching

    // The first slot without a title; -1 when all twenty are in use.
    int FirstEmptySlot() const;
    // The slot in use whose title is exactly title (-1: none), skipping slot except.
    int FindTitle(const QString &title, int except = -1) const;
    // The titles of the slots in use, in slot order.
    QStringList Titles() const;
};

// Reads the flags and the twenty slots, writing the default of every missing value
// (flags 1, strings empty). False only on the first run: Game01 had no ProgramName.
// A key that can be neither opened nor created ends the loading there; the slots not
// reached keep their values.
bool LoadLaunchpad(CLaunchTable &table);
// Writes the flags and all five strings of every slot, empty ones included.
bool SaveLaunchpad(const CLaunchTable &table);

// The path with backslashes read as separators (values from a Windows .reg file).
QString NativeSeparators(const QString &path);
// A path cut at its last separator: the folder (without the separator) and the name.
void SplitPath(const QString &path, QString &folder, QString &name);

} // namespace tavern
