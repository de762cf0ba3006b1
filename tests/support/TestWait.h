#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QThread>

#include <chrono>

// Processes events until the condition holds or the time is up; returns whether it came true.
// The caller asserts the result, so a time-out fails the test instead of ending it quietly:
//     ASSERT_TRUE(waitUntil([&] { return window->isHidden(); }));
// Objects given to deleteLater() are freed while waiting, so "it is gone" is a condition too.
// Call it on the thread of the application object; the timeout only bounds a broken run.
template <typename Condition>
[[nodiscard]] bool waitUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // processEvents() leaves deferred deletions to the event loop that posted them.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(5);
    }
    return true;
}
