#pragma once

#include <QString>

struct sqlite3;

// The German collation "DE": letters compare without regard to case and accents
// (ä = a, ö = o, ü = u, é = e), ß and ẞ count as "ss". Strings that are equal so compare by
// their code points, which keeps the order total and stable.
int compareGerman(QStringView a, QStringView b);
// The same order on UTF-8 as SQLite stores it; a malformed byte stands for itself.
int compareGermanUtf8(const char* a, qsizetype lengthA, const char* b, qsizetype lengthB);

// Registers "DE" on an open SQLite handle; false when SQLite refused.
bool registerGermanCollation(sqlite3* handle);
