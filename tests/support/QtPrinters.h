#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// Readable Qt text values in GoogleTest failure messages: a QString prints as quoted UTF-8 with
// quotes, backslashes and control characters escaped (so "\r\n" stays visible), a QStringList as
// {"a", "b"}. Every test file sees these (tests/CMakeLists.txt includes this header in each), so
// a value prints the same wherever the failure is.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"';
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            *out << "\\\"";
            break;
        case '\\':
            *out << "\\\\";
            break;
        case '\n':
            *out << "\\n";
            break;
        case '\r':
            *out << "\\r";
            break;
        case '\t':
            *out << "\\t";
            break;
        default:
            if (const auto byte = static_cast<unsigned char>(c); byte < 0x20 || byte == 0x7F) {
                const char* const hex = "0123456789ABCDEF";
                *out << "\\x" << hex[byte >> 4] << hex[byte & 0xF];
            } else {
                *out << c;
            }
        }
    }
    *out << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0)
            *out << ", ";
        PrintTo(list.at(i), out);
    }
    *out << '}';
}
