#pragma once

#include "mail/SendRunReporter.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class TUserSP;

// The send run's way to its status window. Lives on the main thread; the run's thread calls
// the reporting functions, which only note the latest state and never wait. A timer on the main
// thread shows that state at most every 50 ms, so the window costs the same however fast the
// mails go; the result is shown after the last state. An update reaches the window only while
// it exists and has not been closed, so a closed or freed window is never touched by its run.
// Cancel is the window's shared flag, read directly.
//
// Create it on the main thread and keep it alive until the run has returned (the send thread
// owns it and frees it on the main thread).
class StatusWindowReporter final : public QObject, public ISendRunReporter {
    Q_OBJECT
public:
    // window may be null: the run then has no window and never sees a cancel.
    explicit StatusWindowReporter(TUserSP* window);

    void initProgress(int maximum) override;
    void showStatus(const QString& text) override;
    void stepProgress() override;
    bool cancelRequested() override;
    void reportResult(const SendRunOutcome& outcome) override;

private:
    // What changed since the window was last updated.
    struct Pending {
        std::optional<int> maximum;
        std::optional<QString> status;
        int steps = 0;
    };

    void showLatest(); // main thread

    QPointer<TUserSP> m_window; // read on the main thread only
    std::shared_ptr<std::atomic<bool>> m_cancel;
    QTimer m_timer;
    std::mutex m_mutex; // guards m_pending between the two threads
    Pending m_pending;
};
