#include "CraftedMember.h"
#include "FakeBackupProgress.h"
#include "FakeBackupQuestions.h"
#include "KilledInChild.h"
#include "NewerBackup.h"
#include "OtherProgramWriting.h"
#include "RestoreWithoutWindow.h"
#include "backup/DatabaseRecovery.h"
#include "backup/RestoreRun.h"
#include "core/DMTestDatabase.h"
#include "platform/AppPaths.h"
#include "platform/DbFileCheck.h"
#include "platform/ZipEngine.h"
#include "platform/ZipTestSupport.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>

namespace {

// A restore into a database folder that did not exist, killed while the new files are copied
// in: the start says that a restore was interrupted and does not leave the half-filled folder
// in place as the database.
TEST(RestoreTrialTest, ARestoreIntoAMissingFolderKilledInTheCopyIsToldAtTheNextStart)
{
    NewsTestDatabase db;
    const QString archive = BackUpThenDeleteARecipient(db, QStringLiteral("BackupNews_11.12.2026.zip"));
    ASSERT_TRUE(QDir(db.folder()).removeRecursively());
    const TRestoreFileOps real = CompletedFileOps({});
    TRestoreFileOps dying;
    dying.copy = [real, copies = 0](const QString& from, const QString& to) mutable {
        const bool copied = real.copy(from, to);
        if (++copies == 2)
            std::raise(SIGKILL);
        return copied;
    };
    ASSERT_TRUE(killedInChild([&] { RestoreWithoutWindow(db.folder(), archive, dying); }));
    ASSERT_EQ(QDir(db.folder()).entryList(QDir::Files).size(), 2) << "the kill was not where the test wants it";

    const TDatabaseRecovery recovery = RecoverDatabaseFolder(db.folder(), newsDatabaseSchema());

    EXPECT_TRUE(DatabaseRecoveryText(recovery).contains(QStringLiteral("unterbrochen")))
        << DatabaseRecoveryText(recovery).toStdString();
    EXPECT_NE(QDir(db.folder()).entryList(QDir::Files).size(), 2) << "the half-filled folder is left as the database";
    EXPECT_EQ(recovery.kind, TDatabaseRecovery::Kind::IncompleteSetAside);
    EXPECT_TRUE(DatabaseRecoveryText(recovery).contains(u'"' + recovery.keptAside + u'"'));
    EXPECT_EQ(QDir(recovery.keptAside).entryList(QDir::Files).size(), 2) << "the half-filled folder is not kept";
    EXPECT_FALSE(QFileInfo::exists(AppPaths::restoreRecordFile()));
    EXPECT_EQ(RecoverDatabaseFolder(db.folder(), newsDatabaseSchema()).kind, TDatabaseRecovery::Kind::Nothing);
}

// What the start finds beside an intact "ADS_OLD" (a damaged table file is replaced; one with
// the journal of another program's interrupted write is left alone and nothing is said yet, as
// only the connect's rollback shows what lies beneath): the box says in German what it found and
// did; the engine's own words may only follow a German sentence, in brackets.
TEST(RestoreTrialTest, TheStartsBoxOnWhatItFoundIsGerman)
{
    using Kind = TDatabaseRecovery::Kind;
    const auto quoted = [](const QString& path) -> QString { return u'"' + path + u'"'; };
    const auto damaged = [quoted](const QString& folder, const QString& old) {
        return QStringList{QStringLiteral("Die Datenbank im Verzeichnis ") + quoted(folder) +
                               QStringLiteral(" ist beschädigt (Adressen.ADT: "),
                           QStringLiteral(").\r\n\r\nDie vorherige Datenbank aus ") + quoted(old) +
                               QStringLiteral(" wurde wieder nach ") + quoted(folder) +
                               QStringLiteral(" verschoben.\r\n\r\nDas beschädigte Datenbankverzeichnis wurde in \"") +
                               folder + QStringLiteral("_unvollständig_")};
    };
    struct Case {
        const char* name;
        std::function<void(const QString& table)> spoil;
        Kind kind;
        // The German parts of the box, in their order.
        std::function<QStringList(const QString& folder, const QString& old)> parts;
    };
    const QList<Case> cases{
        {"garbage", [](const QString& table) { writeText(table, QByteArray(4096, 'x')); }, Kind::Recovered, damaged},
        {"a torn header",
         [](const QString& table) {
             writeText(table, QByteArrayLiteral("SQLite format 3\0") + QByteArray(4080, '\xff'));
         },
         Kind::Recovered, damaged},
        {"the journal of a write another program did not finish",
         [](const QString& table) {
             ASSERT_EQ(runTool(QStringLiteral("/usr/bin/python3"),
                               {QStringLiteral("-c"),
                                QStringLiteral("import os, sqlite3, sys\n"
                                               "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                               "c.create_collation('DE', lambda a, b: (a > b) - (a < b))\n"
                                               "c.execute('PRAGMA cache_size = 1')\n"
                                               "c.execute('BEGIN IMMEDIATE')\n"
                                               "c.execute(\"INSERT INTO Adressen (AbsenderID, ID, Name) WITH RECURSIVE "
                                               "n(i) AS (SELECT 1000 UNION ALL SELECT i + 1 FROM n WHERE i < 4000) "
                                               "SELECT 1, i, 'X' FROM n\")\n"
                                               "os._exit(0)\n"),
                                table},
                               QFileInfo(table).path())
                           .exitCode,
                       0);
             ASSERT_TRUE(QFileInfo::exists(table + QStringLiteral("-journal")));
         },
         Kind::Nothing, [](const QString&, const QString&) { return QStringList(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewsTestDatabase db;
        db.connection.disconnect();
        const QString old = AppPaths::oldDatabaseFolder();
        ASSERT_TRUE(QDir().mkpath(old));
        for (const QString& name : QDir(db.folder()).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(db.folder() + u'/' + name, old + u'/' + name));
        c.spoil(db.folder() + QStringLiteral("/Adressen.ADT"));

        const TDatabaseRecovery recovery = RecoverDatabaseFolder(db.folder(), newsDatabaseSchema());

        EXPECT_EQ(recovery.kind, c.kind);
        const QString box = DatabaseRecoveryText(recovery);
        const QStringList parts = c.parts(db.folder(), old);
        if (parts.isEmpty()) {
            EXPECT_TRUE(box.isEmpty()) << box.toStdString();
            continue;
        }
        EXPECT_TRUE(box.startsWith(parts.first())) << box.toStdString();
        qsizetype at = 0;
        for (const QString& part : parts) {
            const qsizetype found = box.indexOf(part, at);
            EXPECT_GE(found, 0) << "missing: " << part.toStdString() << "\nin: " << box.toStdString();
            at = found < 0 ? at : found + part.size();
        }
    }
}

// Archives nobody here wrote: each is refused with the database untouched and a box that
// begins with a German sentence on what is wrong; the engine's own text may follow it.
TEST(RestoreTrialTest, CraftedArchivesAreRefusedInGerman)
{
    const QString damaged =
        QStringLiteral("Die Datensicherung ist beschädigt und kann nicht eingespielt werden.\r\n\r\n");
    const QString invalid = QStringLiteral("Die Sicherungsdatei enthält keine gültige Datenbank!\r\n\r\n");
    struct Case {
        const char* name;
        std::function<void(const QString& archive, const QString& folder)> craft;
        QString boxStart;
    };
    const auto fromFolder = [](const QString& archive, const QString& folder) {
        QStringList members;
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            members.append(folder + u'/' + name);
        ASSERT_TRUE(TZipEngine().add(archive, members));
    };
    const QList<Case> cases{
        {"an archive of 0 bytes", [](const QString& archive, const QString&) { writeText(archive, {}); }, damaged},
        {"an archive of garbage",
         [](const QString& archive, const QString&) { writeText(archive, QByteArray(1000, 'g')); }, damaged},
        {"a wrong CRC in the table file",
         [fromFolder](const QString& archive, const QString& folder) {
             fromFolder(archive, folder);
             QByteArray raw = readAll(archive);
             // The stored CRC of every local and central header of Adressen.ADT, inverted.
             for (const QByteArray& sig : {QByteArrayLiteral("PK\x03\x04"), QByteArrayLiteral("PK\x01\x02")}) {
                 for (qsizetype at = raw.indexOf(sig); at >= 0; at = raw.indexOf(sig, at + 4)) {
                     const int crcAt = sig[2] == '\x03' ? 14 : 16;
                     const int nameAt = sig[2] == '\x03' ? 30 : 46;
                     if (raw.mid(at + nameAt, 12) == "Adressen.ADT") {
                         for (int i = 0; i < 4; ++i)
                             raw[at + crcAt + i] = char(~raw[at + crcAt + i]);
                     }
                 }
             }
             writeText(archive, raw);
         },
         damaged},
        {"an archive without the table file",
         [fromFolder](const QString& archive, const QString& folder) {
             ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/Adressen.ADT")));
             fromFolder(archive, folder);
         },
         invalid + QStringLiteral("Die Datei \"Adressen.ADT\" fehlt darin.")},
        {"a table file of another schema",
         [fromFolder](const QString& archive, const QString& folder) {
             const QString table = folder + QStringLiteral("/Adressen.ADT");
             ASSERT_TRUE(QFile::remove(table));
             ASSERT_EQ(runTool(QStringLiteral("/usr/bin/python3"),
                               {QStringLiteral("-c"),
                                QStringLiteral("import sqlite3,sys; c=sqlite3.connect(sys.argv[1]); "
                                               "c.execute('CREATE TABLE Fremd (a TEXT)'); c.commit()"),
                                table},
                               folder)
                           .exitCode,
                       0);
             fromFolder(archive, folder);
         },
         invalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewsTestDatabase db;
        db.connection.disconnect();
        const QString archive = db.env.root() + QStringLiteral("/BackupNews_11.12.2026.zip");
        const QString source = db.env.root() + QStringLiteral("/Quelle");
        ASSERT_TRUE(QDir().mkpath(source));
        for (const QString& name : QDir(db.folder()).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(db.folder() + u'/' + name, source + u'/' + name));
        c.craft(archive, source);
        const auto before = folderHashes(db.folder());

        const BackupResult result = RestoreWithoutWindow(db.folder(), archive);

        EXPECT_FALSE(result.succeeded());
        EXPECT_TRUE(folderHashes(db.folder()) == before) << "the database was changed";
        const QString box = BackupResultBox(result).text;
        EXPECT_TRUE(box.startsWith(c.boxStart)) << box.toStdString();
    }
}

// An "ADS_OLD" that is a link to nowhere is kept aside like any other, so the restore goes on.
TEST(RestoreTrialTest, ALinkToNowhereAsTheOldFolderDoesNotBlockTheRestore)
{
    NewsTestDatabase db;
    const QString archive = BackUpThenDeleteARecipient(db, QStringLiteral("BackupNews_11.12.2026.zip"));
    ASSERT_TRUE(QFile::link(db.env.root() + QStringLiteral("/nirgends"), AppPaths::oldDatabaseFolder()));

    const BackupResult result = RestoreWithoutWindow(db.folder(), archive);

    EXPECT_EQ(result.outcome, BackupOutcome::Restored) << BackupResultBox(result).text.toStdString();
    EXPECT_TRUE(folderHashes(db.folder()) == folderHashes(db.env.root() + QStringLiteral("/Quelle")))
        << "the database is not the archive's";
}

// A record that names no absolute folder is no record: the start goes by what it finds, and a
// missing database folder is put back from an intact "ADS_OLD".
TEST(RestoreTrialTest, ARecordWithARelativeFolderIsNotTrusted)
{
    for (const QByteArray& text : {QByteArrayLiteral("step=moving-aside\ndatabase=Datenbank\n"),
                                   QByteArrayLiteral("step=complete\ndatabase=.\n")}) {
        SCOPED_TRACE(text.toStdString());
        NewsTestDatabase db;
        db.connection.disconnect();
        const auto previous = folderHashes(db.folder());
        ASSERT_TRUE(QDir().rename(db.folder(), AppPaths::oldDatabaseFolder()));
        writeText(AppPaths::restoreRecordFile(), text);

        const TDatabaseRecovery recovery = RecoverDatabaseFolder(db.folder(), newsDatabaseSchema());

        EXPECT_EQ(recovery.kind, TDatabaseRecovery::Kind::Recovered);
        EXPECT_TRUE(folderHashes(db.folder()) == previous) << "the previous database is not in place";
        EXPECT_FALSE(QFileInfo::exists(AppPaths::restoreRecordFile()));
    }
}

// Another program writing to the database (a reserved or an exclusive lock, a change not yet
// committed): the restore refuses before it touches the folder with a box that names the
// holder, and the other program's transaction still commits.
TEST(RestoreTrialTest, ARestoreLeavesADatabaseAnotherProgramIsWritingAlone)
{
    for (const QString& begin : {QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("BEGIN EXCLUSIVE")}) {
        SCOPED_TRACE(begin.toStdString());
        NewsTestDatabase db;
        const QString archive = BackUpThenDeleteARecipient(db, QStringLiteral("BackupNews_11.12.2026.zip"));
        OtherProgramWriting writer(db.folder() + QStringLiteral("/Adressen.ADT"), begin);
        ASSERT_TRUE(writer.holding());
        const auto before = folderHashes(db.folder());
        const qint64 holder = writer.processId();

        const BackupResult result = RestoreWithoutWindow(db.folder(), archive);
        const auto during = folderHashes(db.folder());

        EXPECT_EQ(writer.finish(), QByteArrayLiteral("Neu")) << "the other program's commit failed";
        EXPECT_EQ(result.outcome, BackupOutcome::DatabaseLocked);
        EXPECT_TRUE(during == before) << "the database was changed under the other program";
        EXPECT_FALSE(QFileInfo::exists(AppPaths::oldDatabaseFolder()));
        EXPECT_FALSE(QFileInfo::exists(AppPaths::restoreRecordFile()));
        const QString expected =
            QStringLiteral("Die Datei \"Adressen.ADT\" der Datenbank im Verzeichnis \"") + db.folder() +
            QStringLiteral("\" wird von einem anderen Programm gesperrt (Prozess ") + QString::number(holder) +
            QStringLiteral(" (python3)). Bitte beenden Sie das andere Programm und versuchen Sie es danach "
                           "erneut.\r\n\r\nDie Datenbank bleibt unverändert.");
        EXPECT_EQ(BackupResultBox(result).text, expected);
    }
}

// A table file whose archive entry declares another size than its own header states (a valid
// header followed by a gigabyte of zeros) is refused before anything is extracted.
TEST(RestoreTrialTest, ATableFileOfAnotherSizeThanItsHeaderSaysIsRefusedBeforeItIsExtracted)
{
    for (const qint64 more : {qint64(1) << 30, qint64(-512)}) {
        SCOPED_TRACE(more);
        NewsTestDatabase db;
        db.connection.disconnect();
        const QString table = db.folder() + QStringLiteral("/Adressen.ADT");
        const qint64 size = QFileInfo(table).size();
        QFile file(table);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_EQ(DbFileSizeInHeader(file.read(kDbHeaderSize)), size) << "the test's table states no size";
        file.close();
        const QString archive = db.env.root() + QStringLiteral("/BackupNews_11.12.2026.zip");
        CraftArchiveWithMember(db.folder(), archive, QStringLiteral("Adressen.ADT"), QStringLiteral("declared-file"),
                               {table, QString::number(size + more)});
        const auto before = folderHashes(db.folder());

        int roomAsked = 0;
        const BackupResult result = RestoreWithoutWindow(db.folder(), archive, {}, {}, [&roomAsked](const QString&) {
            ++roomAsked;
            return qint64(1) << 50;
        });

        EXPECT_EQ(BackupResultBox(result).text,
                  QStringLiteral("Die Sicherungsdatei enthält keine gültige Datenbank!\r\n\r\nAdressen.ADT ist keine "
                                 "vollständige Datei der Datenbank: in der Sicherungsdatei ist sie ") +
                      QString::number(size + more) + QStringLiteral(" Bytes groß, ihr Dateikopf nennt ") +
                      QString::number(size) + QStringLiteral(" Bytes."));
        EXPECT_EQ(roomAsked, 0) << "the extraction was about to start";
        EXPECT_TRUE(folderHashes(db.folder()) == before) << "the database was changed";
        EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
        EXPECT_FALSE(QFileInfo::exists(AppPaths::oldDatabaseFolder()));
    }
}

} // namespace
