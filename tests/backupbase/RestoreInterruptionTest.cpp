#include "FakeBackupProgress.h"
#include "FakeBackupQuestions.h"
#include "KilledInChild.h"
#include "NewerBackup.h"
#include "RestoreWithoutWindow.h"
#include "backup/DatabaseRecovery.h"
#include "backup/RestoreRun.h"
#include "core/DMTestDatabase.h"
#include "platform/AppPaths.h"
#include "platform/ZipEngine.h"
#include "platform/ZipTestSupport.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>

namespace {

const QDateTime kNow(QDate(2026, 12, 11), QTime(1, 30, 0));
const QString kStamp = QStringLiteral("20261211_013000");

[[noreturn]] void killed()
{
    std::raise(SIGKILL);
    _exit(1);
}

// A live database of four recipients and a backup of five; restores and starts run on them
// with the file operations hooked where the test wants the process to die.
struct Restoring {
    Restoring()
    {
        archive = BackUpThenDeleteARecipient(db, QStringLiteral("BackupNews_11.12.2026.zip"));
        previous = folderHashes(db.folder());
        restored = folderHashes(db.env.root() + QStringLiteral("/Quelle"));
    }

    bool restoreKilled(const TRestoreFileOps& files)
    {
        return killedInChild([&] { RestoreWithoutWindow(db.folder(), archive, files, [] { return kNow; }); });
    }

    TDatabaseRecovery start(const TRestoreFileOps& files = {})
    {
        TRecoverySeams seams;
        seams.files = files;
        seams.now = [] { return kNow; };
        seams.examine = [this](const QString& folder) {
            ++checks;
            return ExamineDatabaseFolder(folder, newsDatabaseSchema());
        };
        return RecoverDatabaseFolder(db.folder(), newsDatabaseSchema(), seams);
    }

    bool startKilled(const TRestoreFileOps& files)
    {
        return killedInChild([&] { start(files); });
    }

    // The folders set aside beside the database and in the work folder, by name.
    QStringList keptFolders() const
    {
        const auto folders = [](const QString& in, const QString& pattern) {
            return QDir(in).entryList({pattern}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        };
        return folders(db.env.root(), QStringLiteral("Datenbank_*")) +
               folders(AppPaths::workFolder(), QStringLiteral("ADS_OLD*"));
    }

    QString old() const { return AppPaths::oldDatabaseFolder(); }
    QString incomplete() const { return db.folder() + QStringLiteral("_unvollständig_") + kStamp; }

    NewsTestDatabase db;
    QString archive;
    std::map<QString, QByteArray> previous;
    std::map<QString, QByteArray> restored;
    int checks = 0;
};

const TRestoreFileOps kReal = CompletedFileOps({});

// Dies at the copy of the second file into the new database folder.
TRestoreFileOps dyingInTheCopy()
{
    TRestoreFileOps files;
    files.copy = [copies = 0](const QString& from, const QString& to) mutable {
        const bool copied = kReal.copy(from, to);
        if (++copies == 2)
            killed();
        return copied;
    };
    return files;
}

// Dies just before (or after) a rename or removal that touches the given folder.
TRestoreFileOps dyingAt(const QString& folder, bool renaming, bool after)
{
    TRestoreFileOps files;
    if (renaming) {
        files.rename = [folder, after](const QString& from, const QString& to) {
            if (!after && (from == folder || to == folder))
                killed();
            const bool renamed = kReal.rename(from, to);
            if (after && from == folder)
                killed();
            return renamed;
        };
    } else {
        files.deleteTree = [folder, after](const QString& dir) {
            if (!after && dir == folder)
                killed();
            const bool deleted = kReal.deleteTree(dir);
            if (after && dir == folder)
                killed();
            return deleted;
        };
    }
    return files;
}

QString interrupted(const Restoring& r)
{
    return QStringLiteral("Das Einspielen einer Datensicherung wurde unterbrochen. Die Datenbank im Verzeichnis \"") +
           r.db.folder() + QStringLiteral("\" ist nicht vollständig.\r\n\r\nDie vorherige Datenbank aus \"") + r.old() +
           QStringLiteral("\" wurde wieder nach \"") + r.db.folder() + QStringLiteral("\" verschoben.");
}

QString previousKept(const Restoring& r)
{
    return QStringLiteral("Das Einspielen einer Datensicherung nach \"") + r.db.folder() +
           QStringLiteral("\" wurde abgeschlossen, das Programm aber beendet, bevor das Verzeichnis \"") + r.old() +
           QStringLiteral("\" mit der vorherigen Datenbank entfernt war.\r\n\r\nWas davon noch da war, liegt jetzt "
                          "in \"") +
           r.old() + u'_' + kStamp + QStringLiteral("\"; Sie können es löschen, wenn Sie es nicht mehr brauchen.");
}

QString keptAsideText(const QString& kept, const QString& what = QStringLiteral("unvollständige"))
{
    return QStringLiteral("\r\n\r\nDas ") + what + QStringLiteral(" Datenbankverzeichnis wurde in \"") + kept +
           QStringLiteral("\" umbenannt.");
}

// A restore (and a start) killed with SIGKILL at each step; the next start puts the right
// database in place from the record alone, deletes nothing, says so once; the start after
// it finds nothing to do and checks nothing.
TEST(RestoreInterruptionTest, TheStartAfterAKillActsOnTheRecord)
{
    struct Case {
        const char* name;
        std::function<bool(Restoring&)> crash;
        bool restoredInPlace;
        std::function<QString(const Restoring&)> box;
        std::function<QStringList(const Restoring&)> kept;
    };
    const auto none = [](const Restoring&) { return QStringList(); };
    const auto previousKeptAside = [](const Restoring&) { return QStringList{QStringLiteral("ADS_OLD_") + kStamp}; };
    const auto incompleteKept = [](const Restoring&) {
        return QStringList{QStringLiteral("Datenbank_unvollständig_") + kStamp};
    };
    const QList<Case> cases{
        {"before the database is moved aside",
         [](Restoring& r) { return r.restoreKilled(dyingAt(r.old(), true, false)); }, false,
         [](const Restoring&) { return QString(); }, none},
        {"while the new database is copied in", [](Restoring& r) { return r.restoreKilled(dyingInTheCopy()); }, false,
         [](const Restoring& r) -> QString { return interrupted(r) + keptAsideText(r.incomplete()); }, incompleteKept},
        {"after the new database is complete, before ADS_OLD is removed",
         [](Restoring& r) { return r.restoreKilled(dyingAt(r.old(), false, false)); }, true, previousKept,
         previousKeptAside},
        {"the start killed after it kept ADS_OLD aside",
         [](Restoring& r) {
             return r.restoreKilled(dyingAt(r.old(), false, false)) && r.startKilled(dyingAt(r.old(), true, true));
         },
         true, previousKept, previousKeptAside},
        {"after ADS_OLD is removed", [](Restoring& r) { return r.restoreKilled(dyingAt(r.old(), false, true)); }, true,
         [](const Restoring&) { return QString(); }, none},
        {"half-way through the roll-back of a failed copy",
         [](Restoring& r) {
             TRestoreFileOps files = dyingAt(r.old(), true, false);
             // The move aside itself must happen: only the move back dies.
             files.rename = [old = r.old()](const QString& from, const QString& to) {
                 if (from == old)
                     killed();
                 return kReal.rename(from, to);
             };
             files.copy = [copies = 0](const QString& from, const QString& to) mutable {
                 return ++copies < 2 && kReal.copy(from, to);
             };
             return r.restoreKilled(files);
         },
         false, [](const Restoring& r) { return interrupted(r); }, none},
        {"the start killed after it moved the incomplete folder aside",
         [](Restoring& r) {
             return r.restoreKilled(dyingInTheCopy()) && r.startKilled(dyingAt(r.db.folder(), true, true));
         },
         false, [](const Restoring& r) -> QString { return interrupted(r) + keptAsideText(r.incomplete()); },
         incompleteKept},
        {"the start killed after it put ADS_OLD back",
         [](Restoring& r) { return r.restoreKilled(dyingInTheCopy()) && r.startKilled(dyingAt(r.old(), true, true)); },
         false, [](const Restoring& r) -> QString { return interrupted(r) + keptAsideText(r.incomplete()); },
         incompleteKept},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restoring r;
        ASSERT_TRUE(c.crash(r)) << "the child was not killed where the case wants it";

        const TDatabaseRecovery first = r.start();
        EXPECT_EQ(DatabaseRecoveryText(first), c.box(r));
        EXPECT_EQ(folderHashes(r.db.folder()), c.restoredInPlace ? r.restored : r.previous);
        EXPECT_EQ(r.keptFolders(), c.kept(r));
        // Nothing is deleted: what a restore completed leaves of the previous database is kept.
        if (c.kept(r).contains(QStringLiteral("ADS_OLD_") + kStamp)) {
            EXPECT_EQ(folderHashes(r.old() + u'_' + kStamp), r.previous);
        }
        EXPECT_FALSE(QFileInfo::exists(AppPaths::restoreRecordFile()));
        EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
        EXPECT_EQ(r.checks, 0);

        const auto settled = folderHashes(r.db.folder());
        const TDatabaseRecovery second = r.start();
        EXPECT_EQ(second.kind, TDatabaseRecovery::Kind::Nothing);
        EXPECT_EQ(DatabaseRecoveryText(second), QString());
        EXPECT_EQ(folderHashes(r.db.folder()), settled);
        EXPECT_EQ(r.keptFolders(), c.kept(r));
        EXPECT_EQ(r.checks, 0);
    }
}

// Two interrupted restores recovered within the same second (the clock says so): each
// incomplete folder gets a name of its own, and each box names its own.
TEST(RestoreInterruptionTest, TwoRecoveriesInTheSameSecondKeepBothFolders)
{
    Restoring r;
    QStringList named;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(r.restoreKilled(dyingInTheCopy()));
        const TDatabaseRecovery recovery = r.start();
        EXPECT_EQ(recovery.kind, TDatabaseRecovery::Kind::Recovered);
        named.append(recovery.keptAside);
        EXPECT_EQ(DatabaseRecoveryText(recovery), interrupted(r) + keptAsideText(recovery.keptAside));
        EXPECT_EQ(folderHashes(r.db.folder()), r.previous);
    }
    const QString first = r.incomplete();
    EXPECT_EQ(named, (QStringList{first, first + QStringLiteral("_2")}));
    EXPECT_EQ(r.keptFolders(),
              (QStringList{QStringLiteral("Datenbank_unvollständig_") + kStamp,
                           QStringLiteral("Datenbank_unvollständig_") + kStamp + QStringLiteral("_2")}));
}

// A recovery whose move fails keeps the record, so the next start tries again; nothing moves
// meanwhile.
TEST(RestoreInterruptionTest, AFailedRecoveryKeepsTheRecordForTheNextStart)
{
    Restoring r;
    ASSERT_TRUE(r.restoreKilled(dyingInTheCopy()));
    const auto incomplete = folderHashes(r.db.folder());
    TRestoreFileOps refusing;
    refusing.rename = [](const QString&, const QString&) { return false; };

    const TDatabaseRecovery failed = r.start(refusing);
    EXPECT_EQ(failed.kind, TDatabaseRecovery::Kind::NotMoved);
    EXPECT_EQ(folderHashes(r.db.folder()), incomplete);
    EXPECT_EQ(folderHashes(r.old()), r.previous);
    EXPECT_TRUE(QFileInfo::exists(AppPaths::restoreRecordFile()));

    const TDatabaseRecovery next = r.start();
    EXPECT_EQ(DatabaseRecoveryText(next), interrupted(r) + keptAsideText(r.incomplete()));
    EXPECT_EQ(folderHashes(r.db.folder()), r.previous);
    EXPECT_EQ(folderHashes(r.incomplete()), incomplete);
    EXPECT_FALSE(QFileInfo::exists(AppPaths::restoreRecordFile()));
    EXPECT_EQ(r.checks, 0);
}

// Without a record, a start that replaces a damaged database folder by an "ADS_OLD" records its
// own moves: killed half-way, the next start finishes and says what happened.
TEST(RestoreInterruptionTest, AStartKilledWhileReplacingADamagedFolderIsFinishedByTheNext)
{
    Restoring r;
    ASSERT_TRUE(QDir().mkpath(r.old()));
    for (const QString& name : QDir(r.db.folder()).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(r.db.folder() + u'/' + name, r.old() + u'/' + name));
    QFile table(r.db.folder() + QStringLiteral("/Adressen.ADT"));
    ASSERT_TRUE(table.resize(table.size() / 2));
    const auto damaged = folderHashes(r.db.folder());
    ASSERT_TRUE(r.startKilled(dyingAt(r.db.folder(), true, true)));

    const TDatabaseRecovery next = r.start();

    EXPECT_EQ(DatabaseRecoveryText(next),
              QStringLiteral("Ein früherer Start wurde beendet, während er die nicht verwendbare Datenbank im "
                             "Verzeichnis \"") +
                  r.db.folder() +
                  QStringLiteral("\" durch die vorherige ersetzte.\r\n\r\nDie vorherige Datenbank aus \"") + r.old() +
                  QStringLiteral("\" wurde wieder nach \"") + r.db.folder() + QStringLiteral("\" verschoben.") +
                  keptAsideText(r.incomplete(), QStringLiteral("nicht verwendbare")));
    EXPECT_EQ(folderHashes(r.db.folder()), r.previous);
    EXPECT_EQ(folderHashes(r.incomplete()), damaged);
    EXPECT_FALSE(QFileInfo::exists(r.old()));
    EXPECT_FALSE(QFileInfo::exists(AppPaths::restoreRecordFile()));
    EXPECT_EQ(r.checks, 0);
}

} // namespace
