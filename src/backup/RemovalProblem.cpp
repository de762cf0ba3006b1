#include "backup/RemovalProblem.h"

#include "platform/DirectoryTree.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

QString reasonOf(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("keine Berechtigung");
    case EROFS:
        return QStringLiteral("das Dateisystem ist schreibgeschützt");
    case EBUSY:
        return QStringLiteral("es wird gerade benutzt");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler");
    default:
        return QStringLiteral("Systemfehler %1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

// 0 when path is gone, else the system's error number.
int removeOne(const QString& path)
{
    const QFileInfo info(path);
    const QByteArray name = QFile::encodeName(path);
    const int result = info.isDir() && !info.isSymLink() ? ::rmdir(name.constData()) : ::unlink(name.constData());
    return result == 0 || errno == ENOENT ? 0 : errno;
}

QString problemText(const QString& path, int error)
{
    return u'"' + path + QStringLiteral("\" kann nicht gelöscht werden: ") + reasonOf(error);
}

} // namespace

QString RemovalProblem(const QString& folder)
{
    // A link is never entered: what it points to is not ours.
    if (QFileInfo(folder).isSymLink())
        return u'"' + folder + QStringLiteral("\" ist eine Verknüpfung und kein Verzeichnis");
    if (!DirectoryTreeDeletable(folder))
        return u'"' + folder + QStringLiteral("\" darf nicht gelöscht werden");
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(it.next());
    // The deepest first: a folder can only go once it is empty.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const QString& a, const QString& b) { return a.count(u'/') > b.count(u'/'); });
    for (const QString& entry : std::as_const(entries)) {
        const int error = removeOne(entry);
        if (error != 0 && error != ENOTEMPTY && error != EEXIST)
            return problemText(entry, error);
    }
    if (!QFileInfo::exists(folder))
        return QString();
    const int error = removeOne(folder);
    return error == 0 ? QString() : problemText(folder, error);
}
