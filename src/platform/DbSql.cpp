#include "platform/DbSql.h"

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_';
}
bool isNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Index just past the quoted run that starts at from (quote char at from); a doubled quote
// inside stands for one. An unterminated run ends the text.
qsizetype skipQuoted(const QString& text, qsizetype from, QChar close)
{
    qsizetype i = from + 1;
    while (i < text.size()) {
        if (text.at(i) == close) {
            if (close != u']' && i + 1 < text.size() && text.at(i + 1) == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return text.size();
}

// Index just past a comment starting at from, or from when none starts there.
qsizetype skipComment(const QString& text, qsizetype from)
{
    if (text.mid(from, 2) == QLatin1String("--")) {
        const qsizetype end = text.indexOf(u'\n', from);
        return end < 0 ? text.size() : end + 1;
    }
    if (text.mid(from, 2) == QLatin1String("/*")) {
        const qsizetype end = text.indexOf(QLatin1String("*/"), from + 2);
        return end < 0 ? text.size() : end + 2;
    }
    return from;
}

QChar closingQuote(QChar open)
{
    switch (open.unicode()) {
    case u'\'':
    case u'"':
    case u'`':
        return open;
    case u'[':
        return u']';
    default:
        return {};
    }
}

} // namespace

DbStatement rewriteParameters(const QString& text)
{
    DbStatement result;
    result.sql.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        const QChar close = closingQuote(c);
        if (!close.isNull()) {
            const qsizetype end = skipQuoted(text, i, close);
            result.sql += QStringView(text).mid(i, end - i);
            i = end;
            continue;
        }
        const qsizetype afterComment = skipComment(text, i);
        if (afterComment != i) {
            result.sql += QStringView(text).mid(i, afterComment - i);
            i = afterComment;
            continue;
        }
        if (c == u':' && i + 1 < text.size() && isNameStart(text.at(i + 1))) {
            qsizetype end = i + 2;
            while (end < text.size() && isNamePart(text.at(end)))
                ++end;
            result.paramNames.append(text.mid(i + 1, end - i - 1));
            result.sql += u'?';
            i = end;
            continue;
        }
        result.sql += c;
        ++i;
    }
    return result;
}

QString selectedTable(const QString& text)
{
    const QString simplified = text.simplified();
    if (!simplified.startsWith(QLatin1String("SELECT "), Qt::CaseInsensitive))
        return {};
    const qsizetype from = simplified.indexOf(QLatin1String(" FROM "), 0, Qt::CaseInsensitive);
    if (from < 0)
        return {};
    qsizetype i = from + 6;
    const qsizetype start = i;
    while (i < simplified.size() && isNamePart(simplified.at(i)))
        ++i;
    const QString name = simplified.mid(start, i - start);
    // A join or a list of tables has no single table to write into.
    const QString rest = simplified.mid(i).trimmed();
    if (rest.startsWith(u',') || rest.contains(QLatin1String("JOIN "), Qt::CaseInsensitive))
        return {};
    return name;
}
