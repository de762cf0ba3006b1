#include "core/CopyAndPack.h"

#include "NewsModuleFixture.h"
#include "core/BackupUSPForm.h"
#include "desktop/MessageBoxes.h"

#include <QDir>
#include <QFile>
#include <QProgressBar>

namespace {

class CopyAndPackTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(dest())); }

    QString dest() const { return module.root() + QStringLiteral("/Tmp"); }
    QStringList copied() const { return QDir(dest()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    NewsModuleFixture module;
    MessageBoxRecorder boxes;
    TBackupUSPForm form;
};

TEST_F(CopyAndPackTest, CopiesAConsistentPackedDatabaseAndReadsTheLiveOneOnly)
{
    module.dm->AdsConnection1.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Adressen WHERE ID = 2"));
    const QString before = module.content();

    ASSERT_TRUE(CopyAndPackDatabase(*module.dm, &form, dest()));
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(copied(), (QStringList{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"),
                                     QStringLiteral("Verfasser.ADI"), QStringLiteral("Verfasser.ADT")}));
    EXPECT_TRUE(DbConnection::checkFolder(dest(), module.dm->AdsConnection1.schema()).ok);
    EXPECT_EQ(form.FPB2->maximum(), 6);
    EXPECT_EQ(form.FPB2->value(), 6);
    EXPECT_FALSE(module.dm->AdsConnection2.isConnected());

    module.dm->AdsConnection1.setConnectPath(dest());
    module.dm->AdsConnection1.disconnect();
    module.dm->AdsConnection1.connect();
    EXPECT_EQ(module.content(), before);
}

// Each way out: result, box, queries following their controls again, copy connection closed.
TEST(CopyAndPackFailureTest, EveryFailureAndCancelEndsCleanly)
{
    struct Case {
        const char* name;
        int cancelAtPoll;     // 0: never
        QString missingFile;  // removed from the database folder first
        QString failingStage; // throws there
        QStringList boxes;
        QStringList copied;
    };
    const QStringList all{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"),
                          QStringLiteral("Verfasser.ADI"), QStringLiteral("Verfasser.ADT")};
    const QList<Case> cases{
        {"cancel at the first check", 1, {}, {}, {}, {}},
        {"cancel while packing", 9, {}, {}, {}, all},
        {"the third file missing",
         0,
         QStringLiteral("Verfasser.ADI"),
         {},
         {QStringLiteral("Das Datenbankfile \"Verfasser.ADI\" konnte nicht kopiert werden!")},
         all.mid(0, 2)},
        {"the second connection refused",
         0,
         {},
         QStringLiteral("connect"),
         {QStringLiteral("#164 AdsConnection2: unable to open")},
         all},
        {"a pack failure",
         0,
         {},
         QStringLiteral("pack:Verfasser"),
         {QStringLiteral("Zugriff auf Datenbank konnte nicht korrekt durchgeführt werden!\r\n\r\n"
                         "AdsTable1: unable to open")},
         all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewsModuleFixture fresh;
        MessageBoxRecorder recorder;
        const QString target = fresh.root() + QStringLiteral("/Tmp");
        ASSERT_TRUE(QDir().mkpath(target));
        if (!c.missingFile.isEmpty()) {
            ASSERT_TRUE(QFile::remove(fresh.folder() + u'/' + c.missingFile));
        }
        TBackupUSPForm window;
        int polls = 0;
        window.setPollHook([&](TBackupUSPForm& f) {
            if (++polls == c.cancelAtPoll)
                f.Cancelled = true;
        });
        TCopyAndPackSeams seams;
        seams.beforeStage = [&](const QString& stage) {
            if (stage == c.failingStage)
                throw EDatabaseError(stage == QLatin1String("connect") ? QStringLiteral("AdsConnection2")
                                                                       : QStringLiteral("AdsTable1"),
                                     QStringLiteral("unable to open"));
        };

        EXPECT_FALSE(CopyAndPackDatabase(*fresh.dm, &window, target, seams));
        EXPECT_EQ(recorder.texts(), c.boxes);
        EXPECT_EQ(QDir(target).entryList(QDir::Files | QDir::Hidden, QDir::Name), c.copied);
        EXPECT_FALSE(fresh.dm->EmpfQuery.controlsDisabled());
        EXPECT_FALSE(fresh.dm->AbsendQuery.controlsDisabled());
        EXPECT_FALSE(fresh.dm->AdsConnection2.isConnected());
        EXPECT_FALSE(fresh.dm->AdsTable1.isOpen());
    }
}

} // namespace
