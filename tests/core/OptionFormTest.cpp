#include "core/OptionForm.h"

#include "controls/FsDirectoryTree.h"
#include "controls/FsTestSupport.h"
#include "controls/TFlatSB.h"
#include "core/DFUEFrame.h"
#include "core/PathFrame.h"
#include "core/PathSelectForm.h"
#include "core/SettingsStore.h"
#include "desktop/MessageBoxes.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

const QString kSettingsMessage = QStringLiteral("Registrierungeinträge für Einstellungen fehlerhaft!");

const QString kStored = QStringLiteral("\"ImportPath\"=\"/daten/import\"\n\"TemplatePath\"=\"/daten/vorlagen\"\n"
                                       "\"DFUE\"=dword:00000001\n\"MAO\"=dword:00000005\n");

void switchTo(TOptionForm& form, int index)
{
    form.FTC1->setCurrentIndex(index);
}

TEST(OptionForm, ShowsTheStoredSettingsAndOkWritesTheEditedOnes)
{
    TestEnvironment env;
    env.writeStandardRegistry(kStored);
    MessageBoxRecorder recorder;
    TOptionForm form;
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(form.FTC1->currentIndex(), 0);
    ASSERT_NE(form.pathFrame(), nullptr);
    EXPECT_EQ(form.dfueFrame(), nullptr);
    EXPECT_EQ(form.pathFrame()->FE1->text(), QStringLiteral("/daten/import"));
    EXPECT_EQ(form.pathFrame()->FE2->text(), QStringLiteral("/daten/vorlagen"));
    form.pathFrame()->FE2->setText(QStringLiteral("/anders/vorlagen"));

    switchTo(form, 1);
    EXPECT_EQ(form.pathFrame(), nullptr);
    ASSERT_NE(form.dfueFrame(), nullptr);
    EXPECT_TRUE(form.dfueFrame()->FRB2->isChecked());
    EXPECT_EQ(form.dfueFrame()->FSE1->value(), 5);
    form.dfueFrame()->FRB1->setChecked(true);
    form.dfueFrame()->FSE1->setValue(250);

    // OK stores the page on show too.
    form.FlatSB3->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(recorder.boxes().isEmpty());
    EXPECT_EQ(ScreenCursor::current(), CursorShape::Default);
    EXPECT_EQ(ReadImportPath(), QStringLiteral("/daten/import"));
    EXPECT_EQ(ReadTemplatePath(), QStringLiteral("/anders/vorlagen"));
    EXPECT_TRUE(ReadDialUp());
    EXPECT_EQ(ReadMailsPerConnection(), 250);
}

TEST(OptionForm, CancelAndTheCloseBoxWriteNothingAfterEditsOnBothPages)
{
    for (const bool byCloseBox : {false, true}) {
        SCOPED_TRACE(byCloseBox ? "close box" : "Abbrechen");
        TestEnvironment env;
        env.writeStandardRegistry(kStored);
        const QString before = env.readRegistry();
        TOptionForm form;
        form.show();
        QTest::keyClicks(form.pathFrame()->FE1, QStringLiteral("/neu"));
        switchTo(form, 1);
        form.dfueFrame()->FSE1->setValue(9);
        switchTo(form, 0);
        // The typed folder survives the switch to the other page and back.
        EXPECT_EQ(form.pathFrame()->FE1->text(), QStringLiteral("/daten/import/neu"));
        switchTo(form, 1);
        EXPECT_EQ(form.dfueFrame()->FSE1->value(), 9);
        if (byCloseBox)
            form.close();
        else
            form.FlatSB1->click();
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(env.readRegistry(), before);
    }
}

TEST(OptionForm, MissingValuesAndKeyShowTheDefaults)
{
    struct Case {
        const char* name;
        bool keyExists;
        QStringList messages; // on show, then on OK
        QString storedAfterOk;
    };
    const QList<Case> cases = {
        {"values missing", true, {}, QStringLiteral("\"DFUE\"=dword:00000000")},
        {"key missing", false, {kSettingsMessage, kSettingsMessage}, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestEnvironment env;
        if (c.keyExists)
            env.writeStandardRegistry();
        else
            env.writeRegistry(QStringLiteral("Windows Registry Editor Version 5.00\n"));
        MessageBoxRecorder recorder;
        TOptionForm form;
        form.show();
        EXPECT_EQ(recorder.texts(), c.messages.mid(0, c.messages.size() / 2));
        EXPECT_TRUE(form.pathFrame()->FE1->text().isEmpty());
        EXPECT_TRUE(form.pathFrame()->FE2->text().isEmpty());
        switchTo(form, 1);
        EXPECT_TRUE(form.dfueFrame()->FRB1->isChecked());
        EXPECT_FALSE(form.dfueFrame()->FRB2->isChecked());
        EXPECT_EQ(form.dfueFrame()->FSE1->value(), 0);
        form.FlatSB3->click();
        EXPECT_EQ(recorder.texts(), c.messages);
        EXPECT_FALSE(form.isVisible());
        if (c.keyExists)
            EXPECT_TRUE(env.readRegistry().contains(c.storedAfterOk));
        else
            EXPECT_FALSE(env.readRegistry().contains(QStringLiteral("KUB")));
    }
}

TEST(OptionForm, NegativeMailCountsTurnIntoZeroAtOnce)
{
    TestEnvironment env;
    env.writeStandardRegistry(QStringLiteral("\"MAO\"=dword:ffffffff\n"));
    TOptionForm form;
    form.show();
    switchTo(form, 1);
    QSpinBox* count = form.dfueFrame()->FSE1;
    EXPECT_EQ(count->value(), 0); // a stored negative count
    count->setValue(-3);
    EXPECT_EQ(count->value(), 0);
    count->selectAll();
    QTest::keyClicks(count, QStringLiteral("-7"));
    EXPECT_EQ(count->value(), 0);
    count->selectAll();
    QTest::keyClicks(count, QStringLiteral("2147483647"));
    EXPECT_EQ(count->value(), 2147483647);
    form.FlatSB3->click();
    EXPECT_EQ(ReadMailsPerConnection(), 2147483647);
}

TEST(OptionForm, FoldersAreStoredAsTyped)
{
    // A full path is not checked further: a missing folder, blanks and the characters the
    // registry file must escape.
    const QString typed = QStringLiteral("/gibt es \"nicht\"\\ä ");
    TestEnvironment env;
    env.writeStandardRegistry(kStored);
    MessageBoxRecorder boxes;
    TOptionForm form;
    form.show();
    form.pathFrame()->FE1->setText(typed);
    form.pathFrame()->FE2->clear();
    form.FlatSB3->click();
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(ReadImportPath(), typed);
    EXPECT_TRUE(ReadTemplatePath().isEmpty());
}

// Nothing is resolved against the process's current folder: a relative folder is refused with a
// message and the dialog stays with what was typed; one stored earlier counts as none.
TEST(OptionForm, ARelativeFolderIsRefusedAndAStoredOneCountsAsNone)
{
    TestEnvironment env;
    env.writeStandardRegistry(kStored);
    MessageBoxRecorder boxes;
    TOptionForm form;
    form.show();
    for (const QString& relative :
         {QStringLiteral("vorlagen"), QStringLiteral("~/vorlagen"), QStringLiteral(" /daten")}) {
        SCOPED_TRACE(relative.toStdString());
        boxes.clear();
        form.pathFrame()->FE2->setText(relative);
        form.FlatSB3->click();
        EXPECT_TRUE(form.isVisible());
        ASSERT_EQ(boxes.boxes().size(), 1);
        EXPECT_EQ(boxes.boxes()[0].text,
                  QStringLiteral("Das Verzeichnis \"") + relative +
                      QStringLiteral("\" ist kein vollständiger Pfad.\r\n\r\nBitte geben Sie den "
                                     "vollständigen Pfad ab \"/\" ein oder wählen Sie das "
                                     "Verzeichnis über die Schaltfläche daneben aus."));
        EXPECT_EQ(form.pathFrame()->FE2->text(), relative);
        EXPECT_EQ(ReadTemplatePath(), QStringLiteral("/daten/vorlagen"));
    }

    env.writeStandardRegistry(QStringLiteral("\"ImportPath\"=\"import\"\n\"TemplatePath\"=\"./vorlagen\"\n"),
                              QStringLiteral("\"DBPath\"=\"Datenbank\"\n"));
    boxes.clear();
    EXPECT_TRUE(ReadImportPath().isEmpty());
    EXPECT_TRUE(ReadTemplatePath().isEmpty());
    bool failed = false;
    QString database;
    ReadDBPath(failed, database);
    EXPECT_TRUE(failed);
    EXPECT_TRUE(database.isEmpty());
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Werte für den Datenbankzugriff konnten nicht gelesen werden!")});
}

class OptionFormPickerTest : public FsTest {
protected:
    void SetUp() override
    {
        FsTest::SetUp();
        volumes.add(QStringLiteral("/"));
        volumes.add(root());
        makeFolder(QStringLiteral("Import/2024"));
        env.writeStandardRegistry(kStored);
    }

    // Clicks the edit's folder button and runs act inside the picker's modal loop; act records
    // what it sees, the caller checks it afterwards. A picker that act leaves open is closed, so
    // nothing hangs; runPicker reports it.
    void runPicker(TFlatSB* button, const std::function<void(TPathSelectForm&)>& act)
    {
        bool ran = false;
        bool leftOpen = false;
        QTimer::singleShot(0, button, [&] {
            const QPointer<QWidget> modal = QApplication::activeModalWidget();
            if (auto* picker = qobject_cast<TPathSelectForm*>(modal)) {
                ran = true;
                act(*picker);
            }
            leftOpen = modal && modal->isVisible();
            if (leftOpen)
                modal->close();
        });
        button->click();
        EXPECT_TRUE(ran) << "the picker came up";
        EXPECT_FALSE(leftOpen);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }

    TestEnvironment env;
    FakeVolumeProvider volumes;
    FakeShellIcons icons;
};

TEST_F(OptionFormPickerTest, PickerStartsAtTheEditsFolderAndOkReplacesIt)
{
    TOptionForm form(nullptr, &volumes, &icons);
    form.show();
    TPathFrame* page = form.pathFrame();
    page->FE1->setText(path(QStringLiteral("Import")));
    QString start;
    bool selected = false;
    runPicker(page->FlatSpeedButton1, [&](TPathSelectForm& picker) {
        start = picker.FsDT1->directory();
        selected = picker.FsDT1->setDirectory(path(QStringLiteral("Import/2024"))).ok();
        picker.FlatSB2->click();
    });
    EXPECT_EQ(start, path(QStringLiteral("Import")));
    ASSERT_TRUE(selected);
    EXPECT_EQ(page->FE1->text(), path(QStringLiteral("Import/2024")));
    EXPECT_EQ(page->FE2->text(), QStringLiteral("/daten/vorlagen"));
}

TEST_F(OptionFormPickerTest, CancelledPickerLeavesTheEditUnchanged)
{
    TOptionForm form(nullptr, &volumes, &icons);
    form.show();
    TPathFrame* page = form.pathFrame();
    const QString missing = path(QStringLiteral("Vorlagen/fehlt"));
    page->FE2->setText(missing);
    for (const bool byCloseBox : {false, true}) {
        QString start;
        bool selected = false;
        runPicker(page->FlatSpeedButton2, [&](TPathSelectForm& picker) {
            start = picker.FsDT1->directory();
            selected = picker.FsDT1->setDirectory(root()).ok();
            if (byCloseBox)
                picker.close();
            else
                picker.FlatSB1->click();
        });
        EXPECT_EQ(start, QStringLiteral("/"));
        EXPECT_TRUE(selected);
        EXPECT_EQ(page->FE2->text(), missing);
    }
}

} // namespace
