#include "mailing/SendLogWriter.h"

#include "platform/TextCodec.h"

QString BlankControls(const QString& text)
{
    QString shown = text;
    for (QChar& c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
    return shown;
}

bool SendLogWriter::open(const QString& path, bool emptyFirst)
{
    m_file.setFileName(path);
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | QIODevice::Unbuffered | (emptyFirst ? QIODevice::Truncate : QIODevice::Append);
    if (!m_file.open(mode)) {
        m_failed = true;
        m_error = m_file.errorString();
        return false;
    }
    m_size = m_lineEnd = m_file.size();
    return true;
}

void SendLogWriter::openEntry(const QString& text)
{
    write(text, false);
}

void SendLogWriter::line(const QString& text)
{
    write(text, true);
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

void SendLogWriter::write(const QString& text, bool endsLine)
{
    if (m_failed || !m_file.isOpen())
        return;
    QByteArray bytes = TextCodec::toWindows1252(BlankControls(text));
    if (endsLine)
        bytes += "\r\n";
    // A short write is retried, so the second attempt reports the system's reason.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = m_file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return fail();
        done += written;
        m_size += written;
    }
    if (endsLine)
        m_lineEnd = m_size;
}

void SendLogWriter::fail()
{
    m_failed = true;
    m_error = m_file.errorString();
    // Cutting a file shorter needs no room, so no half line stays behind.
    (void)m_file.resize(m_lineEnd);
}
