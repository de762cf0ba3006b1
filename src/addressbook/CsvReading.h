#pragma once

#include "core/Records.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <stdexcept>

// The CSV import files: ";"-separated text, fields optionally in double quotes (two quotes inside
// a quoted field stand for one; a quote closes it only before ";" or the line end, blanks aside),
// line 1 the column titles, every further line one recipient.
// Pure code without windows; safe on any thread.

// What happened to a record around a quote that opens a field and does not close on its line.
enum class QuoteOutcome {
    Joined,        // the quote closes on a later line: its lines are one value of one record
    NotClosed,     // no quote closes the field (";", a line break or the end behind it)
    TooLong,       // the record would be longer than kMaxRecordChars
    AddressLines,  // lines of the quoted span hold e-mail addresses: they are records of their own
    TooManyFields, // taken as one value, the record would have more filled fields than the title
};

// A record that starts on line (the file line, from 1) with such a quote. closingLine is the line
// the quote closes on (0 when it does not); for AddressLines, addressLines are the lines that,
// each read on its own, hold an e-mail address within the quoted span. All but Joined read the
// record's lines one by one.
struct CsvQuoteNote {
    int line = 0;
    QuoteOutcome outcome = QuoteOutcome::Joined;
    int closingLine = 0;
    QList<int> addressLines;
};

// A quoted value carries its record over line breaks as long as the record stays within
// kMaxRecordChars characters and no line of the quoted span, read on its own, could be a
// recipient's record: an e-mail address in an e-mail column of the title line (in any field when
// the title line has none) and, when the title line has several columns, a ";". A recipient's
// record carries an address, the lines of a note do not, however many ";" they hold, and a note's
// line that is just an address is no record.
inline constexpr qsizetype kMaxRecordChars = 64 * 1024;

// True when the title names an e-mail column: "Email", "E-Mail", "eMail", "E-Mail-Adresse", ...
bool IsEmailTitle(const QString& title);
// True when the trimmed text looks like one e-mail address: a local part, one "@", a domain with
// an inner dot, no blank, ";" or quote.
bool IsEmailAddress(const QString& text);

// The lines of an import file, cut from one decoded text that they keep. A line is one record: it
// ends at CR LF, CR or LF, except where a quoted value carries it over line breaks (see above).
// number is the file line the record starts on, counted from 1. A first line "sep=X" declares the
// separator and is no line of the file's records.
class CsvLines {
public:
    CsvLines() = default;
    explicit CsvLines(const QString& text);

    qsizetype size() const { return m_lines.size(); }
    bool isEmpty() const { return m_lines.isEmpty(); }
    QStringView text(qsizetype index) const;
    int number(qsizetype index) const { return m_lines.at(index).number; }
    // The records whose quote spans lines, in file order.
    const QList<CsvQuoteNote>& quoteNotes() const { return m_notes; }
    // The character of a first line "sep=X" (any letter case), null without one.
    QChar declaredSeparator() const { return m_declaredSeparator; }
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
    QList<CsvQuoteNote> m_notes;
    QChar m_declaredSeparator;
};

// What the preview tells about the records whose quote spans lines (lines.quoteNotes()): a text
// naming per note the record (its number in the preview, or the title line) and its lines and
// what happened, at most kMaxListedLines notes; and the indexes of those records. recordLines
// holds the file line of each record read (ReadImportRecords). Both are empty without notes.
struct ImportNotes {
    QString text;
    QList<qsizetype> records;
};
ImportNotes QuoteNotes(const CsvLines& lines, const QList<int>& recordLines);
inline constexpr int kMaxListedLines = 20;

// The separator a file seems to use instead of ";", null when it is ";"-separated: the one
// declared by "sep=X", else the tab or the comma (the more frequent) of a title line that ";"
// cuts into a single column.
QChar ForeignSeparator(const CsvLines& lines);

// More columns in the title line than this are not an import file.
inline constexpr int kMaxCsvColumns = 255;

// The largest import file read on this machine: a thirty-second of its memory, at most 1 GiB.
// Loading a file takes about three times its size, the whole import (its records and the
// preview) about nine times (bench/bench_csv_import.cpp measures both).
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

// The value of a field's text that begins with a quote: the text between it and the closing
// quote (blanks may follow it), pairs replaced by one quote; without a closing quote, all of the
// text after the opening quote, in every position. A text with a quote not followed by another
// before other text ("Nord" Baumschule) is no quoted value: it is kept unchanged.
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
// appended before a failure stay in records. recordLines, when given, gets the file line of each
// record appended.
CsvReadResult ReadImportRecords(const CsvLines& lines, TFDBData& records, const FieldMapping& mapping,
                                CsvReadProgress* progress, QList<int>& rejectedLines,
                                QList<int>* recordLines = nullptr);
