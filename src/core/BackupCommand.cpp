#include "core/BackupCommand.h"

#include "controls/TFlatSB.h"
#include "core/BackupUSPForm.h"
#include "core/DM.h"
#include "core/PathSelectForm.h"
#include "core/Records.h"
#include "core/ZipRun.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "platform/BusyGuard.h"
#include "platform/DirectoryTree.h"
#include "platform/FileSystems.h"
#include "platform/VolumeProvider.h"
#include "platform/ZipVolumeWriter.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>

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

} // namespace

TBackupCommand::TBackupCommand(TDM2& dm, QWidget* parent, TBackupSeams seams)
    : m_dm(dm), m_parent(parent), m_seams(std::move(seams))
{
    if (!m_seams.volumes)
        m_seams.volumes = &VolumeProvider::system();
    if (!m_seams.freeSpace)
        m_seams.freeSpace = FreeSpaceOf;
    if (!m_seams.chooseTarget)
        m_seams.chooseTarget = [this] { return SelectBackupTarget(); };
}

void TBackupCommand::BackupDatabase()
{
    BusyGuard busy(QStringLiteral("Datensicherung"));
    if (!busy.acquired()) {
        MessageBoxes::warning(BusyGuard::refusalText(), m_parent);
        return;
    }
    // Whatever an earlier run left there could stand in the archive's way.
    const QString tmp = AppPaths::tmpFolder();
    if (!MakeEmptyFolder(tmp)) {
        MessageBoxes::error(QStringLiteral("Es konnte kein temporäres Verzeichnis angelegt werden!"), m_parent);
        return;
    }
    TZipRun run(m_parent, m_seams.formCreated);
    auto cleanUp = qScopeGuard([&run, &tmp] {
        run.form->setBarMaxima(1, 1);
        run.form->Label2->setText(QStringLiteral("Temporäre Dateien werden entfernt"));
        run.form->Label3->clear();
        QCoreApplication::processEvents();
        DeleteDirectoryTree(tmp);
        run.form.reset();
    });

    if (!CopyAndPackDatabase(m_dm, run.form.get(), tmp, m_seams.copyAndPack))
        return;

    run.events.ZipErrorFlag = false;
    run.form->Label2->setText(QStringLiteral("Sicherungsdatei wird erstellt"));
    run.form->setBarMaxima(kBarMaximum, kBarMaximum);
    const bool cancelled = run.form->isCancelled();
    QCoreApplication::processEvents();
    if (cancelled)
        return;
    QString archiveName;
    if (!CreateBackupArchive(run, archiveName, tmp) || run.events.ZipErrorFlag)
        return;

    std::optional<QString> target = m_seams.chooseTarget();
    while (target) {
        const qint64 size = QFileInfo(tmp + u'/' + archiveName).size();
        const std::optional<VolumeKind> kind = volumeKindOf(m_seams.volumes->volumes(), *target);
        if (kind == VolumeKind::Removable || kind == VolumeKind::Network) {
            copyToTarget(run, archiveName, *target);
            return;
        }
        if (kind != VolumeKind::Fixed) {
            MessageBoxes::error(QStringLiteral("Auf diesem Laufwerk kann nicht gesichert werden.\r\n\r\n"
                                               "Bitte wählen Sie einen Ordner auf einer Festplatte, einem "
                                               "Wechseldatenträger oder einem Netzlaufwerk."),
                                m_parent);
            return;
        }
        if (m_seams.freeSpace(*target) >= size) {
            copyToTarget(run, archiveName, *target);
            return;
        }
        if (!MessageBoxes::askYesNo(QStringLiteral("Zu wenig Speicherplatz auf dem Sicherungsziel!\r\n\r\n"
                                                   "Möchten Sie ein anderes Sicherungsziel auswählen?"),
                                    MsgIcon::Question, m_parent))
            return;
        target = m_seams.chooseTarget();
    }
}

bool TBackupCommand::CreateBackupArchive(TZipRun& run, QString& archiveName, const QString& dir)
{
    archiveName = QStringLiteral("BackupNews_") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")) +
                  QStringLiteral(".zip");
    const QString path = dir + u'/' + archiveName;
    QStringList files;
    for (const QString& name : TDBFiles().Items)
        files.append(dir + u'/' + name);
    return run.engine.add(path, files);
}

std::optional<QString> TBackupCommand::SelectBackupTarget()
{
    TPathSelectForm picker(m_parent, m_seams.volumes);
    picker.Label2->setText(QStringLiteral("Sichern nach..."));
    picker.StartPath = QDir::homePath();
    picker.BackupMode = true;
    picker.exec();
    if (!picker.OKPressed())
        return std::nullopt;
    return picker.SelectedPath();
}

void TBackupCommand::copyToTarget(TZipRun& run, const QString& archiveName, const QString& target)
{
    const bool removable = volumeKindOf(m_seams.volumes->volumes(), target) == VolumeKind::Removable;
    // A removable medium takes a volume as large as its free space allows.
    const auto medium = [this](const QString& folder) -> std::optional<ZipMedium> {
        const qint64 free = m_seams.freeSpace(folder);
        if (free < 0) {
            MessageBoxes::error(QStringLiteral("Speicherplatz auf Zieldatenträger konnte nicht ermittelt werden!"),
                                m_parent);
            return std::nullopt;
        }
        const qint64 bound = ZipVolumeBound(free);
        if (bound < kSmallestVolume) {
            MessageBoxes::warning(QStringLiteral("Auf dem Datenträger sind weniger als 128 KB frei."), m_parent);
            return std::nullopt;
        }
        return ZipMedium{folder, bound};
    };
    ZipMedium first{target, 0};
    if (removable) {
        const std::optional<ZipMedium> found = medium(target);
        if (!found)
            return;
        first = *found;
    }

    run.form->Label2->setText(QStringLiteral("Sicherungsdatei wird auf Ziel kopiert"));
    run.form->setBarMaxima(kBarMaximum, kBarMaximum);
    run.events.ShowZipName = true;
    run.events.CurrentZipName = archiveName;
    auto clearName = qScopeGuard([&run] { run.events.ShowZipName = false; });
    // The copy cannot be cancelled from the window; a full medium's question can end it.
    run.form->FlatSB1->setEnabled(false);

    TZipVolumeWriter writer;
    writer.setProgressHandler([&run](ZipProgressKind kind, const QString& name, qint64 size) {
        run.events.ZipMaster1Progress(kind, name, size);
    });
    writer.setNextMedium([this, &medium](int volume, const ZipMedium& previous) -> std::optional<ZipMedium> {
        QString folder = previous.folder;
        for (;;) {
            const MsgAnswer answer = MessageBoxes::show(
                QStringLiteral("Der Datenträger ist voll.\r\n\r\nBitte legen Sie den nächsten Datenträger für Teil ") +
                    QString::number(volume) + QStringLiteral(" der Sicherung ein.\r\n\r\nJa: Teil ") +
                    QString::number(volume) + QStringLiteral(" nach \"") + folder +
                    QStringLiteral(
                        "\" schreiben\r\nNein: einen anderen Ordner wählen\r\nAbbrechen: Sicherung abbrechen"),
                MsgIcon::Question, MsgButtons::YesNoCancel, m_parent);
            if (answer == MsgAnswer::Cancel)
                return std::nullopt;
            if (answer == MsgAnswer::No) {
                const std::optional<QString> chosen = m_seams.chooseTarget();
                if (!chosen)
                    continue;
                folder = *chosen;
            }
            if (std::optional<ZipMedium> next = medium(folder))
                return next;
        }
    });
    const TZipVolumeWriter::Result result =
        writer.write(AppPaths::tmpFolder() + u'/' + archiveName, first, archiveName);
    switch (result.status) {
    case TZipVolumeWriter::Status::Ok:
        MessageBoxes::information(QStringLiteral("Sicherung wurde erfolgreich abgeschlossen."), m_parent);
        break;
    case TZipVolumeWriter::Status::Failed:
        MessageBoxes::error(result.message, m_parent);
        break;
    case TZipVolumeWriter::Status::Cancelled:
        break;
    }
}
