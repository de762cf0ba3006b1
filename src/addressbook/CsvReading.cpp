#include "addressbook/CsvReading.h"

#include "platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <optional>
#include <unistd.h>

namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kSeparator = u';';

// Index of the closing quote (the first quote not followed by another) of a quoted field whose
// opening quote stands at open, searched before limit; -1 if none.
qsizetype closingQuote(QStringView text, qsizetype open, qsizetype limit)
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

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// Recipient fields are single-line: each line break of a quoted value becomes one blank.
QString singleLine(const QString& value)
{
    if (std::none_of(value.cbegin(), value.cend(), isLineBreak))
        return value;
    QString text = value;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

bool acceptableEmail(const QString& address)
{
    if (address.size() > TRecipientMailData::capacity(RecipientField::Email))
        return false;
    for (const QChar c : address) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return false;
    }
    return true;
}

// One physical line of the text: [start, end) without its line break.
struct TextLine {
    qsizetype start;
    qsizetype end;
};

QList<TextLine> physicalLines(const QString& text)
{
    QList<TextLine> lines;
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype at = 0; at < size; ++at) {
        if (!isLineBreak(text.at(at)))
            continue;
        lines.append({start, at});
        if (text.at(at) == u'\r' && at + 1 < size && text.at(at + 1) == u'\n')
            ++at; // CR LF is one line break
        start = at + 1;
    }
    if (start < size)
        lines.append({start, size});
    return lines;
}

// The record that starts on a physical line: the index of its last physical line, and, when a
// quote would carry it over line breaks but may not, why; the record is then that line alone.
struct RecordEnd {
    int last;
    std::optional<CsvQuoteBreak> broken;
};

// Cuts records out of a text; titleFields is -1 until the title line is cut.
class RecordCutter {
public:
    explicit RecordCutter(const QString& text) : m_text(text), m_lines(physicalLines(text)) {}

    int physicalCount() const { return static_cast<int>(m_lines.size()); }
    qsizetype start(int line) const { return m_lines.at(line).start; }
    qsizetype end(int line) const { return m_lines.at(line).end; }

    RecordEnd recordEnd(int first, int titleFields)
    {
        const qsizetype recordStart = start(first);
        QList<std::pair<int, int>> spanning; // opening and closing line of each value over lines
        int line = first;
        qsizetype at = recordStart;
        while (true) {
            // at is the start of a field on the physical line `line`.
            if (at < end(line) && m_text.at(at) == kQuote) {
                qsizetype close = closingQuote(m_text, at, end(line));
                if (close < 0) {
                    // The search ends at the first lone quote, which no later search passes again,
                    // so cutting a file stays linear however far it looks.
                    close = closingQuote(m_text, at, m_text.size());
                    if (close < 0 || !endsField(close))
                        return alone(first, QuoteBreak::NotClosed, 0);
                    const int opening = line;
                    while (end(line) < close)
                        ++line;
                    if (close - recordStart >= kMaxRecordChars)
                        return alone(first, QuoteBreak::TooLong, line + 1);
                    spanning.append({opening, line});
                }
                at = close + 1;
            }
            while (at < end(line) && m_text.at(at) != kSeparator)
                ++at;
            if (at >= end(line))
                break;
            ++at; // behind the separator
        }
        if (line == first)
            return {first, {}};
        if (end(line) - recordStart > kMaxRecordChars)
            return alone(first, QuoteBreak::TooLong, line + 1);
        const bool isLong = line - first + 1 > kMaxShortRecordLines;
        if (titleFields < 0)
            return isLong ? alone(first, QuoteBreak::TitleLines, line + 1) : RecordEnd{line, {}};
        if (isLong) {
            for (const auto& [opening, closing] : spanning) {
                for (int inner = opening + 1; inner < closing; ++inner) {
                    if (looksLikeRecord(inner, titleFields))
                        return alone(first, QuoteBreak::InnerRecords, closing + 1);
                }
            }
        }
        SplitCsvLine(QStringView(m_text).mid(recordStart, end(line) - recordStart), m_fields);
        const int joined = static_cast<int>(m_fields.size());
        if (isLong ? joined != titleFields : joined > titleFields) {
            RecordEnd cut = alone(first, QuoteBreak::FieldCount, line + 1);
            cut.broken->joinedFields = joined;
            cut.broken->titleFields = titleFields;
            return cut;
        }
        return {line, {}};
    }

private:
    // The closing quote ends its field: ";", a line break or the end follows it.
    bool endsField(qsizetype close) const
    {
        return close + 1 == m_text.size() || m_text.at(close + 1) == kSeparator || isLineBreak(m_text.at(close + 1));
    }

    bool looksLikeRecord(int line, int titleFields)
    {
        SplitCsvLine(QStringView(m_text).mid(start(line), end(line) - start(line)), m_fields);
        return m_fields.size() >= titleFields && std::any_of(m_fields.cbegin(), m_fields.cend(), HasVisibleChar);
    }

    static RecordEnd alone(int first, QuoteBreak reason, int closingLine)
    {
        CsvQuoteBreak broken;
        broken.line = first + 1;
        broken.reason = reason;
        broken.closingLine = closingLine;
        return {first, broken};
    }

    const QString& m_text;
    QList<TextLine> m_lines;
    QStringList m_fields;
};

QString quoteBreakText(const CsvQuoteBreak& broken)
{
    const QString closes =
        QStringLiteral("Das Anführungszeichen wird erst in Zeile %1 geschlossen; ").arg(broken.closingLine);
    QString what;
    switch (broken.reason) {
    case QuoteBreak::NotClosed:
        what = QStringLiteral("Das Anführungszeichen am Anfang eines Feldes wird nicht geschlossen.");
        break;
    case QuoteBreak::TooLong:
        what = closes + QStringLiteral("der Datensatz wäre länger als %1 Zeichen.")
                            .arg(QLocale(QLocale::German).toString(kMaxRecordChars));
        break;
    case QuoteBreak::TitleLines:
        what = closes + QStringLiteral("die Titelzeile darf höchstens %1 Zeilen umfassen.").arg(kMaxShortRecordLines);
        break;
    case QuoteBreak::InnerRecords:
        what = closes + QStringLiteral("die Zeilen dazwischen sehen wie eigene Datensätze aus.");
        break;
    case QuoteBreak::FieldCount:
        what = closes + QStringLiteral("der Datensatz hätte dann %1 statt %2 Felder.")
                            .arg(broken.joinedFields)
                            .arg(broken.titleFields);
        break;
    }
    return QStringLiteral("Zeile %1: ").arg(broken.line) + what;
}

// "812 Bytes", "1,5 MB" (1 MB = 1024 * 1024 bytes).
QString sizeText(qint64 bytes)
{
    constexpr qint64 kMegabyte = 1024 * 1024;
    const QLocale german(QLocale::German);
    if (bytes < kMegabyte)
        return german.toString(bytes) + QStringLiteral(" Bytes");
    return german.toString(double(bytes) / kMegabyte, 'f', 1) + QStringLiteral(" MB");
}

// Why a file cannot be opened, in the user's words.
QString openFailure(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return QStringLiteral("Die Datei ist nicht vorhanden.");
    if (info.isDir())
        return QStringLiteral("Das ist ein Ordner.");
    if (!info.isReadable())
        return QStringLiteral("Es fehlt die Berechtigung, sie zu lesen.");
    return QStringLiteral("Sie ist gesperrt oder nicht lesbar.");
}

// The largest file read on any machine: line numbers and positions stay far within int.
constexpr qint64 kMaxCsvFileBytes = qint64(1) << 30;
// The whole import (the text, its records, the preview) takes up to about 16 times a file's size;
// at the limit that is half of the machine's memory.
constexpr qint64 kImportMemoryFactor = 32;

} // namespace

CsvLines::CsvLines(const QString& text) : m_text(text)
{
    RecordCutter cutter(m_text);
    int titleFields = -1;
    QStringList fields;
    for (int first = 0; first < cutter.physicalCount();) {
        const RecordEnd cut = cutter.recordEnd(first, titleFields);
        const qsizetype start = cutter.start(first);
        m_lines.append({start, cutter.end(cut.last) - start, first + 1});
        if (cut.broken)
            m_breaks.append(*cut.broken);
        if (titleFields < 0) {
            SplitCsvLine(this->text(0), fields);
            titleFields = static_cast<int>(fields.size());
        }
        first = cut.last + 1;
    }
}

QStringView CsvLines::text(qsizetype index) const
{
    const Line& line = m_lines.at(index);
    return QStringView(m_text).mid(line.start, line.length);
}

bool CsvLines::holdsNul() const
{
    return m_text.contains(QChar(u'\0'));
}

QString QuoteBreakWarning(const QList<CsvQuoteBreak>& breaks)
{
    if (breaks.isEmpty())
        return {};
    QStringList shown;
    for (qsizetype i = 0; i < breaks.size() && i < kMaxListedLines; ++i)
        shown.append(quoteBreakText(breaks.at(i)));
    if (breaks.size() > kMaxListedLines)
        shown.append(QStringLiteral("..."));
    return QStringLiteral("Folgende Zeilen wurden jeweils für sich gelesen; bitte prüfen Sie die Werte in der "
                          "Übersicht:\r\n\r\n") +
           shown.join(QStringLiteral("\r\n"));
}

qint64 CsvFileSizeLimit()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return kMaxCsvFileBytes / 8;
    return std::min(kMaxCsvFileBytes, qint64(pages) * pageSize / kImportMemoryFactor);
}

CsvLines LoadCsvFile(const QString& fileName, qint64 sizeLimit)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    const qint64 size = QFileInfo(fileName).size();
    if (size > sizeLimit)
        throw CsvFileError(QStringLiteral("Die Datei %1 ist %2 groß; importiert werden Dateien bis %3.")
                               .arg(shown, sizeText(size), sizeText(sizeLimit))
                               .toStdString());
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw CsvFileError(QStringLiteral("Die Datei %1 kann nicht geöffnet werden. %2")
                               .arg(shown, openFailure(fileName))
                               .toStdString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw CsvFileError(QStringLiteral("Die Datei %1 kann nicht gelesen werden.").arg(shown).toStdString());
    file.close();
    TextCodec::DecodedText decoded = TextCodec::decodeFileTextChecked(bytes);
    bytes = QByteArray(); // freed before the lines are cut
    CsvLines lines(decoded.text);
    lines.droppedLastByte = decoded.droppedLastByte;
    lines.invalidUtf16 = decoded.invalidUtf16;
    return lines;
}

bool IsCsvFileName(const QString& fileName)
{
    return QFileInfo(fileName).fileName().endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

QString UnquotedCsvValue(QStringView text)
{
    QString value;
    const qsizetype size = text.size();
    qsizetype at = 1;
    while (at < size) {
        const QChar c = text.at(at);
        if (c == kQuote) {
            if (at + 1 < size && text.at(at + 1) == kQuote) {
                value.append(kQuote);
                at += 2;
                continue;
            }
            return value;
        }
        value.append(c);
        ++at;
    }
    // Without a closing quote the value is the whole rest: dropping its last character, as some
    // readers do, would lose a character of the user's data.
    return value;
}

int SplitCsvLine(QStringView line, QStringList& fields)
{
    fields.clear();
    if (line.isEmpty())
        return 0;
    const qsizetype size = line.size();
    qsizetype at = 0; // the start of the field
    while (at < size) {
        if (line.at(at) != kQuote) {
            const qsizetype separator = line.indexOf(kSeparator, at);
            if (separator < 0)
                break;
            fields.append(line.mid(at, separator - at).toString());
            at = separator + 1;
            continue;
        }
        const qsizetype close = closingQuote(line, at, size);
        if (close < 0) {
            const qsizetype separator = line.indexOf(kSeparator, at + 1);
            if (separator < 0)
                break;
            fields.append(line.mid(at, separator - at).toString());
            at = separator + 1;
            continue;
        }
        const qsizetype separator = line.indexOf(kSeparator, close + 1);
        if (separator < 0)
            break;
        fields.append(UnquotedCsvValue(line.mid(at, separator - at)));
        at = separator + 1;
    }
    if (at >= size)
        fields.append(QString());
    else if (line.at(at) == kQuote)
        fields.append(UnquotedCsvValue(line.mid(at)));
    else
        fields.append(line.mid(at).toString());
    return 0;
}

bool HasVisibleChar(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 33)
            return true;
    }
    return false;
}

FieldMapping UnmappedFields()
{
    FieldMapping mapping;
    mapping.fill(-1);
    return mapping;
}

CsvReadResult ReadImportRecords(const CsvLines& lines, TFDBData& records, const FieldMapping& mapping,
                                CsvReadProgress* progress, QList<int>& rejectedLines)
{
    try {
        if (lines.size() < 2)
            return CsvReadResult::NoRecords;
        if (progress)
            progress->begin(static_cast<int>(lines.size()) - 1);
        // At most one record per line: the array grows once, not by doubling copies.
        records.reserve(records.size() + lines.size() - 1);
        bool anyRecord = false;
        QStringList fields;
        for (qsizetype index = 1; index < lines.size(); ++index) {
            const QStringView text = lines.text(index);
            if (text.isEmpty())
                continue;
            SplitCsvLine(text, fields);
            const bool visible = std::any_of(fields.cbegin(), fields.cend(), HasVisibleChar);
            if (visible) {
                auto value = [&](int field) {
                    const int column = mapping[static_cast<size_t>(field)];
                    return column >= 0 && column < fields.size() ? fields.at(column) : QString();
                };
                const QString email = value(static_cast<int>(RecipientField::Email)).trimmed();
                if (acceptableEmail(email)) {
                    TRecipientMailData record;
                    record.Send = true;
                    record.Selected = true;
                    for (int field = 0; field < kRecipientFieldCount; ++field) {
                        const QString text =
                            field == static_cast<int>(RecipientField::Email) ? email : singleLine(value(field));
                        record.setText(field, text.isEmpty() && field == static_cast<int>(RecipientField::BFormel)
                                                  ? kDefaultSalutation
                                                  : text);
                    }
                    records.append(std::move(record));
                    anyRecord = true;
                } else {
                    rejectedLines.append(lines.number(index));
                }
            }
            if (progress)
                progress->lineDone(lines.number(index));
        }
        return anyRecord ? CsvReadResult::Records : CsvReadResult::NoRecords;
    } catch (const std::exception&) {
        return CsvReadResult::Failed;
    }
}
