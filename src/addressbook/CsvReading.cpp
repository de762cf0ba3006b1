#include "addressbook/CsvReading.h"

#include "addressbook/CsvReadingFields.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <unistd.h>

using namespace CsvFields;

namespace {

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

// "Zeile 7", "Zeilen 3 bis 9".
QString linesText(int first, int last)
{
    if (last <= first)
        return QStringLiteral("Zeile %1").arg(first);
    return QStringLiteral("Zeilen %1 bis %2").arg(first).arg(last);
}

// "3, 4, 5" with at most kMaxListedLines numbers.
QString numberList(const QList<int>& numbers)
{
    QStringList shown;
    for (qsizetype i = 0; i < numbers.size() && i < kMaxListedLines; ++i)
        shown.append(QString::number(numbers.at(i)));
    if (numbers.size() > kMaxListedLines)
        shown.append(QStringLiteral("..."));
    return shown.join(QStringLiteral(", "));
}

QString noteText(const CsvQuoteNote& note)
{
    const QString closes =
        QStringLiteral("Das Anführungszeichen wird erst in Zeile %1 geschlossen; ").arg(note.closingLine);
    const QString eachAlone =
        QStringLiteral("; die %1 wurden jeweils für sich gelesen.").arg(linesText(note.line, note.closingLine));
    switch (note.outcome) {
    case QuoteOutcome::Joined:
        return QStringLiteral("Ein Wert in Anführungszeichen reicht über mehrere Zeilen; sie wurden als ein "
                              "Datensatz gelesen.");
    case QuoteOutcome::NotClosed:
        return QStringLiteral("Das Anführungszeichen am Anfang eines Feldes wird nicht geschlossen; die Zeile wurde "
                              "für sich gelesen.");
    case QuoteOutcome::TooLong:
        return closes +
               QStringLiteral("der Datensatz wäre länger als %1 Zeichen")
                   .arg(QLocale(QLocale::German).toString(kMaxRecordChars)) +
               eachAlone;
    case QuoteOutcome::TooManyFields:
        return closes + QStringLiteral("als ein Datensatz gelesen, hätte er mehr Felder als die Titelzeile") +
               eachAlone;
    case QuoteOutcome::AddressLines:
        return closes +
               (note.addressLines.size() == 1
                    ? QStringLiteral("in Zeile %1 steht eine E-Mail-Adresse").arg(note.addressLines.first())
                    : QStringLiteral("in den Zeilen %1 stehen E-Mail-Adressen").arg(numberList(note.addressLines))) +
               eachAlone;
    }
    return {};
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
// The whole import (the text, its records, the preview) takes about 9 times a file's size; at
// the limit that is less than a third of the machine's memory.
constexpr qint64 kImportMemoryFactor = 32;

} // namespace

ImportNotes QuoteNotes(const CsvLines& lines, const QList<int>& recordLines)
{
    const QList<CsvQuoteNote>& notes = lines.quoteNotes();
    ImportNotes result;
    if (notes.isEmpty())
        return result;
    QStringList shown;
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const CsvQuoteNote& note = notes.at(i);
        // recordLines is in file order: the record that starts on the note's line, if any.
        const auto found = std::lower_bound(recordLines.cbegin(), recordLines.cend(), note.line);
        const bool isRecord = found != recordLines.cend() && *found == note.line;
        const qsizetype record = found - recordLines.cbegin();
        if (isRecord)
            result.records.append(record);
        if (i >= kMaxListedLines)
            continue;
        const int last = note.outcome == QuoteOutcome::Joined ? note.closingLine : note.line;
        const QString span = linesText(note.line, last);
        QString where;
        if (isRecord)
            where = QStringLiteral("Datensatz %1 (%2)").arg(record + 1).arg(span);
        else if (note.line == lines.number(0))
            where = QStringLiteral("Titelzeile (%1)").arg(span);
        else
            where = span + QStringLiteral(" (kein Datensatz)");
        shown.append(where + QStringLiteral(": ") + noteText(note));
    }
    if (notes.size() > kMaxListedLines)
        shown.append(QStringLiteral("... und %1 weitere")
                         .arg(QLocale(QLocale::German).toString(notes.size() - kMaxListedLines)));
    result.text = QStringLiteral("Bitte prüfen Sie die markierten Datensätze, bevor Sie importieren:\r\n") +
                  shown.join(QStringLiteral("\r\n"));
    return result;
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
    value.reserve(size);
    for (qsizetype at = 1; at < size; ++at) {
        const QChar c = text.at(at);
        if (c == kQuote && at + 1 < size && text.at(at + 1) == kQuote) {
            value.append(kQuote);
            ++at;
        } else if (c == kQuote) {
            // Text behind it: the quote closes nothing, the quotes are the cell's own.
            if (!closesField(text, at, size))
                return text.toString();
            break;
        } else {
            value.append(c);
        }
    }
    // Without a closing quote the value is the whole rest: dropping its last character, as some
    // readers do, would lose a character of the user's data.
    value.squeeze();
    return value;
}

int SplitCsvLine(QStringView line, QStringList& fields)
{
    fields.clear();
    forEachField(line, [&](int, qsizetype start, qsizetype end) { fields.append(value(line, start, end)); });
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
                                CsvReadProgress* progress, QList<int>& rejectedLines, QList<int>* recordLines)
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
                    if (recordLines)
                        recordLines->append(lines.number(index));
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
