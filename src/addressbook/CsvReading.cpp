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

} // namespace

CsvLines SplitCsvText(const QString& fileText)
{
    const qsizetype nul = fileText.indexOf(QChar(u'\0'));
    const QString text = nul >= 0 ? fileText.left(nul) : fileText;
    const qsizetype size = text.size();
    auto lineEndFrom = [&](qsizetype from) {
        while (from < size && !isLineBreak(text.at(from)))
            ++from;
        return from;
    };
    CsvLines lines;
    int lineNumber = 1;
    int recordLine = 1;
    qsizetype start = 0;
    qsizetype at = 0;
    qsizetype lineEnd = lineEndFrom(0);
    // A quoted value may hold line breaks when its closing quote ends the field properly
    // (";", a line break or the end follows). Text up to spanSearchedTo was already searched for
    // such a quote in vain, so nothing in it is searched twice and the scan stays linear.
    qsizetype spanSearchedTo = 0;
    bool fieldStart = true;
    while (at < size) {
        const QChar c = text.at(at);
        if (fieldStart && c == kQuote) {
            fieldStart = false;
            qsizetype close = closingQuote(text, at, lineEnd);
            if (close < 0 && at >= spanSearchedTo) {
                close = closingQuote(text, at, size);
                const bool endsField = close >= 0 && (close + 1 == size || text.at(close + 1) == kSeparator ||
                                                      isLineBreak(text.at(close + 1)));
                if (!endsField) {
                    spanSearchedTo = close < 0 ? size : close;
                    close = -1;
                }
            }
            if (close >= 0) {
                for (qsizetype k = lineEnd; k < close; ++k) {
                    // CR LF is one line break.
                    if (text.at(k) == u'\n' || (text.at(k) == u'\r' && (k + 1 >= size || text.at(k + 1) != u'\n')))
                        ++lineNumber;
                }
                at = close + 1;
                if (close > lineEnd)
                    lineEnd = lineEndFrom(at);
                continue;
            }
            ++at;
            continue;
        }
        if (isLineBreak(c)) {
            lines.append({text.mid(start, at - start), recordLine});
            at += (c == u'\r' && at + 1 < size && text.at(at + 1) == u'\n') ? 2 : 1;
            start = at;
            lineEnd = lineEndFrom(at);
            fieldStart = true;
            recordLine = ++lineNumber;
            continue;
        }
        fieldStart = c == kSeparator;
        ++at;
    }
    if (start < size)
        lines.append({text.mid(start), recordLine});
    return lines;
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
                if (acceptableEmail(value(static_cast<int>(RecipientField::Email)))) {
                    TRecipientMailData record;
                    record.Send = true;
                    record.Selected = true;
                    for (int field = 0; field < kRecipientFieldCount; ++field) {
                        const QString text = value(field);
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
