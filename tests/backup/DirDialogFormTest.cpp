#include "backup/DirDialogForm.h"

#include "controls/FsDirectoryTree.h"
#include "controls/FsFileListBox.h"
#include "controls/FsTestSupport.h"
#include "controls/TFlatSB.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>

namespace {

class DirDialogFormTest : public FsTest {
protected:
    void SetUp() override
    {
        FsTest::SetUp();
        volumes.add(QStringLiteral("/"));
        volumes.add(root());
        makeFolder(QStringLiteral("Sicherung"));
        makeFile(QStringLiteral("Sicherung/BackupNews_01.12.2026.zip"));
        makeFile(QStringLiteral("Sicherung/BackupNews_01.12.2026.z01"));
        makeFile(QStringLiteral("Sicherung/andere.zip"));
    }

    void clickName(TDirDialogForm& picker, const QString& name)
    {
        const QList<QListWidgetItem*> items = picker.FsFileListBox1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        picker.FsFileListBox1->doItemsLayout();
        const QRect rect = picker.FsFileListBox1->visualItemRect(items.first());
        QTest::mouseClick(picker.FsFileListBox1->viewport(), Qt::LeftButton, {}, rect.center());
        idle(picker);
    }

    // What the event loop runs when it is about to wait.
    static void idle(TDirDialogForm& picker) { picker.findChild<CommandUpdater*>()->runIdleUpdates(); }

    FakeVolumeProvider volumes;
    FakeShellIcons icons;
};

TEST_F(DirDialogFormTest, OffersOnlyBackupArchivesAndOkWaitsForOne)
{
    MessageBoxRecorder boxes;
    TDirDialogForm picker(nullptr, &volumes, &icons);
    picker.show();
    EXPECT_EQ(picker.FsDT1->directory(), QDir::cleanPath(QDir::homePath()));
    picker.FsDT1->setDirectory(path(QStringLiteral("Sicherung")));
    idle(picker);
    QStringList shown;
    for (int i = 0; i < picker.FsFileListBox1->count(); ++i)
        shown.append(picker.FsFileListBox1->item(i)->text());
    EXPECT_EQ(shown, QStringList{QStringLiteral("BackupNews_01.12.2026.zip")});
    EXPECT_FALSE(picker.FlatSB2->isEnabled());

    clickName(picker, QStringLiteral("BackupNews_01.12.2026.zip"));
    ASSERT_TRUE(picker.FlatSB2->isEnabled());
    QTest::mouseClick(picker.FlatSB2, Qt::LeftButton, {}, picker.FlatSB2->rect().center());
    EXPECT_TRUE(picker.OKPressed);
    EXPECT_EQ(picker.SelectedFile, path(QStringLiteral("Sicherung/BackupNews_01.12.2026.zip")));
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(DirDialogFormTest, CancelAsksAndClosesOnlyOnYes)
{
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        MessageBoxRecorder boxes;
        boxes.answerNext(answer);
        TDirDialogForm picker(nullptr, &volumes, &icons);
        picker.show();
        QTest::mouseClick(picker.FlatSB1, Qt::LeftButton, {}, picker.FlatSB1->rect().center());
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Einspielen abbrechen?")});
        EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Question);
        EXPECT_EQ(boxes.boxes().first().buttons, MsgButtons::YesNo);
        EXPECT_EQ(picker.isVisible(), answer == MsgAnswer::No);
        EXPECT_FALSE(picker.OKPressed);
    }
}

} // namespace
