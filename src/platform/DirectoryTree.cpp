#include "platform/DirectoryTree.h"

#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>

bool DirectoryTreeDeletable(const QString& dir)
{
    if (!QDir::isAbsolutePath(dir))
        return false;
    const QString path = QDir::cleanPath(dir);
    if (path.split(u'/', Qt::SkipEmptyParts).size() < 2)
        return false;
    const QString home = QDir::cleanPath(QDir::homePath());
    if (home == path || home.startsWith(path + u'/'))
        return false;
    return !QFileInfo(path).isSymLink();
}

bool DeleteDirectoryTree(const QString& dir)
{
    if (!DirectoryTreeDeletable(dir))
        return false;
    const QString path = QDir::cleanPath(dir);
    if (!QFileInfo(path).isDir())
        return false;
    // Removes links as links and walks hidden entries too.
    return QDir(path).removeRecursively();
}

bool MakeEmptyFolder(const QString& folder)
{
    if (QFileInfo::exists(folder))
        DeleteDirectoryTree(folder);
    // A link would put what is meant for folder where the link points.
    return !QFileInfo(folder).isSymLink() && PrivateFiles::makeFolder(folder) &&
           QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}
