#pragma once

#include <QStringList>
#include <QStringView>

namespace tavern {

// The words the profanity filter looks for unless the settings name others.
QStringList defaultProfanityWords();

// True when any of `words` occurs in the line, without regard to case and also
// inside longer words (plain substring search). Empty words never match.
bool containsProfanity(QStringView line, const QStringList &words);

} // namespace tavern
