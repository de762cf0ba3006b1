#include "mail/HtmlMarkup.h"

#include <QString>

#include <gtest/gtest.h>

// Each case: a page, and the markup at its start as a browser reads it ("" where it begins
// with text).
TEST(HtmlMarkup, LengthAtAsTable)
{
    const struct {
        const char* page;
        const char* markup;
    } cases[] = {
        {"<b>x</b>", "<b>"},
        {"</b>x", "</b>"},
        {"<span class=SpellE>x", "<span class=SpellE>"},
        {"<font face=\"a>b\" color='c>d'>x", "<font face=\"a>b\" color='c>d'>"},
        {"<span\r\nlang=\"de-DE\">x", "<span\r\nlang=\"de-DE\">"},
        // Quotes open a value only behind "=".
        {"<a b\"c>\">", "<a b\"c>"},
        {"<a b=c\"d>\">", "<a b=c\"d>"},
        {"<a b = \"x>y\">z", "<a b = \"x>y\">"},
        {"<a=\"x>\">", "<a=\"x>"},
        {"<p =\"x>\">", "<p =\"x>"},
        {"<!-- a > b -->x", "<!-- a > b -->"},
        {"<!-->x-->", "<!-->"},
        {"<!--->x-->", "<!--->"},
        {"<!---->x", "<!---->"},
        {"<!-- a --!>x", "<!-- a --!>"},
        {"<!--[if gte mso 9]><xml></xml><![endif]-->x", "<!--[if gte mso 9]><xml></xml><![endif]-->"},
        {"<![if !supportLists]>x", "<![if !supportLists]>"},
        {"<!DOCTYPE html>x", "<!DOCTYPE html>"},
        {"<?xml version=\"1.0\"?>x", "<?xml version=\"1.0\"?>"},
        {"</>x", "</>"},
        {"</ x>y", "</ x>"},
        // Script and style take their content up to their end tag.
        {"<style>p > b { content: \"</p>\" }</style>x", "<style>p > b { content: \"</p>\" }"},
        {"<SCRIPT type=\"a\">if (a<b) x=\"</scripts>\";</Script >y", "<SCRIPT type=\"a\">if (a<b) x=\"</scripts>\";"},
        {"<styles>x</styles>", "<styles>"},
        // Open markup runs to the end.
        {"<b x=\"y", "<b x=\"y"},
        {"<!-- x", "<!-- x"},
        {"<style>x", "<style>x"},
        // Text.
        {"<#EName>", ""},
        {"< b>", ""},
        {"<3", ""},
        {"</", ""},
        {"<", ""},
        {"x<b>", ""},
    };
    for (const auto& c : cases) {
        const QString page = QString::fromUtf8(c.page);
        EXPECT_EQ(HtmlMarkupLengthAt(page, 0), QString::fromUtf8(c.markup).size()) << c.page;
    }
}

TEST(HtmlMarkup, TrackerTellsTextFromMarkup)
{
    const QString page = QStringLiteral("a<b c=\"&\">&<!-- & -->&<style>&</style>&");
    QString seen;
    HtmlTextTracker tracker(page);
    for (qsizetype i = 0; i < page.size(); ++i)
        seen += tracker.IsText(i) ? QLatin1Char('t') : QLatin1Char('m');
    EXPECT_EQ(seen, QStringLiteral("tmmmmmmmmmtmmmmmmmmmmtmmmmmmmmmmmmmmmmt"));
}

TEST(HtmlMarkup, TagNameAsTable)
{
    const struct {
        const char* markup;
        const char* name;
    } cases[] = {
        {"<SPAN class=SpellE>", "span"},
        {"</Font>", "font"},
        {"<br/>", "br"},
        {"<o:p>", "o:p"},
        {"<st1:City\r\nw:st=\"on\">", "st1:city"},
        {"<style>p { }", "style"},
        {"<!-- x -->", ""},
        {"<!DOCTYPE html>", ""},
        {"<?xml?>", ""},
        {"</ x>", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmlTagName(QString::fromUtf8(c.markup)), QString::fromUtf8(c.name)) << c.markup;
}
