#pragma once

#include "mail/SendRun.h"

#include <QThread>

#include <memory>

// One send run in the background. Create it on the main thread with everything the run needs,
// then start() it and keep no pointer: it frees itself (with its transport, source and
// reporter) once the run has ended. Nobody waits for it; the GUI thread hears from it only
// through the reporter. finished() tells whoever tracks running sends that this one is over.
class TMGS final : public QThread {
    Q_OBJECT
public:
    TMGS(SendRunSettings settings, std::unique_ptr<IMailTransport> transport, std::unique_ptr<IMailSource> source,
         std::unique_ptr<ISendRunReporter> reporter, SendRun::Clock clock = {}, QObject* parent = nullptr);
    ~TMGS() override;

protected:
    void run() override;

private:
    SendRunSettings m_settings;
    std::unique_ptr<IMailTransport> m_transport;
    std::unique_ptr<IMailSource> m_source;
    std::unique_ptr<ISendRunReporter> m_reporter;
    SendRun::Clock m_clock;
};
