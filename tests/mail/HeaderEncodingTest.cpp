#include "mail/HeaderEncoding.h"

#include <QByteArrayList>
#include <QStringBuilder>
#include <QByteArray>
#include <QString>

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
