#include "chat/core/profanity.h"

namespace tavern {

QStringList defaultProfanityWords()
{
    return {QStringLiteral("fuck"), QStringLiteral("shit")};
}

bool containsProfanity(QStringView line, const QStringList &words)
{
    for (const QString &word : words) {
        if (!word.isEmpty() && line.contains(word, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace tavern
