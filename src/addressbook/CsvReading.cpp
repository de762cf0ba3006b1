#include "addressbook/CsvReading.h"

#include "core/PosText.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kSeparator = u';';
const QString kQuoteText = QStringLiteral("\"");
const QString kSeparatorText = QStringLiteral(";");

// Index of the closing quote (the first quote not followed by another) of a quoted field whose
// opening quote stands at open, searched before limit; -1 if none.
qsizetype closingQuote(const QString& text, qsizetype open, qsizetype limit)
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

// How far a quoted value may carry a record over line breaks: further, a quote that opens a
// field and does not close on its line is more likely a stray one (an inch mark, a typo).
constexpr int kMaxRecordLines = 10;
constexpr qsizetype kMaxRecordChars = 64 * 1024;

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

// The index of the last physical line of the record that starts on line first, when a quoted
// value carries it over line breaks and closes properly (";", a line break or the end follows
// its closing quote) within the bounds; first when the record is that line alone. open is set
// when a quote opened a field on the record's lines and was not closed within the bounds.
int recordEnd(const QString& text, const QList<TextLine>& lines, int first, bool& open)
{
    open = false;
    const int lastAllowed = std::min(static_cast<int>(lines.size()) - 1, first + kMaxRecordLines - 1);
    const qsizetype limit = std::min(lines.at(lastAllowed).end, lines.at(first).start + kMaxRecordChars);
    int line = first;
    qsizetype at = lines.at(first).start;
    while (true) {
        // at is the start of a field on the physical line `line`.
        const qsizetype lineEnd = lines.at(line).end;
        if (at < lineEnd && text.at(at) == kQuote) {
            qsizetype close = closingQuote(text, at, lineEnd);
            if (close < 0) {
                close = closingQuote(text, at, limit);
                const bool endsField = close >= 0 && (close + 1 == text.size() || text.at(close + 1) == kSeparator ||
                                                      isLineBreak(text.at(close + 1)));
                if (!endsField) {
                    open = true;
                    return first;
                }
                while (lines.at(line).end < close)
                    ++line;
            }
            at = close + 1;
        }
        while (at < lines.at(line).end && text.at(at) != kSeparator)
            ++at;
        if (at >= lines.at(line).end)
            return line;
        ++at; // behind the separator
    }
}

} // namespace

CsvLines SplitCsvText(const QString& text)
{
    const QList<TextLine> physical = physicalLines(text);
    CsvLines records;
    qsizetype titleFields = -1;
    QStringList fields;
    for (int first = 0; first < physical.size();) {
        bool open = false;
        int last = recordEnd(text, physical, first, open);
        const qsizetype start = physical.at(first).start;
        QString record = text.mid(start, physical.at(last).end - start);
        if (last > first && titleFields >= 0) {
            // A record joined over line breaks is taken only when it has no more fields than the
            // titles; otherwise the quote did not belong to a value that spans lines.
            SplitCsvLine(record, fields);
            if (fields.size() > titleFields) {
                open = true;
                last = first;
                record = text.mid(start, physical.at(first).end - start);
            }
        }
        if (titleFields < 0) {
            SplitCsvLine(record, fields);
            titleFields = fields.size();
        }
        records.append({record, first + 1, open});
        first = last + 1;
    }
    return records;
}

bool HoldsNul(const CsvLines& lines)
{
    return std::any_of(lines.cbegin(), lines.cend(),
                       [](const CsvLine& line) { return line.text.contains(QChar(u'\0')); });
}

QList<int> UnclosedQuoteLines(const CsvLines& lines)
{
    QList<int> numbers;
    for (const CsvLine& line : lines) {
        if (line.unclosedQuote)
            numbers.append(line.number);
    }
    return numbers;
}

CsvLines LoadCsvFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Die Datei %1 kann nicht geöffnet werden: %2")
                                     .arg(QDir::toNativeSeparators(fileName), file.errorString())
                                     .toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2")
                                     .arg(QDir::toNativeSeparators(fileName), file.errorString())
                                     .toStdString());
    return SplitCsvText(TextCodec::decodeFileText(bytes));
}

bool IsCsvFileName(const QString& fileName)
{
    return QFileInfo(fileName).fileName().endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

QString UnquotedCsvValue(const QString& text)
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

int SplitCsvLine(const QString& line, QStringList& fields)
{
    fields.clear();
    if (line.isEmpty())
        return 0;
    const int size = static_cast<int>(line.size());
    int position = 1;
    while (position <= size) {
        if (line.at(position - 1) != kQuote) {
            const int separator = PosText(line, kSeparatorText, position);
            if (separator == 0)
                break;
            fields.append(line.mid(position - 1, separator - position));
            position = separator + 1;
            continue;
        }
        const qsizetype close = closingQuote(line, position - 1, line.size());
        if (close < 0) {
            const int separator = PosText(line, kSeparatorText, position + 1);
            if (separator == 0)
                break;
            fields.append(line.mid(position - 1, separator - position));
            position = separator + 1;
            continue;
        }
        const int separator = PosText(line, kSeparatorText, static_cast<int>(close) + 2);
        if (separator == 0)
            break;
        fields.append(UnquotedCsvValue(line.mid(position - 1, separator - position)));
        position = separator + 1;
    }
    if (position > size)
        fields.append(QString());
    else if (line.at(position - 1) == kQuote)
        fields.append(UnquotedCsvValue(line.mid(position - 1)));
    else
        fields.append(line.mid(position - 1));
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
        bool anyRecord = false;
        QStringList fields;
        for (qsizetype index = 1; index < lines.size(); ++index) {
            const CsvLine& line = lines.at(index);
            if (line.text.isEmpty())
                continue;
            SplitCsvLine(line.text, fields);
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
                    rejectedLines.append(line.number);
                }
            }
            if (progress)
                progress->lineDone(line.number);
        }
        return anyRecord ? CsvReadResult::Records : CsvReadResult::NoRecords;
    } catch (const std::exception&) {
        return CsvReadResult::Failed;
    }
}
