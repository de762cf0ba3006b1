#include "platform/ZipProgress.h"

ZipByteCounter::ZipByteCounter(const ZipProgressHandler& handler, QString name)
    : m_handler(handler), m_name(std::move(name))
{
    m_sinceEvent.start();
}

void ZipByteCounter::add(qint64 bytes)
{
    m_pending += bytes;
    if (m_pending >= kBytesPerEvent || m_sinceEvent.elapsed() >= kMillisecondsPerEvent)
        flush();
}

void ZipByteCounter::flush()
{
    if (m_pending > 0 && m_handler)
        m_handler(ZipProgressKind::Bytes, m_name, m_pending);
    m_pending = 0;
    m_sinceEvent.restart();
}
