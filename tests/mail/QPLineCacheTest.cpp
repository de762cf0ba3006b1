#include "mail/QPLineCache.h"

#include "mail/QPEncoder.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

QByteArray wholeText(const QString& text, bool latin1)
{
    QByteArray out;
    if (latin1)
        TQPEncoder::AppendLatin1(text, out);
    else
        TQPEncoder::AppendUtf8(text, out);
    return out;
}

struct Step {
    QString text;
    bool latin1;
};

struct Sequence {
    const char* what;
    std::vector<Step> steps;
};

const QString kLong = QString(90, u'x') + QStringLiteral(" Grüße\r\n");

} // namespace

// Every text of a sequence, encoded through one cache, comes out as the encoder makes the whole
// text: lines reused from the text before must be the ones that really are the same.
TEST(QPLineCache, EncodesEveryTextAsTheWholeTextEncoder)
{
    const QString head = QStringLiteral("<p>Sehr geehrte Damen und Herren,</p>\r\n") + kLong;
    const std::vector<Sequence> sequences{
        {"one line changes",
         {{head + QStringLiteral("Herr Müller\r\nEnde\r\n"), true},
          {head + QStringLiteral("Frau Schäfer\r\nEnde\r\n"), true},
          {head + QStringLiteral("Frau Schäfer\r\nEnde\r\n"), true}}},
        {"a value with a line end shifts the lines behind it",
         {{QStringLiteral("A\r\nB\r\nC\r\nD\r\n"), true},
          {QStringLiteral("A\r\nX\r\nY\r\nB\r\nC\r\nD\r\n"), true},
          {QStringLiteral("A\r\nB\r\nC\r\nD\r\n"), true}}},
        {"a blank that moves to the end of a line",
         {{QStringLiteral("Wert x\r\nWeiter\r\n"), true},
          {QStringLiteral("Wert \r\nWeiter\r\n"), true},
          {QStringLiteral("Wert\t\r\nWeiter\r\n"), true}}},
        {"a lone CR or LF is no line end",
         {{QStringLiteral("a\rb\r\nc\nd\r\ne\r\n"), true},
          {QStringLiteral("a\r\nb\r\nc\nd\r\ne\r\n"), true},
          {QStringLiteral("a\rb\r\nc\r\nd\r\ne\r\n"), true},
          {QStringLiteral("\r\r\n\n\r\n\r\n"), true}}},
        {"the last line with and without its line end",
         {{QStringLiteral("Zeile\r\nletzte"), true},
          {QStringLiteral("Zeile\r\nletzte\r\n"), true},
          {QStringLiteral("Zeile\r\nletzte "), true},
          {QStringLiteral("Zeile\r\nletzte\r"), true},
          {QString(), true},
          {QStringLiteral("Zeile\r\n"), true}}},
        {"the charset changes, the text does not",
         {{head + QStringLiteral("Grüße\r\n"), true},
          {head + QStringLiteral("Grüße\r\n"), false},
          {head + QStringLiteral("Grüße €\r\n"), false},
          {head + QStringLiteral("Grüße\r\n"), true}}},
        {"long lines cut with soft breaks",
         {{kLong + kLong, true}, {kLong + QStringLiteral("kurz\r\n") + kLong, true}, {kLong + kLong, false}}},
        {"characters beyond the first plane",
         {{QStringLiteral("Hallo 😀\r\nEnde\r\n"), false}, {QStringLiteral("Hallo 😁\r\nEnde\r\n"), false}}},
    };
    for (const Sequence& sequence : sequences) {
        TQPLineCache cache;
        for (size_t i = 0; i < sequence.steps.size(); ++i) {
            const Step& step = sequence.steps[i];
            EXPECT_EQ(cache.Encode(step.text, step.latin1), wholeText(step.text, step.latin1))
                << sequence.what << ", text " << i;
        }
    }
}

// Texts made of lines drawn from a small pool, so that many lines repeat at the same place and
// many do not.
TEST(QPLineCache, EncodesRandomSequencesAsTheWholeTextEncoder)
{
    const QStringList pool{QStringLiteral("<p>Hallo</p>\r\n"),
                           QStringLiteral("Grüße aus Münster\r\n"),
                           QStringLiteral("\r\n"),
                           QStringLiteral("Ende \r\n"),
                           QStringLiteral("a\rb\n"),
                           QStringLiteral(".punkt\r\n"),
                           kLong,
                           QStringLiteral("=3D \t")};
    QRandomGenerator random(25);
    TQPLineCache cache;
    for (int text = 0; text < 300; ++text) {
        QString composed;
        const int lines = random.bounded(12);
        for (int line = 0; line < lines; ++line)
            composed += pool[random.bounded(int(pool.size()))];
        const bool latin1 = random.bounded(4) != 0;
        ASSERT_EQ(cache.Encode(composed, latin1), wholeText(composed, latin1)) << "text " << text;
    }
}
