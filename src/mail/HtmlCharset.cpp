#include "mail/HtmlCharset.h"

#include <QList>

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_');
}

// Whether tag ("<" through ">") opens the element name.
bool opens(QStringView tag, QLatin1StringView name)
{
    return tag.startsWith(name, Qt::CaseInsensitive) && tag.size() > name.size() && !isNameChar(tag[name.size()]);
}

struct Span {
    qsizetype start;
    qsizetype length;
};

struct Attribute {
    QStringView name;
    Span value; // offsets into the tag
};

// The attributes of a tag ("<" through ">") behind its element name.
QList<Attribute> attributesOf(QStringView tag, qsizetype from)
{
    QList<Attribute> attributes;
    qsizetype i = from;
    const qsizetype end = tag.size() - 1; // the ">"
    const auto skipBlanks = [&] {
        while (i < end && (tag[i].isSpace() || tag[i] == QLatin1Char('/')))
            ++i;
    };
    while (true) {
        skipBlanks();
        const qsizetype nameStart = i;
        while (i < end && !tag[i].isSpace() && tag[i] != QLatin1Char('=') && tag[i] != QLatin1Char('/'))
            ++i;
        if (i == nameStart)
            return attributes;
        Attribute attribute{tag.sliced(nameStart, i - nameStart), {i, 0}};
        while (i < end && tag[i].isSpace())
            ++i;
        if (i < end && tag[i] == QLatin1Char('=')) {
            ++i;
            while (i < end && tag[i].isSpace())
                ++i;
            if (i < end && (tag[i] == QLatin1Char('"') || tag[i] == QLatin1Char('\''))) {
                const QChar quote = tag[i++];
                qsizetype close = tag.indexOf(quote, i);
                if (close < 0 || close > end)
                    close = end;
                attribute.value = {i, close - i};
                i = qMin(close + 1, end);
            } else {
                const qsizetype valueStart = i;
                while (i < end && !tag[i].isSpace())
                    ++i;
                attribute.value = {valueStart, i - valueStart};
            }
        }
        attributes.append(attribute);
    }
}

// The charset names declared in one meta tag, as offsets into the tag: the value of its
// charset attribute, or the charset parameter of its content when it is the Content-Type.
void declaredNames(QStringView tag, QList<Span>& names)
{
    const QList<Attribute> attributes = attributesOf(tag, 5);
    const auto valueOf = [&](const Attribute& attribute) {
        return tag.sliced(attribute.value.start, attribute.value.length);
    };
    bool contentType = false;
    for (const Attribute& attribute : attributes) {
        if (attribute.name.compare(QLatin1StringView("http-equiv"), Qt::CaseInsensitive) == 0)
            contentType =
                valueOf(attribute).trimmed().compare(QLatin1StringView("content-type"), Qt::CaseInsensitive) == 0;
    }
    for (const Attribute& attribute : attributes) {
        if (attribute.name.compare(QLatin1StringView("charset"), Qt::CaseInsensitive) == 0) {
            const QStringView value = valueOf(attribute);
            qsizetype length = 0;
            while (length < value.size() && isNameChar(value[length]))
                ++length;
            names.append({attribute.value.start, length});
            continue;
        }
        if (!contentType || attribute.name.compare(QLatin1StringView("content"), Qt::CaseInsensitive) != 0)
            continue;
        // "text/html; charset=x": a parameter behind a ";".
        const QStringView content = valueOf(attribute);
        for (qsizetype semicolon = content.indexOf(QLatin1Char(';')); semicolon >= 0;
             semicolon = content.indexOf(QLatin1Char(';'), semicolon + 1)) {
            qsizetype i = semicolon + 1;
            while (i < content.size() && content[i].isSpace())
                ++i;
            if (!content.sliced(i).startsWith(QLatin1StringView("charset"), Qt::CaseInsensitive))
                continue;
            i += 7;
            while (i < content.size() && content[i].isSpace())
                ++i;
            if (i >= content.size() || content[i] != QLatin1Char('='))
                continue;
            ++i;
            while (i < content.size() && content[i].isSpace())
                ++i;
            qsizetype end = i;
            while (end < content.size() && isNameChar(content[end]))
                ++end;
            names.append({attribute.value.start + i, end - i});
        }
    }
}

} // namespace

QString DeclareHtmlCharset(const QString& html, QLatin1StringView charset)
{
    QList<Span> names;
    qsizetype pos = 0;
    while (true) {
        const qsizetype open = html.indexOf(QLatin1Char('<'), pos);
        if (open < 0)
            break;
        if (QStringView(html).sliced(open).startsWith(QLatin1StringView("<!--"))) {
            const qsizetype close = html.indexOf(QLatin1StringView("-->"), open + 4);
            if (close < 0)
                break;
            pos = close + 3;
            continue;
        }
        const qsizetype close = html.indexOf(QLatin1Char('>'), open);
        if (close < 0)
            break;
        const QStringView tag = QStringView(html).sliced(open, close + 1 - open);
        if (opens(tag, QLatin1StringView("<body")) || opens(tag, QLatin1StringView("</head")))
            break;
        if (opens(tag, QLatin1StringView("<meta"))) {
            QList<Span> inTag;
            declaredNames(tag, inTag);
            for (const Span& name : inTag) {
                const QStringView declared = tag.sliced(name.start, name.length);
                if (!declared.isEmpty() && declared.compare(charset, Qt::CaseInsensitive) != 0)
                    names.append({open + name.start, name.length});
            }
        }
        pos = close + 1;
    }
    if (names.isEmpty())
        return html;
    QString result = html;
    for (qsizetype i = names.size() - 1; i >= 0; --i)
        result.replace(names[i].start, names[i].length, charset);
    return result;
}
