#include "app/Main.h"
#include "core/LogListing.h"
#include "desktop/MessageBoxes.h"
#include "mailing/LogViewForm.h"
#include "mailing/ProtoModForm.h"
#include "platform/AppPaths.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <memory>

namespace {

class FolderListing : public ILogListing {
public:
    QStringList lines;
    bool ListLogFiles(QStringList& out) override
    {
        out = lines;
        return true;
    }
};

// The main window with its own log viewer and log manager (no viewer seam).
struct MainFormLogWindows : ::testing::Test {
    TestEnvironment env;
    MessageBoxRecorder boxes;
    FolderListing listing;
    std::unique_ptr<TMainForm> form;

    void SetUp() override
    {
        env.writeStandardRegistry();
        TMainFormSeams seams;
        seams.logListing = &listing;
        form = std::make_unique<TMainForm>(seams);
    }

    QString writeLog(const QString& name, const QByteArray& text)
    {
        QDir().mkpath(AppPaths::logFolder());
        const QString path = AppPaths::logFolder() + u'/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        listing.lines.append(name.left(4) + u'|' + name);
        return path;
    }

    QAction* menuEntry(QMenu* menu, const QString& caption) const
    {
        for (QAction* action : menu->actions()) {
            if (action->text() == caption)
                return action;
        }
        return nullptr;
    }
};

} // namespace

TEST_F(MainFormLogWindows, ShowLogUsesOneViewerThatASecondLogReplaces)
{
    const QString first = writeLog(QStringLiteral("News_08122026_1.log"), "erster Lauf\r\n");
    const QString second = writeLog(QStringLiteral("News_08122026_2.log"), "zweiter Lauf\r\n");
    form->ShowLog(QStringLiteral("News 08.12.2026 #1"), first);
    TLogViewForm* viewer = form->logViewForm();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->parent(), nullptr);

    viewer->close();
    form->ShowLog(QStringLiteral("News 08.12.2026 #2"), second);
    EXPECT_EQ(form->logViewForm(), viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->RE1->toPlainText(), QStringLiteral("zweiter Lauf\n"));
    EXPECT_EQ(viewer->shownLogTitle(), QStringLiteral("News 08.12.2026 #2"));
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(MainFormLogWindows, TheMenuOpensOneManagerWhoseOpenReachesTheViewer)
{
    writeLog(QStringLiteral("News_08122026_1.log"), "Inhalt\r\n");
    QAction* entry = menuEntry(form->Erweitert1, QStringLiteral("Protokolle..."));
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    TProtoModForm* manager = form->protoModForm();
    ASSERT_NE(manager, nullptr);
    EXPECT_TRUE(manager->isVisible());
    manager->close();
    entry->trigger();
    EXPECT_EQ(form->protoModForm(), manager);
    ASSERT_EQ(manager->LV1->topLevelItemCount(), 1);

    manager->LV1->setCurrentItem(manager->LV1->topLevelItem(0));
    manager->PMFOpenExecute();
    ASSERT_NE(form->logViewForm(), nullptr);
    EXPECT_EQ(form->logViewForm()->RE1->toPlainText(), QStringLiteral("Inhalt\n"));

    // Deleting the shown log leaves the viewer's text as it was.
    boxes.answerNext(MsgAnswer::Yes);
    manager->PMFDelExecute();
    EXPECT_FALSE(QFile::exists(AppPaths::logFolder() + QStringLiteral("/News_08122026_1.log")));
    EXPECT_EQ(form->logViewForm()->RE1->toPlainText(), QStringLiteral("Inhalt\n"));
}

TEST_F(MainFormLogWindows, ClosingTheMainWindowFreesViewerAndManager)
{
    const QString path = writeLog(QStringLiteral("News_08122026_1.log"), "x\r\n");
    form->ShowLog(QStringLiteral("News 08.12.2026 #1"), path);
    form->ShowProtocolForm();
    QPointer<QWidget> viewer = form->logViewForm();
    QPointer<QWidget> manager = form->protoModForm();
    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(viewer.isNull());
    EXPECT_TRUE(manager.isNull());
    EXPECT_EQ(form->logViewForm(), nullptr);
    EXPECT_EQ(form->protoModForm(), nullptr);
}

TEST_F(MainFormLogWindows, ALogThatCannotBeReadOpensNoViewerWindow)
{
    form->ShowLog(QStringLiteral("News 08.12.2026 #1"), AppPaths::logFolder() + QStringLiteral("/fehlt.log"));
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_FALSE(form->logViewForm() && form->logViewForm()->isVisible());
}
