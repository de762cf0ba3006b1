#include "platform/DirectoryTree.h"

#include "ZipTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// HOME points into the test's own folder, so a faulty refusal can harm nothing real.
class DirectoryTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("HOME");
        ASSERT_TRUE(QDir().mkpath(home()));
        qputenv("HOME", home().toUtf8());
    }
    void TearDown() override { qputenv("HOME", m_oldHome); }

    QString home() const { return dir.path() + QStringLiteral("/home/user"); }

    QTemporaryDir dir;

private:
    QByteArray m_oldHome;
};

TEST_F(DirectoryTreeTest, RefusesWhatMustNeverGo)
{
    writeText(home() + QStringLiteral("/keep.txt"), "x");
    ASSERT_TRUE(QFile::link(home(), dir.path() + QStringLiteral("/link")));
    struct Case {
        const char* name;
        QString path;
        bool deletable; // what a caller is told before it relies on a delete
    };
    const QList<Case> cases{
        {"the root", QStringLiteral("/"), false},
        {"the home folder", home(), false},
        {"the home folder with a trailing slash", home() + u'/', false},
        {"above the home folder", dir.path() + QStringLiteral("/home"), false},
        {"one component", QStringLiteral("/tmp"), false},
        {"relative", QStringLiteral("home/user"), false},
        {"empty", QString(), false},
        {"a link to a folder", dir.path() + QStringLiteral("/link"), false},
        {"missing", dir.path() + QStringLiteral("/nothing"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DirectoryTreeDeletable(c.path), c.deletable);
        EXPECT_FALSE(DeleteDirectoryTree(c.path));
    }
    EXPECT_TRUE(QFileInfo::exists(home() + QStringLiteral("/keep.txt")));
}

TEST_F(DirectoryTreeTest, DeletesNestedAndHiddenEntriesButNoLinkTarget)
{
    const QString tree = dir.path() + QStringLiteral("/Tmp");
    const QString outside = dir.path() + QStringLiteral("/outside");
    ASSERT_TRUE(QDir().mkpath(tree + QStringLiteral("/a/b/.hidden")));
    ASSERT_TRUE(QDir().mkpath(outside));
    writeText(tree + QStringLiteral("/a/b/.hidden/.file"), "x");
    writeText(tree + QStringLiteral("/top.txt"), "x");
    writeText(outside + QStringLiteral("/target.txt"), "survives");
    ASSERT_TRUE(QFile::link(outside, tree + QStringLiteral("/a/link")));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/target.txt"), tree + QStringLiteral("/filelink")));

    EXPECT_TRUE(DeleteDirectoryTree(tree + u'/'));
    EXPECT_FALSE(QFileInfo::exists(tree));
    EXPECT_EQ(readAll(outside + QStringLiteral("/target.txt")), QByteArray("survives"));
}

TEST_F(DirectoryTreeTest, AFolderThatIsALinkIsNotEntered)
{
    const QString outside = dir.path() + QStringLiteral("/outside");
    ASSERT_TRUE(QDir().mkpath(outside));
    writeText(outside + QStringLiteral("/target.txt"), "survives");
    ASSERT_TRUE(QFile::link(outside, dir.path() + QStringLiteral("/Tmp")));
    EXPECT_FALSE(DeleteDirectoryTree(dir.path() + QStringLiteral("/Tmp")));
    EXPECT_EQ(readAll(outside + QStringLiteral("/target.txt")), QByteArray("survives"));
}

} // namespace
