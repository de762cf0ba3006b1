#include "mailing/StatusWindowReporter.h"

#include "mailing/UserSpass.h"

namespace {

constexpr int kShowIntervalMs = 50;

} // namespace

StatusWindowReporter::StatusWindowReporter(TUserSP* window)
    : m_window(window), m_cancel(window ? window->cancelFlag() : nullptr)
{
    connect(&m_timer, &QTimer::timeout, this, &StatusWindowReporter::showLatest);
    if (window)
        m_timer.start(kShowIntervalMs);
}

void StatusWindowReporter::initProgress(int maximum)
{
    const std::lock_guard lock(m_mutex);
    m_pending.maximum = maximum;
    m_pending.steps = 0;
}

void StatusWindowReporter::showStatus(const QString& text)
{
    const std::lock_guard lock(m_mutex);
    m_pending.status = text;
}

void StatusWindowReporter::stepProgress()
{
    const std::lock_guard lock(m_mutex);
    ++m_pending.steps;
}

bool StatusWindowReporter::cancelRequested()
{
    return m_cancel && m_cancel->load();
}

void StatusWindowReporter::reportResult(const SendRunOutcome& outcome)
{
    QMetaObject::invokeMethod(
        this,
        [this, outcome] {
            m_timer.stop();
            showLatest();
            if (m_window && !m_window->Closed)
                m_window->ShowResult(outcome);
        },
        Qt::QueuedConnection);
}

void StatusWindowReporter::showLatest()
{
    Pending latest;
    {
        const std::lock_guard lock(m_mutex);
        std::swap(latest, m_pending);
    }
    if (!m_window || m_window->Closed)
        return;
    if (latest.maximum)
        m_window->initProgress(*latest.maximum);
    if (latest.status)
        m_window->setStatusText(*latest.status);
    for (int i = 0; i < latest.steps; ++i)
        m_window->stepProgress();
}
