#include "core/FirstRun.h"

#include "core/SettingsStore.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// The default registry file below a temporary XDG_CONFIG_HOME, with KUBNEWS_REGISTRY unset.
struct DefaultRegistry {
    TestEnvironment env;
    QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    DefaultRegistry()
    {
        qunsetenv("KUBNEWS_REGISTRY");
        qputenv("XDG_CONFIG_HOME", (env.root() + QStringLiteral("/config")).toUtf8());
    }
    ~DefaultRegistry() { qputenv("XDG_CONFIG_HOME", oldConfig); }
    QString file() const { return env.root() + QStringLiteral("/config/kubNEWSLETTER/registry.reg"); }
};

TEST(FirstRun, WritesBothKeysOnceWhenNoRegistryExists)
{
    DefaultRegistry registry;
    ASSERT_EQ(AppPaths::registryFile(), registry.file());

    const FirstRunResult first = PrepareFirstRun();
    EXPECT_TRUE(first.registryWritten);
    EXPECT_FALSE(first.failed);
    ASSERT_TRUE(QFileInfo::exists(registry.file()));
    EXPECT_FALSE(QFileInfo::exists(registry.file() + QStringLiteral(".new")));

    // What the settings routines read back: no box, the absolute database folder.
    MessageBoxRecorder boxes;
    bool failed = true;
    QString path;
    ReadDBPath(failed, path);
    EXPECT_FALSE(failed);
    EXPECT_EQ(path, registry.env.homeFolder() + QStringLiteral("/Datenbank"));
    EXPECT_FALSE(ReadDialUp());
    EXPECT_EQ(ReadMailsPerConnection(), 0);
    EXPECT_EQ(ReadVersion(), QString());
    EXPECT_TRUE(boxes.boxes().isEmpty()) << boxes.texts().join(u'\n').toStdString();

    // A later start leaves the file as the user has it.
    WriteVersion(QStringLiteral("1.2"));
    const FirstRunResult second = PrepareFirstRun();
    EXPECT_FALSE(second.registryWritten);
    EXPECT_EQ(ReadVersion(), QStringLiteral("1.2"));
}

TEST(FirstRun, NothingIsWrittenWhenARegistryFileIsNamed)
{
    TestEnvironment env;
    EXPECT_FALSE(PrepareFirstRun().registryWritten);
    EXPECT_FALSE(QFileInfo::exists(env.registryFile()));
}

TEST(FirstRun, AFolderThatCannotBeWrittenIsReportedAndLeavesNoFile)
{
    DefaultRegistry registry;
    // A file where the settings folder should be.
    QFile blocker(registry.env.root() + QStringLiteral("/config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const FirstRunResult result = PrepareFirstRun();
    EXPECT_TRUE(result.failed);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_FALSE(result.registryWritten);
}

} // namespace
