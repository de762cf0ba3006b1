#include "platform/TextCodec.h"

#include <QStringDecoder>

#include <array>

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes without a character.
constexpr std::array<char16_t, 32> kHighControls = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c && c != 0)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

} // namespace

namespace TextCodec {

QString fromWindows1252(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b >= 0x80 && b <= 0x9F && kHighControls[b - 0x80] != 0)
            text.append(QChar(kHighControls[b - 0x80]));
        else
            text.append(QChar(b)); // the five unassigned bytes map to the C1 controls, as usual
    }
    return text;
}

QByteArray toWindows1252(const QString& text, bool* ok)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    bool all = true;
    for (const QChar c : text) {
        const int b = windows1252Byte(c.unicode());
        if (b < 0) {
            all = false;
            bytes.append('?');
        } else {
            bytes.append(static_cast<char>(b));
        }
    }
    if (ok)
        *ok = all;
    return bytes;
}

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

QString decodeFileText(const QByteArray& bytes)
{
    return decodeFileTextChecked(bytes).text;
}

DecodedText decodeFileTextChecked(const QByteArray& bytes)
{
    DecodedText decoded;
    // What spreadsheet programs save as "Unicode text"; the decoder drops the byte order mark.
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        decoded.droppedLastByte = bytes.size() % 2 != 0;
        // The stateful decoder keeps an odd last byte back and passes surrogates through.
        decoded.text = QStringDecoder(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE).decode(bytes);
        decoded.invalidUtf16 = !decoded.text.isValidUtf16();
        return decoded;
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        decoded.text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
        return decoded;
    }
    // One decode: a file that is not UTF-8 is read again as Windows-1252.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    decoded.text = utf8.decode(bytes);
    if (utf8.hasError()) {
        decoded.text.clear();
        decoded.text = fromWindows1252(bytes);
    }
    return decoded;
}

QByteArray encodeFileText(const QString& text)
{
    bool ok = false;
    QByteArray bytes = toWindows1252(text, &ok);
    return ok ? bytes : text.toUtf8();
}

} // namespace TextCodec
