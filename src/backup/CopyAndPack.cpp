#include "backup/CopyAndPack.h"

#include "backup/BackupReporting.h"
#include "core/DatabaseLockNote.h"
#include "core/Records.h"
#include "platform/DbConnection.h"
#include "platform/DbError.h"
#include "platform/DbQuery.h"
#include "platform/DbTable.h"

#include <QFile>
#include <QScopeGuard>

#include <exception>

namespace {

QString exceptionText(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

// The caption of a table while it is packed.
QString packCaption(const QString& table)
{
    if (table == QLatin1String("Adressen"))
        return QStringLiteral("Empfänger-DB");
    if (table == QLatin1String("Verfasser"))
        return QStringLiteral("Absender-DB");
    return table;
}

// The tables whose files are in the list, in list order.
QStringList tablesOf(const QStringList& files, const DbSchema& schema)
{
    QStringList tables;
    for (const QString& file : files) {
        for (const DbTableDef& table : schema.tables) {
            if (table.tableFileName() == file)
                tables.append(table.name);
        }
    }
    return tables;
}

} // namespace

BackupResult CopyAndPackDatabase(const TBackupDatabase& db, IBackupProgress& progress, const QString& destDir,
                                 const TCopyAndPackSeams& seams)
{
    const BackupResult cancelled{BackupOutcome::Cancelled, {}};
    const QStringList files = TDBFiles().Items;
    const QStringList tables = tablesOf(files, db.live.schema());
    const auto stage = [&](const QString& name) {
        if (seams.beforeStage)
            seams.beforeStage(name);
    };
    const auto cancelRequested = [&progress] {
        if (!progress.cancelRequested())
            return false;
        progress.refresh();
        return true;
    };
    const auto stepBars = [&progress] {
        progress.stepFileBar();
        progress.stepTotalBar();
    };

    progress.showStep(QString());
    progress.showFile(QString());
    progress.setBarMaxima(1, int(files.size() + tables.size()));
    progress.pause();
    for (DbQuery* view : db.views)
        view->disableControls();
    auto resume = qScopeGuard([&db] {
        for (auto view = db.views.rbegin(); view != db.views.rend(); ++view)
            (*view)->enableControls();
    });
    if (cancelRequested())
        return cancelled;

    progress.showStep(QStringLiteral("Datenbankdateien werden kopiert"));
    progress.pause();
    if (cancelRequested())
        return cancelled;
    const QString source = db.live.connectPath() + u'/';
    const QString target = destDir + u'/';
    try {
        for (const QString& file : files) {
            progress.showFile(file);
            progress.setFileBar(0);
            progress.pause();
            if (cancelRequested())
                return cancelled;
            stage(QStringLiteral("copy:") + file);
            const qsizetype table = tables.indexOf(file.left(file.size() - 4));
            if (file.endsWith(QLatin1String(".ADT")) && table >= 0) {
                db.live.copyTableFile(tables[table], target + file);
            } else {
                QFile::remove(target + file);
                if (!QFile::copy(source + file, target + file))
                    return {BackupOutcome::FileNotCopied, {file}};
            }
            stepBars();
            progress.pause();
        }
    } catch (const std::exception& e) {
        // A lock of another program is said in German first; the engine's text follows.
        const QString lock = DatabaseLockRetryNote(db.live.connectPath(), db.live.schema());
        return {BackupOutcome::CopyFailed,
                {lock.isEmpty() ? exceptionText(e) : lock + QStringLiteral("\r\n\r\n") + exceptionText(e)}};
    }

    progress.showStep(QStringLiteral("Datenbankdateien komprimieren"));
    progress.showFile(QString());
    progress.setFileBar(0);
    progress.pause();
    if (cancelRequested())
        return cancelled;
    auto closeCopy = qScopeGuard([&db] {
        try {
            db.packer.close();
            db.copy.disconnect();
        } catch (const EDatabaseError&) {
            // Closing a connection that failed to open has nothing left to report.
        }
    });
    try {
        stage(QStringLiteral("connect"));
        db.copy.setConnectPath(destDir);
        db.copy.connect();
    } catch (const std::exception& e) {
        return {BackupOutcome::CopyNotConnected, {exceptionText(e)}};
    }
    try {
        for (const QString& table : tables) {
            progress.showFile(packCaption(table));
            progress.setFileBar(0);
            progress.pause();
            if (cancelRequested())
                return cancelled;
            stage(QStringLiteral("pack:") + table);
            db.packer.setTableName(table);
            db.packer.setExclusive(true);
            db.packer.open();
            db.packer.pack();
            db.packer.close();
            stepBars();
            progress.pause();
            if (cancelRequested())
                return cancelled;
        }
    } catch (const std::exception& e) {
        return {BackupOutcome::PackFailed, {exceptionText(e)}};
    }
    return {BackupOutcome::BackedUp, {}};
}
