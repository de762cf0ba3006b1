#include "mail/MGS.h"

#include "mail/SendLogNames.h"

TMGS::TMGS(SendRunSettings settings, std::unique_ptr<IMailTransport> transport, std::unique_ptr<IMailSource> source,
           std::unique_ptr<ISendRunReporter> reporter, SendRun::Clock clock, QObject* parent)
    : QThread(parent), m_settings(std::move(settings)), m_transport(std::move(transport)), m_source(std::move(source)),
      m_reporter(std::move(reporter)), m_clock(std::move(clock))
{
    // Fixed here, on the main thread, as an absolute path: never relative to a current folder.
    if (m_settings.FallbackLogFileName.isEmpty())
        m_settings.FallbackLogFileName = FallbackLogFilePath();
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

// Runs on the main thread once the run has ended; the reporter is a main-thread object.
TMGS::~TMGS() = default;

void TMGS::run()
{
    SendRun(m_settings, *m_transport, *m_source, *m_reporter, m_clock).execute();
    // The transport's socket and the source belong to this thread: free them here.
    m_transport.reset();
    m_source.reset();
}
