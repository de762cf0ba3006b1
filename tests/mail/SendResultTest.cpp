#include "mail/SendResult.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

// Every result has a text of its own, except that a failed disconnect and a value outside the
// enum share one.
TEST(SendResultTexts, EachResultHasItsOwnText)
{
    QMap<QString, int> codeOfText;
    for (int code = 0; code < kSendResultCount; ++code) {
        const QString text = SendResultText(static_cast<SendResult>(code));
        EXPECT_FALSE(text.isEmpty()) << code;
        EXPECT_FALSE(codeOfText.contains(text)) << code << " has the text of " << codeOfText.value(text);
        codeOfText.insert(text, code);
    }
    const QString disconnect = SendResultText(SendResult::DisconnectFailed);
    for (const int outside : {kSendResultCount, 200, -1})
        EXPECT_EQ(SendResultText(static_cast<SendResult>(outside)), disconnect) << outside;
}

// Every fault that is explained has a text of its own with a place for each value it names, and
// the values go in as they are, a "%2" inside the first too.
TEST(SendResultTexts, EachFaultHasItsOwnTextWithItsValues)
{
    const QSet<SmtpFault> unexplained{SmtpFault::None, SmtpFault::ServerClosing};
    QMap<QString, int> faultOfText;
    for (int code = 0; code < kSmtpFaultCount; ++code) {
        const auto fault = static_cast<SmtpFault>(code);
        const QString bare = SmtpFaultText(fault);
        EXPECT_EQ(bare.isEmpty(), unexplained.contains(fault)) << code;
        if (bare.isEmpty())
            continue;
        EXPECT_FALSE(faultOfText.contains(bare)) << code << " has the text of " << faultOfText.value(bare);
        faultOfText.insert(bare, code);
        EXPECT_TRUE(bare.contains(QStringLiteral("%1"))) << code;
        const bool twoValues = bare.contains(QStringLiteral("%2"));
        const QString filled = twoValues ? SmtpFaultText(fault, {QStringLiteral("a%2b"), QStringLiteral("VALUE2")})
                                         : SmtpFaultText(fault, {QStringLiteral("a%2b")});
        EXPECT_TRUE(filled.contains(QStringLiteral("a%2b"))) << filled.toStdString();
        EXPECT_EQ(filled.contains(QStringLiteral("VALUE2")), twoValues) << code;
        EXPECT_FALSE(filled.contains(QRegularExpression(QStringLiteral("%[1-9](?!b)")))) << filled.toStdString();
    }
}
