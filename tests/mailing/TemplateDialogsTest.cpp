#include "controls/FsDirectoryTree.h"
#include "controls/FsFileListBox.h"
#include "controls/FsTestSupport.h"
#include "controls/TFlatSB.h"
#include "desktop/MessageBoxes.h"
#include "mailing/BetreffForm.h"
#include "mailing/NewsForm.h"
#include "mailing/NewsPreview.h"
#include "mailing/TemplatePreviewView.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"
#include "support/TestEnvironment.h"
#include "support/TestWait.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace {

class TemplateDialogTest : public FsTest {
protected:
    void SetUp() override
    {
        FsTest::SetUp();
        volumes.add(QStringLiteral("/"));
        makeFolder(QStringLiteral("Vorlagen/Bilder"));
        makeFolder(QStringLiteral("Leer"));
        makeFile(QStringLiteral("Vorlagen/Brief.html"));
        makeFile(QStringLiteral("Vorlagen/Gruss.htm"));
        makeFile(QStringLiteral("Vorlagen/Notiz.txt"));
    }

    std::unique_ptr<TNewsForm> newForm(TNewsFormSeams seams = {})
    {
        seams.volumes = &volumes;
        seams.icons = &icons;
        auto form = std::make_unique<TNewsForm>(nullptr, std::move(seams));
        return form;
    }

    void showAt(TNewsForm& form, const QString& templatePath)
    {
        env.writeStandardRegistry(QStringLiteral("\"TemplatePath\"=\"%1\"\n").arg(templatePath));
        form.show();
        QCoreApplication::processEvents();
    }

    TestEnvironment env;
    FakeVolumeProvider volumes;
    FakeShellIcons icons;
    MessageBoxRecorder boxes;
};

TEST_F(TemplateDialogTest, ListsTheHtmlFilesOfTheTemplateFolderAndReportsTheChosenOne)
{
    auto form = newForm();
    showAt(*form, path(QStringLiteral("Vorlagen")));
    EXPECT_EQ(form->FsDirectoryTree1->directory(), path(QStringLiteral("Vorlagen")));
    QStringList names;
    for (int row = 0; row < form->FsFileListBox1->count(); ++row)
        names << form->FsFileListBox1->item(row)->text();
    EXPECT_TRUE(names.contains(QStringLiteral("Brief.html")));
    EXPECT_TRUE(names.contains(QStringLiteral("Gruss.htm")));
    EXPECT_FALSE(names.contains(QStringLiteral("Notiz.txt")));
    EXPECT_TRUE(form->FileName.isEmpty());

    form->FsFileListBox1->selectFileName(QStringLiteral("Gruss.htm"));
    EXPECT_EQ(form->FileName, path(QStringLiteral("Vorlagen/Gruss.htm")));
    // Another folder clears the choice.
    form->FsDirectoryTree1->setDirectory(path(QStringLiteral("Leer")));
    EXPECT_TRUE(form->FileName.isEmpty());
    form->NewsVorschauUpdate();
    EXPECT_FALSE(form->NewsWeiter->isEnabled());
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(TemplateDialogTest, StartFolderFallsBackToTheSamplesThenTheProgramFolder)
{
    struct Case {
        QString settings, samples, program, expected;
    };
    const QString existing = path(QStringLiteral("Vorlagen"));
    const QString samples = path(QStringLiteral("Leer"));
    const QString gone = path(QStringLiteral("Weg"));
    const QString program = path(QStringLiteral("Programm"));
    const QList<Case> cases{
        {existing, samples, program, existing}, {gone, samples, program, samples}, {{}, samples, program, samples},
        {gone, gone, program, program},         {{}, {}, program, program},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings.toStdString());
        EXPECT_EQ(TNewsForm::chooseStartFolder(c.settings, c.samples, c.program), c.expected);
    }

    // With a vanished template folder the dialog opens at the shipped samples, without a box.
    auto form = newForm();
    showAt(*form, gone);
    EXPECT_EQ(form->FsDirectoryTree1->directory(), AppPaths::assetPath(QStringLiteral("Templates/Beispiele")));
    EXPECT_GE(form->FsFileListBox1->count(), 2);
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(TemplateDialogTest, EnablingFollowsModeSelectionAndMemo)
{
    struct Case {
        bool textOnly;
        bool selected;
        const char* memo;
        bool preview;
        bool weiter;
        bool save;
    };
    const QList<Case> cases{
        {false, false, "", false, false, false}, {false, false, "Hallo", false, false, true},
        {false, true, "", true, true, false},    {false, true, "Hallo", true, true, true},
        {true, false, "", false, false, false},  {true, false, "x", false, true, true},
        {true, true, "", false, false, false},   {true, true, " ", false, true, true},
    };
    auto form = newForm();
    showAt(*form, path(QStringLiteral("Vorlagen")));
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.textOnly << c.selected << c.memo);
        form->FsFileListBox1->selectFileName(c.selected ? QStringLiteral("Brief.html") : QString());
        if (form->FCB1->isChecked() != c.textOnly)
            form->FCB1->click();
        form->FM1->setPlainText(QString::fromUtf8(c.memo));
        form->NewsVorschauUpdate();
        form->NewsSaveUpdate();
        EXPECT_EQ(form->NewsVorschau->isEnabled(), c.preview);
        EXPECT_EQ(form->FlatSB2->isEnabled(), c.preview);
        EXPECT_EQ(form->NewsWeiter->isEnabled(), c.weiter);
        EXPECT_EQ(form->FlatSB1->isEnabled(), c.weiter);
        EXPECT_EQ(form->NewsSave->isEnabled(), c.save);
        EXPECT_TRUE(form->NewsOpen->isEnabled());
        EXPECT_EQ(form->FsDirectoryTree1->isEnabled(), !c.textOnly);
        EXPECT_EQ(form->FsFileListBox1->isEnabled(), !c.textOnly);
        EXPECT_EQ(form->Label1->isEnabled(), !c.textOnly);
        EXPECT_EQ(form->TextOnly, c.textOnly);
    }
}

TEST_F(TemplateDialogTest, GetResultKeepsTheFileAcrossTextOnlyAndDropsTheFinalLineBreak)
{
    struct Case {
        QString memo;
        QStringList lines;
    };
    const QList<Case> cases{
        {{}, {}},
        {QStringLiteral("eine Zeile"), {QStringLiteral("eine Zeile")}},
        {QStringLiteral("a\nb\n"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\n\n"), {QStringLiteral("a"), QString()}},
        {QStringLiteral("\n"), {QString()}},
    };
    auto form = newForm();
    showAt(*form, path(QStringLiteral("Vorlagen")));
    form->FsFileListBox1->selectFileName(QStringLiteral("Brief.html"));
    form->FCB1->click();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.memo.toStdString());
        form->FM1->setPlainText(c.memo);
        QStringList lines{QStringLiteral("alt")};
        bool textOnly = false;
        QString fileName;
        form->GetResult(lines, textOnly, fileName);
        EXPECT_EQ(lines, c.lines);
        EXPECT_TRUE(textOnly);
        EXPECT_EQ(fileName, path(QStringLiteral("Vorlagen/Brief.html")));
    }
    form->FM1->setPlainText(QStringLiteral("Text"));
    form->NewsVorschauUpdate();
    form->NewsWeiter->trigger();
    EXPECT_EQ(form->Result, 1);
    EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(TemplateDialogTest, CancelLeavesResultZero)
{
    auto form = newForm();
    showAt(*form, path(QStringLiteral("Vorlagen")));
    form->FlatSB5->click();
    EXPECT_EQ(form->Result, 0);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(TemplateDialogTest, TextFilesRoundTripInTheirCodings)
{
    struct Case {
        QByteArray file;
        QString memo;
        QByteArray saved;
    };
    const QList<Case> cases{
        // Windows-1252 in, Windows-1252 out, CR LF after every line.
        {QByteArray("Gr\xfc\xdf"
                    "e\r\nZeile 2\r\n"),
         QStringLiteral("Grüße\nZeile 2\n"),
         QByteArray("Gr\xfc\xdf"
                    "e\r\nZeile 2\r\n")},
        // Valid UTF-8 with characters beyond Windows-1252 stays UTF-8.
        {QByteArray("Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87\n"), QStringLiteral("Zażółć\n"),
         QByteArray("Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87\r\n")},
        // A lone CR ends a line too.
        {QByteArray("a\rb"), QStringLiteral("a\nb"), QByteArray("a\r\nb\r\n")},
    };
    auto form = newForm();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        QFile in(path(QStringLiteral("in.txt")));
        ASSERT_TRUE(in.open(QIODevice::WriteOnly));
        in.write(c.file);
        in.close();
        ASSERT_TRUE(form->loadText(in.fileName()));
        EXPECT_EQ(form->FM1->toPlainText(), c.memo);
        ASSERT_TRUE(form->saveText(path(QStringLiteral("out.txt"))));
        QFile out(path(QStringLiteral("out.txt")));
        ASSERT_TRUE(out.open(QIODevice::ReadOnly));
        EXPECT_EQ(out.readAll(), c.saved);
    }
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(TemplateDialogTest, FailedSaveShows157AndKeepsMemoAndDialog)
{
    auto form = newForm(
        TNewsFormSeams{nullptr, nullptr, {}, [this](QWidget*) { return path(QStringLiteral("fehlt/x.txt")); }, {}, {}});
    showAt(*form, path(QStringLiteral("Vorlagen")));
    form->FM1->setPlainText(QStringLiteral("Text"));
    form->NewsSaveUpdate();
    form->NewsSave->trigger();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(QStringLiteral("#157 "))) << boxes.boxes()[0].text.toStdString();
    EXPECT_GT(boxes.boxes()[0].text.size(), 5);
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Error);
    EXPECT_EQ(form->FM1->toPlainText(), QStringLiteral("Text"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Result, 0);
}

TEST_F(TemplateDialogTest, AnUnreadableTextFileKeepsTheMemo)
{
    auto form = newForm(
        TNewsFormSeams{nullptr, nullptr, [this](QWidget*) { return path(QStringLiteral("fehlt.txt")); }, {}, {}, {}});
    form->FM1->setPlainText(QStringLiteral("bleibt"));
    form->NewsOpen->trigger();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Error);
    EXPECT_EQ(form->FM1->toPlainText(), QStringLiteral("bleibt"));
}

TEST_F(TemplateDialogTest, PreviewGetsTheChosenFile)
{
    QStringList previewed;
    auto form =
        newForm(TNewsFormSeams{nullptr, nullptr, {}, {}, [&previewed](const QString& file) { previewed << file; }, {}});
    showAt(*form, path(QStringLiteral("Vorlagen")));
    // Chosen with the mouse, as a user chooses it.
    TFsFileListBox& list = *form->FsFileListBox1;
    const QList<QListWidgetItem*> brief = list.findItems(QStringLiteral("Brief.html"), Qt::MatchExactly);
    ASSERT_EQ(brief.size(), 1);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(brief.first()).center());
    EXPECT_EQ(form->FileName, path(QStringLiteral("Vorlagen/Brief.html")));
    form->NewsVorschauUpdate();
    EXPECT_TRUE(form->NewsVorschau->isEnabled());
    EXPECT_TRUE(form->NewsWeiter->isEnabled());
    QTest::mouseClick(form->FlatSB2, Qt::LeftButton);
    EXPECT_EQ(previewed, QStringList{path(QStringLiteral("Vorlagen/Brief.html"))});
}

TEST(NewsPreview, ShowsTheFileWithItsPathInTheCaptionAndClosesForAMissingFile)
{
    const QString sample = AppPaths::assetPath(QStringLiteral("Templates/Beispiele/Monatsbrief.html"));
    TNewsPreview preview(nullptr, createTextBrowserPreviewView);
    preview.FileName = sample;
    preview.show();
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("NewsPreview - ") + sample);
    EXPECT_EQ(preview.view().shownFile(), sample);
    // The placeholders show as they stand in the file.
    auto* browser = preview.findChild<QWidget*>(QStringLiteral("WB1"));
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->property("plainText").toString().contains(QStringLiteral("<#AFirmenName>")));
    preview.FlatSB1->click();
    EXPECT_FALSE(preview.isVisible());

    // Without a file to show, the preview says so and closes.
    MessageBoxRecorder boxes;
    for (const QString& file : QStringList{sample + QStringLiteral(".weg"), QString()}) {
        SCOPED_TRACE(file.toStdString());
        boxes.clear();
        TNewsPreview missing(nullptr, createTextBrowserPreviewView);
        missing.FileName = file;
        missing.show();
        ASSERT_TRUE(waitUntil([&missing] { return !missing.isVisible(); }));
        EXPECT_EQ(missing.windowTitle(), QStringLiteral("NewsPreview"));
        EXPECT_TRUE(missing.view().shownFile().isEmpty());
        EXPECT_EQ(boxes.texts(),
                  QStringList{file.isEmpty()
                                  ? QStringLiteral("Es ist keine Newsletter-Datei ausgewählt.")
                                  : QStringLiteral("Die Datei \"") + file + QStringLiteral("\" ist nicht vorhanden.")});
    }
}

TEST(BetreffForm, TakesTheSubjectExactlyAsTypedUpToItsLimit)
{
    TBetreffForm form;
    form.show();
    form.BetreffWeiterUpdate();
    EXPECT_FALSE(form.BetreffWeiter->isEnabled());
    QTest::keyClicks(form.FE1, QStringLiteral("   "));
    form.BetreffWeiterUpdate();
    EXPECT_TRUE(form.BetreffWeiter->isEnabled());

    form.FE1->clear();
    const QString typed = QStringLiteral(" Ausgabe 03/2026 ") + QString(120, u'x');
    QTest::keyClicks(form.FE1, typed);
    EXPECT_EQ(form.FE1->text(), typed.left(TBetreffForm::kMaxSubjectLength));
    form.FE1->setText(QStringLiteral("  Grüße aus Köln  "));
    form.BetreffWeiterUpdate();
    form.FlatSB2->click();
    EXPECT_EQ(form.Result, 1);
    EXPECT_EQ(form.Subject, QStringLiteral("  Grüße aus Köln  "));

    TBetreffForm cancelled;
    cancelled.show();
    cancelled.FE1->setText(QStringLiteral("Betreff"));
    cancelled.FlatSB1->click();
    EXPECT_EQ(cancelled.Result, 0);
    EXPECT_TRUE(cancelled.Subject.isEmpty());
}

TEST(BetreffForm, EnterConfirmsATypedSubjectAndEscapeCancels)
{
    TBetreffForm empty;
    empty.show();
    empty.BetreffWeiterUpdate();
    QTest::keyClick(empty.FE1, Qt::Key_Return);
    EXPECT_TRUE(empty.isVisible()) << "Enter without a subject does nothing";

    TBetreffForm typed;
    typed.show();
    QTest::keyClicks(typed.FE1, QStringLiteral("Ausgabe 12/2026"));
    typed.BetreffWeiterUpdate();
    QTest::keyClick(typed.FE1, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(typed.isVisible());
    EXPECT_EQ(typed.Result, 1);
    EXPECT_EQ(typed.Subject, QStringLiteral("Ausgabe 12/2026"));

    TBetreffForm escaped;
    escaped.show();
    QTest::keyClicks(escaped.FE1, QStringLiteral("Betreff"));
    QTest::keyClick(escaped.FE1, Qt::Key_Escape);
    EXPECT_FALSE(escaped.isVisible());
    EXPECT_EQ(escaped.Result, 0);
}

} // namespace
