#include "mail/Base64Encoder.h"
#include "mail/QPEncoder.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QRandomGenerator>
#include <QStringBuilder>

#include <gtest/gtest.h>

namespace {

QByteArray qp(const QByteArray& text)
{
    return TQPEncoder::Encode(text);
}

// Quoted-printable decoding as a receiving program does it (RFC 2045 6.7).
QByteArray decodeQp(const QByteArray& encoded)
{
    QByteArray out;
    for (const QByteArray& line : encoded.split('\n')) {
        if (line.isEmpty())
            continue; // behind the last line end
        QByteArray body = line.chopped(1);
        const bool soft = body.endsWith('=');
        if (soft)
            body.chop(1);
        for (qsizetype i = 0; i < body.size(); ++i) {
            if (body[i] == '=') {
                out.append(static_cast<char>(body.mid(i + 1, 2).toInt(nullptr, 16)));
                i += 2;
            } else {
                out.append(body[i]);
            }
        }
        if (!soft)
            out.append("\r\n");
    }
    return out;
}

} // namespace

TEST(QPEncoder, EncodesCharactersAsTable)
{
    const struct {
        QByteArray in;
        QByteArray out;
    } cases[] = {
        {"M\xFCller = 5 \r\n", "M=FCller =3D 5=20\r\n"},
        {"a b\tc\t\r\n", "a b\tc=09\r\n"},
        {"mail@example.de\r\n", "mail=40example.de\r\n"},
        {"!\"#$[\\]^`{|}~\x7F\r\n", "=21=22=23=24=5B=5C=5D=5E=60=7B=7C=7D=7E=7F\r\n"},
        {"%&'()*+,-./0123456789:;<>?_\r\n", "%&'()*+,-./0123456789:;<>?_\r\n"},
        {".Punkt am Anfang\r\n", ".Punkt am Anfang\r\n"},
        {QByteArray("\x00\x01", 2) + "\r\n", "=00=01\r\n"},
        {"\r\n", "\r\n"},
        {"", ""},
        {"zwei\r\nZeilen", "zwei\r\nZeilen\r\n"},
        // A lone CR or LF is no line end on the wire.
        {"a\rb\nc\r\n", "a=0Db=0Ac\r\n"},
        // Each line is encoded on its own, so a blank before an inner CR LF is protected too.
        {"ende \r\nweiter \r\n", "ende=20\r\nweiter=20\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qp(c.in), c.out) << c.in.toStdString();
    EXPECT_EQ(TQPEncoder::EncodeChar(0xE4), "=E4");
    EXPECT_EQ(TQPEncoder::EncodeChar('='), "=3D");
}

TEST(QPEncoder, SoftBreaksNeverSplitAnEscape)
{
    const QByteArray a75(75, 'a');
    const struct {
        QByteArray in;
        QList<QByteArray> lines;
    } cases[] = {
        {QByteArray(76, 'a'), {QByteArray(76, 'a')}},
        {QByteArray(77, 'a'), {a75 + '=', "aa"}},
        {QByteArray(74, 'a') + "\xE4" + "bc", {QByteArray(74, 'a') + '=', "=E4bc"}},
        {QByteArray(73, 'a') + "\xE4" + "bc", {QByteArray(73, 'a') + '=', "=E4bc"}},
        {QByteArray(72, 'a') + "\xE4" + "bc", {QByteArray(72, 'a') + "=E4=", "bc"}},
        // A rest of exactly 76 characters is broken again.
        {QByteArray(151, 'a'), {a75 + '=', a75 + '=', "a"}},
        {QByteArray(150, 'a'), {a75 + '=', QByteArray(75, 'a')}},
        // A blank that ends a segment stands before the soft break's "=".
        {QByteArray(74, 'a') + "  bb", {QByteArray(74, 'a') + " =", " bb"}},
    };
    for (const auto& c : cases) {
        QByteArray expected;
        for (const QByteArray& line : c.lines)
            expected += line + "\r\n";
        EXPECT_EQ(qp(c.in), expected) << c.in.toStdString();
    }
}

TEST(QPEncoder, RandomLinesStayShortAndDecodeBack)
{
    QRandomGenerator random(20240501);
    for (int round = 0; round < 2000; ++round) {
        QByteArray text;
        const int length = static_cast<int>(random.bounded(400));
        for (int i = 0; i < length; ++i) {
            // Blanks, line-end bytes and escapes often enough to meet every boundary.
            const int kind = static_cast<int>(random.bounded(6));
            const char c = kind == 0   ? ' '
                           : kind == 1 ? '\r'
                           : kind == 2 ? '\n'
                           : kind == 3 ? '='
                                       : static_cast<char>(random.bounded(256));
            text.append(c);
        }
        const QByteArray encoded = qp(text);
        for (const QByteArray& line : encoded.split('\n')) {
            if (line.isEmpty())
                continue;
            ASSERT_TRUE(line.endsWith('\r')) << "bare LF";
            const QByteArray body = line.chopped(1);
            ASSERT_LE(body.size(), 76);
            ASSERT_FALSE(body.contains('\r'));
            ASSERT_FALSE(body.endsWith(' ') || body.endsWith('\t'));
        }
        // The encoder ends every line with CR LF, so the input gains one when it lacked it.
        const QByteArray expected = text.isEmpty() || text.endsWith("\r\n") ? text : text + "\r\n";
        ASSERT_EQ(decodeQp(encoded), expected) << round;
    }
}

TEST(QPEncoder, TextIsEncodedAsItsLatin1OrUtf8Bytes)
{
    QRandomGenerator random(20240502);
    // Line ends, blanks, marks, umlauts, a euro sign, an emoji and a lone surrogate.
    const QString alphabet = QStringLiteral("\r\n \t=.aZ9@äöüßÿ€😀") + QChar(0xD800);
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = static_cast<int>(random.bounded(300));
        for (int i = 0; i < length; ++i)
            text.append(alphabet[static_cast<qsizetype>(random.bounded(static_cast<int>(alphabet.size())))]);
        QByteArray utf8;
        TQPEncoder::AppendUtf8(text, utf8);
        ASSERT_EQ(utf8, qp(text.toUtf8())) << round;
        QString latin1Text = text;
        latin1Text.removeIf([](QChar c) { return c.unicode() > 0xFF; });
        QByteArray latin1 = "vorher\r\n";
        TQPEncoder::AppendLatin1(latin1Text, latin1);
        ASSERT_EQ(latin1, "vorher\r\n" + qp(latin1Text.toLatin1())) << round;
    }
}

TEST(B64Encoder, MatchesStandardVectorsAndLineLengths)
{
    const struct {
        QByteArray in;
        QByteArray out;
    } vectors[] = {
        {"", ""},
        {"f", "Zg==\r\n"},
        {"fo", "Zm8=\r\n"},
        {"foo", "Zm9v\r\n"},
        {"foob", "Zm9vYg==\r\n"},
        {"fooba", "Zm9vYmE=\r\n"},
        {"foobar", "Zm9vYmFy\r\n"},
    };
    for (const auto& v : vectors)
        EXPECT_EQ(TB64Encoder::Encode(v.in), v.out) << v.in.toStdString();

    const struct {
        int bytes;
        QList<int> lineLengths;
    } sizes[] = {{57, {76}}, {58, {76, 4}}, {114, {76, 76}}, {115, {76, 76, 4}}};
    for (const auto& s : sizes) {
        QByteArray input(s.bytes, '\0');
        for (int i = 0; i < s.bytes; ++i)
            input[i] = static_cast<char>(i * 37 + 11);
        const QByteArray encoded = TB64Encoder::Encode(input);
        QList<int> lengths;
        QByteArray joined;
        for (const QByteArray& line : encoded.split('\n')) {
            if (line.isEmpty())
                continue;
            lengths.append(static_cast<int>(line.size()) - 1);
            joined += line.chopped(1);
        }
        EXPECT_EQ(lengths, s.lineLengths) << s.bytes;
        EXPECT_EQ(QByteArray::fromBase64(joined), input);
    }
}
