#include "platform/StagedFile.h"

#include "platform/AppPaths.h"
#include "support/FileModes.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(StagedFile, TheTargetChangesOnlyOnCommit)
{
    TestEnvironment env;
    const QString target = env.root() + QStringLiteral("/log.pdf");
    write(target, "alt");
    {
        StagedFile staged(target);
        ASSERT_TRUE(staged.create()) << staged.error().toStdString();
        EXPECT_EQ(QFileInfo(staged.path()).path(), env.root());
        write(staged.path(), "halb");
        // Not committed: the target stays, the temporary file goes.
    }
    EXPECT_EQ(read(target), QByteArray("alt"));
    EXPECT_EQ(entries(env.root()), (QStringList{QStringLiteral("home"), QStringLiteral("log.pdf")}));

    StagedFile staged(target);
    ASSERT_TRUE(staged.create());
    write(staged.path(), "neu");
    ASSERT_TRUE(staged.commit()) << staged.error().toStdString();
    EXPECT_EQ(read(target), QByteArray("neu"));
    EXPECT_EQ(entries(env.root()), (QStringList{QStringLiteral("home"), QStringLiteral("log.pdf")}));
}

TEST(StagedFile, RightsFollowTheTargetOrTheWorkFolder)
{
    TestEnvironment env;
    ASSERT_TRUE(QDir().mkpath(AppPaths::workFolder()));
    const QString plain = env.root() + QStringLiteral("/plain");
    write(plain, {});
    const int usualMode = FileMode(plain);
    const QString existing = env.root() + QStringLiteral("/existing.pdf");
    write(existing, "alt");
    ASSERT_TRUE(SetFileMode(existing, 0640));
    const struct {
        QString target;
        int mode;
    } cases[] = {
        {AppPaths::workFolder() + QStringLiteral("/log.pdf"), 0600},
        {env.root() + QStringLiteral("/new.pdf"), usualMode},
        {existing, 0640},
    };
    for (const auto& c : cases) {
        StagedFile staged(c.target);
        ASSERT_TRUE(staged.create()) << c.target.toStdString();
        ASSERT_TRUE(staged.commit()) << c.target.toStdString();
        EXPECT_EQ(FileMode(c.target), c.mode) << c.target.toStdString();
    }
}

TEST(StagedFile, AMissingFolderFailsAtCreate)
{
    TestEnvironment env;
    StagedFile staged(env.root() + QStringLiteral("/fehlt/log.pdf"));
    EXPECT_FALSE(staged.create());
    EXPECT_FALSE(staged.error().isEmpty());
}

} // namespace
