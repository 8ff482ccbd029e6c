#include "platform/sharedmemory.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferry {

namespace {

struct flock wholeObject(short type)
{
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0; // to the end, however large
    return fl;
}

// True when the name still refers to the object behind fd (it may have been
// removed, and perhaps created anew, since fd was opened).
bool nameRefersTo(int fd, const QByteArray &name)
{
    const int other = ::shm_open(name.constData(), O_RDONLY, 0);
    if (other < 0)
        return false;
    struct stat mine, theirs;
    const bool same = ::fstat(fd, &mine) == 0 && ::fstat(other, &theirs) == 0
        && mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
    ::close(other);
    return same;
}

// A regular object of this user that neither the group nor others may write.
bool isOwnPrivateObject(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

const QString kForeign = QStringLiteral("the object belongs to another user or others may write it");

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

SharedMemory::~SharedMemory()
{
    release();
}

QByteArray SharedMemory::systemName(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('/'), QLatin1Char('_'));
    return '/' + n.toUtf8();
}

SharedMemory::Result SharedMemory::create(const QString &name, std::size_t size)
{
    release();
    m_name = systemName(name);
    // A creator that was leaving may remove the name between our open and our lock;
    // then the lock we hold is on an orphan, and we start again with a fresh object.
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_fd = ::shm_open(m_name.constData(), O_RDWR | O_CREAT, 0600);
        if (m_fd < 0)
            return fail(Result::CannotCreate, QStringLiteral("shm_open: ") + systemError());
        if (!isOwnPrivateObject(m_fd))
            return fail(Result::Foreign, kForeign);
        struct flock fl = wholeObject(F_WRLCK);
        if (::fcntl(m_fd, F_OFD_SETLK, &fl) != 0) {
            const bool held = errno == EAGAIN || errno == EACCES;
            return fail(held ? Result::InUse : Result::CannotCreate, QStringLiteral("lock: ") + systemError());
        }
        if (nameRefersTo(m_fd, m_name))
            break;
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_fd < 0)
        return fail(Result::CannotCreate, QStringLiteral("the name keeps changing hands"));
    m_creator = true;
    if (::ftruncate(m_fd, off_t(size)) != 0)
        return fail(Result::CannotCreate, QStringLiteral("ftruncate: ") + systemError());
    if (!map(size))
        return fail(Result::CannotMap, QStringLiteral("mmap: ") + systemError());
    return Result::Ok;
}

SharedMemory::Result SharedMemory::open(const QString &name, std::size_t size)
{
    release();
    m_name = systemName(name);
    m_fd = ::shm_open(m_name.constData(), O_RDWR, 0);
    if (m_fd < 0) {
        const bool missing = errno == ENOENT;
        return fail(missing ? Result::Absent : Result::CannotMap, QStringLiteral("shm_open: ") + systemError());
    }
    if (!isOwnPrivateObject(m_fd))
        return fail(Result::Foreign, kForeign);
    struct flock fl = wholeObject(F_WRLCK);
    if (::fcntl(m_fd, F_OFD_GETLK, &fl) != 0)
        return fail(Result::CannotMap, QStringLiteral("lock test: ") + systemError());
    if (fl.l_type == F_UNLCK)
        return fail(Result::Absent, QStringLiteral("no creator holds the object"));
    struct stat st;
    if (::fstat(m_fd, &st) != 0 || std::size_t(st.st_size) < size)
        return fail(Result::CannotMap, QStringLiteral("the object is smaller than %1 bytes").arg(size));
    if (!map(size))
        return fail(Result::CannotMap, QStringLiteral("mmap: ") + systemError());
    // The mapping outlives the descriptor; an opener holds no lock, so nothing is lost.
    ::close(m_fd);
    m_fd = -1;
    return Result::Ok;
}

bool SharedMemory::map(std::size_t size)
{
    void *p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (p == MAP_FAILED)
        return false;
    m_data = static_cast<unsigned char *>(p);
    m_size = size;
    return true;
}

void SharedMemory::release()
{
    if (m_data)
        ::munmap(m_data, m_size);
    m_data = nullptr;
    m_size = 0;
    if (m_fd >= 0) {
        // Remove the name before the lock goes, so no opener ever sees an unowned block;
        // and only while it is still ours, never a successor's.
        if (m_creator && nameRefersTo(m_fd, m_name))
            ::shm_unlink(m_name.constData());
        ::close(m_fd);
    }
    m_fd = -1;
    m_creator = false;
}

SharedMemory::Result SharedMemory::fail(Result result, const QString &what)
{
    const QString error = what;
    release();
    m_error = error;
    return result;
}

} // namespace ferry
