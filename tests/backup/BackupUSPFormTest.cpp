#include "backup/BackupUSPForm.h"

#include "controls/TFlatSB.h"
#include "desktop/MessageBoxes.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {
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
