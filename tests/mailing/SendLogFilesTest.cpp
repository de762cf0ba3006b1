#include "mailing/SendLogFiles.h"

#include "desktop/MessageBoxes.h"
#include "mail/SendLogNames.h"
#include "mail/SendLogWriter.h"
#include "platform/AppPaths.h"
#include "support/FileModes.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QDate kDay(2026, 12, 8);

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(SendLogFiles, CreatesTheFirstFreeNumberOfTheDay)
{
    struct Case {
        const char* name;
        QStringList present;
        QStringList presentFolders;
        QString expected;
    };
    const QList<Case> cases{
        {"no folder yet", {}, {}, QStringLiteral("News_08122026_1.log")},
        {"gap",
         {QStringLiteral("News_08122026_1.log"), QStringLiteral("News_08122026_3.log")},
         {},
         QStringLiteral("News_08122026_2.log")},
        {"other days",
         {QStringLiteral("News_07122026_1.log"), QStringLiteral("News_08112026_1.log")},
         {},
         QStringLiteral("News_08122026_1.log")},
        {"folder named like a log", {}, {QStringLiteral("News_08122026_1.log")}, QStringLiteral("News_08122026_2.log")},
    };
    for (const Case& c : cases) {
        TestEnvironment environment;
        MessageBoxRecorder boxes;
        const QString folder = AppPaths::logFolder();
        if (!c.present.isEmpty() || !c.presentFolders.isEmpty())
            QDir().mkpath(folder);
        for (const QString& name : c.present)
            touch(folder + u'/' + name);
        for (const QString& name : c.presentFolders)
            QDir().mkpath(folder + u'/' + name);

        bool failed = true;
        QString name;
        CreateLogFile(failed, name, kDay);
        EXPECT_FALSE(failed) << c.name;
        EXPECT_EQ(name, folder + u'/' + c.expected) << c.name;
        EXPECT_TRUE(QFileInfo(name).isFile()) << c.name;
        EXPECT_EQ(QFileInfo(name).size(), 0) << c.name;
        EXPECT_TRUE(boxes.boxes().isEmpty()) << c.name;
    }
}

TEST(SendLogFiles, ConsecutiveRunsGetDistinctLogs)
{
    TestEnvironment environment;
    MessageBoxRecorder boxes;
    QStringList names;
    for (int i = 0; i < 3; ++i) {
        bool failed = true;
        QString name;
        CreateLogFile(failed, name, kDay);
        ASSERT_FALSE(failed);
        names.append(QFileInfo(name).fileName());
    }
    EXPECT_EQ(names, (QStringList{"News_08122026_1.log", "News_08122026_2.log", "News_08122026_3.log"}));
}

TEST(SendLogFiles, LogsAndTheirFoldersAreForTheOwnerOnly)
{
    TestEnvironment environment;
    MessageBoxRecorder boxes;
    ASSERT_TRUE(QDir(AppPaths::workFolder()).removeRecursively());
    bool failed = true;
    QString name;
    CreateLogFile(failed, name, kDay);
    ASSERT_FALSE(failed);
    EXPECT_EQ(FileMode(AppPaths::workFolder()), 0700);
    EXPECT_EQ(FileMode(AppPaths::logFolder()), 0700);
    EXPECT_EQ(FileMode(name), 0600);

    SendLogWriter fallback;
    ASSERT_TRUE(fallback.open(FallbackLogFilePath(), false));
    fallback.line(QStringLiteral("Zeile"));
    fallback.close();
    EXPECT_EQ(FileMode(FallbackLogFilePath()), 0600);
}

TEST(SendLogFiles, UncreatableFolderShowsBox369)
{
    TestEnvironment environment;
    MessageBoxRecorder boxes;
    touch(AppPaths::logFolder()); // a file where the folder should be
    bool failed = false;
    QString name = QStringLiteral("stale");
    CreateLogFile(failed, name, kDay);
    EXPECT_TRUE(failed);
    EXPECT_TRUE(name.isEmpty());
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Error);
    EXPECT_EQ(boxes.boxes()[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(boxes.boxes()[0].text,
              QStringLiteral("#369  \r\n\r\nDatei oder Verzeichnis konnte nicht angelegt werden!\r\n"
                             "Möglicherweise ist der Datenträger voll,schreibgeschützt oder Sie besitzen\r\n"
                             "nicht die nötigen Berechtigungen auf diesem Laufwerk.\r\n\r\n\" ") +
                  AppPaths::logFolder() + QStringLiteral(" \""));
}

TEST(SendLogFiles, TitlesOfFileNames)
{
    const QList<std::pair<QString, QString>> cases{
        {QStringLiteral("News_08122026_3.log"), QStringLiteral("News 08.12.2026 #3")},
        {QStringLiteral("News_08122026_12.log"), QStringLiteral("News 08.12.2026 #12")},
        {QStringLiteral("News_2026_1.log"), QStringLiteral("Fehlerhaft (News_2026_1_)")},
        {QStringLiteral("News_abcdefgh_1.log"), QStringLiteral("News ab.cd.efgh #1")},
        {QStringLiteral("News_08122026_.log"), QStringLiteral("News 08.12.2026 #")},
        {QStringLiteral("News_x.log"), QStringLiteral("Fehlerhaft (News_x_)")},
        {QStringLiteral("News_08122026_3_extra.log"), QStringLiteral("News 08.12.2026 #3")},
        {QStringLiteral("News_08122026_3.old.log"), QStringLiteral("News 08.12.2026 #3")},
        {QStringLiteral("newsletter"), QStringLiteral("Fehlerhaft (newsletter_)")},
        {QString(), QStringLiteral("Fehlerhaft (_)")},
    };
    for (const auto& [name, title] : cases)
        EXPECT_EQ(LogTitleFromFileName(name), title) << name.toStdString();
}

TEST(SendLogFiles, ListsLogsSortedWithoutRegardToCase)
{
    TestEnvironment environment;
    MessageBoxRecorder boxes;
    QStringList list{QStringLiteral("stale")};
    EXPECT_TRUE(ListLogFiles(list)); // no folder yet
    EXPECT_TRUE(list.isEmpty());

    const QString folder = AppPaths::logFolder();
    QDir().mkpath(folder);
    for (const char* name : {"News_09122026_1.log", "news_08122026_2.log", "News_08122026_10.log", "News_2026_1.log",
                             "NEWS_01012027_1.LOG", "newsletter.log", "Other_08122026_1.log", "News_08122026.log"})
        touch(folder + u'/' + QString::fromLatin1(name));
    QDir().mkpath(folder + QStringLiteral("/News_08122026_9.log"));
    touch(FallbackLogFilePath());

    ASSERT_TRUE(ListLogFiles(list));
    EXPECT_EQ(list, (QStringList{
                        QStringLiteral("NEWS 01.01.2027 #1|NEWS_01012027_1.LOG"),
                        QStringLiteral("News 08.12.2026 #10|News_08122026_10.log"),
                        QStringLiteral("news 08.12.2026 #2|news_08122026_2.log"),
                        QStringLiteral("News 08.12.2026 #9|News_08122026_9.log"),
                        QStringLiteral("News 09.12.2026 #1|News_09122026_1.log"),
                        QStringLiteral("Fehlerhaft (News_2026_1_)|News_2026_1.log"),
                    }));
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST(SendLogFiles, FallbackIsAnAbsolutePathInTheWorkFolder)
{
    TestEnvironment environment;
    const QString path = FallbackLogFilePath();
    EXPECT_TRUE(QDir::isAbsolutePath(path));
    EXPECT_EQ(path, AppPaths::workFolder() + QStringLiteral("/newsletter.log"));
}
