#include "platform/DbCollation.h"

#include <sqlite3.h>

#include <QChar>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace {

// What one code point contributes to the comparison: up to two folded code points.
struct Folded {
    char32_t first = 0;
    char32_t second = 0;
};

constexpr char32_t kTableSize = 0x2000; // Latin, Greek, Cyrillic and Latin Extended Additional

Folded foldSlow(char32_t cp)
{
    if (cp == 0x00DF || cp == 0x1E9E)
        return {U's', U's'};
    char32_t base = cp;
    if (QChar::decompositionTag(cp) == QChar::Canonical) {
        const QString parts = QChar::decomposition(cp);
        if (!parts.isEmpty())
            base = parts.at(0).unicode();
    }
    return {QChar::toCaseFolded(base), 0};
}

const std::vector<Folded>& foldTable()
{
    static const std::vector<Folded> table = [] {
        std::vector<Folded> t(kTableSize);
        for (char32_t cp = 0; cp < kTableSize; ++cp)
            t[cp] = foldSlow(cp);
        return t;
    }();
    return table;
}

Folded fold(char32_t cp)
{
    if (cp < 0x80)
        return {(cp >= U'A' && cp <= U'Z') ? cp + 32 : cp, 0};
    if (cp < kTableSize)
        return foldTable()[cp];
    return {QChar::toCaseFolded(cp), 0};
}

// Yields the folded code points of a text one by one.
template <typename Decoder>
class FoldedStream {
public:
    explicit FoldedStream(Decoder decoder)
        : m_decoder(decoder)
    {
    }
    // False at the end of the text.
    bool next(char32_t& out)
    {
        if (m_pending != 0) {
            out = m_pending;
            m_pending = 0;
            return true;
        }
        char32_t cp = 0;
        if (!m_decoder.next(cp))
            return false;
        const Folded f = fold(cp);
        out = f.first;
        m_pending = f.second;
        return true;
    }

private:
    Decoder m_decoder;
    char32_t m_pending = 0;
};

template <typename Decoder>
int compareFolded(Decoder a, Decoder b)
{
    FoldedStream<Decoder> sa(a);
    FoldedStream<Decoder> sb(b);
    for (;;) {
        char32_t ca = 0;
        char32_t cb = 0;
        const bool hasA = sa.next(ca);
        const bool hasB = sb.next(cb);
        if (!hasA || !hasB)
            return hasA ? 1 : (hasB ? -1 : 0);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
}

struct Utf16Decoder {
    QStringView text;
    qsizetype pos = 0;
    bool next(char32_t& out)
    {
        if (pos >= text.size())
            return false;
        const QChar c = text.at(pos++);
        if (c.isHighSurrogate() && pos < text.size() && text.at(pos).isLowSurrogate())
            out = QChar::surrogateToUcs4(c, text.at(pos++));
        else
            out = c.unicode();
        return true;
    }
};

// Decodes UTF-8 as SQLite stores it; a malformed byte stands for itself.
struct Utf8Decoder {
    const unsigned char* p;
    const unsigned char* end;
    bool next(char32_t& out)
    {
        if (p >= end)
            return false;
        const unsigned char lead = *p++;
        int extra = 0;
        if (lead >= 0xF0 && lead < 0xF8) {
            out = lead & 0x07;
            extra = 3;
        } else if (lead >= 0xE0) {
            out = lead & 0x0F;
            extra = 2;
        } else if (lead >= 0xC0) {
            out = lead & 0x1F;
            extra = 1;
        } else {
            out = lead;
            return true;
        }
        if (end - p < extra) {
            out = lead;
            return true;
        }
        for (int i = 0; i < extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                out = lead;
                return true;
            }
            out = (out << 6) | (p[i] & 0x3F);
        }
        p += extra;
        return true;
    }
};

// The number of equal bytes at the start of a and b, looking at no more than count.
qsizetype commonPrefix(const unsigned char* a, const unsigned char* b, qsizetype count)
{
    qsizetype same = 0;
    for (; same + 8 <= count; same += 8) {
        quint64 wordA = 0;
        quint64 wordB = 0;
        std::memcpy(&wordA, a + same, 8);
        std::memcpy(&wordB, b + same, 8);
        if (const quint64 differ = qFromLittleEndian(wordA ^ wordB))
            return same + std::countr_zero(differ) / 8;
    }
    while (same < count && a[same] == b[same])
        ++same;
    return same;
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Where the folded comparison may start once the first `same` bytes are known to be equal:
// a position that the decoder treats as the start of a code point in both texts, so the equal
// bytes before it decode, and fold, alike.
qsizetype resumePoint(const unsigned char* a, qsizetype lengthA, const unsigned char* b, qsizetype lengthB,
                      qsizetype same)
{
    if (same < lengthA && same < lengthB && !isContinuation(a[same]) && !isContinuation(b[same]))
        return same;
    for (qsizetype k = same - 1; k > 0; --k) {
        if (!isContinuation(a[k]))
            return k;
    }
    return 0;
}

int collateUtf8(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return compareGermanUtf8(static_cast<const char*>(a), lengthA, static_cast<const char*>(b), lengthB);
}

} // namespace

int compareGermanUtf8(const char* textA, qsizetype lengthA, const char* textB, qsizetype lengthB)
{
    const auto* pa = reinterpret_cast<const unsigned char*>(textA);
    const auto* pb = reinterpret_cast<const unsigned char*>(textB);
    // Names in one list mostly share a start ("Müller-..."); equal bytes fold alike, so the
    // folding starts where they part.
    const qsizetype common = std::min(lengthA, lengthB);
    const qsizetype same = commonPrefix(pa, pb, common);
    if (same == lengthA && same == lengthB)
        return 0;
    const qsizetype from = resumePoint(pa, lengthA, pb, lengthB, same);
    const int folded = compareFolded(Utf8Decoder{pa + from, pa + lengthA}, Utf8Decoder{pb + from, pb + lengthB});
    if (folded != 0)
        return folded;
    // UTF-8 byte order is code point order.
    if (same < common)
        return pa[same] < pb[same] ? -1 : 1;
    return lengthA < lengthB ? -1 : 1;
}

int compareGerman(QStringView a, QStringView b)
{
    const int folded = compareFolded(Utf16Decoder{a}, Utf16Decoder{b});
    if (folded != 0)
        return folded;
    const QByteArray ua = a.toUtf8();
    const QByteArray ub = b.toUtf8();
    return compareGermanUtf8(ua.constData(), ua.size(), ub.constData(), ub.size());
}

bool registerGermanCollation(sqlite3* handle)
{
    return sqlite3_create_collation_v2(handle, "DE", SQLITE_UTF8, nullptr, collateUtf8, nullptr) == SQLITE_OK;
}
