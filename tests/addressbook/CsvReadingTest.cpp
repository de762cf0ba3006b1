#include "addressbook/CsvReading.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <random>

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

// The lines of the records read line by line around a quote.
QList<int> brokenLines(const CsvLines& lines)
{
    QList<int> broken;
    for (const CsvQuoteNote& note : lines.quoteNotes()) {
        if (note.outcome != QuoteOutcome::Joined)
            broken.append(note.line);
    }
    return broken;
}

// Lines as "number:text", joined by "|"; "!" after the number marks a record read line by line,
// and a NUL shows as "\0".
QString shownLines(const CsvLines& lines)
{
    const QList<int> broken = brokenLines(lines);
    QStringList shown;
    for (qsizetype index = 0; index < lines.size(); ++index) {
        QString text = lines.text(index).toString();
        text.replace(QChar(u'\0'), QStringLiteral("\\0"));
        const int number = lines.number(index);
        shown.append(QString::number(number) + (broken.contains(number) ? QStringLiteral("!:") : QStringLiteral(":")) +
                     text);
    }
    return shown.join(u'|');
}

QString linesOf(const QString& text)
{
    return shownLines(CsvLines(text));
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
    return CsvLines(text);
}

// Writes bytes as the file "Adressen.csv" in dir and loads it.
CsvLines loadBytes(const QTemporaryDir& dir, const QByteArray& bytes, qint64 sizeLimit = CsvFileSizeLimit())
{
    const QString path = dir.filePath(QStringLiteral("Adressen.csv"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    return LoadCsvFile(path, sizeLimit);
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
        // A quote closes a field only before ";" or the line end, blanks aside: any other quote
        // is the cell's text, and a stray opening quote takes no quoted cell behind it for its end.
        {u"\"kept\" too;next", {QStringLiteral("\"kept\" too"), QStringLiteral("next")}},
        {u"\"kept\"", {QStringLiteral("kept")}},
        {u"\"kept\" ;\"too\"\t", {QStringLiteral("kept"), QStringLiteral("too")}},
        {u"a;\"b;\"c\";d", {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}},
        {u"\"b;c \"\"d\"\" e\";f", {QStringLiteral("b;c \"d\" e"), QStringLiteral("f")}},
        {u"a\"b;c\"", {QStringLiteral("a\"b"), QStringLiteral("c\"")}},
        // An opening quote without a closing one: the text after it, up to the separator or the
        // end, in every position.
        {u"\"open;next", {QStringLiteral("open"), QStringLiteral("next")}},
        {u"first;\"open end", {QStringLiteral("first"), QStringLiteral("open end")}},
        {u"a;\"b\"\"c;d", {QStringLiteral("a"), QStringLiteral("b\"c"), QStringLiteral("d")}},
        {u";\";;", {QString(), QString(), QString(), QString()}},
        {u"\"", {QString()}},
        {u"\"two\nlines\";x", {QStringLiteral("two\nlines"), QStringLiteral("x")}},
        {u"Müller;Straße", {QStringLiteral("Müller"), QStringLiteral("Straße")}},
    };
    for (const auto& c : cases) {
        const QString line = QString::fromUtf16(c.line);
        EXPECT_EQ(split(line), c.fields) << line.toStdString();
    }
}

TEST(CsvSplitText, LineEndsAndQuotedBreaks)
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
        {u"h;v;w\n1;\"x\r\ny\";2\n3", u"1:h;v;w|2:1;\"x\r\ny\";2|4:3"},
        {u"h\n\"a\rb\rc\"\nz", u"1:h|2:\"a\rb\rc\"|5:z"},
        {u"h;v\n\"a\nb\";\"c\nd\"\nz", u"1:h;v|2:\"a\nb\";\"c\nd\"|5:z"},
        // The title line may span lines too.
        {u"\"Stra\u00dfe\nNr\";Ort\nx;y", u"1:\"Stra\u00dfe\nNr\";Ort|3:x;y"},
        // A quote that never closes does not swallow the rest of the file.
        {u"h;v\n\"open;1\n2;3\n4", u"1:h;v|2!:\"open;1|3:2;3|4:4"},
        // Nor does one whose next lone quote does not end a field.
        {u"h\n\"open\n;\"x\"", u"1:h|2!:\"open|3:;\"x\""},
        // Nor one whose next lone quote opens a quoted cell of a later line.
        {u"h;v\n\"open;1\nx;\"a\nb\"\n", u"1:h;v|2!:\"open;1|3:x;\"a\nb\""},
        // A quote that closes no field on its line is text: the line is read alone and marked.
        {u"h;v\n\"Nord\" B;x\ny", u"1:h;v|2!:\"Nord\" B;x|3:y"},
        // Nor one whose span holds an e-mail address (with no e-mail column: in any field).
        {u"h;v\n\"open;1\nx@example.org;2\";3", u"1:h;v|2!:\"open;1|3:x@example.org;2\";3"},
        // Joined, a record may hold more fields than the titles: separators at its end.
        {u"h;v\n\"a\nb\";3;;;", u"1:h;v|2:\"a\nb\";3;;;"},
        // A first line "sep=;" declares the separator and is no line of the records.
        {u"sep=;\r\nh;v\r\n1;2", u"2:h;v|3:1;2"},
        {u"SEP=;\nh", u"2:h"},
        {u"sep=;x\nh", u"1:sep=;x|2:h"},
        // A quote inside an unquoted field is ordinary text.
        {u"a\"b\nc\"d", u"1:a\"b|2:c\"d"},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(linesOf(text), QString::fromUtf16(c.lines)) << text.toStdString();
    }
}

// "prefix1\nprefix2\n...": the lines of a cell as a spreadsheet program writes them.
QString cellLines(const QString& prefix, int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(prefix + QString::number(i));
    return lines.join(u'\n');
}

const QString kNotesHeading = QStringLiteral("Bitte prüfen Sie die markierten Datensätze, bevor Sie importieren:\r\n");

// "3, 4, 5, ..." as the notes list line numbers: at most twenty.
QString listedNumbers(int first, int last)
{
    QStringList numbers;
    for (int line = first; line <= last && numbers.size() < 20; ++line)
        numbers.append(QString::number(line));
    if (last - first + 1 > 20)
        numbers.append(QStringLiteral("..."));
    return numbers.join(QStringLiteral(", "));
}

// A note's lines hold no e-mail address in the e-mail column: one value, however many lines and
// separators it has, up to the bound; a stray quote swallows nothing. Per case the records as
// "Name|Email|Begrüßungsformel", the notes and the records they mark.
TEST(CsvSplitText, ANoteIsOneValueAndAStrayQuoteSwallowsNothing)
{
    const QString title = QStringLiteral("Name;Email;Notiz\n");
    const QString last = QStringLiteral("Schulz;schulz@example.org;kurz\n");
    const QString lastRecord = QStringLiteral("Schulz|schulz@example.org|kurz");

    // A stray quote in line 2, "closed" by an inch mark `between` lines later.
    const auto stray = [&](int between, QString& text, QStringList& records) {
        text = title + QStringLiteral("Meier;meier@example.org;\"Monitor\n");
        records = QStringList{QStringLiteral("Meier|meier@example.org|Monitor")};
        for (int i = 1; i < between; ++i) {
            text += QStringLiteral("Kunde%1;k%1@example.org;Kabel\n").arg(i);
            records.append(QStringLiteral("Kunde%1|k%1@example.org|Kabel").arg(i));
        }
        text += QStringLiteral("Lang;lang@example.org;27 Zoll\"\n") + last;
        records << QStringLiteral("Lang|lang@example.org|27 Zoll\"") << lastRecord;
    };
    QString stray5, stray40;
    QStringList stray5Records, stray40Records;
    stray(5, stray5, stray5Records);
    stray(40, stray40, stray40Records);

    // Twelve lines of a spreadsheet cell; one has the title's two separators, one an address
    // that is not in the e-mail column.
    const QStringList note{
        QStringLiteral("Besuch 1: Angebot"), QStringLiteral("Öffnung: Mo; Di; nach Absprache"),
        QStringLiteral("Besuch 2: Muster"),  QStringLiteral("info@example.org; bitte bis Freitag"),
        QStringLiteral("Besuch 3"),          QStringLiteral("Feiertag"),
        QStringLiteral("Besuch 4"),          QStringLiteral("Kontakt;Rückruf;vertrieb@example.org"),
        QStringLiteral("Besuch 5"),          QStringLiteral("Besuch 6"),
        QStringLiteral("Besuch 7"),          QStringLiteral("Ende"),
    };
    const QString noteText = note.join(u'\n');
    const QString noteValue = note.join(u' ').left(100); // the salutation's capacity

    const QString huge(70000, u'x');
    const struct {
        const char* what;
        QString text;
        QStringList records;
        QString notes;
        QList<qsizetype> marked;
    } cases[] = {
        {"an address block of 13 lines",
         title + QStringLiteral("Meier;meier@example.org;\"") + cellLines(QStringLiteral("a"), 13) +
             QStringLiteral("\"\n") + last,
         {QStringLiteral("Meier|meier@example.org|a1 a2 a3 a4 a5 a6 a7 a8 a9 a10 a11 a12 a13"), lastRecord},
         kNotesHeading + QStringLiteral("Datensatz 1 (Zeilen 2 bis 14): Ein Wert in Anführungszeichen reicht über "
                                        "mehrere Zeilen; sie wurden als ein Datensatz gelesen."),
         {0}},
        {"a note of 40 lines, cut to the salutation's 100 characters",
         title + QStringLiteral("Meier;meier@example.org;\"") + cellLines(QStringLiteral("n"), 40) +
             QStringLiteral("\"\n") + last,
         {QStringLiteral("Meier|meier@example.org|n1 n2 n3 n4 n5 n6 n7 n8 n9 n10 n11 n12 n13 n14 n15 n16 n17 n18 n19 "
                         "n20 n21 n22 n23 n24 n25 n26 n27 n"),
          lastRecord},
         kNotesHeading + QStringLiteral("Datensatz 1 (Zeilen 2 bis 41): Ein Wert in Anführungszeichen reicht über "
                                        "mehrere Zeilen; sie wurden als ein Datensatz gelesen."),
         {0}},
        {"a note of 12 lines after a record that is not one, with separators and addresses outside the e-mail column",
         title + QStringLiteral("Ohne;;\nMeier;meier@example.org;\"") + noteText + QStringLiteral("\"\n") + last,
         {QStringLiteral("Ohne||Sehr geehrte(r)"), QStringLiteral("Meier|meier@example.org|") + noteValue, lastRecord},
         kNotesHeading + QStringLiteral("Datensatz 2 (Zeilen 3 bis 14): Ein Wert in Anführungszeichen reicht über "
                                        "mehrere Zeilen; sie wurden als ein Datensatz gelesen."),
         {1}},
        {"two cells over lines in one record",
         title + QStringLiteral("\"Meier\nGmbH\";meier@example.org;\"Zeile a\nZeile b\"\n") + last,
         {QStringLiteral("Meier GmbH|meier@example.org|Zeile a Zeile b"), lastRecord},
         kNotesHeading + QStringLiteral("Datensatz 1 (Zeilen 2 bis 4): Ein Wert in Anführungszeichen reicht über "
                                        "mehrere Zeilen; sie wurden als ein Datensatz gelesen."),
         {0}},
        {"a stray quote closed by an inch mark 5 lines later",
         stray5,
         stray5Records,
         kNotesHeading + QStringLiteral("Datensatz 1 (Zeile 2): Das Anführungszeichen wird erst in Zeile 7 "
                                        "geschlossen; in den Zeilen 3, 4, 5, 6, 7 stehen E-Mail-Adressen; die "
                                        "Zeilen 2 bis 7 wurden jeweils für sich gelesen."),
         {0}},
        {"a stray quote closed by an inch mark 40 lines later",
         stray40,
         stray40Records,
         kNotesHeading +
             QStringLiteral("Datensatz 1 (Zeile 2): Das Anführungszeichen wird erst in Zeile 42 "
                            "geschlossen; in den Zeilen ") +
             listedNumbers(3, 42) +
             QStringLiteral(" stehen E-Mail-Adressen; die Zeilen 2 bis 42 wurden jeweils für sich gelesen."),
         {0}},
        {"a stray quote that would swallow one address",
         title + QStringLiteral("Meier;meier@example.org;\"x\nKunde;k@example.org;27\"\n") + last,
         {QStringLiteral("Meier|meier@example.org|x"), QStringLiteral("Kunde|k@example.org|27\""), lastRecord},
         kNotesHeading + QStringLiteral("Datensatz 1 (Zeile 2): Das Anführungszeichen wird erst in Zeile 3 "
                                        "geschlossen; in Zeile 3 steht eine E-Mail-Adresse; die Zeilen 2 bis 3 "
                                        "wurden jeweils für sich gelesen."),
         {0}},
        {"a stray quote in the first field, before the line's own address",
         title + QStringLiteral("\"Meier;meier@example.org;x\nKunde;k@example.org;27\"\"\"\n") + last,
         {QStringLiteral("Meier|meier@example.org|x"), QStringLiteral("Kunde|k@example.org|27\"\"\""), lastRecord},
         kNotesHeading + QStringLiteral("Datensatz 1 (Zeile 2): Das Anführungszeichen wird erst in Zeile 3 "
                                        "geschlossen; in den Zeilen 2, 3 stehen E-Mail-Adressen; die Zeilen 2 bis 3 "
                                        "wurden jeweils für sich gelesen."),
         {0}},
        {"a stray quote in the last field, closed by an inch mark before the next line's address",
         title + QStringLiteral("Meier;meier@example.org;\"Rückruf\nLang;24\";lang@example.org\n") + last,
         {QStringLiteral("Meier|meier@example.org|Rückruf"), QStringLiteral("Lang|24\"|lang@example.org"), lastRecord},
         kNotesHeading + QStringLiteral("Datensatz 1 (Zeile 2): Das Anführungszeichen wird erst in Zeile 3 "
                                        "geschlossen; als ein Datensatz gelesen, hätte er mehr Felder als die "
                                        "Titelzeile; die Zeilen 2 bis 3 wurden jeweils für sich gelesen."),
         {0}},
        {"a cell over the bound of 65,536 characters",
         title + QStringLiteral("Meier;meier@example.org;\"kurz\n") + huge + QStringLiteral("\nende\"\n") + last,
         {QStringLiteral("Meier|meier@example.org|kurz"), QString(70, u'x') + QStringLiteral("||Sehr geehrte(r)"),
          QStringLiteral("ende\"||Sehr geehrte(r)"), lastRecord},
         kNotesHeading + QStringLiteral("Datensatz 1 (Zeile 2): Das Anführungszeichen wird erst in Zeile 4 "
                                        "geschlossen; der Datensatz wäre länger als 65.536 Zeichen; die Zeilen 2 "
                                        "bis 4 wurden jeweils für sich gelesen."),
         {0}},
        {"a quote that never closes",
         title + QStringLiteral("Meier;meier@example.org;\"offen\n") + last,
         {QStringLiteral("Meier|meier@example.org|offen"), lastRecord},
         kNotesHeading + QStringLiteral("Datensatz 1 (Zeile 2): Das Anführungszeichen am Anfang eines Feldes wird "
                                        "nicht geschlossen; die Zeile wurde für sich gelesen."),
         {0}},
        {"a lone quote in a field of its own, the same in every position",
         title + last + QStringLiteral(";\";;\n"),
         {lastRecord},
         kNotesHeading + QStringLiteral("Zeile 3 (kein Datensatz): Das Anführungszeichen am Anfang eines Feldes wird "
                                        "nicht geschlossen; die Zeile wurde für sich gelesen."),
         {}},
        {"no quote over lines", title + last, {lastRecord}, QString(), {}},
    };
    const FieldMapping mapping =
        mapped({{RecipientField::Name, 0}, {RecipientField::Email, 1}, {RecipientField::BFormel, 2}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CsvLines lines(c.text);
        TFDBData records;
        QList<int> rejected;
        QList<int> recordLines;
        ASSERT_EQ(ReadImportRecords(lines, records, mapping, nullptr, rejected, &recordLines), CsvReadResult::Records);
        QStringList got;
        for (const TRecipientMailData& record : records)
            got.append(record.text(RecipientField::Name) + u'|' + record.text(RecipientField::Email) + u'|' +
                       record.text(RecipientField::BFormel));
        EXPECT_EQ(got, c.records);
        EXPECT_EQ(recordLines.size(), records.size());
        const ImportNotes notes = QuoteNotes(lines, recordLines);
        EXPECT_EQ(notes.text.toStdString(), c.notes.toStdString());
        EXPECT_EQ(notes.records, c.marked);
        EXPECT_TRUE(rejected.isEmpty());
    }
}

// Whether a line of a quoted span counts as a record depends on where the title line has its
// e-mail column: there, or, without one, in any field.
TEST(CsvSplitText, TheEmailColumnIsFoundByItsTitle)
{
    const struct {
        const char* title;
        bool joined; // with the line "x;vertrieb@example.org;" in the quoted span
    } cases[] = {
        {"Name;Email;Notiz", false}, {"Name;E-Mail;Notiz", false},
        {"Name;eMail;Notiz", false}, {"Name;\"E-Mail-Adresse\";Notiz", false},
        {"Name;Ort;Notiz", false},   {"Name;Ort;E-Mail;Notiz", true},
        {"E_MAIL;Ort;Notiz", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const CsvLines lines(QString::fromUtf8(c.title) +
                             QStringLiteral("\nMeier;m@example.org;\"Rückruf\nx;vertrieb@example.org;\nende\"\n"));
        EXPECT_EQ(lines.size(), c.joined ? 2 : 4);
    }
}

// A line of a note that is just an address is no record, wherever the e-mail column is; in a
// file of one column it is one.
TEST(CsvSplitText, ANoteLineThatIsJustAnAddressIsNoRecord)
{
    const struct {
        const char* what;
        const char16_t* text;
        const char16_t* lines;
    } cases[] = {
        {"the e-mail column first", u"Email;Name;Notiz\nm@example.org;Meier;\"Kontakt:\ninfo@example.org\nTel. 1\"\n",
         u"1:Email;Name;Notiz|2:m@example.org;Meier;\"Kontakt:\ninfo@example.org\nTel. 1\""},
        {"the e-mail column second", u"Name;Email;Notiz\nMeier;m@example.org;\"Kontakt:\ninfo@example.org\"\n",
         u"1:Name;Email;Notiz|2:Meier;m@example.org;\"Kontakt:\ninfo@example.org\""},
        {"records behind a stray quote, the e-mail column first",
         u"Email;Notiz\nm@example.org;\"Monitor\nk@example.org;Kabel\nl@example.org;27 Zoll\"\n",
         u"1:Email;Notiz|2!:m@example.org;\"Monitor|3:k@example.org;Kabel|4:l@example.org;27 Zoll\""},
        {"a file of one column", u"Email\n\"m@example.org\nk@example.org\"\n",
         u"1:Email|2!:\"m@example.org|3:k@example.org\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(linesOf(QString::fromUtf16(c.text)).toStdString(), QString::fromUtf16(c.lines).toStdString());
    }
}

TEST(CsvSplitText, EmailTitlesAndAddresses)
{
    for (const char* title : {"Email", "E-Mail", "eMail", "E-Mail-Adresse", "EMAIL 2", "Mail", "Private E-Mail"})
        EXPECT_TRUE(IsEmailTitle(QString::fromUtf8(title))) << title;
    for (const char* title : {"", "Name", "Emil", "Adresse", "Notiz"})
        EXPECT_FALSE(IsEmailTitle(QString::fromUtf8(title))) << title;
    for (const char* text :
         {"a@example.org", " m.muster+x@mail.example.de\t", "ä@bäckerei.de", "mailto:a@example.org", "<a@example.org>"})
        EXPECT_TRUE(IsEmailAddress(QString::fromUtf8(text))) << text;
    for (const char* text : {"", "@example.org", "a@", "a@example", "a b@example.org", "Mail an a@example.org",
                             "a@example.org; b", "a@@example.org", "a@example.", "a@.org", "a@b@example.org"})
        EXPECT_FALSE(IsEmailAddress(QString::fromUtf8(text))) << text;
}

// A title over lines is one line of titles, and the notes call it the title line.
TEST(CsvSplitText, ATitleLineMaySpanLines)
{
    const CsvLines lines(QStringLiteral("sep=;\n\"") + cellLines(QStringLiteral("t"), 12) +
                         QStringLiteral("\";Email\nx;y@example.org\n"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.number(1), 14);
    QStringList titles;
    SplitCsvLine(lines.text(0), titles);
    EXPECT_EQ(titles.size(), 2);
    TFDBData records;
    QList<int> rejected;
    QList<int> recordLines;
    ReadImportRecords(lines, records, mapped({{RecipientField::Email, 1}}), nullptr, rejected, &recordLines);
    EXPECT_EQ(QuoteNotes(lines, recordLines).text.toStdString(),
              QStringLiteral("Bitte prüfen Sie die markierten Datensätze, bevor Sie importieren:\r\nTitelzeile "
                             "(Zeilen 2 bis 13): Ein Wert in Anführungszeichen reicht über mehrere Zeilen; sie wurden "
                             "als ein Datensatz gelesen.")
                  .toStdString());
}

TEST(CsvSplitText, TheNotesListTwentyAndCountTheRest)
{
    QString text = QStringLiteral("Name;Email\n");
    for (int i = 0; i < 22; ++i)
        text += QStringLiteral("\"offen;x\n");
    const CsvLines lines(text);
    TFDBData records;
    QList<int> rejected;
    QList<int> recordLines;
    ReadImportRecords(lines, records, mapped({{RecipientField::Name, 0}}), nullptr, rejected, &recordLines);
    const ImportNotes notes = QuoteNotes(lines, recordLines);
    const QStringList shown = notes.text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(shown.size(), 1 + 20 + 1);
    EXPECT_EQ(shown.at(20), QStringLiteral("Datensatz 20 (Zeile 21): Das Anführungszeichen am Anfang eines Feldes wird "
                                           "nicht geschlossen; die Zeile wurde für sich gelesen."));
    EXPECT_EQ(shown.last(), QStringLiteral("... und 2 weitere"));
    EXPECT_EQ(notes.records.size(), 22);
}

// A file that is not ";"-separated: the separator it declares or seems to use.
TEST(CsvSplitText, AForeignSeparatorIsFound)
{
    const struct {
        const char16_t* text;
        QChar separator; // null: ";"-separated
    } cases[] = {
        {u"\"Anrede\"\t\"Name\"\t\"E-Mail\"\n\"Herr\"\t\"Meier\"\t\"m@example.org\"\n", u'\t'},
        {u"Anrede,Name,E-Mail\nHerr,Meier,m@example.org\n", u','},
        {u"\"Anrede\",\"Name, Vorname\"\tx\n", u','},
        {u"sep=,\nAnrede,Name\n", u','},
        {u"sep=\t\nAnrede\tName\n", u'\t'},
        {u"SEP=|\nAnrede|Name\n", u'|'},
        {u"sep=;\nAnrede;Name\n", QChar()},
        {u"sep=,;;;\nAnrede,Name\n", u','},
        {u"\"sep=,\";;\nAnrede,Name\n", u','},
        {u"sep=;;;\nAnrede;Name\n", QChar()},
        {u"Anrede;Name, Vorname;E-Mail\n", QChar()},
        {u"E-Mail\nm@example.org\n", QChar()},
        {u"", QChar()},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(ForeignSeparator(CsvLines(text)), c.separator) << text.toStdString();
    }
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
         mapped({{RecipientField::Anrede, 0},
                 {RecipientField::Vorname, 1},
                 {RecipientField::Name, 2},
                 {RecipientField::Strasse, 3},
                 {RecipientField::Ort, 5},
                 {RecipientField::Email, 6}}),
         {QStringLiteral("Herr|Jürgen|Müller|Hauptstraße 1; Hinterhaus|Nürnberg|mueller@example.org"),
          QStringLiteral("Frau|Änne|Meier \"die Ältere\"|Am Bach 3 2. Stock|München|meier@example.org"),
          QStringLiteral("Firma||Groß & Söhne||Passau|gross@example.org")}},
        {"utf8-bom.csv",
         mapped({{RecipientField::Name, 0}, {RecipientField::Email, 1}, {RecipientField::Ort, 2}}),
         {QStringLiteral("||Łukasz||Gdańsk|lukasz@example.org"),
          QStringLiteral("||Ødegård||Tromsø|oedegaard@example.org")}},
        // A spreadsheet's export: a 12-line note with an inner line of the title's separators, a
        // 3-line company, a separator at the end of every line.
        {"calc-notes.csv",
         mapped({{RecipientField::Anrede, 0},
                 {RecipientField::Vorname, 1},
                 {RecipientField::Name, 2},
                 {RecipientField::Ort, 3},
                 {RecipientField::Email, 4},
                 {RecipientField::Strasse, 5}}),
         {QStringLiteral("Herr|Jürgen|Müller|kurz|Bäckerei Müller|mueller@example.org"),
          QStringLiteral("Frau|Änne|Meier||Meier GmbH|meier@example.org"),
          QStringLiteral("Herr|Karl|Bauer|Besuch 1: Angebot Öffnung: Mo; Di; Mi; Do; Fr; Sa;|Bauer & Co. "
                         "KG|bauer@example.org"),
          QStringLiteral("Frau|Eva|Schulz|Kundin seit 2019|Schulz|schulz@example.org"),
          QStringLiteral("Herr|Ole|Lang|Monitor 24\" bestellt|Lang Werkzeuge|lang@example.org"),
          QStringLiteral("Frau|Ida|Kuhn||Kuhn & Partner Steuerberatung Haus B|kuhn@example.org"),
          QStringLiteral("Herr|Tom|Roth|Mo; Di; Mi; Do; Fr|Roth|roth@example.org"),
          QStringLiteral("Frau|Uta|Voss|letzte Zeile|Voss|voss@example.org")}},
        // "sep=;" after a byte order mark, quoted titles, empty columns at the end.
        {"sep-semicolon-bom.csv",
         mapped({{RecipientField::Anrede, 0}, {RecipientField::Name, 1}, {RecipientField::Email, 2}}),
         {QStringLiteral("Herr||Müller|||mueller@example.org"), QStringLiteral("Frau||Meier|||meier@example.org")}},
        {"cr-only.csv",
         mapped({{RecipientField::Name, 0}, {RecipientField::Email, 1}, {RecipientField::Ort, 2}}),
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

// Files as their bytes: encodings, a NUL, quoted line breaks as spreadsheet programs write them.
TEST(CsvFiles, BytesBecomeLines)
{
    const struct {
        const char* what;
        QByteArray bytes;
        const char16_t* lines;
        bool nul;
    } cases[] = {
        {"NUL in the middle", QByteArrayLiteral("Name;Email\r\nA;a@x\r\nB;b@\0x\r\nC;c@x\r\n"),
         u"1:Name;Email|2:A;a@x|3:B;b@\\0x|4:C;c@x", true},
        {"picture renamed", QByteArrayLiteral("\x89PNG\r\n\x1a\n\0\0\0\rIHDR"),
         u"1:\u2030PNG|2:\u001a|3:\\0\\0\\0|4:IHDR", true},
        {"UTF-16 LE with BOM",
         QByteArrayLiteral("\xFF\xFE"
                           "A\0;\0\x41\x01\r\0\n\0x\0;\0\xFC\0"),
         u"1:A;\u0141|2:x;\u00fc", false},
        {"UTF-16 BE with BOM",
         QByteArrayLiteral("\xFE\xFF"
                           "\0A\0;\x01\x41\0\r\0\n\0x\0;\0\xFC"),
         u"1:A;\u0141|2:x;\u00fc", false},
        {"UTF-16 without BOM", QByteArrayLiteral("A\0;\0B\0"), u"1:A\\0;\\0B\\0", true},
        {"quoted LF, LF line ends",
         QByteArrayLiteral("Name;Strasse;Email\n\"Meier\";\"Am Bach 3\n2. Stock\";m@x\nB;c;d\n"),
         u"1:Name;Strasse;Email|2:\"Meier\";\"Am Bach 3\n2. Stock\";m@x|4:B;c;d", false},
        {"quoted LF, CR LF line ends", QByteArrayLiteral("Name;Strasse\r\n\"Meier\";\"Am Bach\n3\"\r\nB;c\r\n"),
         u"1:Name;Strasse|2:\"Meier\";\"Am Bach\n3\"|4:B;c", false},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CsvLines lines = loadBytes(dir, c.bytes);
        EXPECT_EQ(shownLines(lines).toStdString(), QString::fromUtf16(c.lines).toStdString());
        EXPECT_EQ(lines.holdsNul(), c.nul);
    }
}

// A quote that opens a field and does not close on its line, and an inch mark further on that
// would close it.
QString strayQuoteFile(int linesBetween)
{
    QString text = QStringLiteral("Name;Artikel;Email;Telefon\r\nMeier;Kabel;meier@example.org;\"0171 1\r\n");
    for (int i = 0; i < linesBetween; ++i)
        text += QStringLiteral("Kunde%1;Kabel;k%1@example.org;0172 %1\r\n").arg(i);
    return text + QStringLiteral("Schulz;Monitore 27\";schulz@example.org;0173 1\r\n");
}

TEST(CsvRecords, AStrayQuoteSwallowsNoRecord)
{
    // Far off or near, the lines between the quotes hold addresses: each is a record.
    for (const int between : {500, 2}) {
        SCOPED_TRACE(between);
        const CsvLines lines(strayQuoteFile(between));
        EXPECT_EQ(brokenLines(lines), QList<int>{2});
        TFDBData records;
        QList<int> rejected;
        ASSERT_EQ(
            ReadImportRecords(lines, records,
                              mapped({{RecipientField::Name, 0}, {RecipientField::Email, 2}, {RecipientField::Tel, 3}}),
                              nullptr, rejected),
            CsvReadResult::Records);
        ASSERT_EQ(records.size(), between + 2);
        for (const TRecipientMailData& record : records) {
            EXPECT_TRUE(record.text(RecipientField::Email).endsWith(QStringLiteral("@example.org")))
                << record.text(RecipientField::Email).toStdString();
            EXPECT_TRUE(record.text(RecipientField::Tel).startsWith(QStringLiteral("017")));
        }
        EXPECT_EQ(records.first().text(RecipientField::Name), QStringLiteral("Meier"));
        EXPECT_EQ(records.last().text(RecipientField::Name), QStringLiteral("Schulz"));
    }
}

TEST(CsvFiles, HeaderWithBlanksAndTrailingEmptyColumnsIsListedWhole)
{
    const CsvLines lines = LoadCsvFile(fixture("spreadsheet-1252.csv"));
    QStringList titles;
    SplitCsvLine(lines.text(0), titles);
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
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QStringLiteral("Die Datei /nonexistent/Adressen.csv kann nicht geöffnet werden. Die Datei ist nicht "
                                 "vorhanden."));
    }
}

// The refusal names the file's size and the limit; a file at the limit is read.
TEST(CsvFiles, AFileOverTheSizeLimitIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Adressen.csv"));
    const struct {
        qint64 size;
        qint64 limit;
        QString refusal; // empty: read
    } cases[] = {
        {11, 10, QStringLiteral("ist 11 Bytes groß; importiert werden Dateien bis 10 Bytes.")},
        {3 * 512 * 1024, 1024 * 1024, QStringLiteral("ist 1,5 MB groß; importiert werden Dateien bis 1,0 MB.")},
        {2000000, 2000000, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        QByteArray bytes = "Name;Email\n" + QByteArray(c.size, 'x');
        bytes.truncate(c.size);
        try {
            const CsvLines lines = loadBytes(dir, bytes, c.limit);
            EXPECT_TRUE(c.refusal.isEmpty());
            EXPECT_EQ(lines.text(0), QStringLiteral("Name;Email"));
        } catch (const CsvFileError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("Die Datei ") + path + u' ' + c.refusal);
        }
    }
    // The limit of this machine lies above the file sizes a user imports, and within int.
    EXPECT_GE(CsvFileSizeLimit(), 32 * 1024 * 1024);
    EXPECT_LE(CsvFileSizeLimit(), qint64(1) << 30);
}

// What a UTF-16 file loses is flagged: an odd last byte, and an unpaired surrogate.
TEST(CsvFiles, Utf16ThatLosesAByteOrHoldsABrokenPairIsFlagged)
{
    const QByteArray valid = QByteArrayLiteral("\xFF\xFE"
                                               "N\0;\0E\0\n\0x\0;\0y\0");
    const struct {
        const char* what;
        QByteArray bytes;
        bool droppedLastByte;
        bool invalidUtf16;
    } cases[] = {
        {"valid", valid, false, false},
        {"an odd last byte", valid + "z", true, false},
        {"a lone high surrogate", valid + QByteArrayLiteral("\x00\xD8;\0"), false, true},
        {"a lone low surrogate, big-endian", QByteArrayLiteral("\xFE\xFF\0N\xDC\x00\0;"), false, true},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CsvLines lines = loadBytes(dir, c.bytes);
        EXPECT_EQ(lines.droppedLastByte, c.droppedLastByte);
        EXPECT_EQ(lines.invalidUtf16, c.invalidUtf16);
        EXPECT_EQ(lines.text(0).left(1), QStringLiteral("N"));
    }
}

TEST(CsvRecords, ValuesAreCutToCapacityAndTheSalutationDefaults)
{
    const CsvLines lines = linesFrom(QStringLiteral("PLZ;Land;Gruss;Name\n"
                                                    "12345678901234567890;Deutschland;;  \n"
                                                    "1;D;Hallo\n"));
    TFDBData records;
    QList<int> rejected;
    const FieldMapping mapping = mapped(
        {{RecipientField::PLZ, 0}, {RecipientField::Land, 1}, {RecipientField::BFormel, 2}, {RecipientField::Name, 3}});
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

TEST(CsvRecords, LineBreaksInValuesBecomeBlanksAndAddressesAreTrimmed)
{
    const QString address = QString(38, u'a') + QStringLiteral("@example.org"); // the field's 50
    const CsvLines lines = linesFrom(QStringLiteral("Name;Email;Ort\n"
                                                    "\"Meier\r\nMüller\";  meier@example.org \t;\"a\nb\r\rc\"\n"
                                                    "Lang; ") +
                                     address + QStringLiteral("  ;x\n"));
    TFDBData records;
    QList<int> rejected;
    ASSERT_EQ(
        ReadImportRecords(lines, records,
                          mapped({{RecipientField::Name, 0}, {RecipientField::Email, 1}, {RecipientField::Ort, 2}}),
                          nullptr, rejected),
        CsvReadResult::Records);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].text(RecipientField::Name), QStringLiteral("Meier Müller"));
    EXPECT_EQ(records[0].text(RecipientField::Email), QStringLiteral("meier@example.org"));
    EXPECT_EQ(records[0].text(RecipientField::Ort), QStringLiteral("a b  c"));
    EXPECT_EQ(records[1].text(RecipientField::Email), address);
    EXPECT_TRUE(rejected.isEmpty());
}

// Random texts of the characters that matter: cutting into lines loses and adds nothing, counts
// the lines right, and the records read from them are single-line.
TEST(CsvRobustness, RandomTextsKeepEveryCharacterAndLineNumber)
{
    const char16_t alphabet[] = u"\";\r\n a\"; ";
    std::mt19937 random(14);
    std::uniform_int_distribution<int> length(0, 60);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(alphabet)) - 2);
    const auto normalized = [](QString text) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
        return text;
    };
    for (int round = 0; round < 5000; ++round) {
        QString text;
        for (int i = length(random); i > 0; --i)
            text.append(QChar(alphabet[pick(random)]));
        const CsvLines lines(text);
        const QList<int> broken = brokenLines(lines);
        QStringList texts;
        int expectedNumber = 1;
        for (qsizetype index = 0; index < lines.size(); ++index) {
            const QString line = lines.text(index).toString();
            const int number = lines.number(index);
            texts.append(line);
            EXPECT_EQ(number, expectedNumber) << text.toStdString();
            const int breaks = static_cast<int>(normalized(line).count(u'\n'));
            EXPECT_FALSE(broken.contains(number) && breaks > 0);
            expectedNumber = number + breaks + 1;
        }
        QString source = normalized(text);
        if (source.endsWith(u'\n'))
            source.chop(1);
        ASSERT_EQ(normalized(texts.join(u'\n')).toStdString(), source.toStdString());

        TFDBData records;
        QList<int> rejected;
        FieldMapping all = UnmappedFields();
        for (int field = 0; field < kRecipientFieldCount; ++field)
            all[static_cast<size_t>(field)] = field % 4;
        const CsvReadResult result = ReadImportRecords(lines, records, all, nullptr, rejected);
        EXPECT_NE(result, CsvReadResult::Failed);
        for (const TRecipientMailData& record : records) {
            for (int field = 0; field < kRecipientFieldCount; ++field)
                EXPECT_FALSE(record.text(field).contains(u'\n') || record.text(field).contains(u'\r'));
        }
    }
}
