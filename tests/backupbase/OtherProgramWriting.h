#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

// Another program (python3's sqlite3) with a write transaction open on a table file: it
// changes Ort of recipient 1 under the given BEGIN and holds the lock until finish(), which
// commits and returns what Ort reads afterwards (empty when the commit failed).
class OtherProgramWriting {
public:
    OtherProgramWriting(const QString& tableFile, const QString& begin)
    {
        const QString held = tableFile + QStringLiteral(".gesperrt");
        m_writer.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-c"),
                        QStringLiteral("import sqlite3, sys\n"
                                       "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                       "c.create_collation('DE', lambda a, b: (a > b) - (a < b))\n"
                                       "c.execute(sys.argv[3])\n"
                                       "c.execute(\"UPDATE Adressen SET Ort = 'Neu' WHERE ID = 1\")\n"
                                       "open(sys.argv[2], 'w').close()\n"
                                       "sys.stdin.readline()\n"
                                       "c.execute('COMMIT')\n"
                                       "print(c.execute('SELECT Ort FROM Adressen WHERE ID = 1').fetchone()[0])\n"),
                        tableFile, held, begin});
        // The writer's own start has no bound to meet: it signals when its transaction is open.
        while (!QFileInfo::exists(held) && m_writer.state() != QProcess::NotRunning)
            m_writer.waitForReadyRead(100);
        m_holding = QFileInfo::exists(held);
        QFile::remove(held);
    }

    bool holding() const { return m_holding; }
    qint64 processId() const { return m_writer.processId(); }

    QByteArray finish()
    {
        m_writer.write("\n");
        m_writer.closeWriteChannel();
        if (!m_writer.waitForFinished(120000) || m_writer.exitCode() != 0)
            return {};
        return m_writer.readAllStandardOutput().trimmed();
    }

private:
    QProcess m_writer;
    bool m_holding = false;
};
