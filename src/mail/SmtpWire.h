#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <utility>

// The bytes of a mail's DATA phase as pieces that go to the socket in order, in one write
// where the system takes them (writev): wire forms made once per run are shared, not copied
// into every mail; the rest is appended to the own piece at the end.
class SmtpWire {
public:
    // The own piece at the end, to append to.
    QByteArray& tail();
    // Appends bytes as a piece of its own, without copying them.
    void share(const QByteArray& bytes);
    // Empties the wire; the own piece at the end keeps its room for the next mail.
    void clear();
    void swap(SmtpWire& other) noexcept
    {
        m_pieces.swap(other.m_pieces);
        m_spare.swap(other.m_spare);
        std::swap(m_tailOwn, other.m_tailOwn);
    }

    qsizetype size() const;
    const QByteArrayList& pieces() const { return m_pieces; }
    // All pieces in one array (a copy).
    QByteArray joined() const { return m_pieces.join(); }

private:
    QByteArrayList m_pieces;
    QByteArray m_spare;     // room kept by clear() for the next tail()
    bool m_tailOwn = false; // the last piece is one tail() made
};
