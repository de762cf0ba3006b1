#include "mailing/LogPrinting.h"

#include "LogPrintTestSupport.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ScreenCursor.h"
#include "mailing/LogReportLayout.h"
#include "platform/AppPaths.h"
#include "support/FileModes.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

// A send log of many lines, with umlauts and one line far wider than the page.
QTextDocument* sampleLog(QObject* parent, int lines = 180)
{
    QString text;
    for (int i = 1; i <= lines; ++i)
        text += QStringLiteral("Zeile %1: Mail an müller@example.de gesendet\n").arg(i);
    text += QStringLiteral("Ende:") + QString(40, u'x') + QString(40, u'y') + QString(40, u'z') +
            QStringLiteral(":Schluss");
    auto* document = new QTextDocument(parent);
    document->setPlainText(text);
    return document;
}

QString layoutWith(const QString& members)
{
    return QStringLiteral("{ \"projectType\": 1, ") + members + QStringLiteral(" }");
}

// Makes this process's writes beyond bytes fail as they fail on a full disk, until its end.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_oldSignal(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }
    bool set() const { return m_set; }

private:
    rlimit m_old{};
    void (*m_oldSignal)(int);
    bool m_set = false;
};

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct Printing : ::testing::Test {
    QTemporaryDir dir;
    MessageBoxRecorder boxes;
    QObject owner;
    QString pdf() const { return dir.filePath(QStringLiteral("log.pdf")); }
    QString layout(const QString& json)
    {
        const QString path = dir.filePath(QStringLiteral("Log.lbl"));
        WriteBytes(path, json.toUtf8());
        return path;
    }
};

} // namespace

TEST(ReportErrors, TextsAndWhichCodesStaySilent)
{
    EXPECT_EQ(ReportErrorText(-22), QStringLiteral("Fehler-Nr. -22 : Die Projektdatei konnte nicht geöffnet werden."));
    EXPECT_EQ(ReportErrorText(-46), QStringLiteral("Fehler-Nr. -46 : Temporärdatei konnte nicht erzeugt werden."));
    EXPECT_EQ(ReportErrorText(-998), QStringLiteral("Fehler-Nr. -998 : LL_WRN_REPEAT_DATA"));
    EXPECT_EQ(ReportErrorText(-7), QStringLiteral("Fehler-Nr. -7"));

    MessageBoxRecorder boxes;
    ScreenCursor::set(CursorShape::Hourglass);
    ShowReportError(-12, QStringLiteral("Druck"));
    ShowReportError(-99, QStringLiteral("Druckdialog"));
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_EQ(ScreenCursor::current(), CursorShape::Default);

    ScreenCursor::set(CursorShape::Hourglass);
    ShowReportError(-15, QStringLiteral("Druckdialog"));
    ASSERT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Druck abgebrochen. Fehler-Nr. -15 : Kein Drucker verfügbar.  Druckdialog")});
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::None);
    EXPECT_EQ(boxes.boxes()[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(boxes.boxes()[0].cursorBefore, CursorShape::Default);
}

TEST(ReportLayout, ShippedLayoutReads)
{
    const LogReportLayoutResult read = ReadLogReportLayout(AppPaths::assetPath(QStringLiteral("Log.lbl")));
    ASSERT_EQ(read.code, 0) << read.detail.toStdString();
    EXPECT_FALSE(read.layout.header.isEmpty());
    EXPECT_FALSE(read.layout.footer.isEmpty());
}

TEST(ReportLayout, DamagedLayoutsGiveTheirCodes)
{
    struct Case {
        const char* name;
        QByteArray json;
        int code;
    };
    const QList<Case> cases{
        {"not JSON", "Log-Layout\x01\x02", -24},
        {"not an object", "[1, 2]", -24},
        {"other project type", R"({"projectType": 2, "body": {"field": "LL_INHALT"}})", -24},
        {"unknown page size", R"({"projectType": 1, "page": {"size": "B17"}, "body": {"field": "LL_INHALT"}})", -24},
        {"three margins", R"({"projectType": 1, "page": {"marginsMm": [1, 2, 3]}, "body": {"field": "LL_INHALT"}})",
         -24},
        {"negative margin",
         R"({"projectType": 1, "page": {"marginsMm": [1, -2, 3, 4]}, "body": {"field": "LL_INHALT"}})", -24},
        {"row text a number", R"({"projectType": 1, "header": [{"left": 5}], "body": {"field": "LL_INHALT"}})", -24},
        {"font size zero", R"({"projectType": 1, "body": {"field": "LL_INHALT", "font": {"pointSize": 0}}})", -24},
        {"unknown variable",
         R"({"projectType": 1, "footer": [{"right": "{Seitenzahl}"}], "body": {"field": "LL_INHALT"}})", -23},
        {"open brace", R"({"projectType": 1, "header": [{"left": "{LL_BEZ"}], "body": {"field": "LL_INHALT"}})", -23},
        {"other field", R"({"projectType": 1, "body": {"field": "Dummy"}})", -23},
        {"no body", R"({"projectType": 1, "header": [{"left": "{LL_BEZ}"}]})", -29},
        {"smallest layout", R"({"projectType": 1, "body": {"field": "LL_INHALT"}})", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseLogReportLayout(c.json).code, c.code) << c.name;
    EXPECT_EQ(ReadLogReportLayout(QStringLiteral("/nonexistent/Log.lbl")).code, -22);
}

TEST(ReportLayout, RowTextsExpandTheirVariables)
{
    const LogReportValues values{QStringLiteral("News 08.12.2026 #3"), 2, 5, QStringLiteral("08.12.2026")};
    QString expanded;
    ASSERT_TRUE(ExpandLogReportText(QStringLiteral("{LL_BEZ}: Seite {Seite}/{Seiten}, {Datum}"), values, expanded));
    EXPECT_EQ(expanded, QStringLiteral("News 08.12.2026 #3: Seite 2/5, 08.12.2026"));
    // A title that itself holds braces is inserted, not read again.
    const LogReportValues braces{QStringLiteral("{Seite}"), 1, 1, {}};
    ASSERT_TRUE(ExpandLogReportText(QStringLiteral("[{LL_BEZ}]"), braces, expanded));
    EXPECT_EQ(expanded, QStringLiteral("[{Seite}]"));
}

TEST_F(Printing, WritesEveryLineOfTheLogIntoThePdfWithHeaderAndFooterOnEachPage)
{
    QTextDocument* log = sampleLog(&owner);
    const QString before = log->toPlainText();
    PdfChoiceSeams choice(pdf());
    ScreenCursor::set(CursorShape::Default);

    EXPECT_EQ(PrintLog(QStringLiteral("News 08.12.2026 #3"), *log, nullptr, choice.seams), kReportDone);
    EXPECT_TRUE(boxes.boxes().isEmpty()) << boxes.texts().join(u'\n').toStdString();
    EXPECT_EQ(choice.dialogs, 1);
    EXPECT_EQ(choice.dialogTitle, QStringLiteral("News 08.12.2026 #3"));
    EXPECT_EQ(ScreenCursor::current(), CursorShape::Default);
    EXPECT_EQ(log->toPlainText(), before);

    const QString text = PdfText(pdf());
    const int pages = PdfPageCount(pdf());
    ASSERT_GE(pages, 2);
    for (int page = 1; page <= pages; ++page)
        EXPECT_TRUE(text.contains(QStringLiteral("Seite %1 von %2").arg(page).arg(pages))) << page;
    EXPECT_EQ(text.count(QStringLiteral("Protokoll: News 08.12.2026 #3")), pages);
    EXPECT_TRUE(text.contains(QStringLiteral("Gedruckt am 08.12.2026")));
    for (int line : {1, 90, 180})
        EXPECT_TRUE(text.contains(QStringLiteral("Zeile %1: Mail an müller@example.de gesendet").arg(line))) << line;
    // The wide line is broken at the page's edge, not cut off.
    QString joined = text;
    joined.remove(u'\n').remove(u' ');
    EXPECT_TRUE(joined.contains(QStringLiteral("Ende:") + QString(40, u'x') + QString(40, u'y') + QString(40, u'z') +
                                QStringLiteral(":Schluss")));
}

TEST_F(Printing, EachLineOfTheLogStandsOnOnePageOnly)
{
    PdfChoiceSeams choice(pdf());
    ASSERT_EQ(PrintLog(QStringLiteral("T"), *sampleLog(&owner), nullptr, choice.seams), kReportDone);
    ASSERT_GE(PdfPageCount(pdf()), 2);
    const QString text = PdfText(pdf());
    for (int line = 1; line <= 180; ++line)
        EXPECT_EQ(text.count(QStringLiteral("Zeile %1: Mail").arg(line)), 1) << line;
}

TEST_F(Printing, APdfThatCannotBeWrittenWholeIsAFailureAndKeepsTheOldFile)
{
    WriteBytes(pdf(), "die alte Datei");
    PdfChoiceSeams choice(pdf());
    int code = kReportDone;
    {
        FileSizeLimit fullDisk(4096);
        ASSERT_TRUE(fullDisk.set());
        code = PrintLog(QStringLiteral("T"), *sampleLog(&owner), nullptr, choice.seams);
    }
    EXPECT_EQ(code, -11);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral(
                                 "Druck abgebrochen. Fehler-Nr. -11 : Kann Drucker-Device nicht öffnen.  Druck")});
    QFile old(pdf());
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("die alte Datei"));
    // Nothing half written is left beside it.
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("log.pdf")});

    // With room on the disk the file is replaced.
    boxes.clear();
    EXPECT_EQ(PrintLog(QStringLiteral("T"), *sampleLog(&owner), nullptr, choice.seams), kReportDone);
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(PdfText(pdf()).contains(QStringLiteral("Zeile 180: Mail")));
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("log.pdf")});
}

TEST_F(Printing, APdfInTheWorkFolderIsForTheOwnerOnly)
{
    TestEnvironment env;
    ASSERT_TRUE(QDir().mkpath(AppPaths::workFolder()));
    const QString inWork = AppPaths::workFolder() + QStringLiteral("/log.pdf");
    PdfChoiceSeams choice(inWork);
    ASSERT_EQ(PrintLog(QStringLiteral("T"), *sampleLog(&owner, 3), nullptr, choice.seams), kReportDone);
    EXPECT_EQ(FileMode(inWork), 0600);
}

TEST_F(Printing, AMissingOrDamagedLayoutGivesOneBoxAndNoDialog)
{
    struct Case {
        const char* name;
        QString layoutFile;
        QString text;
    };
    const QList<Case> cases{
        {"missing", dir.filePath(QStringLiteral("fehlt.lbl")),
         QStringLiteral("Druck abgebrochen. Fehler-Nr. -22 : Die Projektdatei konnte nicht geöffnet werden.  Druck")},
        {"damaged", layout(QStringLiteral("{ kaputt")),
         QStringLiteral(
             "Druck abgebrochen. Fehler-Nr. -24 : Die Projektdatei hat ein falsches Format oder ist defekt.  Druck")},
    };
    for (const Case& c : cases) {
        boxes.clear();
        PdfChoiceSeams choice(pdf());
        choice.seams.layoutFile = c.layoutFile;
        EXPECT_NE(PrintLog(QStringLiteral("T"), *sampleLog(&owner, 3), nullptr, choice.seams), kReportDone) << c.name;
        EXPECT_EQ(boxes.texts(), QStringList{c.text}) << c.name;
        EXPECT_EQ(boxes.boxes().value(0).cursorBefore, CursorShape::Default) << c.name;
        EXPECT_EQ(choice.dialogs, 0) << c.name;
        EXPECT_FALSE(QFileInfo::exists(pdf())) << c.name;
        EXPECT_EQ(ScreenCursor::current(), CursorShape::Default) << c.name;
    }
}

TEST_F(Printing, CancelShowsNothingAndWritesNothing)
{
    LogPrintSeams seams;
    seams.chooseOptions = [](const QString&, QWidget*) { return LogPrintChoice{}; };
    EXPECT_EQ(PrintLog(QStringLiteral("T"), *sampleLog(&owner, 3), nullptr, seams), kReportCancelled);
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_EQ(ScreenCursor::current(), CursorShape::Default);
}

TEST_F(Printing, FailuresOfTheDestinationAreReportedNotPassedAsDone)
{
    struct Case {
        const char* name;
        LogPrintChoice choice;
        QString layoutFile;
        QString text;
    };
    LogPrintChoice noPrinter{true, LogPrintDestination::Printer, QStringLiteral("Gibt es nicht"), {}};
    LogPrintChoice unwritable{true, LogPrintDestination::PdfFile, {}, dir.filePath(QStringLiteral("fehlt/log.pdf"))};
    LogPrintChoice fine{true, LogPrintDestination::PdfFile, {}, pdf()};
    const QList<Case> cases{
        {"printer gone",
         noPrinter,
         {},
         QStringLiteral("Druck abgebrochen. Fehler-Nr. -15 : Kein Drucker verfügbar.  Druck")},
        {"pdf folder missing",
         unwritable,
         {},
         QStringLiteral("Druck abgebrochen. Fehler-Nr. -11 : Kann Drucker-Device nicht öffnen.  Druck")},
        {"margins fill the page", fine,
         layout(layoutWith(
             QStringLiteral(R"("page": {"marginsMm": [20, 150, 20, 150]}, "body": {"field": "LL_INHALT"})"))),
         QStringLiteral(
             "Druck abgebrochen. Fehler-Nr. -24 : Die Projektdatei hat ein falsches Format oder ist defekt.  Druck")},
    };
    for (const Case& c : cases) {
        boxes.clear();
        LogPrintSeams seams;
        seams.layoutFile = c.layoutFile;
        seams.chooseOptions = [&c](const QString&, QWidget*) { return c.choice; };
        EXPECT_NE(PrintLog(QStringLiteral("T"), *sampleLog(&owner, 3), nullptr, seams), kReportDone) << c.name;
        EXPECT_EQ(boxes.texts(), QStringList{c.text}) << c.name;
        EXPECT_FALSE(QFileInfo::exists(pdf())) << c.name;
    }
}

TEST_F(Printing, PreviewShowsThePagesThePrinterWouldGet)
{
    QTextDocument* log = sampleLog(&owner);
    LogPrintSeams seams;
    seams.chooseOptions = [](const QString&, QWidget*) {
        return LogPrintChoice{true, LogPrintDestination::Preview, {}, {}};
    };
    int previews = 0;
    CursorShape cursorInPreview = CursorShape::Hourglass;
    seams.showPreview = [&](QPrinter&, const std::function<void(QPrinter&)>& paint, QWidget*) {
        ++previews;
        cursorInPreview = ScreenCursor::current();
        // What the preview draws, drawn into a PDF instead.
        QPrinter target(QPrinter::HighResolution);
        target.setOutputFormat(QPrinter::PdfFormat);
        target.setOutputFileName(pdf());
        paint(target);
    };
    EXPECT_EQ(PrintLog(QStringLiteral("News 08.12.2026 #1"), *log, nullptr, seams), kReportDone);
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(cursorInPreview, CursorShape::Default);
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(PdfText(pdf()).contains(QStringLiteral("Zeile 180: Mail an müller@example.de gesendet")));
}
