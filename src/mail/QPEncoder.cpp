#include "mail/QPEncoder.h"

#include <array>
#include <cstring>

namespace {

constexpr qsizetype kMaxLine = 76;
constexpr char kHex[] = "0123456789ABCDEF";

// For each ASCII code: bit 0 set when it is written as it is, bit 1 for a blank or TAB, which
// is so only inside a line. The marks "!", '"', "#", "$", "@", "[", "\", "]", "^", "`" and "{"
// to "~" are escaped although RFC 2045 allows them: gateways that translate to EBCDIC garble
// them.
constexpr std::array<unsigned char, 128> classTable()
{
    std::array<unsigned char, 128> classes{};
    for (int c = 37; c <= 60; ++c)
        classes[c] = 1;
    classes['>'] = classes['?'] = classes['_'] = 1;
    for (int c = 'A'; c <= 'Z'; ++c)
        classes[c] = 1;
    for (int c = 'a'; c <= 'z'; ++c)
        classes[c] = 1;
    classes[' '] = classes['\t'] = 3;
    return classes;
}
constexpr std::array<unsigned char, 128> kClass = classTable();

unsigned codeOf(char c)
{
    return static_cast<unsigned char>(c);
}
unsigned codeOf(QChar c)
{
    return c.unicode();
}

// Writes the encoded text straight into the output array, keeping its state in locals so the
// byte stores do not make the compiler reload it. A line's soft breaks are placed as its
// characters come: a segment holds the whole escapes and characters that fit in 75 columns,
// and is cut once the line is known to be too long for one output line: more than 76 characters
// for its first segment, 76 or more for a later one.
//
// text: 8- or 16-bit characters. writeHigh(i, escape, plain) writes the character at i, which is
// not ASCII, through the two writers and returns how many units it took.
template <typename Text, typename WriteHigh> void encode(Text text, QByteArray& out, WriteHigh writeHigh)
{
    const qsizetype n = text.size();
    if (n == 0)
        return;
    const auto unit = [&](qsizetype i) { return codeOf(text[i]); };
    const auto lineEndsAt = [&](qsizetype i) {
        return i == n || (unit(i) == '\r' && i + 1 < n && unit(i + 1) == '\n');
    };

    qsizetype start = out.size();
    out.resize(start + n + n / 4 + 64);
    char* data = out.data();
    char* end = data + out.size();
    char* p = data + start;
    char* segment = p;        // where the current output line starts
    char* fit = p;            // the end of its last token within 75 columns
    bool firstSegment = true; // no soft break in this input line yet
    const auto grow = [&] {
        const qsizetype at = p - data, segmentAt = segment - data, fitAt = fit - data;
        out.resize(out.size() * 2);
        data = out.data();
        end = data + out.size();
        p = data + at;
        segment = data + segmentAt;
        fit = data + fitAt;
    };
    const auto tokenWritten = [&] {
        const qsizetype length = p - segment;
        if (length < kMaxLine) {
            fit = p;
            return;
        }
        if (length < (firstSegment ? kMaxLine + 1 : kMaxLine))
            return;
        // Cut behind the last whole token within 75 columns; what follows (at most two
        // escapes) moves behind the soft break.
        std::memmove(fit + 3, fit, static_cast<size_t>(p - fit));
        std::memcpy(fit, "=\r\n", 3);
        p += 3;
        segment = fit + 3;
        fit = p;
        firstSegment = false;
    };
    const auto plain = [&](char c) {
        *p++ = c;
        tokenWritten();
    };
    const auto escape = [&](unsigned c) {
        p[0] = '=';
        p[1] = kHex[(c >> 4) & 15];
        p[2] = kHex[c & 15];
        p += 3;
        tokenWritten();
    };
    const auto endLine = [&] {
        *p++ = '\r';
        *p++ = '\n';
        segment = fit = p;
        firstSegment = true;
    };

    qsizetype i = 0;
    while (i < n) {
        // Room for one character: at most four escapes and a soft break.
        if (end - p < 16)
            grow();
        const unsigned c = unit(i);
        // A run of plain characters that fits in the segment needs no token bookkeeping. A
        // blank or TAB that ends up last before a line end goes back to the careful path below.
        const qsizetype room = qMin(kMaxLine - 1 - (p - segment), n - i);
        if (c < 0x80 && (kClass[c] & 1) && room > 0 && end - p > room) {
            const char* const runStart = p;
            const qsizetype stop = i + room;
            for (unsigned next = c; next < 0x80 && (kClass[next] & 1);) {
                *p++ = static_cast<char>(next);
                if (++i == stop)
                    break;
                next = unit(i);
            }
            if ((p[-1] == ' ' || p[-1] == '\t') && lineEndsAt(i)) {
                --p;
                --i;
            }
            fit = p;
            if (p > runStart)
                continue;
        }
        if (c >= 0x80) {
            i += writeHigh(i, escape, plain);
        } else if (c == '\r' && i + 1 < n && unit(i + 1) == '\n') {
            endLine();
            i += 2;
        } else {
            // A blank or TAB at the end of a line would be stripped in transport (RFC 2045 6.7).
            if ((kClass[c] & 1) && !((kClass[c] & 2) && lineEndsAt(i + 1)))
                plain(static_cast<char>(c));
            else
                escape(c);
            ++i;
        }
    }
    if (end - p < 16)
        grow();
    if (n < 2 || unit(n - 2) != '\r' || unit(n - 1) != '\n')
        endLine();
    out.resize(p - data);
}

} // namespace

QByteArray TQPEncoder::EncodeChar(unsigned char c)
{
    const char escape[] = {'=', kHex[c >> 4], kHex[c & 15]};
    return QByteArray(escape, 3);
}

QByteArray TQPEncoder::Encode(QByteArrayView text)
{
    QByteArray out;
    encode(text, out, [&](qsizetype i, auto& escape, auto&) {
        escape(static_cast<unsigned char>(text[i]));
        return 1;
    });
    return out;
}

void TQPEncoder::AppendLatin1(QStringView text, QByteArray& out)
{
    encode(text, out, [&](qsizetype i, auto& escape, auto&) {
        escape(text[i].unicode());
        return 1;
    });
}

void TQPEncoder::AppendUtf8(QStringView text, QByteArray& out)
{
    encode(text, out, [&](qsizetype i, auto& escape, auto& plain) {
        char32_t code = text[i].unicode();
        qsizetype units = 1;
        if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        } else if (QChar::isSurrogate(code)) {
            plain('?'); // as QString::toUtf8 writes a lone surrogate
            return units;
        }
        if (code < 0x800) {
            escape(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            escape(0xE0 | (code >> 12));
            escape(0x80 | ((code >> 6) & 0x3F));
        } else {
            escape(0xF0 | (code >> 18));
            escape(0x80 | ((code >> 12) & 0x3F));
            escape(0x80 | ((code >> 6) & 0x3F));
        }
        escape(0x80 | (code & 0x3F));
        return units;
    });
}
