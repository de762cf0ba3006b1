#include "backup/BackupRun.h"

#include "backup/BackupReporting.h"
#include "backup/RemovalProblem.h"
#include "backup/WorkFolderOverlap.h"
#include "backup/ZipEvents.h"
#include "core/Records.h"
#include "platform/AppPaths.h"
#include "platform/BusyGuard.h"
#include "platform/DbConnection.h"
#include "platform/DirectoryTree.h"
#include "platform/FileSystems.h"
#include "platform/VolumeProvider.h"
#include "platform/ZipEngine.h"
#include "platform/ZipVolumeWriter.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include <variant>

namespace {

constexpr int kBarMaximum = 10001;
// A removable medium with room for less than this takes no volume.
constexpr qint64 kSmallestVolume = 64 * 1024;

// The kind of the volume holding path: the one with the longest mount point above it.
std::optional<VolumeKind> volumeKindOf(const QList<VolumeInfo>& volumes, const QString& path)
{
    const QString folder = QFileInfo(path).canonicalFilePath();
    std::optional<VolumeKind> kind;
    qsizetype longest = -1;
    for (const VolumeInfo& volume : volumes) {
        const bool holds = volume.mountPoint == QLatin1String("/") || folder == volume.mountPoint ||
                           folder.startsWith(volume.mountPoint + u'/');
        if (holds && volume.mountPoint.size() > longest) {
            longest = volume.mountPoint.size();
            kind = volume.kind;
        }
    }
    return kind;
}

// A failed engine step without a message of its own was stopped quietly.
BackupResult engineFailure(const TZipEvents& events)
{
    return events.message().value_or(BackupResult{BackupOutcome::Cancelled, {}});
}

} // namespace

TBackupRun::TBackupRun(const TBackupDatabase& db, IBackupProgress& progress, IBackupQuestions& questions,
                       TBackupRunSeams seams)
    : m_db(db), m_progress(progress), m_questions(questions), m_seams(std::move(seams))
{
    if (!m_seams.volumes)
        m_seams.volumes = &VolumeProvider::system();
    if (!m_seams.freeSpace)
        m_seams.freeSpace = FreeSpaceOf;
}

BackupResult TBackupRun::execute()
{
    BusyGuard busy(QStringLiteral("Datensicherung"));
    if (!busy.acquired())
        return {BackupOutcome::Busy, {}};
    const QString databaseFolder = QDir::cleanPath(m_db.live.connectPath());
    if (const std::optional<QString> work = WorkFolderOverlapping(databaseFolder))
        return {BackupOutcome::Overlap, {databaseFolder, *work}};
    // Whatever an earlier run left there could stand in the archive's way.
    const QString tmp = AppPaths::tmpFolder();
    if (!MakeEmptyFolder(tmp))
        return {BackupOutcome::TmpNotMade, {RemovalProblem(tmp)}};
    m_progress.open();
    auto cleanUp = qScopeGuard([this, &tmp] {
        m_progress.setBarMaxima(1, 1);
        m_progress.showStep(QStringLiteral("Temporäre Dateien werden entfernt"));
        m_progress.showFile(QString());
        m_progress.refresh();
        DeleteDirectoryTree(tmp);
        m_progress.close();
    });
    return backUp(tmp);
}

BackupResult TBackupRun::backUp(const QString& tmp)
{
    const BackupResult copied = CopyAndPackDatabase(m_db, m_progress, tmp, m_seams.copyAndPack);
    if (!copied.succeeded())
        return copied;

    m_progress.showStep(QStringLiteral("Sicherungsdatei wird erstellt"));
    m_progress.setBarMaxima(kBarMaximum, kBarMaximum);
    const bool cancelled = m_progress.cancelRequested();
    m_progress.refresh();
    if (cancelled)
        return {BackupOutcome::Cancelled, {}};
    const QString archiveName = QStringLiteral("BackupNews_") +
                                QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(".zip");
    QStringList files;
    for (const QString& name : TDBFiles().Items)
        files.append(tmp + u'/' + name);
    TZipEvents events(m_progress);
    TZipEngine engine;
    events.attach(engine);
    if (!engine.add(tmp + u'/' + archiveName, files) || events.message())
        return engineFailure(events);

    std::optional<QString> target = m_questions.chooseTarget();
    while (target) {
        const qint64 size = QFileInfo(tmp + u'/' + archiveName).size();
        const std::optional<VolumeKind> kind = volumeKindOf(m_seams.volumes->volumes(), *target);
        if (kind == VolumeKind::Removable || kind == VolumeKind::Network)
            return copyToTarget(archiveName, *target);
        if (kind != VolumeKind::Fixed)
            return {BackupOutcome::TargetUnusable, {}};
        if (m_seams.freeSpace(*target) >= size)
            return copyToTarget(archiveName, *target);
        if (!m_questions.askOtherTarget())
            return {BackupOutcome::Cancelled, {}};
        target = m_questions.chooseTarget();
    }
    return {BackupOutcome::Cancelled, {}};
}

BackupResult TBackupRun::copyToTarget(const QString& archiveName, const QString& target)
{
    const bool removable = volumeKindOf(m_seams.volumes->volumes(), target) == VolumeKind::Removable;
    // A removable medium takes a volume as large as its free space allows.
    const auto medium = [this](const QString& folder) -> std::variant<ZipMedium, BackupResult> {
        const qint64 free = m_seams.freeSpace(folder);
        if (free < 0)
            return BackupResult{BackupOutcome::TargetSizeUnknown, {}};
        const qint64 bound = ZipVolumeBound(free);
        if (bound < kSmallestVolume)
            return BackupResult{BackupOutcome::MediumTooSmall, {}};
        return ZipMedium{folder, bound};
    };
    ZipMedium first{target, 0};
    if (removable) {
        const auto found = medium(target);
        if (const BackupResult* refused = std::get_if<BackupResult>(&found))
            return *refused;
        first = std::get<ZipMedium>(found);
    }

    m_progress.showStep(QStringLiteral("Sicherungsdatei wird auf Ziel kopiert"));
    m_progress.setBarMaxima(kBarMaximum, kBarMaximum);
    TZipEvents events(m_progress);
    events.ShowZipName = true;
    events.CurrentZipName = archiveName;
    // The copy cannot be cancelled from the window; a full medium's question can end it.
    m_progress.allowCancel(false);

    TZipVolumeWriter writer;
    writer.setProgressHandler([&events](ZipProgressKind kind, const QString& name, qint64 size) {
        events.ZipMaster1Progress(kind, name, size);
    });
    writer.setNextMedium([this, &medium](int volume, const ZipMedium& previous) -> std::optional<ZipMedium> {
        QString folder = previous.folder;
        for (;;) {
            const MediumAnswer answer = m_questions.askNextMedium(volume, folder);
            if (answer == MediumAnswer::Cancel)
                return std::nullopt;
            if (answer == MediumAnswer::OtherFolder) {
                const std::optional<QString> chosen = m_questions.chooseTarget();
                if (!chosen)
                    continue;
                folder = *chosen;
            }
            const auto next = medium(folder);
            if (const ZipMedium* found = std::get_if<ZipMedium>(&next))
                return *found;
            m_questions.tell(std::get<BackupResult>(next));
        }
    });
    const TZipVolumeWriter::Result result =
        writer.write(AppPaths::tmpFolder() + u'/' + archiveName, first, archiveName);
    switch (result.status) {
    case TZipVolumeWriter::Status::Ok:
        return {BackupOutcome::BackedUp, {}};
    case TZipVolumeWriter::Status::Failed:
        return {BackupOutcome::VolumeWriteFailed, {result.message}};
    case TZipVolumeWriter::Status::Cancelled:
        break;
    }
    return {BackupOutcome::Cancelled, {}};
}
