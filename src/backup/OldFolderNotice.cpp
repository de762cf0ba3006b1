#include "backup/OldFolderNotice.h"

#include "platform/AppPaths.h"

#include <QFile>
#include <QSaveFile>

#include <sys/stat.h>

namespace {

QByteArray identity(const QString& folder)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0)
        return {};
    return QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino));
}

const QByteArray kLeft = "left";
const QByteArray kIncomplete = "incomplete";

} // namespace

namespace OldFolderNotice {

Told told(const QString& oldFolder)
{
    QFile file(AppPaths::oldDatabaseNoticeFile());
    if (!file.open(QIODevice::ReadOnly))
        return Told::Nothing;
    const QList<QByteArray> lines = file.readAll().split('\n');
    const QByteArray id = identity(oldFolder);
    if (lines.size() < 2 || id.isEmpty() || lines[0] != id)
        return Told::Nothing;
    if (lines[1] == kLeft)
        return Told::Left;
    return lines[1] == kIncomplete ? Told::Incomplete : Told::Nothing;
}

void remember(const QString& oldFolder, Told what)
{
    // At worst a lost notice is told once more.
    QSaveFile file(AppPaths::oldDatabaseNoticeFile());
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(identity(oldFolder) + '\n' + (what == Told::Left ? kLeft : kIncomplete) + '\n');
    file.commit();
}

void forget()
{
    QFile::remove(AppPaths::oldDatabaseNoticeFile());
}

} // namespace OldFolderNotice
