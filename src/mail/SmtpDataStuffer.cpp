#include "mail/SmtpDataStuffer.h"

namespace {

const QByteArray kCrLf("\r\n");

} // namespace

void SmtpDataStuffer::append(const QByteArray& chunk, QByteArray& out)
{
    const char* data = chunk.constData();
    const qsizetype size = chunk.size();
    out.reserve(out.size() + size + size / 64 + 8);
    qsizetype i = 0;
    if (m_pendingCr) {
        m_pendingCr = false;
        out += kCrLf;
        m_atLineStart = true;
        if (size > 0 && data[0] == '\n')
            i = 1;
    }
    while (i < size) {
        if (m_atLineStart && data[i] == '.')
            out += '.';
        m_atLineStart = false;
        qsizetype end = i;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        out.append(data + i, end - i);
        if (end == size)
            return;
        if (data[end] == '\r') {
            if (end + 1 == size) {
                m_pendingCr = true;
                return;
            }
            if (data[end + 1] == '\n')
                ++end;
        }
        out += kCrLf;
        m_atLineStart = true;
        i = end + 1;
    }
}

void SmtpDataStuffer::finish(QByteArray& out)
{
    if (m_pendingCr || !m_atLineStart)
        out += kCrLf;
    out += ".\r\n";
    m_pendingCr = false;
    m_atLineStart = true;
}
