#include "mail/SendLogWriter.h"

#include "platform/PrivateFiles.h"
#include "platform/TextCodec.h"

namespace {

constexpr qint64 kFlushIntervalMs = 1000;

} // namespace

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
    if (!m_file.open(mode, PrivateFiles::kFilePermissions)) {
        m_failed = true;
        m_error = m_file.errorString();
        return false;
    }
    m_size = m_file.size();
    m_completeSize = m_size;
    m_sinceFlush.start();
    return true;
}

void SendLogWriter::openEntry(const QString& text)
{
    append(text, false);
}

void SendLogWriter::line(const QString& text)
{
    append(text, true);
}

void SendLogWriter::flushIfDue()
{
    if (!m_buffer.isEmpty() && m_sinceFlush.hasExpired(kFlushIntervalMs))
        flush();
}

void SendLogWriter::close()
{
    if (!m_file.isOpen())
        return;
    flush();
    m_file.close();
    if (!m_failed && m_file.error() != QFileDevice::NoError) {
        m_failed = true;
        m_error = m_file.errorString();
    }
}

void SendLogWriter::append(const QString& text, bool endsLine)
{
    if (m_failed || !m_file.isOpen())
        return;
    m_buffer += TextCodec::toWindows1252(BlankControls(text));
    if (endsLine)
        m_buffer += "\r\n";
    flushIfDue();
}

void SendLogWriter::flush()
{
    m_sinceFlush.restart();
    if (m_failed || m_buffer.isEmpty())
        return;
    // A short write is retried, so the second attempt reports the system's reason.
    for (qsizetype done = 0; done < m_buffer.size();) {
        const qint64 written = m_file.write(m_buffer.constData() + done, m_buffer.size() - done);
        if (written <= 0)
            return fail(done);
        done += written;
    }
    const qsizetype lineEnd = m_buffer.lastIndexOf("\r\n");
    if (lineEnd >= 0)
        m_completeSize = m_size + lineEnd + 2;
    m_size += m_buffer.size();
    m_buffer.clear();
}

void SendLogWriter::fail(qsizetype writtenOfBuffer)
{
    m_failed = true;
    m_error = m_file.errorString();
    // Cut back to the last complete line, also one written by an earlier flush when an open
    // entry went out after it; making a file shorter needs no room.
    const qsizetype lineEnd = writtenOfBuffer < 2 ? -1 : m_buffer.lastIndexOf("\r\n", writtenOfBuffer - 2);
    const qint64 keep = lineEnd < 0 ? m_completeSize : m_size + lineEnd + 2;
    (void)m_file.resize(keep);
    m_completeSize = keep;
    m_buffer.clear();
}
