#pragma once

#include <QProcess>
#include <QString>

// Another program that holds an SQLite file under an exclusive lock (BEGIN EXCLUSIVE on a
// connection of its own) until release() or its end.
class LockingProcess {
public:
    // True once the lock is held; on false, error() says why.
    bool lock(const QString& file)
    {
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral("-c"),
                         QStringLiteral("import sqlite3, sys\n"
                                        "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                        "c.execute('BEGIN EXCLUSIVE')\n"
                                        "print('locked', flush=True)\n"
                                        "sys.stdin.read()\n"),
                         file});
        return m_process.waitForStarted(30000) && m_process.waitForReadyRead(30000) &&
               m_process.readAllStandardOutput().trimmed() == "locked";
    }
    QString error() { return QString::fromUtf8(m_process.readAllStandardError()) + m_process.errorString(); }
    qint64 processId() const { return m_process.processId(); }
    bool release()
    {
        m_process.closeWriteChannel();
        return m_process.waitForFinished(30000);
    }
    ~LockingProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(30000);
        }
    }

private:
    QProcess m_process;
};
