#include "core/PosText.h"

#include <gtest/gtest.h>

TEST(PosText, Table)
{
    const struct {
        const char16_t* s;
        const char16_t* sub;
        int start;
        int expected;
    } cases[] = {
        {u"Hallo WELT", u"welt", 1, 7},
        {u"Hallo WELT", u"welt", 8, 0},
        {u"Hallo WELT", u"welt", 0, 7},
        {u"Hallo WELT", u"welt", -5, 7},
        {u"Hallo WELT", u"welt", 7, 7},
        {u"Hallo WELT", u"", 1, 0},
        {u"", u"a", 1, 0},
        {u"ab", u"abc", 1, 0},
        {u"abc", u"c", 4, 0},
        {u"nur \u00C4", u"\u00E4", 1, 0},
        {u"\u00C4rger", u"\u00C4R", 1, 1},
        {u"<#eName><#ename>", u"<#ENAME>", 2, 9},
        {u"aaa", u"aa", 2, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PosText(QString::fromUtf16(c.s), QString::fromUtf16(c.sub), c.start), c.expected)
            << QString::fromUtf16(c.s).toStdString() << " / " << QString::fromUtf16(c.sub).toStdString() << " from "
            << c.start;
    }
}
