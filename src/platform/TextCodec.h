#pragma once

#include <QByteArray>
#include <QString>

// The program's text files: read as UTF-16 LE or BE after its byte order mark, as UTF-8 when
// they carry a BOM or are valid UTF-8, else as Windows-1252; written as Windows-1252 when every
// character fits, else as UTF-8.
namespace TextCodec {

QString fromWindows1252(const QByteArray& bytes);
// Sets *ok to false (and writes '?') when a character has no Windows-1252 byte.
QByteArray toWindows1252(const QString& text, bool* ok = nullptr);

bool isValidUtf8(const QByteArray& bytes);
QString decodeFileText(const QByteArray& bytes);

// A file's text with what decoding could not keep of a UTF-16 file: a last byte that makes no
// character (an odd number of bytes), and unpaired surrogates, which are kept as they are.
struct DecodedText {
    QString text;
    bool droppedLastByte = false;
    bool invalidUtf16 = false;
};
DecodedText decodeFileTextChecked(const QByteArray& bytes);
QByteArray encodeFileText(const QString& text);

} // namespace TextCodec
