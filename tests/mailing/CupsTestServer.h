#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A CUPS scheduler of the test's own, on a socket in a temporary folder, with queues that
// print into /dev/null. libcups of this thread and the command-line tools it runs talk to it
// until it ends. Needs Debian's cupsd and lpadmin; error() tells why it did not start.
class CupsTestServer {
public:
    enum class JobHistory { Kept, Dropped };
    // Dropped: a finished job is forgotten at once, as on a server without job history.
    explicit CupsTestServer(JobHistory history = JobHistory::Kept);
    ~CupsTestServer();
    CupsTestServer(const CupsTestServer&) = delete;
    CupsTestServer& operator=(const CupsTestServer&) = delete;

    bool running() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    // Runs one of the print system's tools (lpadmin, cupsreject, cupsdisable, cancel, ...)
    // against this server; true when it succeeded.
    bool run(const QString& tool, const QStringList& arguments);
    // Adds a queue that takes jobs and prints them into /dev/null.
    bool addQueue(const QString& name);

private:
    QTemporaryDir m_dir;
    QProcess m_cupsd;
    QString m_error;
    QByteArray m_oldServer;
    bool m_hadServer = false;
};
