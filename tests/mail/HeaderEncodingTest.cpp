#include "mail/HeaderEncoding.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringBuilder>

#include <gtest/gtest.h>

TEST(HeaderEncoding, EncodesSubjectsAsTable)
{
    const struct {
        QString in;
        QByteArray out;
    } cases[] = {
        {QStringLiteral("Newsletter Mai 2024"), "Newsletter Mai 2024"},
        {QStringLiteral(""), ""},
        {QStringLiteral("Zeile\r\nzwei\tdrei"), "Zeile  zwei drei"},
        {QStringLiteral("<#EVorname> bleibt"), "<#EVorname> bleibt"},
        {QStringLiteral("Grüße"), "=?iso-8859-1?Q?Gr=FC=DFe?="},
        {QStringLiteral("Preis 5 €"), "=?utf-8?Q?Preis_5_=E2=82=AC?="},
        {QStringLiteral("a_b=c?d"), "a_b=c?d"},
        // Looks like an encoded word, so it is encoded to arrive as typed.
        {QStringLiteral("=?x?="), "=?iso-8859-1?Q?=3D=3Fx=3F=3D?="},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeHeaderText(c.in), c.out) << c.in.toStdString();
}

TEST(HeaderEncoding, LongTextFoldsIntoWholeWords)
{
    const QString subject = QStringLiteral("Ärger über 😀 Emojis und € im Betreff, ") + QString(60, QLatin1Char('x'));
    const QByteArray encoded = EncodeHeaderText(subject);
    const QList<QByteArray> lines = encoded.split('\n');
    ASSERT_GT(lines.size(), 1);
    // RFC 2047: 76 characters per line, the field name on the first one included.
    EXPECT_LE(QByteArray("Subject: " + lines[0].chopped(1)).size(), 76);
    QByteArray decoded;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray word = lines[i];
        if (i + 1 < lines.size()) {
            ASSERT_TRUE(word.endsWith('\r'));
            word.chop(1);
        }
        if (i > 0) {
            ASSERT_TRUE(word.startsWith(' '));
            word = word.mid(1);
        }
        ASSERT_LE(word.size(), 75);
        ASSERT_TRUE(word.startsWith("=?utf-8?Q?") && word.endsWith("?=")) << word.toStdString();
        // Each word must decode on its own to whole characters.
        const QByteArray payload = word.mid(10, word.size() - 12).replace('_', ' ');
        const QByteArray bytes = QByteArray::fromPercentEncoding(QByteArray(payload).replace('=', '%'));
        ASSERT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes) << "a character split across words";
        decoded += bytes;
    }
    EXPECT_EQ(QString::fromUtf8(decoded), subject);
}

TEST(HeaderEncoding, EveryLineOfTheFieldFitsInclusiveOfItsName)
{
    const struct {
        QString text;
        qsizetype nameLength;
    } cases[] = {
        {QStringLiteral("Neuigkeiten aus Münster, Ausgabe März: Werksführungen, Preise und Termine"), 9},
        {QStringLiteral("Grüße ") + QString(90, QChar(0xE4)), 9},
        {QStringLiteral("Preis 5 € – ") + QString(70, QLatin1Char('z')), 9},
        {QStringLiteral("Anna Müller-Lüdenscheidt und ihr sehr langer Doppelname"), 6},
    };
    for (const auto& c : cases) {
        const QList<QByteArray> lines = EncodeHeaderText(c.text, c.nameLength).split('\n');
        ASSERT_GT(lines.size(), 1) << c.text.toStdString();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const qsizetype length = lines[i].size() - (i + 1 < lines.size() ? 1 : 0) + (i == 0 ? c.nameLength : 0);
            EXPECT_LE(length, 76) << c.text.toStdString() << " line " << i;
            // No room is wasted either: a word is closed only when the next character does not fit.
            if (i == 0) {
                EXPECT_GE(length, 70) << c.text.toStdString();
            }
        }
    }
}
