#include "mail/QPLineCache.h"

#include "mail/QPEncoder.h"

#include <algorithm>

namespace {

// Where the line that starts at start ends: behind its first CR LF, or at the end of text. A
// lone LF does not end a line (the encoder escapes it).
qsizetype lineEnd(QStringView text, qsizetype start)
{
    for (qsizetype from = start;;) {
        const qsizetype lf = text.indexOf(u'\n', from);
        if (lf < 0)
            return text.size();
        if (lf > start && text[lf - 1] == u'\r')
            return lf + 1;
        from = lf + 1;
    }
}

} // namespace

QByteArray TQPLineCache::Encode(const QString& text, bool latin1)
{
    if (latin1 != m_latin1) {
        m_lines.clear();
        m_latin1 = latin1;
    }
    const QStringView all(text);
    const QStringView before(m_text);
    QByteArray out;
    out.reserve(std::max(m_encoded.size(), text.size() + text.size() / 4) + 64);
    std::vector<Line> lines;
    lines.reserve(m_lines.size());
    // Reused lines that follow each other in the encoding before are appended in one piece.
    qsizetype reusedStart = 0;
    qsizetype reusedEnd = 0;
    const auto appendReused = [&] {
        out.append(m_encoded.constData() + reusedStart, reusedEnd - reusedStart);
        reusedStart = reusedEnd = 0;
    };
    for (qsizetype start = 0; start < all.size();) {
        const qsizetype end = lineEnd(all, start);
        const QStringView line = all.sliced(start, end - start);
        const size_t index = lines.size();
        const qsizetype encodedStart = out.size() + (reusedEnd - reusedStart);
        if (index < m_lines.size() && before.sliced(m_lines[index].textStart, m_lines[index].textLength) == line) {
            const Line& old = m_lines[index];
            if (reusedEnd != old.encodedStart) {
                appendReused();
                reusedStart = old.encodedStart;
            }
            reusedEnd = old.encodedStart + old.encodedLength;
        } else {
            appendReused();
            if (latin1)
                TQPEncoder::AppendLatin1(line, out);
            else
                TQPEncoder::AppendUtf8(line, out);
        }
        lines.push_back({start, end - start, encodedStart, out.size() + (reusedEnd - reusedStart) - encodedStart});
        start = end;
    }
    appendReused();
    m_text = text;
    m_encoded = out;
    m_lines.swap(lines);
    return out;
}
