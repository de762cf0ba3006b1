#include "mail/HtmlBracketReference.h"

namespace {

char16_t lowerAsciiAt(QStringView text, qsizetype pos)
{
    if (pos >= text.size())
        return u'\0';
    const char16_t c = text[pos].unicode();
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

} // namespace

qsizetype HtmlBracketReferenceAt(QStringView text, qsizetype pos, HtmlBracket bracket)
{
    if (lowerAsciiAt(text, pos) != u'&')
        return 0;
    const bool less = bracket == HtmlBracket::Less;
    qsizetype at = pos + 1;
    if (lowerAsciiAt(text, at) == (less ? u'l' : u'g') && lowerAsciiAt(text, at + 1) == u't' &&
        lowerAsciiAt(text, at + 2) == u';')
        return 4;
    if (lowerAsciiAt(text, at++) != u'#')
        return 0;
    const bool hex = lowerAsciiAt(text, at) == u'x';
    if (hex)
        ++at;
    while (lowerAsciiAt(text, at) == u'0')
        ++at;
    const char16_t* digits = hex ? (less ? u"3c" : u"3e") : (less ? u"60" : u"62");
    if (lowerAsciiAt(text, at) != digits[0] || lowerAsciiAt(text, at + 1) != digits[1] ||
        lowerAsciiAt(text, at + 2) != u';')
        return 0;
    return at + 3 - pos;
}
