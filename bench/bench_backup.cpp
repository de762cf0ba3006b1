// Backs up and restores a database of one sender with 100,000 recipients through the real
// commands (target on a fixed volume, answers from the message-box test mode); prints wall
// time, time slept in the progress pauses and the peak resident memory, next to Info-ZIP's
// "zip -9" and "unzip" on the same files in the same run.
#include "BenchDatabase.h"
#include "BenchMain.h"
#include "backup/BackupCommand.h"
#include "backup/ProgressPause.h"
#include "backup/RestoreCommand.h"
#include "desktop/MessageBoxes.h"
#include "platform/DbConnection.h"
#include "platform/VolumeProvider.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

namespace {

constexpr int kRecipients = 100000;

class FixedVolumes : public VolumeProvider {
public:
    QList<VolumeInfo> volumes() const override
    {
        return {{QStringLiteral("/"), QStringLiteral("/dev/root"), QStringLiteral("ext4"), VolumeKind::Fixed, {}}};
    }
};

double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void fill(DbConnection& connection)
{
    DbTransaction transaction(connection);
    connection.execute(QStringLiteral("Bench"), QStringLiteral("INSERT INTO Verfasser (Firma) VALUES ('Bench')"));
    for (int i = 0; i < kRecipients; ++i) {
        connection.execute(QStringLiteral("Bench"),
                           QStringLiteral("INSERT INTO Adressen (AbsenderID, Name, Anrede, Strasse, Ort, Email, PLZ, "
                                          "Land, Firma, Vorname, BFormel) VALUES (1, ?, 'Herr', ?, 'Nürnberg', ?, "
                                          "'90402', 'D', ?, 'Hans', 'Sehr geehrter Herr')"),
                           {QVariant(QStringLiteral("Müller-%1").arg(i, 6, 10, QChar(u'0'))),
                            QVariant(QStringLiteral("Hauptstraße %1").arg(i % 200)),
                            QVariant(QStringLiteral("empfaenger%1@example.org").arg(i)),
                            QVariant(QStringLiteral("Firma %1 GmbH").arg(i % 5000))});
    }
    transaction.commit();
}

// Wall milliseconds of a tool run in folder.
double runPeer(const QString& program, const QStringList& arguments, const QString& folder)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.waitForFinished(600000);
    return double(timer.nsecsElapsed()) / 1e6;
}

void BM_BackupAndRestore100kRecipients(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        BenchDatabase db;
        fill(db.dm->AdsConnection1);
        const QString target = db.dir.path() + QStringLiteral("/Sicherung");
        QDir().mkpath(target);
        FixedVolumes volumes;
        MessageBoxRecorder boxes;
        const double rssBefore = peakResidentMegabytes();
        state.ResumeTiming();

        TBackupSeams backupSeams;
        backupSeams.volumes = &volumes;
        backupSeams.chooseTarget = [&] { return std::optional<QString>(target); };
        const qint64 sleptBeforeBackup = ProgressPauseSleptMs();
        QElapsedTimer backupTimer;
        backupTimer.start();
        TBackupCommand(*db.dm, nullptr, backupSeams).BackupDatabase();
        const double backupMs = double(backupTimer.nsecsElapsed()) / 1e6;
        const double backupSleptMs = double(ProgressPauseSleptMs() - sleptBeforeBackup);
        const double backupRss = peakResidentMegabytes();

        const QString archive = target + QStringLiteral("/BackupNews_") +
                                QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(".zip");
        TRestoreSeams restoreSeams;
        restoreSeams.chooseArchive = [&] { return std::optional<QString>(archive); };
        struct Flag : TDatabaseAvailability {
            void setDatabaseUnavailable(bool) override {}
        } flag;
        boxes.answerNext(MsgAnswer::Yes);
        const qint64 sleptBeforeRestore = ProgressPauseSleptMs();
        QElapsedTimer restoreTimer;
        restoreTimer.start();
        TRestoreCommand(*db.dm, flag, nullptr, restoreSeams).RestoreDatabase();
        const double restoreMs = double(restoreTimer.nsecsElapsed()) / 1e6;
        const double restoreSleptMs = double(ProgressPauseSleptMs() - sleptBeforeRestore);
        state.PauseTiming();

        if (boxes.texts() != QStringList{QStringLiteral("Sicherung wurde erfolgreich abgeschlossen."),
                                         QStringLiteral("Wollen Sie die Sicherungsdatei  \"") +
                                             QFileInfo(archive).fileName() + QStringLiteral("\"  jetzt einspielen?"),
                                         QStringLiteral("Einspielen der Datensicherung erfolgreich abgeschlossen!")})
            state.SkipWithError(boxes.texts().join(u'|').toStdString().c_str());

        // The peer on the same files: Info-ZIP at level 9, then unzip.
        const QString database = db.dm->AdsConnection1.connectPath();
        const double zipMs = runPeer(
            QStringLiteral("zip"),
            {QStringLiteral("-q"), QStringLiteral("-9"), QStringLiteral("-j"), target + QStringLiteral("/peer.zip"),
             database + QStringLiteral("/Adressen.ADI"), database + QStringLiteral("/Adressen.ADT"),
             database + QStringLiteral("/Verfasser.ADI"), database + QStringLiteral("/Verfasser.ADT")},
            target);
        QDir().mkpath(target + QStringLiteral("/peer"));
        const double unzipMs =
            runPeer(QStringLiteral("unzip"),
                    {QStringLiteral("-q"), QStringLiteral("-o"), target + QStringLiteral("/peer.zip"),
                     QStringLiteral("-d"), target + QStringLiteral("/peer")},
                    target);

        state.counters["backup_ms"] = backupMs;
        state.counters["backup_sleep_ms"] = backupSleptMs;
        state.counters["restore_ms"] = restoreMs;
        state.counters["restore_sleep_ms"] = restoreSleptMs;
        state.counters["peak_rss_MB_before"] = rssBefore;
        state.counters["peak_rss_MB_after_backup"] = backupRss;
        state.counters["peak_rss_MB_after_restore"] = peakResidentMegabytes();
        state.counters["database_MB"] =
            double(QFileInfo(database + QStringLiteral("/Adressen.ADT")).size()) / 1048576.0;
        state.counters["archive_MB"] = double(QFileInfo(archive).size()) / 1048576.0;
        state.counters["peer_zip_ms"] = zipMs;
        state.counters["peer_unzip_ms"] = unzipMs;
        state.counters["backup_vs_zip"] = backupMs / zipMs;
        state.counters["restore_vs_unzip"] = restoreMs / unzipMs;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BackupAndRestore100kRecipients)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarksInApplication(argc, argv);
}
