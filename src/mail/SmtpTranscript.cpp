#include "mail/SmtpTranscript.h"

#include <atomic>

namespace {

std::atomic<int> g_sessionCounter{0};

} // namespace

QString SmtpTranscript::pathFromEnvironment()
{
    return qEnvironmentVariable("KUBNEWS_SMTP_TRANSCRIPT");
}

SmtpTranscript::SmtpTranscript(const QString& path)
{
    if (path.isEmpty())
        return;
    m_session = ++g_sessionCounter;
    m_file.setFileName(path);
    // A transcript that cannot be opened records nothing; it must not hinder sending.
    (void)m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

void SmtpTranscript::note(const QString& text)
{
    write("*", text.toUtf8());
}

void SmtpTranscript::client(const QByteArray& line)
{
    write("C:", line);
}

void SmtpTranscript::clientSecret()
{
    write("C:", QByteArray("********"));
}

void SmtpTranscript::server(const QByteArray& line)
{
    write("S:", line);
}

void SmtpTranscript::write(const char* prefix, const QByteArray& text)
{
    if (!m_file.isOpen())
        return;
    // One write per line: with O_APPEND, lines of concurrent sessions do not tear.
    QByteArray line = '[' + QByteArray::number(m_session) + "] " + prefix + ' ' + text + '\n';
    m_file.write(line);
}
