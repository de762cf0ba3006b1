#include "platform/InstanceLock.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString InstanceLock::defaultPath()
{
    // Qt falls back to a private folder below the temporary folder when XDG_RUNTIME_DIR is unset.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/kubNEWSLETTER.lock");
}

InstanceLock::InstanceLock(const QString& lockFilePath) : m_lock(lockFilePath)
{
    // The default stale time (30 s) would let a second instance break the lock of a first one
    // that has simply been running longer; only a dead owner makes the lock stale.
    m_lock.setStaleLockTime(0);
}

bool InstanceLock::tryAcquire()
{
    if (m_lock.isLocked())
        return true;
    QDir().mkpath(QFileInfo(m_lock.fileName()).absolutePath());
    return m_lock.tryLock(0);
}
