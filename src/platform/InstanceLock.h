#pragma once

#include <QLockFile>
#include <QString>

// Keeps a second instance of the program from running: a lock file in the user's runtime
// folder. A lock left behind by an instance that crashed is taken over (the lock file names a
// process that no longer runs); a running instance is never considered stale, however long it
// runs. Main thread only.
class InstanceLock {
public:
    // The lock file of the program: <runtime folder>/kubNEWSLETTER.lock.
    static QString defaultPath();

    explicit InstanceLock(const QString& lockFilePath = defaultPath());
    ~InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this object now holds the lock; false when another instance holds it or the
    // lock file cannot be written. Never waits.
    bool tryAcquire();
    bool held() const { return m_lock.isLocked(); }
    // Why tryAcquire failed.
    bool heldByOtherInstance() const { return m_lock.error() == QLockFile::LockFailedError; }

    void release() { m_lock.unlock(); }

private:
    QLockFile m_lock;
};
