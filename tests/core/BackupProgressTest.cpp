#include "controls/TFlatSB.h"
#include "core/BackupUSPForm.h"
#include "core/ZipEvents.h"
#include "desktop/MessageBoxes.h"
#include "platform/ZipEngine.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>

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
    TBackupUSPForm form;
    form.setBarMaxima(10001, 10001);
    TZipEvents events;
    events.ProgressForm = &form;
    events.ZipMaster1Progress(ZipProgressKind::TotalSize, {}, 400);
    events.ZipMaster1Progress(ZipProgressKind::NewFile, QStringLiteral("/work/Tmp/Adressen.ADT"), 200);
    EXPECT_EQ(form.Label3->text(), QStringLiteral("/work/Tmp/Adressen.ADT"));
    events.ZipMaster1Progress(ZipProgressKind::Bytes, QStringLiteral("/work/Tmp/Adressen.ADT"), 100);
    EXPECT_EQ(form.FPB1->value(), 5001);
    EXPECT_EQ(form.FPB2->value(), 2501);
    events.ZipMaster1Progress(ZipProgressKind::NewFile, QStringLiteral("leer"), 0);
    events.ZipMaster1Progress(ZipProgressKind::Bytes, QStringLiteral("leer"), 0);
    EXPECT_EQ(form.FPB1->value(), 10001);

    events.ShowZipName = true;
    events.CurrentZipName = QStringLiteral("BackupNews_10.12.2026.zip");
    events.ZipMaster1Progress(ZipProgressKind::NewFile, QStringLiteral("/work/Tmp/BackupNews_10.12.2026.zip"), 9);
    EXPECT_EQ(form.Label3->text(), QStringLiteral("BackupNews_10.12.2026.zip"));
}

TEST(ZipEventsTest, ACancelInTheWindowSetsTheEnginesFlag)
{
    TBackupUSPForm form;
    TZipEngine engine;
    TZipEvents events;
    events.attach(engine);
    events.ProgressForm = &form;
    events.ZipMaster1Progress(ZipProgressKind::NewFile, QStringLiteral("a"), 10);
    EXPECT_FALSE(engine.cancel());
    form.Cancelled = true;
    events.ZipMaster1Progress(ZipProgressKind::Bytes, QStringLiteral("a"), 5);
    EXPECT_TRUE(engine.cancel());
}

TEST(ZipEventsTest, EngineMessagesSetTheFlagAndOnlyRealErrorsShowABox)
{
    struct Case {
        int code;
        QStringList boxes;
        bool flag;
    };
    const QList<Case> cases{
        {0, {}, false},
        {TZipEngine::kCancelledCode, {}, true},
        {7, {QStringLiteral("Fehlercode: 7  Adressen.ADT: CRC error")}, true},
    };
    for (const Case& c : cases) {
        MessageBoxRecorder boxes;
        TZipEvents events;
        events.ZipMaster1Message(c.code, QStringLiteral("Adressen.ADT: CRC error"));
        EXPECT_EQ(boxes.texts(), c.boxes) << c.code;
        EXPECT_EQ(events.ZipErrorFlag, c.flag) << c.code;
        if (!c.boxes.isEmpty()) {
            EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Warning);
        }
    }
}

TEST(BackupUSPFormTest, TheCancelButtonAndEscapeAskFirstAndTheWindowStays)
{
    for (const bool escape : {false, true}) {
        for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
            MessageBoxRecorder boxes;
            boxes.answerNext(answer);
            TBackupUSPForm form;
            form.show();
            if (escape)
                QTest::keyClick(&form, Qt::Key_Escape);
            else
                QTest::mouseClick(form.FlatSB1, Qt::LeftButton, {}, form.FlatSB1->rect().center());
            EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Sicherung abbrechen?")});
            EXPECT_EQ(form.isCancelled(), answer == MsgAnswer::Yes);
            EXPECT_TRUE(form.isVisible());
            EXPECT_FALSE(form.close());
        }
    }
}

TEST(BackupUSPFormTest, EscapeDoesNothingWhileTheCopyCannotBeCancelled)
{
    MessageBoxRecorder boxes;
    TBackupUSPForm form;
    form.show();
    form.FlatSB1->setEnabled(false);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_FALSE(form.Cancelled);
    EXPECT_TRUE(form.isVisible());
}

} // namespace
