#pragma once

#include "addressbook/CsvReading.h"

#include <QStringView>

// The field rules of one line, shared by the splitter and the cutting of a text into records.
namespace CsvFields {

inline constexpr QChar kQuote = u'"';
inline constexpr QChar kSeparator = u';';

inline bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// Index of the first quote not followed by another, behind the opening quote at open and
// before limit; -1 if none.
inline qsizetype closingQuote(QStringView text, qsizetype open, qsizetype limit)
{
    for (qsizetype at = open + 1; at < limit; ++at) {
        if (text.at(at) != kQuote)
            continue;
        if (at + 1 < limit && text.at(at + 1) == kQuote)
            ++at;
        else
            return at;
    }
    return -1;
}

// A quote closes a field only where the field ends behind it, blanks aside: at ";", a line break
// or limit. Any other quote is text, so "Nord" Baumschule is a cell of its own words, not Nord.
inline bool closesField(QStringView text, qsizetype close, qsizetype limit)
{
    qsizetype at = close + 1;
    while (at < limit && (text.at(at) == u' ' || text.at(at) == u'\t'))
        ++at;
    return at >= limit || text.at(at) == kSeparator || isLineBreak(text.at(at));
}

// Calls visit(column, start, end) for each field of line, in order, where [start, end) is the
// field's text within line up to its separator; value(line, start, end) gives its value. An
// empty line has no field; a ";" at the end gives a last, empty field. A field that begins with
// a quote is quoted when its closing quote ends it; otherwise it ends at the next ";".
template <typename Visit> void forEachField(QStringView line, Visit&& visit)
{
    const qsizetype size = line.size();
    if (size == 0)
        return;
    qsizetype at = 0;
    for (int column = 0;; ++column) {
        qsizetype from = at;
        if (line.at(at) == kQuote) {
            const qsizetype close = closingQuote(line, at, size);
            from = close >= 0 && closesField(line, close, size) ? close + 1 : at + 1;
        }
        qsizetype end = line.indexOf(kSeparator, from);
        if (end < 0)
            end = size;
        visit(column, at, end);
        if (end >= size)
            return;
        at = end + 1;
        if (at == size) {
            visit(column + 1, at, at);
            return;
        }
    }
}

// The value of the field [start, end) of line.
inline QString value(QStringView line, qsizetype start, qsizetype end)
{
    if (start < end && line.at(start) == kQuote)
        return UnquotedCsvValue(line.mid(start, end - start));
    return line.mid(start, end - start).toString();
}

} // namespace CsvFields
