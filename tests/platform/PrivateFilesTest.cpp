#include "platform/PrivateFiles.h"

#include "platform/AppPaths.h"
#include "support/FileModes.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(PrivateFiles, MakeFolderCreatesEveryMissingLevelForTheOwnerOnly)
{
    TestEnvironment env;
    const QString top = env.root() + QStringLiteral("/a");
    ASSERT_TRUE(PrivateFiles::makeFolder(top + QStringLiteral("/b/c")));
    for (const QString& folder : QStringList{top, top + QStringLiteral("/b"), top + QStringLiteral("/b/c")})
        EXPECT_EQ(FileMode(folder), 0700) << folder.toStdString();

    // An existing folder is not the business of makeFolder; a file in the way is no folder.
    ASSERT_TRUE(SetFileMode(top, 0755));
    EXPECT_TRUE(PrivateFiles::makeFolder(top));
    EXPECT_EQ(FileMode(top), 0755);
    writeFile(env.root() + QStringLiteral("/file"));
    EXPECT_FALSE(PrivateFiles::makeFolder(env.root() + QStringLiteral("/file")));
    EXPECT_FALSE(PrivateFiles::makeFolder(env.root() + QStringLiteral("/file/below")));
}

TEST(PrivateFiles, NarrowingTakesOnlyTheRightsOfGroupAndOthers)
{
    TestEnvironment env;
    const QString path = env.root() + QStringLiteral("/f");
    writeFile(path);
    const struct {
        int before;
        int after;
    } cases[] = {{0644, 0600}, {0666, 0600}, {0755, 0700}, {0600, 0600}, {0400, 0400}, {0750, 0700}};
    for (const auto& c : cases) {
        ASSERT_TRUE(SetFileMode(path, c.before));
        EXPECT_TRUE(PrivateFiles::narrow(path));
        EXPECT_EQ(FileMode(path), c.after) << std::oct << c.before;
    }
    EXPECT_TRUE(PrivateFiles::narrow(env.root() + QStringLiteral("/missing")));
}

TEST(PrivateFiles, TheProgramsFoldersAndTheRegistryFileAreNarrowedAtStart)
{
    TestEnvironment env;
    env.writeStandardRegistry();
    const QStringList folders{AppPaths::workFolder(), AppPaths::logFolder(), AppPaths::tmpFolder(),
                              AppPaths::oldDatabaseFolder(), AppPaths::defaultDatabaseFolder()};
    for (const QString& folder : folders) {
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(SetFileMode(folder, 0755));
    }
    const QString other = AppPaths::workFolder() + QStringLiteral("/Eigenes");
    ASSERT_TRUE(QDir().mkpath(other));
    ASSERT_TRUE(SetFileMode(other, 0755));
    ASSERT_TRUE(SetFileMode(env.registryFile(), 0644));
    ASSERT_TRUE(SetFileMode(env.root(), 0755));

    PrivateFiles::narrowProgramFolders();

    for (const QString& folder : folders)
        EXPECT_EQ(FileMode(folder), 0700) << folder.toStdString();
    EXPECT_EQ(FileMode(env.registryFile()), 0600);
    // What lies below the narrowed work folder is out of reach anyway; a named registry
    // file's folder is not the program's.
    EXPECT_EQ(FileMode(other), 0755);
    EXPECT_EQ(FileMode(env.root()), 0755);
}

TEST(PrivateFiles, TellsWhatLiesInsideTheWorkFolder)
{
    TestEnvironment env;
    ASSERT_TRUE(QDir().mkpath(AppPaths::workFolder()));
    const QString link = env.root() + QStringLiteral("/link");
    ASSERT_TRUE(QFile::link(AppPaths::workFolder(), link));
    EXPECT_TRUE(PrivateFiles::insideWorkFolder(AppPaths::workFolder() + QStringLiteral("/Log/x.pdf")));
    EXPECT_TRUE(PrivateFiles::insideWorkFolder(link + QStringLiteral("/x.pdf")));
    EXPECT_FALSE(PrivateFiles::insideWorkFolder(env.root() + QStringLiteral("/x.pdf")));
    EXPECT_FALSE(PrivateFiles::insideWorkFolder(AppPaths::workFolder() + QStringLiteral("-daneben/x.pdf")));
    EXPECT_FALSE(PrivateFiles::insideWorkFolder(AppPaths::workFolder()));
}

} // namespace
