#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// Quoted-printable for the text and HTML body parts. Stateless; safe on any thread.
//
// Text is taken as lines that end in CR LF (the last line may lack it). Each line is encoded on
// its own; a lone CR or LF inside a line is escaped, so only CR LF pairs end lines. Lines
// longer than 76 characters are cut with soft breaks that never split an escape. Every output
// line ends in CR LF; an empty text gives nothing.
class TQPEncoder {
public:
    // "=" and the byte as two upper-case hexadecimal digits: 0xE4 gives "=E4".
    static QByteArray EncodeChar(unsigned char c);

    // Encodes bytes, each one character.
    static QByteArray Encode(QByteArrayView text);
    // Append the encoding of text, in one pass and without a copy of it, to out: as ISO-8859-1
    // (every character must fit, see FitsLatin1) or as UTF-8.
    static void AppendLatin1(QStringView text, QByteArray& out);
    static void AppendUtf8(QStringView text, QByteArray& out);
};
