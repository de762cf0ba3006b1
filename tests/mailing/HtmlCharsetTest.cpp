#include "mailing/HtmlCharset.h"

#include <gtest/gtest.h>

TEST(HtmlCharset, MakesTheHeadDeclareTheCharsetSentIn)
{
    const struct {
        const char* html;
        const char* charset;
        const char* declared; // nullptr: unchanged
    } cases[] = {
        {"<html><head><meta charset=\"utf-8\"><title>x</title>", "iso-8859-1",
         "<html><head><meta charset=\"iso-8859-1\"><title>x</title>"},
        {"<HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\"></HEAD>", "utf-8",
         "<HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\"></HEAD>"},
        {"<meta http-equiv=content-type content='text/html;charset=ISO-8859-15'>", "utf-8",
         "<meta http-equiv=content-type content='text/html;charset=utf-8'>"},
        {"<meta charset = latin1 />\r\n<meta charset='utf8'/>\r\n<meta charset=cp1252/>", "utf-8",
         "<meta charset = utf-8 />\r\n<meta charset='utf-8'/>\r\n<meta charset=utf-8/>"},
        // Already right, letter case aside.
        {"<meta charset=UTF-8>", "utf-8", nullptr},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">", "iso-8859-1", nullptr},
        // No declaration, or text that only looks like one.
        {"<meta http-equiv=\"Content-Type\" content=\"text/html\">", "utf-8", nullptr},
        {"<meta name=\"description\" content=\"Tabelle charset=utf-8\">", "iso-8859-1", nullptr},
        {"<meta xcharset=\"utf-8\">", "iso-8859-1", nullptr},
        {"<metadata charset=\"utf-8\">", "iso-8859-1", nullptr},
        {"<head><!-- <meta charset=\"utf-8\"> --></head>", "iso-8859-1", nullptr},
        // The body is the newsletter's text, not its declaration.
        {"<body><p>Beispiel: <meta charset=\"utf-8\"></p>", "iso-8859-1", nullptr},
        {"<head></head><meta charset=\"utf-8\">", "iso-8859-1", nullptr},
        {"<p>kein Tag <meta charset=\"utf-8\"", "iso-8859-1", nullptr},
    };
    for (const auto& c : cases) {
        const QString html = QString::fromUtf8(c.html);
        const QString expected = c.declared ? QString::fromUtf8(c.declared) : html;
        EXPECT_EQ(DeclareHtmlCharset(html, QLatin1StringView(c.charset)), expected) << c.html;
    }
}
