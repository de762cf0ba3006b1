#include "backup/RestoreRun.h"

#include "FakeBackupProgress.h"
#include "core/DMTestDatabase.h"
#include "platform/AppPaths.h"
#include "platform/ZipEngine.h"
#include "platform/ZipTestSupport.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Answers the restore's questions from fields and records what it was told.
class FakeQuestions : public IBackupQuestions {
public:
    std::optional<QString> chooseTarget() override { return std::nullopt; }
    bool askOtherTarget() override { return false; }
    MediumAnswer askNextMedium(int, const QString&) override { return MediumAnswer::Cancel; }
    std::optional<QString> chooseArchive() override { return archive; }
    bool confirmRestore(const QString& name) override
    {
        asked.append(name);
        return confirm;
    }
    MediumAnswer askForVolume(int, const QString&, const QString&) override { return MediumAnswer::Cancel; }
    std::optional<QString> chooseVolumeFolder(int, const QString&) override { return std::nullopt; }
    void oldFolderKept(const QString&, const QString& kept) override { told.append(kept); }
    void tell(const BackupResult& problem) override { told.append(BackupResultBox(problem).text); }

    std::optional<QString> archive;
    bool confirm = true;
    QStringList asked;
    QStringList told;
};

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
        // The archive holds the fixture; the live database then loses a recipient.
        const QString source = db.env.root() + QStringLiteral("/Quelle");
        ASSERT_TRUE(QDir().mkpath(source));
        QStringList members;
        for (const QString& name : QDir(db.folder()).entryList(QDir::Files)) {
            ASSERT_TRUE(QFile::copy(db.folder() + u'/' + name, source + u'/' + name));
            members.append(source + u'/' + name);
        }
        db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Adressen WHERE ID = 2"));
        db.connection.disconnect();
        const QString archive = db.env.root() + QStringLiteral("/BackupNews_01.12.2026.zip");
        ASSERT_TRUE(TZipEngine().add(archive, members));
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
    }
}

} // namespace
