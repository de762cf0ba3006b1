#include "addressbook/CsvReading.h"

#include <QFile>

#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>

namespace {

// Files written as spreadsheet programs export them (exports/make_exports.py writes them): each
// "<name>.csv" has a "<name>.expected" beside it, made from the same rows without the reader.
// Its line 1 names the columns of Anrede, Vorname, Name, Firma, Strasse, PLZ, Ort, Email and
// the note (read into the salutation); every further line is one record, those fields joined
// by "|", each line break made one blank and cut to the fields' widths.
QString exportFile(const QString& name)
{
    return QStringLiteral(KUB_TEST_FIXTURES "/addressbook/exports/") + name;
}

const RecipientField kFields[] = {RecipientField::Anrede, RecipientField::Vorname, RecipientField::Name,
                                  RecipientField::Firma,  RecipientField::Strasse, RecipientField::PLZ,
                                  RecipientField::Ort,    RecipientField::Email,   RecipientField::BFormel};

struct Expected {
    FieldMapping mapping = UnmappedFields();
    QStringList records;
};

Expected readExpected(const QString& name)
{
    Expected expected;
    QFile file(exportFile(name + QStringLiteral(".expected")));
    if (!file.open(QIODevice::ReadOnly))
        return expected;
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    const QStringList columns = lines.takeFirst().split(u',');
    for (qsizetype i = 0; i < columns.size(); ++i)
        expected.mapping[static_cast<size_t>(kFields[i])] = columns.at(i).toInt();
    expected.records = lines;
    return expected;
}

// One record as a line of an .expected file.
QString shownRecord(const TRecipientMailData& record)
{
    QStringList values;
    for (RecipientField field : kFields)
        values.append(record.text(field));
    return values.join(u'|');
}

} // namespace

// Every recipient arrives whole, and no note's line becomes a record of its own, whatever the
// program, the character set, the quoting or the position of the e-mail column.
TEST(CsvSpreadsheetExports, EveryRecipientArrivesWholeAndNoNoteLineBecomesARecord)
{
    const char* const files[] = {
        "calc-quoteall-1252-crlf", "calc-quoteall-utf8-bom", "calc-quoteall-utf8",   "calc-email-first",
        "excel-de-1252",           "excel-de-sep",           "excel-de-no-last-eol", "excel-de-trailing-empty",
        "excel-email-first",       "excel-empty-lines",      "hand-unquoted-inch",   "hand-quote-first-word",
    };
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const Expected expected = readExpected(QString::fromLatin1(name));
        ASSERT_FALSE(expected.records.isEmpty());
        const CsvLines lines = LoadCsvFile(exportFile(QString::fromLatin1(name) + QStringLiteral(".csv")));
        EXPECT_TRUE(ForeignSeparator(lines).isNull());
        TFDBData records;
        QList<int> rejected;
        ASSERT_EQ(ReadImportRecords(lines, records, expected.mapping, nullptr, rejected), CsvReadResult::Records);
        QStringList got;
        std::transform(records.cbegin(), records.cend(), std::back_inserter(got), shownRecord);
        EXPECT_EQ(got.size(), expected.records.size());
        // The first record that differs, for a short report.
        for (qsizetype i = 0; i < std::min(got.size(), expected.records.size()); ++i) {
            if (got.at(i) != expected.records.at(i)) {
                ADD_FAILURE() << "record " << i + 1 << ": " << got.at(i).toStdString() << "\n  expected "
                              << expected.records.at(i).toStdString();
                break;
            }
        }
        EXPECT_TRUE(rejected.isEmpty());
    }
}

TEST(CsvSpreadsheetExports, ATitleLineAloneGivesNoRecordsAndACommaExportNamesItsSeparator)
{
    const CsvLines title = LoadCsvFile(exportFile(QStringLiteral("only-title.csv")));
    TFDBData records;
    QList<int> rejected;
    EXPECT_EQ(ReadImportRecords(title, records, readExpected(QStringLiteral("only-title")).mapping, nullptr, rejected),
              CsvReadResult::NoRecords);
    EXPECT_TRUE(records.isEmpty());

    EXPECT_EQ(ForeignSeparator(LoadCsvFile(exportFile(QStringLiteral("gsheets-comma.csv")))), QChar(u','));
}

// A quote typed at the start of a cell and never closed pairs with the opening quote of a later
// cell on its line: the recipient's address must still arrive in its field, the note's lines
// make no record, and the preview names the record.
TEST(CsvSpreadsheetExports, AStrayQuoteBeforeAQuotedCellOnItsLineKeepsTheRecord)
{
    const QString title = QStringLiteral("Name;Firma;Strasse;Email;Notiz\r\n");
    const QString after = QStringLiteral("Lang;Lang KG;Am Bach 2;lang@example.org;kurz\r\n");
    const struct {
        const char* what;
        QString line;
    } cases[] = {
        {"a quoted single-line cell behind it",
         QStringLiteral("Meier;\"Baumschule Nord;\"Haus B\";meier@example.org;x\r\n")},
        {"a quoted note over lines behind it",
         QStringLiteral("Meier;\"Baumschule Nord;Am Hang 1;meier@example.org;\"Anfahrt:\nTor 2\nHalle 3\"\r\n")},
    };
    const FieldMapping mapping = [] {
        FieldMapping m = UnmappedFields();
        m[static_cast<size_t>(RecipientField::Name)] = 0;
        m[static_cast<size_t>(RecipientField::Email)] = 3;
        return m;
    }();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CsvLines lines(title + c.line + after);
        TFDBData records;
        QList<int> rejected;
        QList<int> recordLines;
        ASSERT_EQ(ReadImportRecords(lines, records, mapping, nullptr, rejected, &recordLines), CsvReadResult::Records);
        QStringList got;
        for (const TRecipientMailData& record : records)
            got.append(record.text(RecipientField::Name) + u'|' + record.text(RecipientField::Email));
        EXPECT_EQ(got.join(u'\n').toStdString(), "Meier|meier@example.org\nLang|lang@example.org");
        EXPECT_EQ(QuoteNotes(lines, recordLines).records, QList<qsizetype>{0});
    }
}

// A file that declares ";" in its first line, as written and as a spreadsheet saves it again
// after reading that line as cells: the declaration is no title line.
TEST(CsvSpreadsheetExports, ASemicolonDeclarationResavedByASpreadsheetIsNoTitleLine)
{
    const QString rest = QStringLiteral("Name;Email;Ort;Notiz\r\nMeier;meier@example.org;Bonn;\r\n");
    const char* const declarations[] = {"sep=;", "sep=;;;;", "\"sep=\";;;", "\"sep=;\""};
    for (const char* declaration : declarations) {
        SCOPED_TRACE(declaration);
        const CsvLines lines(QString::fromLatin1(declaration) + QStringLiteral("\r\n") + rest);
        ASSERT_FALSE(lines.isEmpty());
        QStringList titles;
        SplitCsvLine(lines.text(0), titles);
        EXPECT_EQ(titles.join(u'|').toStdString(), "Name|Email|Ort|Notiz");
        EXPECT_TRUE(ForeignSeparator(lines).isNull());
        EXPECT_EQ(lines.size(), 2);
    }
}

// A cell typed with a quoted word at its start ("Nord" Baumschule) is no quoted field: nothing
// behind the word's closing quote may be lost.
TEST(CsvSpreadsheetExports, AQuotedWordAtTheStartOfACellKeepsTheRestOfTheCell)
{
    const struct {
        QString cell;
        QString word;
        QString rest;
    } cases[] = {
        {QStringLiteral("\"Nord\" Baumschule GmbH"), QStringLiteral("Nord"), QStringLiteral(" Baumschule GmbH")},
        {QStringLiteral("\"24 Zoll\"-Monitore Lang"), QStringLiteral("24 Zoll"), QStringLiteral("-Monitore Lang")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell.toStdString());
        QStringList fields;
        const QString line = QStringLiteral("Meier;") + c.cell + QStringLiteral(";meier@example.org");
        SplitCsvLine(line, fields);
        ASSERT_EQ(fields.size(), 3);
        EXPECT_TRUE(fields.at(1).contains(c.word)) << fields.at(1).toStdString();
        EXPECT_TRUE(fields.at(1).endsWith(c.rest)) << fields.at(1).toStdString();
        EXPECT_EQ(fields.at(2), QStringLiteral("meier@example.org"));
    }
}

// A well-formed export whose e-mail column comes first, with a note that lists further addresses
// on a line of their own, "; "-separated: the quotes are balanced, so the note stays one value of
// its record and none of its lines becomes a recipient.
TEST(CsvSpreadsheetExports, ANoteListingAddressesBehindAFirstEmailColumnStaysInItsRecord)
{
    const struct {
        const char* what;
        QString text;
        QString note;
    } cases[] = {
        {"all text cells quoted",
         QStringLiteral("\"E-Mail\";\"Name\";\"Notiz\"\r\n"
                        "\"meier@example.org\";\"Meier\";\"Weitere Adressen:\n"
                        "anna@example.org; bernd@example.org\nbitte alle in CC\"\r\n"
                        "\"lang@example.org\";\"Lang\";\"kurz\"\r\n"),
         QStringLiteral("Weitere Adressen: anna@example.org; bernd@example.org bitte alle in CC")},
        {"quoted only where a cell needs it",
         QStringLiteral("E-Mail;Name;Notiz\r\n"
                        "meier@example.org;Meier;\"Zentrale:\ninfo@nord-baum.de; Tel. 0421 12345\nDanke\"\r\n"
                        "lang@example.org;Lang;kurz\r\n"),
         QStringLiteral("Zentrale: info@nord-baum.de; Tel. 0421 12345 Danke")},
    };
    FieldMapping mapping = UnmappedFields();
    mapping[static_cast<size_t>(RecipientField::Email)] = 0;
    mapping[static_cast<size_t>(RecipientField::Name)] = 1;
    mapping[static_cast<size_t>(RecipientField::BFormel)] = 2;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CsvLines lines(c.text);
        TFDBData records;
        QList<int> rejected;
        ASSERT_EQ(ReadImportRecords(lines, records, mapping, nullptr, rejected), CsvReadResult::Records);
        QStringList got;
        for (const TRecipientMailData& record : records)
            got.append(record.text(RecipientField::Email) + u'|' + record.text(RecipientField::Name) + u'|' +
                       record.text(RecipientField::BFormel));
        const QString expected =
            QStringLiteral("meier@example.org|Meier|") + c.note + QStringLiteral("\nlang@example.org|Lang|kurz");
        EXPECT_EQ(got.join(u'\n').toStdString(), expected.toStdString());
    }
}

// A quote typed at the start of the last cell and never closed, and an inch mark on the next line
// in a column before the e-mail column: that next line is a recipient's record with its address,
// so it must arrive as one and not end up in the note of the line before.
TEST(CsvSpreadsheetExports, AStrayQuoteClosedByAnInchMarkOnTheNextLineKeepsThatLinesRecipient)
{
    const CsvLines lines(QStringLiteral("Name;Firma;Monitor;E-Mail;Notiz\r\n"
                                        "Meier;Meier KG;27 Zoll;meier@example.org;\"Rückruf erbeten\r\n"
                                        "Lang;Lang KG;24\";lang@example.org;kurz\r\n"
                                        "Roth;Roth AG;22 Zoll;roth@example.org;\r\n"));
    FieldMapping mapping = UnmappedFields();
    mapping[static_cast<size_t>(RecipientField::Name)] = 0;
    mapping[static_cast<size_t>(RecipientField::Email)] = 3;
    TFDBData records;
    QList<int> rejected;
    ASSERT_EQ(ReadImportRecords(lines, records, mapping, nullptr, rejected), CsvReadResult::Records);
    QStringList got;
    for (const TRecipientMailData& record : records)
        got.append(record.text(RecipientField::Name) + u'|' + record.text(RecipientField::Email));
    EXPECT_EQ(got.join(u'\n').toStdString(), "Meier|meier@example.org\nLang|lang@example.org\nRoth|roth@example.org");
}
