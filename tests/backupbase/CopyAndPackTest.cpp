#include "backup/CopyAndPack.h"

#include "FakeBackupProgress.h"
#include "core/DMTestDatabase.h"
#include "platform/DbTable.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>

namespace {

const QStringList kAll{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"), QStringLiteral("Verfasser.ADI"),
                       QStringLiteral("Verfasser.ADT")};

// The test database with the handles a backup borrows from the database module.
struct BackupDatabase {
    BackupDatabase() { EXPECT_TRUE(QDir().mkpath(dest())); }

    QString dest() const { return db.env.root() + QStringLiteral("/Tmp"); }
    QStringList copied() const { return QDir(dest()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    NewsTestDatabase db;
    DbConnection copy{QStringLiteral("AdsConnection2"), newsDatabaseSchema()};
    DbTable packer{copy, QStringLiteral("AdsTable1")};
    DbQuery recipients{db.connection, QStringLiteral("EmpfQuery")};
    DbQuery senders{db.connection, QStringLiteral("AbsendQuery")};
    TBackupDatabase handles{db.connection, copy, packer, {&recipients, &senders}};
    FakeBackupProgress progress;
};

QString content(NewsTestDatabase& db)
{
    return db.rows(QStringLiteral("SELECT * FROM Verfasser ORDER BY ID")) + u'#' +
           db.rows(QStringLiteral("SELECT * FROM Adressen ORDER BY ID"));
}

TEST(CopyAndPackTest, CopiesAConsistentPackedDatabaseAndReadsTheLiveOneOnly)
{
    BackupDatabase b;
    b.db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Adressen WHERE ID = 2"));
    const QString before = content(b.db);

    const BackupResult result = CopyAndPackDatabase(b.handles, b.progress, b.dest());
    EXPECT_EQ(result.outcome, BackupOutcome::BackedUp);
    EXPECT_EQ(b.copied(), kAll);
    EXPECT_TRUE(DbConnection::checkFolder(b.dest(), newsDatabaseSchema()).ok);
    EXPECT_EQ(b.progress.totalMax, 6);
    EXPECT_EQ(b.progress.totalBar, 6);
    EXPECT_FALSE(b.copy.isConnected());

    b.db.connection.disconnect();
    b.db.connection.setConnectPath(b.dest());
    b.db.connection.connect();
    EXPECT_EQ(content(b.db), before);
}

// Each way out: result, views following their controls again, copy connection closed.
TEST(CopyAndPackTest, EveryFailureAndCancelEndsCleanly)
{
    struct Case {
        const char* name;
        int cancelAtPoll;     // 0: never
        QString missingFile;  // removed from the database folder first
        QString failingStage; // throws there
        BackupOutcome outcome;
        QStringList details;
        QStringList copied;
    };
    const QList<Case> cases{
        {"cancel at the first check", 1, {}, {}, BackupOutcome::Cancelled, {}, {}},
        {"cancel while packing", 9, {}, {}, BackupOutcome::Cancelled, {}, kAll},
        {"the third file missing",
         0,
         QStringLiteral("Verfasser.ADI"),
         {},
         BackupOutcome::FileNotCopied,
         {QStringLiteral("Verfasser.ADI")},
         kAll.mid(0, 2)},
        {"the second connection refused",
         0,
         {},
         QStringLiteral("connect"),
         BackupOutcome::CopyNotConnected,
         {QStringLiteral("AdsConnection2: unable to open")},
         kAll},
        {"a pack failure",
         0,
         {},
         QStringLiteral("pack:Verfasser"),
         BackupOutcome::PackFailed,
         {QStringLiteral("AdsTable1: unable to open")},
         kAll},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BackupDatabase b;
        if (!c.missingFile.isEmpty()) {
            ASSERT_TRUE(QFile::remove(b.db.folder() + u'/' + c.missingFile));
        }
        b.progress.pollHook = [&c](FakeBackupProgress& p) {
            if (p.polls == c.cancelAtPoll)
                p.cancelled = true;
        };
        TCopyAndPackSeams seams;
        seams.beforeStage = [&](const QString& stage) {
            if (stage == c.failingStage)
                throw EDatabaseError(stage == QLatin1String("connect") ? QStringLiteral("AdsConnection2")
                                                                       : QStringLiteral("AdsTable1"),
                                     QStringLiteral("unable to open"));
        };

        const BackupResult result = CopyAndPackDatabase(b.handles, b.progress, b.dest(), seams);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.details, c.details);
        EXPECT_EQ(b.copied(), c.copied);
        EXPECT_FALSE(b.recipients.controlsDisabled());
        EXPECT_FALSE(b.senders.controlsDisabled());
        EXPECT_FALSE(b.copy.isConnected());
        EXPECT_FALSE(b.packer.isOpen());
    }
}

} // namespace
