#include "mail/SmtpDataStuffer.h"

#include <cstring>

namespace {

const char* find(const char* from, const char* end, char c)
{
    return static_cast<const char*>(std::memchr(from, c, static_cast<size_t>(end - from)));
}

} // namespace

void SmtpDataStuffer::append(const QByteArray& chunk, QByteArray& out)
{
    if (chunk.isEmpty())
        return; // a pending CR may still meet its LF
    const char* p = chunk.constData();
    const char* const end = p + chunk.size();
    if (m_pendingCr) {
        m_pendingCr = false;
        out += "\r\n";
        m_atLineStart = true;
        if (p < end && *p == '\n')
            ++p;
    }
    // [run, p) is copied as it is once something has to be inserted or changed.
    const char* run = p;
    while (p < end) {
        if (m_atLineStart) {
            m_atLineStart = false;
            if (*p == '.') {
                out.append(run, p - run);
                out += '.';
                ++m_doubledDots;
                run = p;
            }
        }
        const char* lf = find(p, end, '\n');
        const char* cr = find(p, lf ? lf : end, '\r');
        if (cr && cr + 1 == lf) {
            p = lf + 1; // CR LF: the line stays in the run
            m_atLineStart = true;
            continue;
        }
        if (!cr && !lf)
            break; // a line that goes on in the next chunk
        // A bare CR or LF, or a CR that is the chunk's last byte, becomes CR LF.
        const char* bare = cr ? cr : lf;
        out.append(run, bare - run);
        if (bare + 1 == end && *bare == '\r') {
            m_pendingCr = true;
            return;
        }
        out += "\r\n";
        m_atLineStart = true;
        p = run = bare + 1;
    }
    out.append(run, end - run);
}

void SmtpDataStuffer::appendBody(const TMailMessage& mail, SmtpWire& wire)
{
    for (qsizetype i = 0; i < mail.Body.size(); ++i) {
        const bool wireReady = i < mail.BodyWire.size() && !mail.BodyWire[i].isNull();
        if (wireReady && m_atLineStart && !m_pendingCr) {
            const QByteArray& ready = mail.BodyWire[i];
            wire.share(ready);
            // Complete lines: each one that starts with ".." on the wire had its dot doubled.
            if (m_countPrestuffed)
                m_doubledDots += ready.count("\r\n..") + (ready.startsWith("..") ? 1 : 0);
        } else
            append(mail.Body[i], wire.tail());
    }
}

void SmtpDataStuffer::finish(QByteArray& out)
{
    if (m_pendingCr || !m_atLineStart)
        out += "\r\n";
    out += ".\r\n";
    m_pendingCr = false;
    m_atLineStart = true;
}

QByteArray SmtpDataStuffer::Stuffed(const QByteArray& lines)
{
    SmtpDataStuffer stuffer;
    QByteArray wire;
    stuffer.append(lines, wire);
    // Stuffing only ever adds bytes.
    return wire.size() == lines.size() ? lines : wire;
}
