#include "core/PathSelectForm.h"

#include "controls/FsDirectoryTree.h"
#include "controls/FsTestSupport.h"
#include "controls/TFlatSB.h"
#include "desktop/MessageBoxes.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

namespace {

class PathSelectFormTest : public FsTest {
protected:
    void SetUp() override
    {
        FsTest::SetUp();
        volumes.add(QStringLiteral("/"));
        volumes.add(root());
        makeFolder(QStringLiteral("Daten/Vorlagen"));
        makeFile(QStringLiteral("Daten/liste.csv"));
    }

    FakeVolumeProvider volumes;
    FakeShellIcons icons;
};

TEST_F(PathSelectFormTest, OpensAtAnExistingStartFolderAndElseAtTheRoot)
{
    struct Case {
        const char* name;
        QString start;
        QString opened;
    };
    const QString folder = path(QStringLiteral("Daten/Vorlagen"));
    const QList<Case> cases = {
        {"existing folder", folder, folder},
        {"trailing slash", folder + u'/', folder},
        {"empty", QString(), QStringLiteral("/")},
        {"missing folder", path(QStringLiteral("Daten/Fehlt")), QStringLiteral("/")},
        {"a file", path(QStringLiteral("Daten/liste.csv")), QStringLiteral("/")},
        {"relative name", QStringLiteral("Daten"), QStringLiteral("/")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPathSelectForm picker(nullptr, &volumes, &icons);
        EXPECT_EQ(picker.windowTitle(), QStringLiteral("kubNEWSLETTER"));
        EXPECT_FALSE(picker.FsDT1->isReadOnly());
        picker.StartPath = c.start;
        picker.show();
        EXPECT_EQ(picker.FsDT1->directory(), c.opened);
        EXPECT_TRUE(picker.FlatSB2->isEnabled());
        EXPECT_FALSE(picker.Label1->text().isEmpty());
        picker.close();
        EXPECT_FALSE(picker.OKPressed());
        EXPECT_TRUE(picker.SelectedPath().isEmpty());
    }
}

TEST_F(PathSelectFormTest, OkHandsBackTheTreesFolderWithoutTrailingSlash)
{
    for (const QString& chosen : {path(QStringLiteral("Daten")), QStringLiteral("/")}) {
        TPathSelectForm picker(nullptr, &volumes, &icons);
        picker.StartPath = path(QStringLiteral("Daten/Vorlagen"));
        picker.show();
        ASSERT_TRUE(picker.FsDT1->setDirectory(chosen).ok());
        picker.FlatSB2->click();
        EXPECT_FALSE(picker.isVisible());
        EXPECT_EQ(picker.result(), QDialog::Accepted);
        EXPECT_TRUE(picker.OKPressed());
        EXPECT_EQ(picker.SelectedPath(), chosen);
    }
}

// Escape stands for the button, so it asks too; the close box does not.
TEST_F(PathSelectFormTest, CancelAsksOnlyInBackupModeThroughTheButtonAndEscape)
{
    enum class Way { Button, Escape, CloseBox };
    struct Case {
        const char* name;
        bool backupMode;
        Way way;
        QList<MsgAnswer> answers;
        int boxes;
        bool staysOpen;
    };
    const QList<Case> cases = {
        {"plain cancel", false, Way::Button, {}, 0, false},
        {"plain escape", false, Way::Escape, {}, 0, false},
        {"plain close box", false, Way::CloseBox, {}, 0, false},
        {"backup, answered No", true, Way::Button, {MsgAnswer::No}, 1, true},
        {"backup, answered Yes", true, Way::Button, {MsgAnswer::Yes}, 1, false},
        {"backup escape, answered No", true, Way::Escape, {MsgAnswer::No}, 1, true},
        {"backup close box", true, Way::CloseBox, {}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxRecorder recorder;
        for (MsgAnswer answer : c.answers)
            recorder.answerNext(answer);
        TPathSelectForm picker(nullptr, &volumes, &icons);
        picker.BackupMode = c.backupMode;
        picker.StartPath = root();
        picker.show();
        if (c.way == Way::CloseBox)
            picker.close();
        else if (c.way == Way::Escape)
            QTest::keyClick(&picker, Qt::Key_Escape);
        else
            picker.FlatSB1->click();
        ASSERT_EQ(recorder.boxes().size(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(recorder.boxes().at(0).text, QStringLiteral("Sicherung abbrechen?"));
            EXPECT_EQ(recorder.boxes().at(0).icon, MsgIcon::Question);
            EXPECT_EQ(recorder.boxes().at(0).buttons, MsgButtons::YesNo);
        }
        EXPECT_EQ(picker.isVisible(), c.staysOpen);
        EXPECT_FALSE(picker.OKPressed());
        EXPECT_TRUE(picker.SelectedPath().isEmpty());
    }
}

TEST_F(PathSelectFormTest, OkIsDisabledWhileNoFolderIsSelected)
{
    FakeVolumeProvider none;
    TPathSelectForm picker(nullptr, &none, &icons);
    // Inside the modal run only act and record; the checks follow once it has ended.
    QString startDirectory = QStringLiteral("(not run)");
    bool okAtStart = true;
    bool openAfterClick = false;
    bool selected = false;
    bool okAfterSelecting = false;
    QTimer::singleShot(0, &picker, [&] {
        startDirectory = picker.FsDT1->directory();
        okAtStart = picker.FlatSB2->isEnabled();
        picker.FlatSB2->click();
        openAfterClick = picker.isVisible();
        // A volume that appears gets a node; once one is selected, OK follows at the next idle moment.
        none.add(root());
        none.change();
        selected = picker.FsDT1->setDirectory(root()).ok();
        QTimer::singleShot(0, &picker, [&] {
            okAfterSelecting = picker.FlatSB2->isEnabled();
            picker.FlatSB2->click();
            if (picker.isVisible())
                picker.close();
        });
    });
    picker.exec();
    EXPECT_EQ(startDirectory, QString());
    EXPECT_FALSE(okAtStart);
    EXPECT_TRUE(openAfterClick) << "OK does nothing while no folder is selected";
    ASSERT_TRUE(selected);
    EXPECT_TRUE(okAfterSelecting);
    EXPECT_TRUE(picker.OKPressed());
    EXPECT_EQ(picker.SelectedPath(), root());
}

} // namespace
