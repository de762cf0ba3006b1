#include "mail/QPEncoder.h"

#include <array>

namespace {

constexpr qsizetype kMaxLine = 76;
constexpr char kHex[] = "0123456789ABCDEF";

// Bytes written as they are. The marks "!", '"', "#", "$", "@", "[", "\", "]", "^", "`" and
// "{" to "~" are escaped although RFC 2045 allows them: gateways that translate to EBCDIC
// garble them.
constexpr std::array<bool, 256> plainTable()
{
    std::array<bool, 256> plain{};
    for (int c = 37; c <= 60; ++c)
        plain[c] = true;
    plain['>'] = plain['?'] = plain['_'] = true;
    for (int c = 'A'; c <= 'Z'; ++c)
        plain[c] = true;
    for (int c = 'a'; c <= 'z'; ++c)
        plain[c] = true;
    return plain;
}
constexpr std::array<bool, 256> kPlain = plainTable();

void appendEscape(QByteArray& out, unsigned char c)
{
    out.append('=');
    out.append(kHex[c >> 4]);
    out.append(kHex[c & 15]);
}

} // namespace

QByteArray TQPEncoder::EncodeChar(unsigned char c)
{
    QByteArray escape;
    appendEscape(escape, c);
    return escape;
}

void TQPEncoder::EncodeLine(QByteArrayView line, QByteArray& out)
{
    QByteArray encoded;
    encoded.reserve(line.size() + line.size() / 4 + 4);
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        // A blank or TAB at the end of a line would be stripped in transport (RFC 2045 6.7).
        if (kPlain[c] || ((c == ' ' || c == '\t') && i + 1 < n))
            encoded.append(static_cast<char>(c));
        else
            appendEscape(encoded, c);
    }

    qsizetype start = 0;
    if (encoded.size() > kMaxLine) {
        do {
            qsizetype head = kMaxLine - 1;
            // Keep an escape whole: step back when its "=" or first digit would end the segment.
            if (encoded[start + head - 1] == '=')
                head -= 1;
            else if (encoded[start + head - 2] == '=')
                head -= 2;
            out.append(encoded.constData() + start, head);
            out.append("=\r\n");
            start += head;
        } while (encoded.size() - start >= kMaxLine);
    }
    out.append(encoded.constData() + start, encoded.size() - start);
    out.append("\r\n");
}

QByteArray TQPEncoder::Encode(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 3 + 16);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QByteArrayView("\r\n"), start);
        if (end < 0) {
            EncodeLine(text.sliced(start), out);
            break;
        }
        EncodeLine(text.sliced(start, end - start), out);
        start = end + 2;
    }
    return out;
}
