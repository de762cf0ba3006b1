#include "mail/HeaderEncoding.h"

#include "mail/CharacterSets.h"

namespace {

constexpr qsizetype kMaxWord = 75;
constexpr qsizetype kMaxLine = 76;
constexpr char kHex[] = "0123456789ABCDEF";

bool isControl(QChar c)
{
    const auto category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

// The characters that RFC 2047 (5.3) lets stand for themselves in a "Q" word anywhere a word
// may appear, display names included.
bool isPlainInWord(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '!' || c == '*' ||
           c == '+' || c == '-' || c == '/';
}

QByteArray qEncode(const QByteArray& bytes)
{
    QByteArray out;
    for (const char byte : bytes) {
        if (byte == ' ') {
            out.append('_');
        } else if (isPlainInWord(byte)) {
            out.append(byte);
        } else {
            const auto c = static_cast<unsigned char>(byte);
            out.append('=');
            out.append(kHex[c >> 4]);
            out.append(kHex[c & 15]);
        }
    }
    return out;
}

bool isPlainAscii(const QString& text)
{
    if (!IsPrintableAscii(text))
        return false;
    // Text that looks like an encoded word would be decoded by the recipient's program.
    return !text.contains(QLatin1String("=?"));
}

} // namespace

QByteArray EncodeHeaderText(const QString& text, qsizetype nameLength)
{
    QString clean = text;
    for (QChar& c : clean) {
        if (isControl(c))
            c = QLatin1Char(' ');
    }
    if (isPlainAscii(clean))
        return clean.toLatin1();

    const bool latin1 = FitsLatin1(clean);
    const QByteArray prefix = latin1 ? QByteArray("=?iso-8859-1?Q?") : QByteArray("=?utf-8?Q?");
    const qsizetype frame = prefix.size() + 2; // the prefix and "?="
    // The first word shares its line with the field name; later lines hold a blank and a word.
    qsizetype room = qMin(kMaxWord, kMaxLine - nameLength) - frame;

    QByteArray result;
    QByteArray payload;
    auto closeWord = [&] {
        if (!result.isEmpty())
            result.append("\r\n ");
        result.append(prefix).append(payload).append("?=");
        payload.clear();
        room = kMaxWord - frame;
    };
    for (qsizetype i = 0; i < clean.size();) {
        // One code point at a time, so a surrogate pair stays in one word.
        const qsizetype length = (clean[i].isHighSurrogate() && i + 1 < clean.size()) ? 2 : 1;
        const QString character = clean.mid(i, length);
        const QByteArray piece = qEncode(latin1 ? character.toLatin1() : character.toUtf8());
        if (!payload.isEmpty() && payload.size() + piece.size() > room)
            closeWord();
        payload.append(piece);
        i += length;
    }
    closeWord();
    return result;
}
