#pragma once

// A small named shared-memory object that one process creates and owns and other
// processes open by name (POSIX shm_open + mmap).
//
// The creator holds a write lock on the object for as long as it has it, so an
// object left behind by a creator that died counts as absent for openers, and the
// next creator takes it over. The lock is an open-file-description lock: it belongs
// to the creator's descriptor, so other descriptors of the same process opening and
// closing the object do not drop it, and openers test it without taking it.
//
// Only an object of the user's own that nobody else may write is used: another
// local user could otherwise create it first and rewrite what it carries.

#include <QString>

#include <cstddef>

namespace ferry {

class SharedMemory {
public:
    enum class Result {
        Ok,
        Absent,       // open: no such object, or its creator is gone
        InUse,        // create: another live creator holds the object
        CannotCreate, // create: the object cannot be created or sized
        CannotMap,    // the object exists but cannot be mapped read-write at the size asked
        Foreign,      // the object belongs to another user, or others may write it
    };

    SharedMemory() = default;
    ~SharedMemory();
    SharedMemory(const SharedMemory &) = delete;
    SharedMemory &operator=(const SharedMemory &) = delete;

    // Creates the object (or takes over a stale one), sizes it, maps it read-write
    // and holds the creator's lock until release(). Its content is not cleared.
    Result create(const QString &name, std::size_t size);
    // Opens an object whose creator is alive and maps it read-write.
    Result open(const QString &name, std::size_t size);

    // Unmaps the object; a creator also removes the name and drops its lock.
    // Called by the destructor.
    void release();

    unsigned char *data() const { return m_data; }
    std::size_t size() const { return m_size; }
    bool isMapped() const { return m_data != nullptr; }
    bool isCreator() const { return m_creator; }
    // Why the last create() or open() failed, for diagnostics.
    QString errorString() const { return m_error; }

    // The name handed to shm_open: a leading '/' and no other '/'.
    static QByteArray systemName(const QString &name);

private:
    Result fail(Result result, const QString &what);
    bool map(std::size_t size);

    int m_fd = -1;
    unsigned char *m_data = nullptr;
    std::size_t m_size = 0;
    bool m_creator = false;
    QByteArray m_name;
    QString m_error;
};

} // namespace ferry
