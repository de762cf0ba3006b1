#pragma once

#include <QString>
#include <QStringList>

// A statement with ":Name" parameters rewritten for positional binding: every ":Name" outside
// string literals, quoted identifiers and comments becomes "?", numbered in order of
// appearance. A name used twice is two parameters; the names only label them.
struct DbStatement {
    QString sql;            // the text handed to the engine
    QStringList paramNames; // one entry per "?", in order
};

DbStatement rewriteParameters(const QString& text);

// The table that a "SELECT ... FROM <table>" reads, for writing appended rows back; empty
// when the statement names no single table right after its first FROM.
QString selectedTable(const QString& text);
