#include "mailing/StatusWindowReporter.h"

#include "mailing/UserSpass.h"

StatusWindowReporter::StatusWindowReporter(TUserSP* window)
    : m_window(window), m_cancel(window ? window->cancelFlag() : nullptr)
{}

template <typename Update> void StatusWindowReporter::post(Update update)
{
    // Queued calls to one receiver run in the order they were posted.
    QMetaObject::invokeMethod(
        this,
        [this, update = std::move(update)] {
            if (m_window && !m_window->Closed)
                update(*m_window);
        },
        Qt::QueuedConnection);
}

void StatusWindowReporter::initProgress(int maximum)
{
    post([maximum](TUserSP& window) { window.initProgress(maximum); });
}

void StatusWindowReporter::showStatus(const QString& text)
{
    post([text](TUserSP& window) { window.setStatusText(text); });
}

void StatusWindowReporter::stepProgress()
{
    post([](TUserSP& window) { window.stepProgress(); });
}

bool StatusWindowReporter::cancelRequested()
{
    return m_cancel && m_cancel->load();
}

void StatusWindowReporter::reportResult(int code, const QString& detail)
{
    post([code, detail](TUserSP& window) { window.ShowResult(code, detail); });
}
