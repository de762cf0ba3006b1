#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Quoted-printable for the text and HTML body parts. Stateless; safe on any thread.
class TQPEncoder {
public:
    // "=" and the byte as two upper-case hexadecimal digits: 0xE4 gives "=E4".
    static QByteArray EncodeChar(unsigned char c);

    // Encodes text whose lines end in CR LF (the last line may lack it). Each line is encoded on
    // its own; a lone CR or LF inside a line is escaped, so only CR LF pairs end lines. Lines
    // longer than 76 characters are cut with soft breaks that never split an escape. Every
    // output line ends in CR LF; an empty text gives an empty result.
    static QByteArray Encode(QByteArrayView text);

    // Appends the encoding of one line (without its line end) and CR LF to out.
    static void EncodeLine(QByteArrayView line, QByteArray& out);
};
