#include "backup/RestoreRun.h"

#include "backup/BackupReporting.h"
#include "backup/KeptAsideName.h"
#include "backup/RemovalProblem.h"
#include "backup/RestoreRecord.h"
#include "backup/WorkFolderOverlap.h"
#include "backup/ZipEvents.h"
#include "core/DatabaseLockNote.h"
#include "core/Records.h"
#include "platform/AppPaths.h"
#include "platform/BusyGuard.h"
#include "platform/DbConnection.h"
#include "platform/DbFileCheck.h"
#include "platform/DbSchema.h"
#include "platform/DirectoryTree.h"
#include "platform/FileSystems.h"
#include "platform/PrivateFiles.h"
#include "platform/ZipEngine.h"
#include "platform/ZipVolumeJoiner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

namespace {

constexpr int kBarMaximum = 10001;

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// The database files and the side files SQLite may leave beside a table file.
bool belongsToDatabase(const QString& name, const QStringList& files)
{
    for (const QString& file : files) {
        if (name == file)
            return true;
        if (file.endsWith(QLatin1String(".ADT"))) {
            for (const char* side : {"-journal", "-wal", "-shm"}) {
                if (name == file + QLatin1String(side))
                    return true;
            }
        }
    }
    return false;
}

const BackupResult kCancelled{BackupOutcome::Cancelled, {}};

const QByteArray kTableHead = QByteArrayLiteral("SQLite format 3\0");

// A table file larger or smaller in the archive than its own header says is no sound copy; a
// member declaring far more would fill the disk before the check after the extraction.
QString sizeMismatchText(const QString& name, qint64 declared, qint64 stated)
{
    return name + QStringLiteral(" ist keine vollständige Datei der Datenbank: in der Sicherungsdatei ist sie %1 Bytes "
                                 "groß, ihr Dateikopf nennt %2 Bytes.")
                      .arg(declared)
                      .arg(stated);
}

// How a database file made by our writer begins: a table file with the SQLite header, an index
// file with the first line of its table's index text.
QByteArray expectedHead(const DbSchema& schema, const QString& name)
{
    for (const DbTableDef& table : schema.tables) {
        if (name == table.tableFileName())
            return kTableHead;
        if (name == table.indexFileName())
            return table.indexFileText().section(u'\n', 0, 0).toUtf8() + '\n';
    }
    return QByteArray();
}

} // namespace

TRestoreFileOps CompletedFileOps(TRestoreFileOps files)
{
    if (!files.rename)
        files.rename = [](const QString& from, const QString& to) { return QDir().rename(from, to); };
    // The folder's parent must exist: a rollback removes only the folder itself.
    if (!files.makeFolder)
        files.makeFolder = [](const QString& folder) { return QDir().mkdir(folder, PrivateFiles::kFolderPermissions); };
    // A copy keeps the rights of its source.
    if (!files.copy) {
        files.copy = [](const QString& from, const QString& to) {
            return QFile::copy(from, to) && QFile::setPermissions(to, PrivateFiles::kFilePermissions);
        };
    }
    if (!files.deleteTree)
        files.deleteTree = DeleteDirectoryTree;
    return files;
}

TRestoreRun::TRestoreRun(const QString& databaseFolder, const DbSchema& schema, IBackupProgress& progress,
                         IBackupQuestions& questions, TRestoreRunSeams seams)
    : m_databaseFolder(QDir::cleanPath(databaseFolder)), m_schema(schema), m_progress(progress), m_questions(questions),
      m_seams(std::move(seams))
{
    m_seams.files = CompletedFileOps(std::move(m_seams.files));
    if (!m_seams.freeSpace)
        m_seams.freeSpace = FreeSpaceOf;
    if (!m_seams.now)
        m_seams.now = [] { return QDateTime::currentDateTime(); };
}

BackupResult TRestoreRun::execute()
{
    BusyGuard busy(QStringLiteral("Einspielen"));
    if (!busy.acquired())
        return {BackupOutcome::Busy, {}};
    const std::optional<QString> archive = m_questions.chooseArchive();
    if (!archive)
        return kCancelled;
    if (!QFileInfo(*archive).isFile())
        return {BackupOutcome::ArchiveNotFound, {}};
    if (!m_questions.confirmRestore(QFileInfo(*archive).fileName()))
        return kCancelled;
    if (const std::optional<QString> work = WorkFolderOverlapping(m_databaseFolder))
        return {BackupOutcome::Overlap, {m_databaseFolder, *work}};

    // A file left by an earlier run must never be taken for an extracted one.
    const QString tmp = AppPaths::tmpFolder();
    if (!MakeEmptyFolder(tmp))
        return {BackupOutcome::TmpNotMade, {RemovalProblem(tmp)}};
    auto removeTmp = qScopeGuard([this, &tmp] { m_seams.files.deleteTree(tmp); });
    if (std::optional<BackupResult> refused = preflight())
        return *refused;
    if (!m_seams.disconnect())
        return {BackupOutcome::NotDisconnected, {}};

    m_progress.open();
    auto finish = qScopeGuard([this] {
        m_progress.showStep(QStringLiteral("Einspielen wird abgeschlossen"));
        m_progress.showFile(QString());
        m_progress.setBarMaxima(1, 1);
        m_progress.refresh();
        m_progress.close();
    });
    return restore(*archive);
}

BackupResult TRestoreRun::restore(const QString& archive)
{
    m_progress.showTitle(QStringLiteral("Einspielen..."));
    m_progress.showStep(QStringLiteral("Sicherungsdatei wird entpackt"));
    m_progress.setBarMaxima(kBarMaximum, kBarMaximum);
    if (m_progress.cancelRequested())
        return kCancelled;
    TZipEvents events(m_progress);
    TZipEngine engine;
    events.attach(engine);
    const BackupResult extracted = extract(engine, events, archive);
    if (!extracted.succeeded())
        return extracted;
    return replaceDatabase();
}

std::optional<BackupResult> TRestoreRun::preflight()
{
    const QString& folder = m_databaseFolder;
    // A folder that cannot be deleted again could be neither rolled back nor replaced.
    if (!DirectoryTreeDeletable(folder))
        return BackupResult{BackupOutcome::NotReplaceable, {folder}};
    const bool exists = QFileInfo(folder).isDir();
    if (exists) {
        const QStringList files = TDBFiles().Items;
        QStringList foreign;
        for (const QString& name : entriesOf(folder)) {
            if (!belongsToDatabase(name, files))
                foreign.append(name);
        }
        if (!foreign.isEmpty())
            return BackupResult{BackupOutcome::ForeignFiles, {folder, foreign.join(QStringLiteral(", "))}};
    }
    // The folder is moved aside by a rename, which cannot cross file systems.
    const QString onDisk = exists ? folder : QFileInfo(folder).absolutePath();
    if (QFileInfo(onDisk).isDir() && !SameFileSystem(onDisk, AppPaths::workFolder()))
        return BackupResult{BackupOutcome::OtherFileSystem, {folder, AppPaths::workFolder()}};
    if (std::optional<BackupResult> locked = lockedByAnother())
        return locked;
    // An earlier "ADS_OLD" may hold the only copy of an earlier database.
    const QString old = AppPaths::oldDatabaseFolder();
    // A link is moved aside as it is, even one to nowhere; what it points to is not touched.
    if (NameTaken(old)) {
        const std::optional<QString> kept = MoveAside(old, DatedName(old, m_seams.now()), m_seams.files.rename);
        if (!kept)
            return BackupResult{BackupOutcome::OldFolderNotKept, {old}};
        m_questions.oldFolderKept(old, *kept);
    }
    return std::nullopt;
}

std::optional<BackupResult> TRestoreRun::lockedByAnother()
{
    // Replaced under a writer, the database would take its transaction along into "ADS_OLD".
    const QString note = DatabaseLockRetryNote(m_databaseFolder, m_schema);
    if (note.isEmpty())
        return std::nullopt;
    return BackupResult{BackupOutcome::DatabaseLocked, {note}};
}

bool TRestoreRun::fitsOnDisk(qint64 bytes)
{
    const QString tmp = AppPaths::tmpFolder();
    const QString onDisk =
        QFileInfo(m_databaseFolder).isDir() ? m_databaseFolder : QFileInfo(m_databaseFolder).absolutePath();
    const qint64 tmpFree = m_seams.freeSpace(tmp);
    const qint64 databaseFree = m_seams.freeSpace(onDisk);
    // Unknown free space does not stop the restore: a failed write still rolls back.
    if (tmpFree < 0 || databaseFree < 0)
        return true;
    if (SameFileSystem(tmp, onDisk))
        return tmpFree >= 2 * bytes;
    return tmpFree >= bytes && databaseFree >= bytes;
}

BackupResult TRestoreRun::extract(TZipEngine& engine, const TZipEvents& events, const QString& archivePath)
{
    const QString dir = AppPaths::tmpFolder();
    const auto failed = [&events] { return events.message().value_or(kCancelled); };
    QString path = archivePath;
    if (ZipVolumeJoiner::isSplitSet(archivePath)) {
        path = dir + u'/' + QFileInfo(archivePath).fileName();
        if (std::optional<BackupResult> refused = joinVolumes(archivePath, dir + QStringLiteral("/Teile"), path))
            return *refused;
    }
    const QStringList files = TDBFiles().Items;
    const std::optional<qint64> size = engine.extractedSize(path, files);
    if (!size)
        return failed();
    // A member that is no database file is refused before anything is inflated whole.
    for (const QString& name : files) {
        const QByteArray expected = expectedHead(m_schema, name);
        const bool table = expected.startsWith(kTableHead);
        const std::optional<QByteArray> head = engine.memberHead(path, name, table ? kDbHeaderSize : expected.size());
        if (!head)
            return failed();
        const bool fits = table ? head->size() == kDbHeaderSize && head->startsWith(expected) : *head == expected;
        if (!fits)
            return {BackupOutcome::InvalidDatabase, {name + QStringLiteral(" ist keine Datei der Datenbank.")}};
        if (!table)
            continue;
        const std::optional<qint64> declared = engine.extractedSize(path, {name});
        if (!declared)
            return failed();
        if (const std::optional<qint64> stated = DbFileSizeInHeader(*head); stated && *stated != *declared)
            return {BackupOutcome::InvalidDatabase, {sizeMismatchText(name, *declared, *stated)}};
    }
    if (!fitsOnDisk(*size))
        return {BackupOutcome::NoRoom, {}};
    if (!engine.extract(path, dir, files) || events.message())
        return failed();
    return {BackupOutcome::Restored, {}};
}

std::optional<BackupResult> TRestoreRun::joinVolumes(const QString& lastVolume, const QString& partsFolder,
                                                     const QString& target)
{
    // The parts may lie on several media, which are taken out again: each is copied first.
    if (!PrivateFiles::makeFolder(partsFolder))
        return BackupResult{BackupOutcome::TmpNotMade, {}};
    ZipVolumeJoiner::Result result = ZipVolumeJoiner::copyVolumes(
        lastVolume, partsFolder,
        [this](int part, const QString& name, const QString& folder) { return askForVolume(part, name, folder); });
    if (result.ok)
        result = ZipVolumeJoiner::join(partsFolder + u'/' + QFileInfo(lastVolume).fileName(), target);
    m_seams.files.deleteTree(partsFolder);
    if (result.cancelled)
        return kCancelled;
    if (result.diskFull)
        return BackupResult{BackupOutcome::DiskFull, {result.message}};
    if (!result.ok)
        return BackupResult{BackupOutcome::JoinFailed, {result.message}};
    return std::nullopt;
}

std::optional<QString> TRestoreRun::askForVolume(int part, const QString& name, const QString& folder)
{
    for (;;) {
        const MediumAnswer answer = m_questions.askForVolume(part, name, folder);
        if (answer == MediumAnswer::Cancel)
            return std::nullopt;
        if (answer == MediumAnswer::SameFolder)
            return folder;
        if (std::optional<QString> chosen = m_questions.chooseVolumeFolder(part, folder))
            return chosen;
    }
}

BackupResult TRestoreRun::replaceDatabase()
{
    m_progress.showStep(QStringLiteral("Datenbankdateien werden bearbeitet"));
    m_progress.showFile(QString());
    m_progress.setBarMaxima(1, int(TDBFiles().Items.size()) + 2);
    m_progress.pause();
    if (m_progress.cancelRequested())
        return kCancelled;

    const QString old = AppPaths::oldDatabaseFolder();
    m_progress.stepTotalBar();
    m_progress.refresh();
    bool cancelled = m_progress.cancelRequested();
    // The last look before anything is moved: a lock taken since the first one still refuses.
    if (std::optional<BackupResult> locked = lockedByAnother())
        return *locked;
    // The start after an interruption learns from the record how far the restore got.
    const bool hadDatabase = QFileInfo(m_databaseFolder).isDir();
    if (!RestoreRecord::write({TRestoreRecord::Step::MovingAside, m_databaseFolder, {}, hadDatabase}))
        return {BackupOutcome::RecordNotWritten, {AppPaths::restoreRecordFile()}};
    if (hadDatabase && !m_seams.files.rename(m_databaseFolder, old)) {
        RestoreRecord::remove();
        return {BackupOutcome::FolderNotMoved, {old}};
    }
    const bool moved = hadDatabase;
    m_progress.stepTotalBar();
    m_progress.refresh();
    cancelled = m_progress.cancelRequested() || cancelled;
    if (cancelled)
        return rolledBack(kCancelled, moved);
    if (!m_seams.files.makeFolder(m_databaseFolder))
        return rolledBack({BackupOutcome::FolderNotMade, {m_databaseFolder}}, moved);
    if (std::optional<BackupResult> failed = copyIn())
        return rolledBack(*failed, moved);
    if (!RestoreRecord::write({TRestoreRecord::Step::Complete, m_databaseFolder, {}, moved}))
        return rolledBack({BackupOutcome::RecordNotWritten, {AppPaths::restoreRecordFile()}}, moved);
    // What a failed removal leaves of "ADS_OLD" the next start keeps aside, as the record says.
    if (!moved || m_seams.files.deleteTree(old))
        RestoreRecord::remove();
    return {BackupOutcome::Restored, {}};
}

std::optional<BackupResult> TRestoreRun::copyIn()
{
    m_progress.showStep(QStringLiteral("Datenbankdateien werden eingespielt"));
    m_progress.refresh();
    const QString tmp = AppPaths::tmpFolder();
    for (const QString& name : TDBFiles().Items) {
        m_progress.showFile(name);
        m_progress.setFileBar(0);
        m_progress.pause();
        if (m_progress.cancelRequested())
            return kCancelled;
        if (!m_seams.files.copy(tmp + u'/' + name, m_databaseFolder + u'/' + name))
            return BackupResult{BackupOutcome::FileNotRestored, {name}};
        m_progress.stepFileBar();
        m_progress.stepTotalBar();
        m_progress.pause();
        if (m_progress.cancelRequested())
            return kCancelled;
    }
    // The previous database goes only once the new one is on the disk and readable.
    bool synced = true;
    for (const QString& name : TDBFiles().Items)
        synced = SyncToDisk(m_databaseFolder + u'/' + name) && synced;
    synced = SyncToDisk(m_databaseFolder) && SyncToDisk(QFileInfo(m_databaseFolder).absolutePath()) && synced;
    if (!synced)
        return BackupResult{BackupOutcome::NotSynced, {}};
    const DbCheckResult check = DbConnection::checkFolder(m_databaseFolder, m_schema);
    if (!check.ok)
        return BackupResult{BackupOutcome::InvalidDatabase, {check.message}};
    return std::nullopt;
}

BackupResult TRestoreRun::rolledBack(BackupResult failure, bool moved)
{
    if (QFileInfo::exists(m_databaseFolder) && !m_seams.files.deleteTree(m_databaseFolder)) {
        failure.previousNotRestored = true;
        return failure;
    }
    if (moved && !m_seams.files.rename(AppPaths::oldDatabaseFolder(), m_databaseFolder)) {
        failure.previousNotRestored = true;
        return failure;
    }
    // A failed roll-back keeps the record: the next start puts "ADS_OLD" back.
    RestoreRecord::remove();
    return failure;
}
