#include "backup/WorkFolderOverlap.h"

#include "platform/AppPaths.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The path with links and ".." resolved as far as it exists, the rest appended.
QString resolved(const QString& path)
{
    QString existing = QDir::cleanPath(QDir(QDir::rootPath()).absoluteFilePath(path));
    QString rest;
    while (!QFileInfo::exists(existing) && existing != QDir::rootPath()) {
        const QFileInfo info(existing);
        rest = u'/' + info.fileName() + rest;
        existing = info.absolutePath();
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? existing : canonical) + rest);
}

bool within(const QString& inner, const QString& outer)
{
    return inner == outer || inner.startsWith(outer.endsWith(u'/') ? outer : outer + u'/');
}

} // namespace

std::optional<QString> WorkFolderOverlapping(const QString& databaseFolder)
{
    const QString database = resolved(databaseFolder);
    for (const QString& folder : {AppPaths::tmpFolder(), AppPaths::oldDatabaseFolder(), AppPaths::logFolder()}) {
        const QString work = resolved(folder);
        if (within(database, work) || within(work, database))
            return folder;
    }
    return std::nullopt;
}
