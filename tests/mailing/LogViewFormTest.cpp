#include "mailing/LogViewForm.h"

#include "LogPrintTestSupport.h"
#include "controls/TFlatSB.h"
#include "controls/TTACutLabel.h"
#include "desktop/MessageBoxes.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct LogViewer : ::testing::Test {
    QTemporaryDir dir;
    MessageBoxRecorder boxes;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

} // namespace

TEST_F(LogViewer, ShowsTheLogsTextAndASecondLogReplacesTheFirst)
{
    // Logs are Windows-1252 with CR LF; a UTF-8 log (with BOM) is read as such.
    WriteBytes(path("a.log"), "Absender: M\xfcller GmbH\r\nEmpf\xe4nger: 2\r\n");
    WriteBytes(path("b.log"), "\xef\xbb\xbfStra\xc3\x9f"
                              "e\r\nletzte Zeile");
    TLogViewForm viewer;
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Protokollansicht"));
    EXPECT_EQ(viewer.Label1->text(), QStringLiteral("Protokoll:"));
    EXPECT_TRUE(viewer.RE1->isReadOnly());

    ASSERT_TRUE(viewer.LoadLog(QStringLiteral("News 08.12.2026 #1"), path("a.log")));
    EXPECT_EQ(viewer.RE1->toPlainText(), QStringLiteral("Absender: Müller GmbH\nEmpfänger: 2\n"));
    EXPECT_EQ(viewer.Label2->caption(), QStringLiteral("News 08.12.2026 #1"));
    EXPECT_EQ(viewer.shownLogTitle(), QStringLiteral("News 08.12.2026 #1"));

    ASSERT_TRUE(viewer.LoadLog(QStringLiteral("News 08.12.2026 #2"), path("b.log")));
    EXPECT_EQ(viewer.RE1->toPlainText(), QStringLiteral("Straße\nletzte Zeile"));
    EXPECT_EQ(viewer.shownLogTitle(), QStringLiteral("News 08.12.2026 #2"));
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(LogViewer, AnUnreadableLogIsReportedAndTheShownLogStays)
{
    WriteBytes(path("a.log"), "Zeile\r\n");
    QDir().mkpath(path("News_08122026_9.log"));
    TLogViewForm viewer;
    ASSERT_TRUE(viewer.LoadLog(QStringLiteral("News 08.12.2026 #1"), path("a.log")));
    for (const char* name : {"fehlt.log", "News_08122026_9.log"}) {
        boxes.clear();
        EXPECT_FALSE(viewer.LoadLog(QStringLiteral("anderes"), path(name))) << name;
        ASSERT_EQ(boxes.boxes().size(), 1) << name;
        EXPECT_TRUE(boxes.texts()[0].startsWith(QStringLiteral("Datei ") + path(name) +
                                                QStringLiteral(" konnte nicht gelesen werden!\r\n\r\n")))
            << name;
        EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Error) << name;
        EXPECT_EQ(viewer.RE1->toPlainText(), QStringLiteral("Zeile\n")) << name;
        EXPECT_EQ(viewer.shownLogTitle(), QStringLiteral("News 08.12.2026 #1")) << name;
    }
}

TEST_F(LogViewer, PrintButtonPrintsTheShownLogUnderItsTitle)
{
    WriteBytes(path("a.log"), "Verbindung zu mail.example.de hergestellt\r\nMail 1 gesendet\r\n");
    PdfChoiceSeams choice(path("out.pdf"));
    TLogViewForm viewer(choice.seams);
    ASSERT_TRUE(viewer.LoadLog(QStringLiteral("News 08.12.2026 #4"), path("a.log")));
    viewer.FlatSB2->click();
    EXPECT_EQ(choice.dialogTitle, QStringLiteral("News 08.12.2026 #4"));
    const QString text = PdfText(path("out.pdf"));
    EXPECT_TRUE(text.contains(QStringLiteral("Protokoll: News 08.12.2026 #4")));
    EXPECT_TRUE(text.contains(QStringLiteral("Verbindung zu mail.example.de hergestellt")));
    EXPECT_TRUE(text.contains(QStringLiteral("Mail 1 gesendet")));
    EXPECT_TRUE(boxes.boxes().isEmpty());
}
