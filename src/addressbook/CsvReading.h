#pragma once

#include "core/Records.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <stdexcept>

// The CSV import files: ";"-separated text, fields optionally in double quotes (two quotes inside
// a quoted field stand for one), line 1 the column titles, every further line one recipient.
// Pure code without windows; safe on any thread.

// Why a quote that opens a field did not carry its record over line breaks, so that the
// record's lines were read one by one.
enum class QuoteBreak {
    NotClosed,    // no later quote closes the field (";", a line break or the end behind it)
    TooLong,      // the record would be longer than kMaxRecordChars
    TitleLines,   // the title line would span more than kMaxShortRecordLines lines
    InnerRecords, // a line between the quotes looks like a record of its own
    FieldCount,   // joined, the record would not have the title line's number of fields
};

// A record read line by line: the file line of the quote, where the quote closes (0 when it does
// not), and for FieldCount the fields the joined record would have had against the title's.
struct CsvQuoteBreak {
    int line = 0;
    QuoteBreak reason = QuoteBreak::NotClosed;
    int closingLine = 0;
    int joinedFields = 0;
    int titleFields = 0;
};

// A quoted value may carry its record over at most this many lines when the record then has no
// more fields than the title line; beyond, only when the record has exactly the title's fields
// and no line between the quotes looks like a record of its own (on its own it has a visible
// character and at least the title's fields). Never beyond kMaxRecordChars characters.
inline constexpr int kMaxShortRecordLines = 10;
inline constexpr qsizetype kMaxRecordChars = 64 * 1024;

// The lines of an import file, cut from one decoded text that they keep. A line is one record: it
// ends at CR LF, CR or LF, except where a quoted value carries it over line breaks (see above).
// number is the file line the record starts on, counted from 1.
class CsvLines {
public:
    CsvLines() = default;
    explicit CsvLines(const QString& text);

    qsizetype size() const { return m_lines.size(); }
    bool isEmpty() const { return m_lines.isEmpty(); }
    QStringView text(qsizetype index) const;
    int number(qsizetype index) const { return m_lines.at(index).number; }
    // The records that were read line by line, in file order.
    const QList<CsvQuoteBreak>& quoteBreaks() const { return m_breaks; }
    // True when the text holds a NUL character: a binary file (or UTF-16 without a byte order
    // mark), not an import file.
    bool holdsNul() const;

    // Set by LoadCsvFile for a UTF-16 file: of an odd number of bytes, whose last byte was not
    // read; holding an unpaired surrogate, which no text holds.
    bool droppedLastByte = false;
    bool invalidUtf16 = false;

private:
    struct Line {
        qsizetype start = 0;
        qsizetype length = 0;
        int number = 0;
    };

    QString m_text;
    QList<Line> m_lines;
    QList<CsvQuoteBreak> m_breaks;
};

// The warning for the records read line by line, empty when there are none: per record its line
// and what happened to its quote, at most kMaxListedLines of them.
QString QuoteBreakWarning(const QList<CsvQuoteBreak>& breaks);
inline constexpr int kMaxListedLines = 20;

// More columns in the title line than this are not an import file.
inline constexpr int kMaxCsvColumns = 255;

// The largest import file read on this machine: a thirty-second of its memory, at most 1 GiB.
// Loading a file takes about three times its size, the whole import up to about sixteen times.
qint64 CsvFileSizeLimit();

// What LoadCsvFile throws: a German text for the user, naming the file and the reason.
class CsvFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a file whole, decoded as TextCodec reads text files, and cuts it into lines. Throws
// CsvFileError when the file cannot be read, or when it is larger than sizeLimit (then before
// anything is read).
CsvLines LoadCsvFile(const QString& fileName, qint64 sizeLimit = CsvFileSizeLimit());

// True when the name's extension is ".csv" in any letter case.
bool IsCsvFileName(const QString& fileName);

// Clears fields and adds the fields of line in order; an empty line has none, and a ";" at the
// end gives a last, empty field. Always returns 0.
int SplitCsvLine(QStringView line, QStringList& fields);

// The value of a text that begins with a quote: up to the closing quote (the first quote not
// followed by another), pairs replaced by one quote; without a closing quote, all of the text
// after the opening quote.
QString UnquotedCsvValue(QStringView text);

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
