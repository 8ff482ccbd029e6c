#include "common/homewardnote.h"

#include "platform/paths.h"

#include <QFile>
#include <QSaveFile>

namespace ferry::homeward {

namespace {

constexpr qint64 kMaxNoteBytes = 256;

} // namespace

QString notePath(qint64 homewardPid)
{
    return dataFile(QStringLiteral("homeward-%1.note").arg(homewardPid));
}

bool writeNote(qint64 homewardPid, const Note &note)
{
    QSaveFile file(notePath(homewardPid));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("game %1 %2\nchat %3\n").arg(note.game).arg(note.gameStart).arg(note.chat).toLatin1());
    return file.commit();
}

std::optional<Note> readNote(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Note note;
    bool sawGame = false;
    bool sawChat = false;
    for (const QByteArray &line : file.read(kMaxNoteBytes).split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        bool ok = true;
        if (words.size() == 3 && words[0] == "game") {
            bool startOk = false;
            note.game = words[1].toLongLong(&ok);
            note.gameStart = words[2].toULongLong(&startOk);
            sawGame = ok && startOk && note.game >= 0;
        } else if (words.size() == 2 && words[0] == "chat") {
            note.chat = words[1].toLongLong(&ok);
            sawChat = ok && note.chat >= 0;
        }
    }
    if (!sawGame || !sawChat)
        return std::nullopt;
    return note;
}

} // namespace ferry::homeward
