#include "app/Main.h"
#include "controls/TFlatSB.h"
#include "core/AboutForm.h"
#include "core/HelpOpener.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ScreenCursor.h"
#include "mail/RecipientList.h"
#include "mail/SenderMailData.h"
#include "platform/AppPaths.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"
#include "support/TestWait.h"

#include <QAction>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <memory>

namespace {

// A viewer that runs the shell script with the file as $1.
HelpViewer scriptViewer(const QString& script)
{
    return {QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, QStringLiteral("sh")}};
}

bool viewerRunning(const QObject& owner)
{
    for (const QProcess* process : owner.findChildren<QProcess*>()) {
        if (process->state() != QProcess::NotRunning)
            return true;
    }
    return false;
}

TEST(Help, TheViewerGetsTheProgramsOwnPageWhenNoHelpChmIsThere)
{
    ASSERT_FALSE(QFileInfo::exists(AppPaths::assetPath(QStringLiteral("Help.chm"))));
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("shown"));
    MessageBoxRecorder boxes;
    QWidget owner;
    THelpOpener(scriptViewer(QStringLiteral("printf %s \"$1\" > '") + record + QStringLiteral("'"))).open(&owner);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(record).size() > 0 && !viewerRunning(owner); }));
    QFile shown(record);
    ASSERT_TRUE(shown.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(shown.readAll()), AppPaths::assetPath(QStringLiteral("help/index.html")));
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST(Help, AViewerThatFailsIsReportedWithItsNumber)
{
    const QString page = AppPaths::assetPath(QStringLiteral("help/index.html"));
    const QString noViewer = QStringLiteral("#528 Für die Hilfedatei ") + page +
                             QStringLiteral(" ist kein Programm zum Anzeigen eingerichtet.");
    const struct {
        HelpViewer viewer;
        QString box;
    } cases[] = {
        {scriptViewer(QStringLiteral("exit 3")), noViewer},
        {{QStringLiteral("/nonexistent/xdg-open"), {}}, noViewer},
        {scriptViewer(QStringLiteral("exit 4")),
         QStringLiteral("#528 Die Hilfedatei ") + page +
             QStringLiteral(" konnte nicht angezeigt werden (/bin/sh endete mit dem Status 4).")},
        {scriptViewer(QStringLiteral("kill -9 $$")),
         QStringLiteral("#528 Die Hilfedatei ") + page +
             QStringLiteral(" konnte nicht angezeigt werden (/bin/sh brach ab).")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box.toStdString());
        MessageBoxRecorder boxes;
        QWidget owner;
        THelpOpener(c.viewer).open(&owner);
        ASSERT_TRUE(waitUntil([&] { return !boxes.boxes().isEmpty(); }));
        EXPECT_EQ(boxes.texts(), QStringList{c.box});
        EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);
    }
}

TEST(Help, OpeningReturnsWhileTheViewerStillRuns)
{
    QTemporaryDir dir;
    const QString gate = dir.filePath(QStringLiteral("gate"));
    MessageBoxRecorder boxes;
    QWidget owner;
    // The viewer fails once the gate exists, or after a minute: a blocking open() would meet a
    // box at its return.
    THelpOpener(scriptViewer(QStringLiteral("i=0; while [ ! -e '") + gate +
                             QStringLiteral("' ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done; exit 4")))
        .open(&owner);
    EXPECT_TRUE(boxes.boxes().isEmpty());
    ASSERT_TRUE(QFile(gate).open(QIODevice::WriteOnly));
    ASSERT_TRUE(waitUntil([&] { return !boxes.boxes().isEmpty(); }));
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("#528 ")));
}

TEST(Help, TheHelpMenuReportsAViewerThatFails)
{
    TestEnvironment env;
    env.writeStandardRegistry();
    MessageBoxRecorder boxes;
    TMainFormSeams seams;
    seams.helpViewer = scriptViewer(QStringLiteral("exit 3"));
    TMainForm form(seams);
    QAction* contents = nullptr;
    for (QAction* item : form.Hilfe1->actions()) {
        if (item->text() == QStringLiteral("&Inhalt"))
            contents = item;
    }
    ASSERT_NE(contents, nullptr);
    contents->trigger();
    ASSERT_TRUE(waitUntil([&] { return !boxes.boxes().isEmpty(); }));
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("#528 Für die Hilfedatei ")));
}

// The cursor a user sees: the hourglass or none of the program's own.
bool hourglassShows()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return ScreenCursor::current() == CursorShape::Hourglass && cursor && cursor->shape() == Qt::WaitCursor;
}

bool noCursorOfTheProgram()
{
    return ScreenCursor::current() == CursorShape::Default && !QGuiApplication::overrideCursor();
}

// The main window with the given help viewer, shown, and "Hilfe" -> "Inhalt" clicked with the
// mouse.
struct HelpWindow {
    TestEnvironment env;
    std::unique_ptr<TMainForm> form;

    explicit HelpWindow(HelpViewer viewer)
    {
        env.writeStandardRegistry();
        TMainFormSeams seams;
        seams.helpViewer = std::move(viewer);
        form = std::make_unique<TMainForm>(seams);
        form->setWindowState(Qt::WindowNoState);
        form->show();
    }

    void clickContents()
    {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QMenuBar* bar = form->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(form->Hilfe1->menuAction()).center());
        ASSERT_TRUE(waitUntil([&] { return form->Hilfe1->isVisible(); }));
        QAction* contents = form->Hilfe1->actions().first();
        ASSERT_EQ(contents->text(), QStringLiteral("&Inhalt"));
        QTest::mouseClick(form->Hilfe1, Qt::LeftButton, {}, form->Hilfe1->actionGeometry(contents).center());
    }
};

// A viewer that waits for its gate file and then runs the rest of the script.
QString afterGate(const QString& gate, const QString& rest)
{
    return QStringLiteral("while [ ! -e \"") + gate + QStringLiteral("\" ]; do sleep 0.02; done; ") + rest;
}

// The hourglass shows while the viewer starts and is watched, and the arrow is back before any
// box.
TEST(Help, TheWaitForTheViewerShowsUntilItsOutcomeIsKnown)
{
    struct Case {
        const char* what;
        QString script; // runs once the gate exists; empty: the viewer never ends by itself
        int waitMs;
        bool box;
    };
    const QList<Case> cases{
        {"a viewer that fails", QStringLiteral("exit 3"), 60000, true},
        {"a viewer that shows the file and ends", QStringLiteral("exit 0"), 60000, false},
        {"a viewer that stays up past the wait", QString(), 50, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString gate = dir.filePath(QStringLiteral("gate"));
        MessageBoxRecorder boxes;
        HelpViewer viewer =
            scriptViewer(c.script.isEmpty() ? QStringLiteral("exec sleep 600") : afterGate(gate, c.script));
        viewer.waitMs = c.waitMs;
        HelpWindow help(viewer);
        ASSERT_TRUE(noCursorOfTheProgram());
        ASSERT_NO_FATAL_FAILURE(help.clickContents());
        EXPECT_TRUE(hourglassShows());

        if (!c.script.isEmpty()) {
            ASSERT_TRUE(QFile(gate).open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(waitUntil([&] { return noCursorOfTheProgram() && boxes.boxes().size() == int(c.box); }));
        if (c.box) {
            EXPECT_EQ(boxes.boxes().first().cursorBefore, CursorShape::Default);
            EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("#528 ")))
                << boxes.texts().first().toStdString();
        }
        help.form.reset();
        EXPECT_TRUE(noCursorOfTheProgram());
    }
}

// An impatient user clicks twice: the hourglass stays until the second viewer is known too.
TEST(Help, TheWaitLastsUntilTheLastViewerIsKnown)
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first"));
    const QString gate1 = dir.filePath(QStringLiteral("gate1"));
    const QString gate2 = dir.filePath(QStringLiteral("gate2"));
    MessageBoxRecorder boxes;
    // Whichever viewer runs first waits for gate1 and fails, the other waits for gate2.
    HelpWindow help(scriptViewer(QStringLiteral("if mkdir \"") + first + QStringLiteral("\" 2>/dev/null; then ") +
                                 afterGate(gate1, QStringLiteral("exit 3")) + QStringLiteral("; else ") +
                                 afterGate(gate2, QStringLiteral("exit 0")) + QStringLiteral("; fi")));
    ASSERT_NO_FATAL_FAILURE(help.clickContents());
    ASSERT_NO_FATAL_FAILURE(help.clickContents());
    ASSERT_TRUE(QFile(gate1).open(QIODevice::WriteOnly));
    ASSERT_TRUE(waitUntil([&] { return boxes.boxes().size() == 1; }));
    EXPECT_TRUE(hourglassShows());
    ASSERT_TRUE(QFile(gate2).open(QIODevice::WriteOnly));
    ASSERT_TRUE(waitUntil([&] { return noCursorOfTheProgram(); }));
    EXPECT_EQ(boxes.boxes().size(), 1);
}

TEST(AboutBox, ShowsTheStoredVersion)
{
    struct Case {
        QString values;
        QString shown;
    };
    for (const Case& c :
         {Case{QStringLiteral("\"Ver\"=\"0.9 beta\""), QStringLiteral("0.9 beta")}, Case{QString(), QString()}}) {
        TestEnvironment env;
        env.writeStandardRegistry(c.values);
        TAboutForm about;
        EXPECT_EQ(about.windowTitle(), QStringLiteral("Info"));
        QString shown;
        QTimer::singleShot(0, &about, [&] {
            shown = about.Label4->text();
            about.FlatSB1->click();
        });
        about.exec();
        EXPECT_EQ(shown, c.shown);
        EXPECT_FALSE(about.isVisible());
    }
}

} // namespace

// The help lists the placeholders the mails really replace, every one of them and no other.
TEST(HelpPage, NamesExactlyTheRealPlaceholders)
{
    QFile page(AppPaths::assetPath(QStringLiteral("help/index.html")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QSet<QString> named;
    const QRegularExpression token(QStringLiteral("&lt;#([^\\s<>&]+)&gt;"));
    for (auto it = token.globalMatch(html); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (!name.isEmpty())
            named.insert(QStringLiteral("<#") + name + u'>');
    }
    QSet<QString> real;
    for (const QString& name : TRecipientList::PlaceholderNames())
        real.insert(name);
    for (const QString& name : TSenderMailData::PlaceholderNames())
        real.insert(name);
    EXPECT_TRUE(named == real) << "only in the help: " << QStringList((named - real).values()).join(u' ').toStdString()
                               << "; missing in the help: "
                               << QStringList((real - named).values()).join(u' ').toStdString();
}
