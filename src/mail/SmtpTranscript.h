#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A C:/S: record of one SMTP session, for telling a server problem from a program problem.
// Switched on by the environment variable KUBNEWS_SMTP_TRANSCRIPT naming a file that every
// session appends to; each line carries the session's number, so concurrent runs can be told
// apart. Lives in the session's thread.
class SmtpTranscript {
public:
    static QString pathFromEnvironment();

    // An empty path records nothing.
    explicit SmtpTranscript(const QString& path);

    bool enabled() const { return m_file.isOpen(); }
    void note(const QString& text);
    void client(const QByteArray& line);
    // For the password: the line is recorded as stars only.
    void clientSecret();
    void server(const QByteArray& line);

private:
    void write(const char* prefix, const QByteArray& text);

    QFile m_file;
    int m_session = 0;
};
