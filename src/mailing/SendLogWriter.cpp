#include "mailing/SendLogWriter.h"

#include "platform/PrivateFiles.h"
#include "platform/TextCodec.h"

bool SendLogWriter::open(const QString& path, bool emptyFirst)
{
    m_file.setFileName(path);
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | QIODevice::Unbuffered | (emptyFirst ? QIODevice::Truncate : QIODevice::Append);
    if (!m_file.open(mode, PrivateFiles::kFilePermissions)) {
        m_failed = true;
        m_error = m_file.errorString();
        return false;
    }
    return true;
}

void SendLogWriter::openEntry(const QString& text)
{
    write(text);
}

void SendLogWriter::line(const QString& text)
{
    write(text + QStringLiteral("\r\n"));
}

void SendLogWriter::close()
{
    if (!m_file.isOpen())
        return;
    m_file.close();
    if (!m_failed && m_file.error() != QFileDevice::NoError) {
        m_failed = true;
        m_error = m_file.errorString();
    }
}

void SendLogWriter::write(const QString& text)
{
    if (m_failed || !m_file.isOpen())
        return;
    const QByteArray bytes = TextCodec::toWindows1252(text);
    if (m_file.write(bytes) != bytes.size()) {
        m_failed = true;
        m_error = m_file.errorString();
    }
}
