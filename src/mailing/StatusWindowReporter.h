#pragma once

#include "mailing/SendRunReporter.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>

class TUserSP;

// The send run's way to its status window. Lives on the main thread; the run's thread calls
// the reporting functions, which post each update to the main thread in order and never wait.
// An update reaches the window only while it exists and has not been closed, so a closed or
// freed window is never touched by its run. Cancel is the window's shared flag, read directly.
//
// Create it on the main thread and keep it alive until the run has returned (the send thread
// owns it and frees it on the main thread).
class StatusWindowReporter final : public QObject, public ISendRunReporter
{
    Q_OBJECT
public:
    // window may be null: the run then has no window and never sees a cancel.
    explicit StatusWindowReporter(TUserSP* window);

    void initProgress(int maximum) override;
    void showStatus(const QString& text) override;
    void stepProgress() override;
    bool cancelRequested() override;
    void reportResult(int code, const QString& detail) override;

private:
    template <typename Update> void post(Update update);

    QPointer<TUserSP> m_window; // read on the main thread only
    std::shared_ptr<std::atomic<bool>> m_cancel;
};
