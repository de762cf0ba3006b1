#include "platform/DirectoryTree.h"

#include <QDir>
#include <QFileInfo>

bool DeleteDirectoryTree(const QString& dir)
{
    if (!QDir::isAbsolutePath(dir))
        return false;
    const QString path = QDir::cleanPath(dir);
    if (path.split(u'/', Qt::SkipEmptyParts).size() < 2)
        return false;
    const QString home = QDir::cleanPath(QDir::homePath());
    if (home == path || home.startsWith(path + u'/'))
        return false;
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir())
        return false;
    // Removes links as links and walks hidden entries too.
    return QDir(path).removeRecursively();
}
