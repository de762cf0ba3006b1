#include "mailing/ProtoModForm.h"

#include "LogPrintTestSupport.h"
#include "controls/TFlatSB.h"
#include "core/LogListing.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "platform/WindowMessages.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class MessageCounter : public QObject {
public:
    int logsChanged = 0;
    bool event(QEvent* event) override
    {
        if (event->type() != WindowMessages::WM_LOGSCHANGED)
            return QObject::event(event);
        ++logsChanged;
        return true;
    }
};

class ThrowingListing : public ILogListing {
public:
    bool ListLogFiles(QStringList&) override { throw std::runtime_error("Zugriff verweigert"); }
};

struct Shown {
    QString title;
    QString path;
};

struct LogManager : ::testing::Test {
    TestEnvironment env;
    MessageBoxRecorder boxes;
    MessageCounter mainWindow;
    QList<Shown> shown;
    std::unique_ptr<TProtoModForm> form;

    void SetUp() override
    {
        WindowMessages::setMainWindow(&mainWindow);
        form = std::make_unique<TProtoModForm>(nullptr, [this](const QString& title, const QString& path) {
            shown.append({title, path});
        });
    }
    void TearDown() override { WindowMessages::setMainWindow(nullptr); }

    QString log(const QString& name) const { return AppPaths::logFolder() + u'/' + name; }
    void addLog(const QString& name) { WriteBytes(log(name), "Protokoll\r\n"); }
    QStringList titles() const
    {
        QStringList result;
        for (int i = 0; i < form->LV1->topLevelItemCount(); ++i)
            result.append(form->LV1->topLevelItem(i)->text(0));
        return result;
    }
    void select(const QString& title)
    {
        const QList<QTreeWidgetItem*> found = form->LV1->findItems(title, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << title.toStdString();
        form->LV1->setCurrentItem(found.first());
        form->PMFOpenUpdate();
    }
};

} // namespace

TEST_F(LogManager, ListsTheLogsAtEveryShowAndEnablesItsCommandsOnlyForASelection)
{
    form->show();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Protokolle"));
    EXPECT_TRUE(titles().isEmpty());
    form->PMFOpenUpdate();
    EXPECT_FALSE(form->PMFOpen->isEnabled());
    EXPECT_FALSE(form->PMFDel->isEnabled());
    EXPECT_FALSE(form->FlatSB1->isEnabled());

    addLog(QStringLiteral("News_08122026_2.log"));
    addLog(QStringLiteral("News_08122026_1.log"));
    EXPECT_TRUE(titles().isEmpty()); // a closed and shown window fills anew
    form->close();
    form->show();
    EXPECT_EQ(titles(), (QStringList{QStringLiteral("News 08.12.2026 #1"), QStringLiteral("News 08.12.2026 #2")}));
    select(QStringLiteral("News 08.12.2026 #2"));
    EXPECT_TRUE(form->PMFOpen->isEnabled());
    EXPECT_TRUE(form->PMFDel->isEnabled());
    EXPECT_TRUE(form->FlatSB2->isEnabled());
    EXPECT_EQ(form->FlatSB1->text(), QStringLiteral("Öffnen"));
}

TEST_F(LogManager, OpensTheChosenLogInTheViewer)
{
    addLog(QStringLiteral("News_08122026_1.log"));
    addLog(QStringLiteral("News_08122026_2.log"));
    form->show();
    select(QStringLiteral("News 08.12.2026 #2"));
    form->FlatSB1->click();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].title, QStringLiteral("News 08.12.2026 #2"));
    EXPECT_EQ(shown[0].path, log(QStringLiteral("News_08122026_2.log")));

    // The log vanished after the listing.
    QFile::remove(log(QStringLiteral("News_08122026_1.log")));
    select(QStringLiteral("News 08.12.2026 #1"));
    form->PMFOpenExecute();
    EXPECT_EQ(shown.size(), 1);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Datei ") + log(QStringLiteral("News_08122026_1.log")) +
                                         QStringLiteral(" konnte nicht gefunden werden!")});
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Error);
}

TEST_F(LogManager, ALogWithAMalformedNameIsNeitherOpenedNorDeleted)
{
    addLog(QStringLiteral("News_2026_1.log"));
    form->show();
    select(QStringLiteral("Fehlerhaft (News_2026_1_)"));
    form->PMFOpenExecute();
    form->PMFDelExecute();
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(log(QStringLiteral("News_2026_1.log"))));
}

TEST_F(LogManager, DeletesOnlyAfterYesThenRefillsAndTellsTheMainWindow)
{
    addLog(QStringLiteral("News_08122026_1.log"));
    addLog(QStringLiteral("News_08122026_2.log"));
    form->show();
    select(QStringLiteral("News 08.12.2026 #1"));

    boxes.answerNext(MsgAnswer::No);
    form->FlatSB2->click();
    EXPECT_TRUE(QFileInfo::exists(log(QStringLiteral("News_08122026_1.log"))));
    EXPECT_EQ(mainWindow.logsChanged, 0);
    ASSERT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Soll das Protokoll News 08.12.2026 #1 jetzt gelöscht werden?")});
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(boxes.boxes()[0].buttons, MsgButtons::YesNo);

    boxes.clear();
    boxes.answerNext(MsgAnswer::Yes);
    form->PMFDelExecute();
    EXPECT_FALSE(QFileInfo::exists(log(QStringLiteral("News_08122026_1.log"))));
    EXPECT_EQ(titles(), QStringList{QStringLiteral("News 08.12.2026 #2")});
    EXPECT_EQ(mainWindow.logsChanged, 1);
    EXPECT_EQ(boxes.boxes().size(), 1);
}

// On Linux the file would be unlinked under the run that still writes it.
TEST(LogManagerWhileSending, TheLogOfARunStillSendingIsNotDeleted)
{
    TestEnvironment env;
    MessageBoxRecorder boxes;
    const QString sending = AppPaths::logFolder() + QStringLiteral("/News_08122026_1.log");
    WriteBytes(sending, "Protokoll\r\n");
    TProtoModForm form(nullptr, {}, [&sending](const QString& path) { return path == sending; });
    form.show();
    const QList<QTreeWidgetItem*> found = form.LV1->findItems(QStringLiteral("News 08.12.2026 #1"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    form.LV1->setCurrentItem(found.first());
    form.PMFOpenUpdate();
    form.FlatSB2->click();
    EXPECT_TRUE(QFileInfo::exists(sending));
    ASSERT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Das Protokoll News 08.12.2026 #1 gehört zu einem Sendevorgang, "
                                         "der noch läuft.\r\nEs kann erst nach dessen Ende gelöscht werden.")});
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Warning);
}

TEST_F(LogManager, ADeletionTheFileSystemRefusesIsReported)
{
    // A folder named like a log is listed like one but cannot be removed as a file.
    QDir().mkpath(log(QStringLiteral("News_08122026_9.log")) + QStringLiteral("/inhalt"));
    form->show();
    select(QStringLiteral("News 08.12.2026 #9"));
    boxes.answerNext(MsgAnswer::Yes);
    form->PMFDelExecute();
    ASSERT_EQ(boxes.boxes().size(), 2);
    EXPECT_TRUE(boxes.texts()[1].startsWith(QStringLiteral("Datei ") + log(QStringLiteral("News_08122026_9.log")) +
                                            QStringLiteral(" konnte nicht gelöscht werden!")));
    EXPECT_EQ(boxes.boxes()[1].icon, MsgIcon::Error);
    EXPECT_EQ(titles(), QStringList{QStringLiteral("News 08.12.2026 #9")});
}

TEST(LogManagerListing, AFailingListingIsReportedWithItsNumber)
{
    TestEnvironment env;
    MessageBoxRecorder boxes;
    ThrowingListing listing;
    TProtoModForm form(&listing, {});
    form.show();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("#87 Zugriff verweigert")});
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Error);
    EXPECT_EQ(form.LV1->topLevelItemCount(), 0);
}
