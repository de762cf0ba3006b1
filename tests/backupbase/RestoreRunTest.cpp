#include "backup/RestoreRun.h"

#include "CraftedMember.h"
#include "FakeBackupProgress.h"
#include "FakeBackupQuestions.h"
#include "NewerBackup.h"
#include "RestoreWithoutWindow.h"
#include "core/DMTestDatabase.h"
#include "platform/AppPaths.h"
#include "platform/ZipEngine.h"
#include "platform/ZipTestSupport.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Without a window: the run tells how it ended, the database folder is replaced only on success.
TEST(RestoreRunTest, EndsWithItsResultAndTouchesTheDatabaseOnlyOnSuccess)
{
    struct Case {
        const char* name;
        bool confirm;
        bool renameRefused;
        BackupOutcome outcome;
        bool replaced;
        int windowsOpened;
    };
    const QList<Case> cases{
        {"restored", true, false, BackupOutcome::Restored, true, 1},
        {"the question answered No", false, false, BackupOutcome::Cancelled, false, 0},
        {"the move aside refused", true, true, BackupOutcome::FolderNotMoved, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewsTestDatabase db;
        const QString archive = BackUpThenDeleteARecipient(db, QStringLiteral("BackupNews_01.12.2026.zip"));
        const QString source = db.env.root() + QStringLiteral("/Quelle");
        const auto before = folderHashes(db.folder());

        FakeBackupProgress progress;
        FakeQuestions questions;
        questions.archive = archive;
        questions.confirm = c.confirm;
        TRestoreRunSeams seams;
        seams.disconnect = [] { return true; };
        if (c.renameRefused)
            seams.files.rename = [](const QString&, const QString&) { return false; };
        const BackupResult result =
            TRestoreRun(db.folder(), newsDatabaseSchema(), progress, questions, seams).execute();

        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_FALSE(result.previousNotRestored);
        EXPECT_EQ(questions.asked, QStringList{QStringLiteral("BackupNews_01.12.2026.zip")});
        EXPECT_EQ(progress.opened, c.windowsOpened);
        EXPECT_EQ(progress.closed, c.windowsOpened);
        EXPECT_EQ(folderHashes(db.folder()), c.replaced ? folderHashes(source) : before);
        EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
        EXPECT_FALSE(QFileInfo::exists(AppPaths::oldDatabaseFolder()));
        // However it ended, nothing is left for the next start to act on.
        EXPECT_FALSE(QFileInfo::exists(AppPaths::restoreRecordFile()));
    }
}

// A member that is no file of the database is refused from its first bytes, before anything
// is extracted, however large it declares itself.
TEST(RestoreRunTest, AMemberThatIsNoDatabaseFileIsRefusedBeforeItIsExtracted)
{
    struct Case {
        const char* name;
        QString member;
        int size;
        qint64 declared;
    };
    const QList<Case> cases{
        {"a table file declaring 4 GiB", QStringLiteral("Adressen.ADT"), 100, 4294967294},
        {"an empty table file", QStringLiteral("Verfasser.ADT"), 0, 0},
        {"an index file of another kind", QStringLiteral("Verfasser.ADI"), 100, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewsTestDatabase db;
        db.connection.disconnect();
        const QString archive = db.env.root() + QStringLiteral("/BackupNews_02.12.2026.zip");
        CraftArchiveWithMember(db.folder(), archive, c.member, QStringLiteral("declared"),
                               {QString::number(c.size), QString::number(c.declared)});
        const auto before = folderHashes(db.folder());

        int roomAsked = 0;
        const BackupResult result = RestoreWithoutWindow(db.folder(), archive, {}, {}, [&roomAsked](const QString&) {
            ++roomAsked;
            return qint64(1) << 50;
        });

        EXPECT_EQ(result.outcome, BackupOutcome::InvalidDatabase);
        EXPECT_EQ(BackupResultBox(result).text,
                  QStringLiteral("Die Sicherungsdatei enthält keine gültige Datenbank!\r\n\r\n") + c.member +
                      QStringLiteral(" ist keine Datei der Datenbank."));
        // The room for the extraction is asked for just before it: never reached.
        EXPECT_EQ(roomAsked, 0);
        EXPECT_EQ(folderHashes(db.folder()), before);
        EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
        EXPECT_FALSE(QFileInfo::exists(AppPaths::oldDatabaseFolder()));
        EXPECT_FALSE(QFileInfo::exists(AppPaths::restoreRecordFile()));
    }
}

} // namespace
