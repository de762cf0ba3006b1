#include "support/TestWait.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

TEST(WaitUntil, ReturnsFalseOnceTheTimeIsUp)
{
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(waitUntil([] { return false; }, 100ms));
    EXPECT_GE(clock.elapsed(), 100) << "it waited the whole time";
}

TEST(WaitUntil, AFailedWaitFailsTheTestThatAssertsIt)
{
    EXPECT_FATAL_FAILURE(ASSERT_TRUE(waitUntil([] { return false; }, 50ms)), "waitUntil");
}

TEST(WaitUntil, ReturnsTrueWhenEventsMakeTheConditionTrueLater)
{
    bool fired = false;
    QObject context;
    QTimer::singleShot(50ms, &context, [&] { fired = true; });
    ASSERT_FALSE(fired);
    EXPECT_TRUE(waitUntil([&] { return fired; }));

    // An object given to deleteLater() is freed while waiting.
    QPointer<QObject> doomed = new QObject;
    doomed->deleteLater();
    EXPECT_TRUE(waitUntil([&] { return doomed.isNull(); }));
}

TEST(WaitUntil, SeesAChangeMadeByAnotherThread)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::this_thread::sleep_for(50ms);
        done = true;
    });
    const bool cameTrue = waitUntil([&] { return done.load(); });
    worker.join();
    EXPECT_TRUE(cameTrue);
}

} // namespace
