#include "chat/launchpad/gamescanner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavern {

namespace {

QByteArray folded(const QString &name)
{
    return name.toCaseFolded().toUtf8();
}

bool isAscii(const char *name, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(name[i]) >= 0x80)
            return false;
    return true;
}

// Opens a folder for listing without following a symbolic link in its last component.
int openFolder(const QByteArray &path)
{
    return ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

QString fromDisk(const QByteArray &path)
{
    return QFile::decodeName(path);
}

} // namespace

CGameMatcher::CGameMatcher(const QList<CKnownGame> &games)
{
    for (int i = 0; i < games.size(); ++i)
        if (!games.at(i).lookFor.isEmpty())
            m_byName[folded(games.at(i).lookFor)].append(i);
}

const QList<int> *CGameMatcher::Match(const char *name, std::size_t length) const
{
    if (length == 0)
        return nullptr;
    QByteArray key;
    if (isAscii(name, length)) {
        key = QByteArray(name, qsizetype(length));
        for (char &c : key)
            if (c >= 'A' && c <= 'Z')
                c = char(c + ('a' - 'A'));
    } else {
        key = folded(QFile::decodeName(QByteArray(name, qsizetype(length))));
    }
    const auto it = m_byName.constFind(key);
    return it == m_byName.constEnd() ? nullptr : &it.value();
}

QString ResolveWithoutCase(const QString &folder, const QString &relative)
{
    QString path = folder;
    QString rest = relative;
    rest.replace(u'\\', u'/');
    for (const QString &part : rest.split(u'/', Qt::SkipEmptyParts)) {
        QString chosen = part;
        if (part != QLatin1String(".") && part != QLatin1String("..") && !QFileInfo::exists(path + u'/' + part)) {
            const QStringList entries = QDir(path).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
            for (const QString &entry : entries) {
                if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                    chosen = entry;
                    break;
                }
            }
        }
        path += u'/' + chosen;
    }
    return path;
}

CScanStats ScanTree(const QString &root, const QList<CKnownGame> &games, const CGameMatcher &matcher,
                    const std::atomic_bool &cancel, const std::function<void(const CFoundGame &)> &found)
{
    CScanStats stats;
    QByteArray rootPath = QFile::encodeName(root);
    while (rootPath.size() > 1 && rootPath.endsWith('/'))
        rootPath.chop(1);

    struct stat rootInfo {};
    if (::stat(rootPath.constData(), &rootInfo) != 0 || !S_ISDIR(rootInfo.st_mode))
        return stats;
    const dev_t device = rootInfo.st_dev;

    // Depth first, a folder's files before its subfolders: the pending folders are
    // kept on a stack, the subfolders of each listing pushed in reverse name order.
    std::vector<QByteArray> pending{rootPath};
    std::vector<QByteArray> subfolders;
    struct Match {
        QByteArray name;
        const QList<int> *games;
    };
    std::vector<Match> matches;
    while (!pending.empty()) {
        const QByteArray folder = std::move(pending.back());
        pending.pop_back();
        const int fd = openFolder(folder);
        if (fd < 0)
            continue;
        struct stat info {};
        // Another file system mounted here is searched when its own turn comes.
        if (::fstat(fd, &info) != 0 || info.st_dev != device) {
            ::close(fd);
            continue;
        }
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            continue;
        }
        ++stats.directories;
        subfolders.clear();
        matches.clear();
        while (const dirent *entry = ::readdir(dir)) {
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            ++stats.entries;
            if (cancel.load(std::memory_order_relaxed))
                break;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat entryInfo {};
                if (::fstatat(::dirfd(dir), name, &entryInfo, AT_SYMLINK_NOFOLLOW) == 0)
                    type = S_ISDIR(entryInfo.st_mode) ? DT_DIR : DT_REG;
            }
            const std::size_t length = std::strlen(name);
            if (type == DT_DIR) {
                if (name[0] != '.')
                    subfolders.emplace_back(name, qsizetype(length));
            } else if (const QList<int> *games = matcher.Match(name, length)) {
                matches.push_back({QByteArray(name, qsizetype(length)), games});
            }
        }
        ::closedir(dir);
        if (cancel.load(std::memory_order_relaxed)) {
            stats.cancelled = true;
            break;
        }

        std::sort(matches.begin(), matches.end(), [](const Match &a, const Match &b) { return a.name < b.name; });
        const QString folderText = fromDisk(folder == "/" ? QByteArray() : folder);
        for (const Match &m : matches) {
            for (int index : *m.games) {
                const CKnownGame &game = games.at(index);
                CFoundGame hit;
                hit.game = index;
                hit.folder = folderText.isEmpty() ? QStringLiteral("/") : folderText;
                // A game line without a program starts the file it looked for.
                hit.program = game.program.isEmpty() ? folderText + u'/' + fromDisk(m.name)
                                                     : ResolveWithoutCase(folderText, game.program);
                found(hit);
            }
        }

        std::sort(subfolders.begin(), subfolders.end());
        const QByteArray prefix = folder == "/" ? QByteArray("/") : folder + '/';
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
            pending.push_back(prefix + *it);
    }
    if (cancel.load(std::memory_order_relaxed))
        stats.cancelled = true;
    return stats;
}

CGameScanner::CGameScanner(QObject *parent) : QObject(parent), m_cancel(std::make_shared<std::atomic_bool>(false))
{
    qRegisterMetaType<tavern::CFoundGame>();
    qRegisterMetaType<tavern::CScanStats>();
}

CGameScanner::~CGameScanner()
{
    Cancel();
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void CGameScanner::Start(const QString &root, const QList<CKnownGame> &games)
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
    auto cancel = m_cancel;
    m_thread = QThread::create([this, root, games, cancel] {
        const CGameMatcher matcher(games);
        const CScanStats stats = ScanTree(root, games, matcher, *cancel, [this](const CFoundGame &game) {
            QMetaObject::invokeMethod(this, [this, game] { emit gameFound(game); }, Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(this, [this, stats] { emit finished(stats); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

void CGameScanner::Cancel()
{
    m_cancel->store(true);
}

bool CGameScanner::IsRunning() const
{
    return m_thread && m_thread->isRunning();
}

} // namespace tavern
