#include "addressbook/CsvReading.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString fixture(const char* name)
{
    return QStringLiteral(KUB_TEST_FIXTURES "/addressbook/") + QString::fromLatin1(name);
}

QStringList split(const QString& line)
{
    QStringList fields{QStringLiteral("left over")};
    EXPECT_EQ(SplitCsvLine(line, fields), 0);
    return fields;
}

// The lines of a text as "number:text", joined by "|".
QString linesOf(const QString& text)
{
    QStringList shown;
    for (const CsvLine& line : SplitCsvText(text))
        shown.append(QString::number(line.number) + u':' + line.text);
    return shown.join(u'|');
}

// Records the progress calls of a read.
struct ProgressLog : CsvReadProgress {
    void begin(int max) override { maximum = max; }
    void lineDone(int lineNumber) override { lines.append(lineNumber); }
    int maximum = -1;
    QList<int> lines;
};

FieldMapping mapped(std::initializer_list<std::pair<RecipientField, int>> pairs)
{
    FieldMapping mapping = UnmappedFields();
    for (const auto& [field, column] : pairs)
        mapping[static_cast<size_t>(field)] = column;
    return mapping;
}

CsvLines linesFrom(const QString& text)
{
    return SplitCsvText(text);
}

} // namespace

TEST(CsvSplitLine, FieldRules)
{
    const struct {
        const char16_t* line;
        QStringList fields;
    } cases[] = {
        {u"", {}},
        {u";", {QString(), QString()}},
        {u"a;b;", {QStringLiteral("a"), QStringLiteral("b"), QString()}},
        {u" a ; b", {QStringLiteral(" a "), QStringLiteral(" b")}},
        {u"\"x;y\";z", {QStringLiteral("x;y"), QStringLiteral("z")}},
        {u"\"say \"\"hi\"\"\";2", {QStringLiteral("say \"hi\""), QStringLiteral("2")}},
        {u"\"\";\"\"", {QString(), QString()}},
        {u"\"kept\" dropped;next", {QStringLiteral("kept"), QStringLiteral("next")}},
        {u"a\"b;c\"", {QStringLiteral("a\"b"), QStringLiteral("c\"")}},
        // An opening quote without a closing one: raw up to the separator, or the rest.
        {u"\"open;next", {QStringLiteral("\"open"), QStringLiteral("next")}},
        {u"first;\"open end", {QStringLiteral("first"), QStringLiteral("open end")}},
        {u"\"", {QString()}},
        {u"\"two\nlines\";x", {QStringLiteral("two\nlines"), QStringLiteral("x")}},
        {u"Müller;Straße", {QStringLiteral("Müller"), QStringLiteral("Straße")}},
    };
    for (const auto& c : cases) {
        const QString line = QString::fromUtf16(c.line);
        EXPECT_EQ(split(line), c.fields) << line.toStdString();
    }
}

TEST(CsvSplitText, LineEndsNulAndQuotedBreaks)
{
    const struct {
        const char16_t* text;
        const char16_t* lines;
    } cases[] = {
        {u"", u""},
        {u"a\r\nb\rc\nd", u"1:a|2:b|3:c|4:d"},
        {u"a\n\nb\n", u"1:a|2:|3:b"},
        {u"a\n\r\n", u"1:a|2:"},
        // A quoted value across line breaks is one record that starts on its first line.
        {u"h\n1;\"x\r\ny\";2\n3", u"1:h|2:1;\"x\r\ny\";2|4:3"},
        {u"h\n\"a\rb\rc\"\nz", u"1:h|2:\"a\rb\rc\"|5:z"},
        // A quote that never closes does not swallow the rest of the file.
        {u"h\n\"open;1\n2;3\n4", u"1:h|2:\"open;1|3:2;3|4:4"},
        // Nor does one whose next lone quote does not end a field.
        {u"h\n\"open\n;\"x\"", u"1:h|2:\"open|3:;\"x\""},
        // A quote inside an unquoted field is ordinary text.
        {u"a\"b\nc\"d", u"1:a\"b|2:c\"d"},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(linesOf(text), QString::fromUtf16(c.lines)) << text.toStdString();
    }
    // A NUL character ends the text.
    EXPECT_EQ(linesOf(QStringLiteral("a\nb") + QChar(u'\0') + QStringLiteral("c\nd")), QStringLiteral("1:a|2:b"));
}

TEST(CsvVisibleChar, OnlyCodesAbove32Count)
{
    EXPECT_FALSE(HasVisibleChar(QString()));
    EXPECT_FALSE(HasVisibleChar(QStringLiteral(" \t\r\n\x1f")));
    EXPECT_TRUE(HasVisibleChar(QStringLiteral(" !")));
    EXPECT_TRUE(HasVisibleChar(QStringLiteral("\u00a0")));
}

TEST(CsvFileName, ExtensionInAnyCase)
{
    EXPECT_TRUE(IsCsvFileName(QStringLiteral("/x/Adressen.csv")));
    EXPECT_TRUE(IsCsvFileName(QStringLiteral("/x/ADRESSEN.CSV")));
    EXPECT_FALSE(IsCsvFileName(QStringLiteral("/x/Adressen.txt")));
    EXPECT_FALSE(IsCsvFileName(QStringLiteral("/x/csv")));
    EXPECT_FALSE(IsCsvFileName(QStringLiteral("/x.csv/Adressen")));
}

// Real files: their encodings, line ends and quoting, read through a mapping of the columns.
TEST(CsvFiles, SpreadsheetFilesReadAsWritten)
{
    const struct {
        const char* file;
        FieldMapping mapping;
        QStringList expected; // per record: the mapped fields joined by "|"
    } cases[] = {
        {"spreadsheet-1252.csv",
         mapped({{RecipientField::Anrede, 0}, {RecipientField::Vorname, 1}, {RecipientField::Name, 2},
                 {RecipientField::Strasse, 3}, {RecipientField::Ort, 5}, {RecipientField::Email, 6}}),
         {QStringLiteral("Herr|Jürgen|Müller|Hauptstraße 1; Hinterhaus|Nürnberg|mueller@example.org"),
          QStringLiteral("Frau|Änne|Meier \"die Ältere\"|Am Bach 3\r\n2. Stock|München|meier@example.org"),
          QStringLiteral("Firma||Groß & Söhne||Passau|gross@example.org")}},
        {"utf8-bom.csv", mapped({{RecipientField::Name, 0}, {RecipientField::Email, 1}, {RecipientField::Ort, 2}}),
         {QStringLiteral("||Łukasz||Gdańsk|lukasz@example.org"),
          QStringLiteral("||Ødegård||Tromsø|oedegaard@example.org")}},
        {"cr-only.csv", mapped({{RecipientField::Name, 0}, {RecipientField::Email, 1}, {RecipientField::Ort, 2}}),
         {QStringLiteral("||Kuhn||offen|kuhn@example.org"), QStringLiteral("||Lang||zu|lang@example.org")}},
    };
    const RecipientField shown[] = {RecipientField::Anrede,  RecipientField::Vorname, RecipientField::Name,
                                    RecipientField::Strasse, RecipientField::Ort,     RecipientField::Email};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const CsvLines lines = LoadCsvFile(fixture(c.file));
        TFDBData records;
        QList<int> rejected;
        ASSERT_EQ(ReadImportRecords(lines, records, c.mapping, nullptr, rejected), CsvReadResult::Records);
        QStringList got;
        for (const TRecipientMailData& record : records) {
            QStringList values;
            for (RecipientField field : shown)
                values.append(record.text(field));
            got.append(values.join(u'|'));
            EXPECT_TRUE(record.Send && record.Selected);
        }
        EXPECT_EQ(got.join(u'\n').toStdString(), c.expected.join(u'\n').toStdString());
        EXPECT_TRUE(rejected.isEmpty());
    }
}

TEST(CsvFiles, HeaderWithBlanksAndTrailingEmptyColumnsIsListedWhole)
{
    const CsvLines lines = LoadCsvFile(fixture("spreadsheet-1252.csv"));
    QStringList titles;
    SplitCsvLine(lines.first().text, titles);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Anrede"), QStringLiteral("Vor name"), QStringLiteral("Nach name"),
                                   QStringLiteral("Straße"), QStringLiteral("PLZ"), QStringLiteral("Ort"),
                                   QStringLiteral("E-Mail"), QString(), QString()}));
}

TEST(CsvFiles, AnUnreadableFileThrowsWithItsName)
{
    try {
        LoadCsvFile(QStringLiteral("/nonexistent/Adressen.csv"));
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("/nonexistent/Adressen.csv")));
    }
}

TEST(CsvRecords, ValuesAreCutToCapacityAndTheSalutationDefaults)
{
    const CsvLines lines = linesFrom(QStringLiteral("PLZ;Land;Gruss;Name\n"
                                                    "12345678901234567890;Deutschland;;  \n"
                                                    "1;D;Hallo\n"));
    TFDBData records;
    QList<int> rejected;
    const FieldMapping mapping = mapped({{RecipientField::PLZ, 0},
                                         {RecipientField::Land, 1},
                                         {RecipientField::BFormel, 2},
                                         {RecipientField::Name, 3}});
    ASSERT_EQ(ReadImportRecords(lines, records, mapping, nullptr, rejected), CsvReadResult::Records);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].text(RecipientField::PLZ), QStringLiteral("123456789012345"));
    EXPECT_EQ(records[0].text(RecipientField::Land), QStringLiteral("Deuts"));
    EXPECT_EQ(records[0].text(RecipientField::BFormel), QStringLiteral("Sehr geehrte(r)"));
    // Blanks stay; the short second line lacks the mapped column 3.
    EXPECT_EQ(records[0].text(RecipientField::Name), QStringLiteral("  "));
    EXPECT_EQ(records[1].text(RecipientField::Name), QString());
    EXPECT_EQ(records[1].text(RecipientField::BFormel), QStringLiteral("Hallo"));
}

TEST(CsvRecords, BlankLinesMakeNoRecordButStepTheProgressEmptyLinesNeither)
{
    const CsvLines lines = linesFrom(QStringLiteral("A;B\n"
                                                    "x;\n"
                                                    "\n"
                                                    " \t; \n"
                                                    ";;;\n"
                                                    ";only unmapped\n"));
    TFDBData records;
    QList<int> rejected;
    ProgressLog progress;
    ASSERT_EQ(ReadImportRecords(lines, records, mapped({{RecipientField::Name, 0}}), &progress, rejected),
              CsvReadResult::Records);
    EXPECT_EQ(progress.maximum, 5);
    EXPECT_EQ(progress.lines, (QList<int>{2, 4, 5, 6}));
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].text(RecipientField::Name), QStringLiteral("x"));
    EXPECT_EQ(records[1].text(RecipientField::Name), QString());
    EXPECT_EQ(records[1].text(RecipientField::BFormel), QStringLiteral("Sehr geehrte(r)"));
}

TEST(CsvRecords, NoDataLinesGiveNoRecords)
{
    const QString texts[] = {QStringLiteral("Name;Email"), QStringLiteral("Name;Email\n\n \n;\n")};
    for (const QString& text : texts) {
        TFDBData records;
        QList<int> rejected;
        EXPECT_EQ(ReadImportRecords(linesFrom(text), records, mapped({{RecipientField::Email, 1}}), nullptr, rejected),
                  CsvReadResult::NoRecords);
        EXPECT_TRUE(records.isEmpty());
    }
}

TEST(CsvRecords, AnAddressThatWouldBeCutIsRejectedNotShortened)
{
    const QString tooLong = QString(45, u'a') + QStringLiteral("@example.org");
    const CsvLines lines = linesFrom(QStringLiteral("Name;Email\n"
                                                    "Kurz;kurz@example.org\n"
                                                    "Lang;") +
                                     tooLong +
                                     QStringLiteral("\n"
                                                    "Bruch;\"a@b\nc.org\"\n"
                                                    "Ohne;\n"));
    TFDBData records;
    QList<int> rejected;
    ASSERT_EQ(ReadImportRecords(lines, records, mapped({{RecipientField::Name, 0}, {RecipientField::Email, 1}}),
                                nullptr, rejected),
              CsvReadResult::Records);
    QStringList names;
    for (const TRecipientMailData& record : records)
        names.append(record.text(RecipientField::Name));
    EXPECT_EQ(names, (QStringList{QStringLiteral("Kurz"), QStringLiteral("Ohne")}));
    EXPECT_EQ(rejected, (QList<int>{3, 4}));
}
