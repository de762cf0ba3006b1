#pragma once

#include "core/Records.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// The CSV import files: ";"-separated text, fields optionally in double quotes (two quotes inside
// a quoted field stand for one), line 1 the column titles, every further line one recipient.
// Pure code without windows; safe on any thread.

// The lines of an import file. A line is one record: it ends at CR LF, CR or LF, except inside a
// quoted field whose closing quote ends the field (";", a line break or the end follows) within
// 10 lines and 64 KiB, when the joined record has no more fields than the title line; so a value
// may span lines. number is the file
// line the record starts on, counted from 1. unclosedQuote marks a line read on its own because
// a quote that opens a field in it does not close that way.
struct CsvLine {
    QString text;
    int number = 0;
    bool unclosedQuote = false;
};
using CsvLines = QList<CsvLine>;

// Cuts decoded file text into lines; the last line needs no line break. A NUL character is
// kept: see HoldsNul.
CsvLines SplitCsvText(const QString& text);

// True when a line holds a NUL character: a binary file (or UTF-16 without a byte order mark),
// not an import file.
bool HoldsNul(const CsvLines& lines);

// The numbers of the lines marked unclosedQuote, in file order.
QList<int> UnclosedQuoteLines(const CsvLines& lines);

// More columns in the title line than this are not an import file.
inline constexpr int kMaxCsvColumns = 255;

// Reads a file whole (decoded by TextCodec::decodeFileText) and cuts it into lines. Throws
// std::runtime_error with the reason when the file cannot be read.
CsvLines LoadCsvFile(const QString& fileName);

// True when the name's extension is ".csv" in any letter case.
bool IsCsvFileName(const QString& fileName);

// Clears fields and adds the fields of line in order; an empty line has none, and a ";" at the
// end gives a last, empty field. Always returns 0.
int SplitCsvLine(const QString& line, QStringList& fields);

// The value of a text that begins with a quote: up to the closing quote (the first quote not
// followed by another), pairs replaced by one quote; without a closing quote, all of the text
// after the opening quote.
QString UnquotedCsvValue(const QString& text);

// True when text holds a character of code 33 or above.
bool HasVisibleChar(const QString& text);

// Field number (TEmpfaengerFelder order) to column index, -1 for an unmapped field.
using FieldMapping = std::array<int, kRecipientFieldCount>;
FieldMapping UnmappedFields();

inline const QString kDefaultSalutation = QStringLiteral("Sehr geehrte(r)");

// What the record read reports along the way; called once per line that is not empty.
class CsvReadProgress {
public:
    virtual ~CsvReadProgress() = default;
    virtual void begin(int maximum) = 0;
    virtual void lineDone(int lineNumber) = 0;
};

enum class CsvReadResult { Records = 0, Failed = 1, NoRecords = 2 };

// Appends one record per data line (all lines after the first) that holds a visible character
// in any field: its mapped values with each line break made one blank and cut to the fields'
// capacities, an empty salutation replaced by the default, Send and Selected true. An e-mail
// address is trimmed and never cut: a line whose trimmed address is longer than the field or
// holds a control character makes no record, and its number is added to rejectedLines. Records
// appended before a failure stay in records.
CsvReadResult ReadImportRecords(const CsvLines& lines, TFDBData& records, const FieldMapping& mapping,
                                CsvReadProgress* progress, QList<int>& rejectedLines);
