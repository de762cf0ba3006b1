#include "mail/HtmlMarkup.h"

namespace {

char16_t charAt(QStringView text, qsizetype pos)
{
    return pos < text.size() ? text[pos].unicode() : u'\0';
}

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isHtmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// The end of a tag whose name begins at from: behind its ">", or the text's end. Quotes open a
// value only where the tokenizer waits for one, behind "=".
qsizetype tagEnd(QStringView text, qsizetype from)
{
    enum class State { TagName, BeforeName, Name, AfterName, BeforeValue, Unquoted };
    State state = State::TagName;
    for (qsizetype i = from; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'>')
            return i + 1;
        const bool space = isHtmlSpace(c);
        switch (state) {
        case State::TagName:
            if (space || c == u'/')
                state = State::BeforeName;
            break;
        case State::BeforeName:
            if (!space && c != u'/')
                state = State::Name; // a name may begin with "="
            break;
        case State::Name:
        case State::AfterName:
            if (c == u'=')
                state = State::BeforeValue;
            else if (c == u'/')
                state = State::BeforeName;
            else if (space)
                state = State::AfterName;
            else
                state = State::Name;
            break;
        case State::BeforeValue:
            if (c == u'"' || c == u'\'') {
                i = text.indexOf(QChar(c), i + 1);
                if (i < 0)
                    return text.size();
                state = State::BeforeName;
            } else if (!space) {
                state = State::Unquoted;
            }
            break;
        case State::Unquoted:
            if (space)
                state = State::BeforeName;
            break;
        }
    }
    return text.size();
}

// The start of the end tag "</name" that closes the raw content beginning at from, or the
// text's end.
qsizetype rawTextEnd(QStringView text, qsizetype from, QLatin1String name)
{
    for (qsizetype at = text.indexOf(QLatin1String("</"), from); at >= 0;
         at = text.indexOf(QLatin1String("</"), at + 2)) {
        const qsizetype behind = at + 2 + name.size();
        if (behind <= text.size() && text.sliced(at + 2, name.size()).compare(name, Qt::CaseInsensitive) == 0 &&
            (behind == text.size() || isHtmlSpace(charAt(text, behind)) || charAt(text, behind) == u'/' ||
             charAt(text, behind) == u'>'))
            return at;
    }
    return text.size();
}

qsizetype commentEnd(QStringView text, qsizetype pos)
{
    const qsizetype body = pos + 4;
    if (charAt(text, body) == u'>')
        return body + 1; // "<!-->"
    if (charAt(text, body) == u'-' && charAt(text, body + 1) == u'>')
        return body + 2; // "<!--->"
    for (qsizetype i = body; i + 2 < text.size(); ++i) {
        if (text[i] != QLatin1Char('-') || text[i + 1] != QLatin1Char('-'))
            continue;
        if (text[i + 2] == QLatin1Char('>'))
            return i + 3;
        if (text[i + 2] == QLatin1Char('!') && charAt(text, i + 3) == u'>')
            return i + 4;
    }
    return text.size();
}

qsizetype toNextBracket(QStringView text, qsizetype from)
{
    const qsizetype at = text.indexOf(QLatin1Char('>'), from);
    return at < 0 ? text.size() : at + 1;
}

} // namespace

qsizetype HtmlMarkupLengthAt(QStringView text, qsizetype pos)
{
    if (charAt(text, pos) != u'<')
        return 0;
    const char16_t next = charAt(text, pos + 1);
    if (isAsciiLetter(next)) {
        const qsizetype end = tagEnd(text, pos + 1);
        for (const QLatin1String raw : {QLatin1String("script"), QLatin1String("style")}) {
            const qsizetype behind = pos + 1 + raw.size();
            const char16_t after = charAt(text, behind);
            if (behind <= text.size() && text.sliced(pos + 1, raw.size()).compare(raw, Qt::CaseInsensitive) == 0 &&
                (isHtmlSpace(after) || after == u'/' || after == u'>'))
                return rawTextEnd(text, end, raw) - pos;
        }
        return end - pos;
    }
    if (next == u'!' && charAt(text, pos + 2) == u'-' && charAt(text, pos + 3) == u'-')
        return commentEnd(text, pos) - pos;
    if (next == u'!' || next == u'?')
        return toNextBracket(text, pos + 2) - pos;
    if (next == u'/') {
        if (isAsciiLetter(charAt(text, pos + 2)))
            return tagEnd(text, pos + 2) - pos;
        return pos + 2 < text.size() ? toNextBracket(text, pos + 2) - pos : 0;
    }
    return 0;
}

QString HtmlTagName(QStringView markup)
{
    const qsizetype start = charAt(markup, 1) == u'/' ? 2 : 1;
    if (!isAsciiLetter(charAt(markup, start)))
        return {};
    qsizetype end = start;
    while (end < markup.size() && !isHtmlSpace(markup[end].unicode()) && markup[end] != QLatin1Char('/') &&
           markup[end] != QLatin1Char('>'))
        ++end;
    return markup.sliced(start, end - start).toString().toLower();
}

bool HtmlTextTracker::IsText(qsizetype pos)
{
    while (m_next <= pos && m_next < m_text.size()) {
        const qsizetype markup = HtmlMarkupLengthAt(m_text, m_next);
        if (markup == 0) {
            ++m_next;
            continue;
        }
        m_markupStart = m_next;
        m_markupEnd = m_next + markup;
        m_next = m_markupEnd;
    }
    return pos < m_markupStart || pos >= m_markupEnd;
}
