#include "platform/PrivateFiles.h"

#include "platform/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                             QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

// The path with the links of its longest existing part resolved.
QString resolved(const QString& path)
{
    QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    QStringList rest;
    while (!info.exists() && !info.isRoot() && info.fileName() != info.filePath()) {
        rest.prepend(info.fileName());
        info = QFileInfo(info.path());
    }
    const QString base = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    return rest.isEmpty() ? base : base + u'/' + rest.join(u'/');
}

} // namespace

namespace PrivateFiles {

bool makeFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).path();
    if (parent == clean || !makeFolder(parent))
        return false;
    // Another process may have made it in between.
    return QDir().mkdir(clean, kFolderPermissions) || QFileInfo(clean).isDir();
}

bool narrow(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    const QFileDevice::Permissions rights = info.permissions();
    if (!(rights & kOthers))
        return true;
    return QFile::setPermissions(path, rights & ~kOthers);
}

void narrowProgramFolders()
{
    for (const QString& folder : {AppPaths::workFolder(), AppPaths::logFolder(), AppPaths::tmpFolder(),
                                  AppPaths::oldDatabaseFolder(), AppPaths::defaultDatabaseFolder()})
        narrow(folder);
    const QString registry = AppPaths::registryFile();
    if (!AppPaths::registryOverridden())
        narrow(QFileInfo(registry).path());
    narrow(registry);
}

bool insideWorkFolder(const QString& path)
{
    const QString work = resolved(AppPaths::workFolder());
    return resolved(path).startsWith(work + u'/');
}

} // namespace PrivateFiles
