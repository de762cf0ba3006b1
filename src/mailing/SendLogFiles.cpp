#include "mailing/SendLogFiles.h"

#include "desktop/MessageBoxes.h"
#include "mail/SendLogNames.h"
#include "platform/AppPaths.h"
#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

void showCreateError(const char* number, const QString& detail)
{
    MessageBoxes::error(QString::fromLatin1(number) +
                        QStringLiteral("  \r\n\r\nDatei oder Verzeichnis konnte nicht angelegt werden!\r\n"
                                       "Möglicherweise ist der Datenträger voll,schreibgeschützt oder Sie besitzen\r\n"
                                       "nicht die nötigen Berechtigungen auf diesem Laufwerk.\r\n\r\n\" ") +
                        detail + QStringLiteral(" \""));
}

} // namespace

void CreateLogFile(bool& Failed, QString& Name, const QDate& today)
{
    Name.clear();
    Failed = false;
    const QString folder = AppPaths::logFolder();
    if (!PrivateFiles::makeFolder(folder)) {
        Failed = true;
        showCreateError("#369", QDir::toNativeSeparators(folder));
        return;
    }
    const QString base = QStringLiteral("News") + today.toString(QStringLiteral("_ddMMyyyy_"));
    for (qint64 number = 1;; ++number) {
        const QString candidate = folder + u'/' + base + QString::number(number) + QStringLiteral(".log");
        if (QFileInfo::exists(candidate))
            continue;
        QFile file(candidate);
        // NewOnly fails when another run took the name in between; then the next number is tried.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, PrivateFiles::kFilePermissions)) {
            Name = candidate;
            return;
        }
        if (!QFileInfo::exists(candidate)) {
            Failed = true;
            showCreateError("#393", file.errorString());
            return;
        }
    }
}

bool ListLogFiles(QStringList& List)
{
    List.clear();
    const QDir folder(AppPaths::logFolder());
    if (!folder.exists())
        return true;
    if (!QFileInfo(folder.path()).isReadable()) {
        MessageBoxes::error(QStringLiteral("#433 Cannot read the folder ") + QDir::toNativeSeparators(folder.path()));
        return false;
    }
    const QStringList names = folder.entryList(
        {QStringLiteral("News_*_*.log")}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
        QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names)
        List.append(LogTitleFromFileName(name) + u'|' + name);
    return true;
}
