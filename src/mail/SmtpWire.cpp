#include "mail/SmtpWire.h"

QByteArray& SmtpWire::tail()
{
    if (m_pieces.isEmpty() || !m_tailOwn) {
        m_pieces.append(std::move(m_spare));
        m_spare = QByteArray();
        m_tailOwn = true;
    }
    return m_pieces.last();
}

void SmtpWire::share(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    m_pieces.append(bytes);
    m_tailOwn = false;
}

void SmtpWire::clear()
{
    if (m_tailOwn && !m_pieces.isEmpty()) {
        m_spare = std::move(m_pieces.last());
        m_spare.resize(0);
    }
    m_pieces.clear();
    m_tailOwn = false;
}

qsizetype SmtpWire::size() const
{
    qsizetype total = 0;
    for (const QByteArray& piece : m_pieces)
        total += piece.size();
    return total;
}
