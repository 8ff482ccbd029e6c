#include "chat/launchpad/knowngames.h"

#include <QFile>
#include <QFileInfo>
#include <QStringConverter>

namespace tavern {

namespace {

// Files larger than this are no list of games; reading stops there.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

QString decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}

} // namespace

QList<CKnownGame> ParseKnownGames(const QByteArray &bytes)
{
    QList<CKnownGame> games;
    const QString text = decode(bytes);
    bool heading = true;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (heading) {
            heading = false;
            continue;
        }
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = line.left(kKnownGameLineLimit);
        QString fields[5];
        int n = 0;
        for (QStringView field : line.split(u',', Qt::SkipEmptyParts)) {
            if (n == 5)
                break;
            // Blanks around a field (after a comma, before the line end) are no part of a name.
            fields[n++] = field.trimmed().toString();
        }
        if (n == 0 || fields[0].isEmpty())
            continue;
        games.append({fields[0], fields[1], fields[2], fields[3], fields[4]});
    }
    return games;
}

QString KnownGamesPath(const QString &programDir)
{
    const QString here = QString::fromLatin1(kKnownGamesFile);
    if (QFileInfo(here).isFile() && QFileInfo(here).isReadable())
        return QFileInfo(here).absoluteFilePath();
    const QString shipped = programDir + here;
    if (!programDir.isEmpty() && QFileInfo(shipped).isFile() && QFileInfo(shipped).isReadable())
        return shipped;
    return QString();
}

std::optional<QList<CKnownGame>> ReadKnownGames(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ParseKnownGames(file.read(kMaxFileBytes));
}

} // namespace tavern
