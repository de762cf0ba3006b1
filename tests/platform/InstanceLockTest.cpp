#include "platform/InstanceLock.h"

#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>

namespace {

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstReleases)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run/kubNEWSLETTER.lock"));
    InstanceLock first(path);
    ASSERT_TRUE(first.tryAcquire());

    InstanceLock second(path);
    EXPECT_FALSE(second.tryAcquire());
    EXPECT_TRUE(second.heldByOtherInstance());

    first.release();
    EXPECT_TRUE(second.tryAcquire());
}

TEST(InstanceLock, ALockLeftByACrashedInstanceIsTakenOver)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kubNEWSLETTER.lock"));
    // The child takes the lock and dies without releasing it.
    EXPECT_EXIT(
        {
            InstanceLock crashed(path);
            if (crashed.tryAcquire())
                std::raise(SIGKILL);
            std::_Exit(3);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    ASSERT_TRUE(QFile::exists(path));

    InstanceLock next(path);
    EXPECT_TRUE(next.tryAcquire());
}

TEST(InstanceLock, AnUnwritableFolderIsNotTakenForAnotherInstance)
{
    InstanceLock lock(QStringLiteral("/proc/kubNEWSLETTER/kubNEWSLETTER.lock"));
    EXPECT_FALSE(lock.tryAcquire());
    EXPECT_FALSE(lock.heldByOtherInstance());
}

} // namespace
