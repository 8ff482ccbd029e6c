#pragma once

// The search for known games below one folder, on a worker thread so that the
// window stays live and Cancel acts at once. Every entry that is not a directory is
// compared, without regard to case, with the file names the known games look for;
// subfolders are searched after the files of their parent, in name order. Folders
// whose name begins with '.', symbolic links to folders and other file systems
// mounted below the folder are not entered. Nothing is opened but folders.

#include "chat/launchpad/knowngames.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace tavern {

// The known games by the file name they look for, folded to one letter case.
class CGameMatcher {
public:
    explicit CGameMatcher(const QList<CKnownGame> &games);
    // The indices of the games looking for this directory entry name (file system
    // bytes), in list order; null when none does.
    const QList<int> *Match(const char *name, std::size_t length) const;
    bool IsEmpty() const { return m_byName.isEmpty(); }

private:
    QHash<QByteArray, QList<int>> m_byName;
};

struct CFoundGame {
    int game = -1;   // index in the known games
    QString folder;  // where the looked-for file was found
    QString program; // the program to start, its letter case as on the disk where it exists
};

struct CScanStats {
    quint64 entries = 0;     // directory entries met
    quint64 directories = 0; // folders listed
    bool cancelled = false;
};

// Searches the tree below root on the calling thread; found is called for every
// match in search order. Ends soon after cancel becomes true.
CScanStats ScanTree(const QString &root, const QList<CKnownGame> &games, const CGameMatcher &matcher,
                    const std::atomic_bool &cancel, const std::function<void(const CFoundGame &)> &found);

// The program path inside folder: each component of relative (separated by '/' or
// '\') takes the letter case of the entry on the disk that matches it without regard
// to case; components without such an entry are kept as written.
QString ResolveWithoutCase(const QString &folder, const QString &relative);

// Runs ScanTree on a thread of its own; its signals arrive on the owner's thread in
// the order the games were found, finished last. Cancel holds for every later Start
// too: a search dialog uses one scanner per folder.
class CGameScanner : public QObject {
    Q_OBJECT
public:
    explicit CGameScanner(QObject *parent = nullptr);
    ~CGameScanner() override; // cancels and waits for the thread

    void Start(const QString &root, const QList<CKnownGame> &games);
    void Cancel();
    bool IsRunning() const;

signals:
    void gameFound(const tavern::CFoundGame &game);
    void finished(const tavern::CScanStats &stats);

private:
    std::shared_ptr<std::atomic_bool> m_cancel;
    QThread *m_thread = nullptr;
};

} // namespace tavern
