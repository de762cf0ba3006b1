#include "core/RestoreCommand.h"

#include "core/BackupUSPForm.h"
#include "core/DM.h"
#include "core/DirDialogForm.h"
#include "core/PathSelectForm.h"
#include "core/ProgressPause.h"
#include "core/Records.h"
#include "core/ZipRun.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "platform/BusyGuard.h"
#include "platform/DbError.h"
#include "platform/DirectoryTree.h"
#include "platform/FileSystems.h"
#include "platform/PrivateFiles.h"
#include "platform/ZipVolumeJoiner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>

namespace {

constexpr int kBarMaximum = 10001;
const QString kRestoreFailed = QStringLiteral("Originalzustand konnte nicht wieder hergestellt werden.");

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

void stepBar(QProgressBar* bar)
{
    bar->setValue(bar->value() + 1);
}

} // namespace

TRestoreCommand::TRestoreCommand(TDM2& dm, TDatabaseAvailability& availability, QWidget* parent, TRestoreSeams seams)
    : m_dm(dm), m_availability(availability), m_parent(parent), m_seams(std::move(seams))
{
    TRestoreFileOps& files = m_seams.files;
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
    if (!m_seams.freeSpace)
        m_seams.freeSpace = FreeSpaceOf;
    if (!m_seams.now)
        m_seams.now = [] { return QDateTime::currentDateTime(); };
    if (!m_seams.chooseVolumeFolder) {
        m_seams.chooseVolumeFolder = [this](int part, const QString& folder) -> std::optional<QString> {
            TPathSelectForm picker(m_parent);
            picker.Label2->setText(QStringLiteral("Teil ") + QString::number(part) +
                                   QStringLiteral(" der Sicherung suchen in..."));
            picker.StartPath = folder;
            picker.exec();
            if (!picker.OKPressed())
                return std::nullopt;
            return picker.SelectedPath();
        };
    }
    if (!m_seams.chooseArchive) {
        m_seams.chooseArchive = [this]() -> std::optional<QString> {
            TDirDialogForm picker(m_parent);
            picker.exec();
            if (!picker.OKPressed)
                return std::nullopt;
            return picker.SelectedFile;
        };
    }
    if (!m_seams.disconnect) {
        m_seams.disconnect = [this] {
            try {
                m_dm.AdsTable1.close();
                m_dm.AdsConnection2.disconnect();
                m_dm.AdsConnection1.disconnect();
            } catch (const EDatabaseError&) {
                // Reported below through the connection that stayed open.
            }
            return !m_dm.AdsConnection1.isConnected() && !m_dm.AdsConnection2.isConnected();
        };
    }
}

void TRestoreCommand::RestoreDatabase()
{
    BusyGuard busy(QStringLiteral("Einspielen"));
    if (!busy.acquired()) {
        MessageBoxes::warning(BusyGuard::refusalText(), m_parent);
        return;
    }
    auto reconnect = qScopeGuard([this] { m_availability.setDatabaseUnavailable(!m_dm.Reconnect()); });

    const std::optional<QString> archive = m_seams.chooseArchive();
    if (!archive)
        return;
    if (!QFileInfo(*archive).isFile()) {
        MessageBoxes::error(QStringLiteral("Ausgewählte Sicherungsdatei konnte nicht gefunden werden!"), m_parent);
        return;
    }
    if (!MessageBoxes::askYesNo(QStringLiteral("Wollen Sie die Sicherungsdatei  \"") + QFileInfo(*archive).fileName() +
                                    QStringLiteral("\"  jetzt einspielen?"),
                                MsgIcon::Question, m_parent))
        return;

    // A file left by an earlier run must never be taken for an extracted one.
    const QString tmp = AppPaths::tmpFolder();
    if (!MakeEmptyFolder(tmp)) {
        MessageBoxes::error(QStringLiteral("Es konnte kein temporäres Verzeichnis angelegt werden!"), m_parent);
        return;
    }
    auto removeTmp = qScopeGuard([this, &tmp] { m_seams.files.deleteTree(tmp); });

    const QString databaseFolder = QDir::cleanPath(m_dm.AdsConnection1.connectPath());
    if (!preflight(databaseFolder))
        return;

    if (m_seams.releaseFrames)
        m_seams.releaseFrames();
    m_availability.setDatabaseUnavailable(true);
    if (!m_seams.disconnect()) {
        MessageBoxes::error(QStringLiteral("Verbindung zur Datenbank konnte nicht getrennt werden!"), m_parent);
        return;
    }

    TZipRun run(m_parent, m_seams.formCreated);
    auto finish = qScopeGuard([&run] {
        run.form->Label2->setText(QStringLiteral("Einspielen wird abgeschlossen"));
        run.form->Label3->clear();
        run.form->setBarMaxima(1, 1);
        QCoreApplication::processEvents();
        run.form.reset();
    });
    run.form->Label1->setText(QStringLiteral("Einspielen..."));
    run.form->Label2->setText(QStringLiteral("Sicherungsdatei wird entpackt"));
    run.form->setBarMaxima(kBarMaximum, kBarMaximum);
    if (run.form->isCancelled())
        return;
    if (!ExtractBackupArchive(run, tmp, *archive, databaseFolder))
        return;
    replaceDatabase(run, databaseFolder);
}

bool TRestoreCommand::preflight(const QString& databaseFolder)
{
    // A folder that cannot be deleted again could be neither rolled back nor replaced.
    if (!DirectoryTreeDeletable(databaseFolder)) {
        MessageBoxes::error(QStringLiteral("Das Datenbankverzeichnis \"") + databaseFolder +
                                QStringLiteral("\" kann nicht ersetzt werden: es liegt direkt unter \"/\", ist der "
                                               "persönliche Ordner oder liegt über ihm, oder es ist eine Verknüpfung."
                                               "\r\n\r\nDie Sicherung kann dort nicht eingespielt werden."),
                            m_parent);
        return false;
    }
    const TDBFiles files;
    const bool exists = QFileInfo(databaseFolder).isDir();
    if (exists) {
        QStringList foreign;
        for (const QString& name : entriesOf(databaseFolder)) {
            if (!belongsToDatabase(name, files.Items))
                foreign.append(name);
        }
        if (!foreign.isEmpty()) {
            MessageBoxes::error(QStringLiteral("Das Datenbankverzeichnis \"") + databaseFolder +
                                    QStringLiteral("\" enthält Dateien, die nicht zur Datenbank gehören:\r\n\r\n") +
                                    foreign.join(QStringLiteral(", ")) +
                                    QStringLiteral("\r\n\r\nBitte entfernen Sie diese, bevor Sie eine Sicherung "
                                                   "einspielen."),
                                m_parent);
            return false;
        }
    }
    // The folder is moved aside by a rename, which cannot cross file systems.
    const QString onDisk = exists ? databaseFolder : QFileInfo(databaseFolder).absolutePath();
    if (QFileInfo(onDisk).isDir() && !SameFileSystem(onDisk, AppPaths::workFolder())) {
        MessageBoxes::error(QStringLiteral("Das Datenbankverzeichnis \"") + databaseFolder +
                                QStringLiteral("\" liegt auf einem anderen Dateisystem als das Arbeitsverzeichnis \"") +
                                AppPaths::workFolder() +
                                QStringLiteral("\".\r\n\r\nDie Sicherung kann dort nicht eingespielt werden."),
                            m_parent);
        return false;
    }
    // An earlier "ADS_OLD" may hold the only copy of an earlier database.
    const QString old = AppPaths::oldDatabaseFolder();
    if (QFileInfo::exists(old)) {
        const QString kept = old + u'_' + m_seams.now().toString(QStringLiteral("yyyyMMdd_hhmmss"));
        if (!m_seams.files.rename(old, kept)) {
            MessageBoxes::error(QStringLiteral("Das Verzeichnis \"") + old +
                                    QStringLiteral("\" aus einem früheren Einspielen konnte nicht umbenannt werden!"),
                                m_parent);
            return false;
        }
        MessageBoxes::information(
            QStringLiteral("Das Verzeichnis \"ADS_OLD\" aus einem früheren Einspielen kann die "
                           "einzige Kopie einer früheren Datenbank enthalten.\r\n\r\nEs wurde in \"") +
                QFileInfo(kept).fileName() + QStringLiteral("\" umbenannt."),
            m_parent);
    }
    return true;
}

bool TRestoreCommand::fitsOnDisk(qint64 bytes, const QString& databaseFolder)
{
    const QString tmp = AppPaths::tmpFolder();
    const QString onDisk =
        QFileInfo(databaseFolder).isDir() ? databaseFolder : QFileInfo(databaseFolder).absolutePath();
    const qint64 tmpFree = m_seams.freeSpace(tmp);
    const qint64 databaseFree = m_seams.freeSpace(onDisk);
    // Unknown free space does not stop the restore: a failed write still rolls back.
    if (tmpFree < 0 || databaseFree < 0)
        return true;
    if (SameFileSystem(tmp, onDisk))
        return tmpFree >= 2 * bytes;
    return tmpFree >= bytes && databaseFree >= bytes;
}

bool TRestoreCommand::ExtractBackupArchive(TZipRun& run, const QString& dir, const QString& archivePath,
                                           const QString& databaseFolder)
{
    run.events.ZipErrorFlag = false;
    QString path = archivePath;
    if (ZipVolumeJoiner::isSplitSet(archivePath)) {
        path = dir + u'/' + QFileInfo(archivePath).fileName();
        if (!joinVolumes(archivePath, dir + QStringLiteral("/Teile"), path))
            return false;
    }
    const QStringList files = TDBFiles().Items;
    const std::optional<qint64> size = run.engine.extractedSize(path, files);
    if (!size)
        return false;
    if (!fitsOnDisk(*size, databaseFolder)) {
        MessageBoxes::error(QStringLiteral("Zu wenig Speicherplatz zum Einspielen der Sicherungsdatei!"), m_parent);
        return false;
    }
    return run.engine.extract(path, dir, files) && !run.events.ZipErrorFlag;
}

bool TRestoreCommand::joinVolumes(const QString& lastVolume, const QString& partsFolder, const QString& target)
{
    // The parts may lie on several media, which are taken out again: each is copied first.
    ZipVolumeJoiner::Result result{false, QStringLiteral("Es konnte kein temporäres Verzeichnis angelegt werden!")};
    if (PrivateFiles::makeFolder(partsFolder)) {
        result = ZipVolumeJoiner::copyVolumes(
            lastVolume, partsFolder,
            [this](int part, const QString& name, const QString& folder) { return askForVolume(part, name, folder); });
    }
    if (result.ok)
        result = ZipVolumeJoiner::join(partsFolder + u'/' + QFileInfo(lastVolume).fileName(), target);
    m_seams.files.deleteTree(partsFolder);
    if (!result.ok && !result.cancelled)
        MessageBoxes::error(QStringLiteral("Fehler beim Dekomprimieren der Sicherungsdatei!\r\n\r\n") + result.message,
                            m_parent);
    return result.ok;
}

std::optional<QString> TRestoreCommand::askForVolume(int part, const QString& name, const QString& folder)
{
    const QString number = QString::number(part);
    for (;;) {
        const MsgAnswer answer = MessageBoxes::show(
            QStringLiteral("Teil ") + number + QStringLiteral(" der Sicherung (\"") + name +
                QStringLiteral("\") wurde in \"") + folder +
                QStringLiteral("\" nicht gefunden.\r\n\r\nBitte legen Sie den Datenträger mit Teil ") + number +
                QStringLiteral(" der Sicherung ein.\r\n\r\nJa: Teil ") + number + QStringLiteral(" in \"") + folder +
                QStringLiteral("\" suchen\r\nNein: einen anderen Ordner wählen\r\nAbbrechen: Einspielen abbrechen"),
            MsgIcon::Question, MsgButtons::YesNoCancel, m_parent);
        if (answer == MsgAnswer::Cancel)
            return std::nullopt;
        if (answer == MsgAnswer::Yes)
            return folder;
        if (std::optional<QString> chosen = m_seams.chooseVolumeFolder(part, folder))
            return chosen;
    }
}

bool TRestoreCommand::replaceDatabase(TZipRun& run, const QString& databaseFolder)
{
    TBackupUSPForm& form = *run.form;
    form.Label2->setText(QStringLiteral("Datenbankdateien werden bearbeitet"));
    form.Label3->clear();
    form.setBarMaxima(1, int(TDBFiles().Items.size()) + 2);
    ProgressPause();
    if (form.isCancelled())
        return false;

    const QString old = AppPaths::oldDatabaseFolder();
    stepBar(form.FPB2);
    QCoreApplication::processEvents();
    bool cancelled = form.isCancelled();
    bool moved = false;
    if (QFileInfo(databaseFolder).isDir()) {
        if (!m_seams.files.rename(databaseFolder, old)) {
            MessageBoxes::error(QStringLiteral("Das Datenbankverzeichnis konnte nicht nach \"") + old +
                                    QStringLiteral("\" verschoben werden!"),
                                m_parent);
            return false;
        }
        moved = true;
    }
    stepBar(form.FPB2);
    QCoreApplication::processEvents();
    cancelled = form.isCancelled() || cancelled;
    if (cancelled) {
        rollBack(databaseFolder, moved);
        return false;
    }
    if (!m_seams.files.makeFolder(databaseFolder)) {
        MessageBoxes::error(QStringLiteral("Das Datenbankverzeichnis \"") + databaseFolder +
                                QStringLiteral("\" konnte nicht angelegt werden!"),
                            m_parent);
        rollBack(databaseFolder, moved);
        return false;
    }
    if (!copyIn(run, databaseFolder)) {
        rollBack(databaseFolder, moved);
        return false;
    }
    MessageBoxes::information(QStringLiteral("Einspielen der Datensicherung erfolgreich abgeschlossen!"), m_parent);
    if (moved)
        m_seams.files.deleteTree(old);
    return true;
}

bool TRestoreCommand::copyIn(TZipRun& run, const QString& databaseFolder)
{
    TBackupUSPForm& form = *run.form;
    form.Label2->setText(QStringLiteral("Datenbankdateien werden eingespielt"));
    QCoreApplication::processEvents();
    const QString tmp = AppPaths::tmpFolder();
    for (const QString& name : TDBFiles().Items) {
        form.Label3->setText(name);
        form.FPB1->setValue(0);
        ProgressPause();
        if (form.isCancelled())
            return false;
        if (!m_seams.files.copy(tmp + u'/' + name, databaseFolder + u'/' + name)) {
            MessageBoxes::error(QStringLiteral("Das Datenbankfile \"") + name +
                                    QStringLiteral("\" konnte nicht eingespielt werden!"),
                                m_parent);
            return false;
        }
        stepBar(form.FPB1);
        stepBar(form.FPB2);
        ProgressPause();
        if (form.isCancelled())
            return false;
    }
    // The previous database goes only once the new one is on the disk and readable.
    bool synced = true;
    for (const QString& name : TDBFiles().Items)
        synced = SyncToDisk(databaseFolder + u'/' + name) && synced;
    synced = SyncToDisk(databaseFolder) && SyncToDisk(QFileInfo(databaseFolder).absolutePath()) && synced;
    if (!synced) {
        MessageBoxes::error(QStringLiteral("Die eingespielten Datenbankdateien konnten nicht gespeichert werden!"),
                            m_parent);
        return false;
    }
    const DbCheckResult check = DbConnection::checkFolder(databaseFolder, m_dm.AdsConnection1.schema());
    if (!check.ok) {
        MessageBoxes::error(
            QStringLiteral("Die Sicherungsdatei enthält keine gültige Datenbank!\r\n\r\n") + check.message, m_parent);
        return false;
    }
    return true;
}

void TRestoreCommand::rollBack(const QString& databaseFolder, bool moved)
{
    if (QFileInfo::exists(databaseFolder) && !m_seams.files.deleteTree(databaseFolder)) {
        MessageBoxes::error(kRestoreFailed, m_parent);
        return;
    }
    if (moved && !m_seams.files.rename(AppPaths::oldDatabaseFolder(), databaseFolder))
        MessageBoxes::error(kRestoreFailed, m_parent);
}
