#include "backup/ZipEvents.h"

#include "FakeBackupProgress.h"
#include "platform/ZipEngine.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(ZipBarPositionTest, RoundsHalvesToEvenAndStaysOnTheBar)
{
    struct Case {
        qint64 done;
        qint64 size;
        int position;
    };
    const QList<Case> cases{
        {0, 100, 1},
        {1, 20000, 1}, // 0.5 rounds to 0
        {3, 20000, 3}, // 1.5 rounds to 2
        {5, 20000, 3}, // 2.5 rounds to 2
        {1, 3, 3334},  // 3333.33...
        {2, 3, 6668},  // 6666.67...
        {100, 100, 10001},
        {250, 100, 10001}, // more reported than announced
        {-5, 100, 1},
        {7, 0, 10001}, // a file of size 0 is full at once
        {qint64(1) << 40, qint64(1) << 41, 5001},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZipBarPosition(c.done, c.size), c.position) << c.done << "/" << c.size;
}

TEST(ZipEventsTest, MovesBothBarsAndShowsTheArchiveNameWhileCopying)
{
    FakeBackupProgress progress;
    TZipEvents events(progress);
    events.ZipMaster1Progress(ZipProgressKind::TotalSize, {}, 400);
    events.ZipMaster1Progress(ZipProgressKind::NewFile, QStringLiteral("/work/Tmp/Adressen.ADT"), 200);
    EXPECT_EQ(progress.file, QStringLiteral("/work/Tmp/Adressen.ADT"));
    events.ZipMaster1Progress(ZipProgressKind::Bytes, QStringLiteral("/work/Tmp/Adressen.ADT"), 100);
    EXPECT_EQ(progress.fileBar, 5001);
    EXPECT_EQ(progress.totalBar, 2501);
    events.ZipMaster1Progress(ZipProgressKind::NewFile, QStringLiteral("leer"), 0);
    events.ZipMaster1Progress(ZipProgressKind::Bytes, QStringLiteral("leer"), 0);
    EXPECT_EQ(progress.fileBar, 10001);

    events.ShowZipName = true;
    events.CurrentZipName = QStringLiteral("BackupNews_10.12.2026.zip");
    events.ZipMaster1Progress(ZipProgressKind::NewFile, QStringLiteral("/work/Tmp/BackupNews_10.12.2026.zip"), 9);
    EXPECT_EQ(progress.file, QStringLiteral("BackupNews_10.12.2026.zip"));
}

TEST(ZipEventsTest, ACancelInTheWindowSetsTheEnginesFlag)
{
    FakeBackupProgress progress;
    TZipEngine engine;
    TZipEvents events(progress);
    events.attach(engine);
    events.ZipMaster1Progress(ZipProgressKind::NewFile, QStringLiteral("a"), 10);
    EXPECT_FALSE(engine.cancel());
    progress.cancelled = true;
    events.ZipMaster1Progress(ZipProgressKind::Bytes, QStringLiteral("a"), 5);
    EXPECT_TRUE(engine.cancel());
}

// The first message with a code is the run's result; later ones do not replace it.
TEST(ZipEventsTest, TheFirstEngineMessageIsKept)
{
    struct Case {
        QList<int> codes;
        std::optional<BackupOutcome> outcome;
        QStringList details;
    };
    const QList<Case> cases{
        {{0}, std::nullopt, {}},
        {{TZipEngine::kCancelledCode}, BackupOutcome::Cancelled, {}},
        {{14, TZipEngine::kCancelledCode}, BackupOutcome::ZipEngineError, {QStringLiteral("14"), QStringLiteral("m")}},
        {{0, TZipEngine::kDamagedCode, 7}, BackupOutcome::ArchiveDamaged, {QStringLiteral("m")}},
        {{TZipEngine::kDiskFullCode}, BackupOutcome::DiskFull, {QStringLiteral("m")}},
    };
    for (const Case& c : cases) {
        FakeBackupProgress progress;
        TZipEvents events(progress);
        for (const int code : c.codes)
            events.ZipMaster1Message(code, QStringLiteral("m"));
        ASSERT_EQ(events.message().has_value(), c.outcome.has_value()) << c.codes.first();
        if (c.outcome) {
            EXPECT_EQ(events.message()->outcome, *c.outcome);
            EXPECT_EQ(events.message()->details, c.details);
        }
    }
}

} // namespace
