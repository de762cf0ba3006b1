#include "addressbook/ImpCheckForm.h"
#include "addressbook/ImpForm.h"
#include "desktop/MessageBoxes.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QString captions(const QTreeWidget* list)
{
    QStringList shown;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        shown.append(list->topLevelItem(row)->text(0));
    return shown.join(u'|');
}

void select(QTreeWidget* list, const QString& caption)
{
    const QList<QTreeWidgetItem*> found = list->findItems(caption, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << caption.toStdString();
    list->setCurrentItem(found.first());
}

class ImportDialog : public ::testing::Test {
public:
    ImportDialog()
    {
        env.writeStandardRegistry();
        form.show();
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = env.root() + u'/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // Maps a column onto a field as the user does it: select both, then "Zuordnen".
    void map(const QString& column, const QString& field)
    {
        select(form.LV1, column);
        select(form.LV2, field);
        form.updateCommands();
        ASSERT_TRUE(form.Zuordng->isEnabled());
        form.Zuordng->trigger();
    }

    void start()
    {
        form.updateCommands();
        ASSERT_TRUE(form.ImpStart->isEnabled());
        form.ImpStart->trigger();
    }

    TestEnvironment env;
    MessageBoxRecorder boxes;
    TFDBData records;
    QString chosen;
    TImpForm form{records, QStringLiteral("Zeitung Nord"), [this](QWidget*, const QString&) { return chosen; }};
};

const QString kAllFields = QStringLiteral("Adresszusatz|Anrede|Begrüßungsformel|Email|Fax|Firma|Firmenzusatz|Land|"
                                          "Name|Ort|PLZ|Strasse|Telefon|Titel|Vorname");

// The texts of one column of a view, row by row, joined by "|".
QString shownColumn(const QAbstractItemView* view, int column)
{
    QStringList shown;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        shown.append(view->model()->index(row, column).data().toString());
    return shown.join(u'|');
}

} // namespace

TEST_F(ImportDialog, OpensWithoutFileAndAllFieldsSortedAndNothingToStart)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Import  -  Dateiauswahl und Feldzuordnung"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("Zeitung Nord"));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Keine Datei gewählt!"));
    EXPECT_EQ(captions(form.LV2), kAllFields);
    form.updateCommands();
    EXPECT_FALSE(form.Zuordng->isEnabled());
    EXPECT_FALSE(form.DelZuordng->isEnabled());
    EXPECT_FALSE(form.ImpStart->isEnabled());
}

TEST_F(ImportDialog, MappingMovesBothSidesAndUndoRestoresThemExactly)
{
    chosen = writeFile(QStringLiteral("a.CSV"), "Zuname;E-Mail;Alt --> Neu\r\nx;y;z\r\n");
    form.FlatSpeedButton3Click();
    EXPECT_EQ(captions(form.LV1), QStringLiteral("Alt --> Neu|E-Mail|Zuname"));
    EXPECT_TRUE(boxes.boxes().isEmpty());

    map(QStringLiteral("Alt --> Neu"), QStringLiteral("Ort"));
    map(QStringLiteral("E-Mail"), QStringLiteral("Email"));
    EXPECT_EQ(captions(form.LV1), QStringLiteral("Zuname"));
    EXPECT_FALSE(captions(form.LV2).contains(QStringLiteral("|Ort|")));
    EXPECT_EQ(captions(form.LV3), QStringLiteral("Alt --> Neu --> Ort|E-Mail --> Email"));
    form.updateCommands();
    EXPECT_TRUE(form.ImpStart->isEnabled());

    // A title holding the arrow itself comes back whole.
    select(form.LV3, QStringLiteral("Alt --> Neu --> Ort"));
    form.updateCommands();
    ASSERT_TRUE(form.DelZuordng->isEnabled());
    form.DelZuordng->trigger();
    EXPECT_EQ(captions(form.LV1), QStringLiteral("Alt --> Neu|Zuname"));
    EXPECT_TRUE(captions(form.LV2).contains(QStringLiteral("|Ort|")));

    // The last column mapped leaves nothing to map.
    map(QStringLiteral("Zuname"), QStringLiteral("Name"));
    map(QStringLiteral("Alt --> Neu"), QStringLiteral("Ort"));
    EXPECT_EQ(form.LV1->topLevelItemCount(), 0);
    form.updateCommands();
    EXPECT_FALSE(form.Zuordng->isEnabled());
}

TEST_F(ImportDialog, ChoosingAnotherFileStartsOverAndCancellingKeepsEverything)
{
    chosen = writeFile(QStringLiteral("a.csv"), "Name;Email\nx;y\n");
    form.FlatSpeedButton3Click();
    map(QStringLiteral("Email"), QStringLiteral("Email"));

    chosen.clear();
    form.FlatSpeedButton3Click();
    EXPECT_EQ(captions(form.LV3), QStringLiteral("Email --> Email"));

    chosen = writeFile(QStringLiteral("b.csv"), "Ort;Mail\n");
    form.FlatSpeedButton3Click();
    EXPECT_EQ(captions(form.LV1), QStringLiteral("Mail|Ort"));
    EXPECT_EQ(captions(form.LV2), kAllFields);
    EXPECT_EQ(form.LV3->topLevelItemCount(), 0);
}

TEST_F(ImportDialog, HeaderFailuresShowTheirBoxAndResetTheLabel)
{
    const QString unreadable = env.root() + QStringLiteral("/fehlt.csv");
    const QString wrongFormat =
        QStringLiteral("hat entweder nicht das richtige Datenformat, enthält nicht das richtige Trennzeichen oder "
                       "\r\ndie Spaltentitel wurden nicht in der ersten Zeile gesetzt!");
    const struct {
        QString path;
        QString box;
    } cases[] = {
        {writeFile(QStringLiteral("leer.csv"), ""), QStringLiteral("enthält keine Daten!")},
        {writeFile(QStringLiteral("erste.csv"), "\r\nName;Email\r\nx;y\r\n"), wrongFormat},
        // Binary files, and text with a NUL anywhere.
        {writeFile(QStringLiteral("nul.csv"), QByteArrayLiteral("\0Name;Email\n")), wrongFormat},
        {writeFile(QStringLiteral("mitte.csv"), QByteArrayLiteral("Name;Email\nA;a@x\nB;b\0@x\nC;c@x\n")), wrongFormat},
        {writeFile(QStringLiteral("bild.csv"), QByteArrayLiteral("\x89PNG\r\n\x1a\n\0\0\0\rIHDR")), wrongFormat},
        {writeFile(QStringLiteral("breit.csv"), QByteArray(kMaxCsvColumns, ';') + "\nx\n"), wrongFormat},
    };
    for (const auto& c : cases) {
        boxes.clear();
        form.openFile(c.path);
        ASSERT_EQ(boxes.boxes().size(), 1);
        EXPECT_EQ(boxes.boxes().first().text,
                  QStringLiteral("Die ausgewählte Datei \r\n\r\n") + c.path + QStringLiteral("\r\n\r\n") + c.box);
        EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);
        EXPECT_EQ(form.Label1->text(), QStringLiteral("Keine Datei gewählt!"));
        EXPECT_EQ(form.LV1->topLevelItemCount(), 0);
    }
    boxes.clear();
    form.openFile(unreadable);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("#433 ")));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Keine Datei gewählt!"));

    // Another extension is not read and not reported.
    boxes.clear();
    form.openFile(writeFile(QStringLiteral("daten.txt"), "Name;Email\n"));
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_EQ(form.LV1->topLevelItemCount(), 0);
    EXPECT_NE(form.Label1->text(), QStringLiteral("Keine Datei gewählt!"));
}

// A file that is not ";"-separated says so and lists no column; "sep=;" declares the separator
// read, and its titles follow.
TEST_F(ImportDialog, AFileWithAnotherSeparatorSaysSo)
{
    const QString tabs = QStringLiteral("trennt die Felder offenbar durch Tabulatoren. Importiert werden Dateien, "
                                        "deren Felder durch Semikolons (\u201e;\u201c) getrennt sind.");
    const QString commas = QStringLiteral("trennt die Felder offenbar durch Kommas. Importiert werden Dateien, deren "
                                          "Felder durch Semikolons (\u201e;\u201c) getrennt sind.");
    const struct {
        const char* name;
        QByteArray bytes;
        QString box;    // empty: read
        QString titles; // sorted
    } cases[] = {
        {"tabs.csv", "\"Anrede\"\t\"Name\"\t\"E-Mail\"\n\"Herr\"\t\"Meier\"\t\"m@example.org\"\n", tabs, {}},
        {"kommas.csv", "Anrede,Name,E-Mail\r\nHerr,Meier,m@example.org\r\n", commas, {}},
        {"sep-komma.csv", "sep=,\r\nAnrede,Name,E-Mail\r\nHerr,Meier,m@example.org\r\n", commas, {}},
        {"sep-strich.csv",
         "sep=|\r\nAnrede|Name\r\n",
         QStringLiteral("trennt die Felder offenbar durch das Zeichen \u201e|\u201c. Importiert werden Dateien, deren "
                        "Felder durch Semikolons (\u201e;\u201c) getrennt sind."),
         {}},
        {"sep-semikolon.csv",
         "sep=;\r\nAnrede;Name;E-Mail\r\nHerr;Meier;m@example.org\r\n",
         {},
         QStringLiteral("Anrede|E-Mail|Name")},
        {"bom-sep.csv", "\xEF\xBB\xBFsep=;\nAnrede;\"E-Mail\";;\n", {}, QStringLiteral("||Anrede|E-Mail")},
        {"eine-spalte.csv", "E-Mail\nm@example.org\n", {}, QStringLiteral("E-Mail")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        const QString path = writeFile(QString::fromUtf8(c.name), c.bytes);
        form.openFile(path);
        if (c.box.isEmpty()) {
            EXPECT_TRUE(boxes.boxes().isEmpty()) << boxes.texts().join(u'\n').toStdString();
            EXPECT_EQ(captions(form.LV1), c.titles);
            continue;
        }
        ASSERT_EQ(boxes.boxes().size(), 1);
        EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);
        const QString expected =
            QStringLiteral("Die ausgewählte Datei \r\n\r\n") + path + QStringLiteral("\r\n\r\n") + c.box;
        EXPECT_EQ(boxes.texts().first().toStdString(), expected.toStdString());
        EXPECT_EQ(form.LV1->topLevelItemCount(), 0);
        EXPECT_EQ(form.Label1->text(), QStringLiteral("Keine Datei gewählt!"));
        form.updateCommands();
        EXPECT_FALSE(form.ImpStart->isEnabled());
    }
}

TEST_F(ImportDialog, ListsTheTitlesOfUtf16FilesAndOf255Columns)
{
    // "Name;Łódź"
    const QByteArray utf16le = QByteArrayLiteral("\xFF\xFE"
                                                 "N\0a\0m\0e\0;\0"
                                                 "\x41\x01"
                                                 "\xF3\0"
                                                 "d\0"
                                                 "\x7A\x01"
                                                 "\n\0");
    form.openFile(writeFile(QStringLiteral("unicode.csv"), utf16le));
    EXPECT_EQ(form.LV1->topLevelItemCount(), 2) << boxes.texts().join(u'\n').toStdString();
    EXPECT_EQ(form.LV1->findItems(QStringLiteral("\u0141\u00f3d\u017a"), Qt::MatchExactly).size(), 1);

    form.openFile(writeFile(QStringLiteral("breit.csv"), QByteArray(kMaxCsvColumns - 1, ';') + "\nx\n"));
    EXPECT_EQ(form.LV1->topLevelItemCount(), kMaxCsvColumns);
    EXPECT_TRUE(boxes.boxes().isEmpty()) << boxes.texts().join(u'\n').toStdString();
}

// What happened around the quote is told by the preview, before anything is written; the read
// itself shows no box.
TEST_F(ImportDialog, AQuoteLeftOpenIsNotedForThePreviewWithItsLines)
{
    form.openFile(writeFile(QStringLiteral("zoll.csv"), "Name;Email\n\"Meier;meier@x.org\nSchulz;s@x.org\n"
                                                        "Monitor 27\";m@x.org;mehr;felder\n"));
    map(QStringLiteral("Email"), QStringLiteral("Email"));
    start();
    EXPECT_TRUE(form.Accepted);
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0].text(RecipientField::Email), QStringLiteral("meier@x.org"));
    EXPECT_EQ(records[2].text(RecipientField::Email), QStringLiteral("m@x.org"));
    EXPECT_TRUE(boxes.boxes().isEmpty()) << boxes.texts().join(u'\n').toStdString();
    EXPECT_EQ(form.Notes().text.toStdString(),
              QStringLiteral("Bitte prüfen Sie die markierten Datensätze, bevor Sie importieren:\r\nDatensatz 1 "
                             "(Zeile 2): Das Anführungszeichen wird erst in Zeile 4 geschlossen; in den Zeilen 2, 3 "
                             "stehen E-Mail-Adressen; die Zeilen 2 bis 4 wurden jeweils für sich gelesen.")
                  .toStdString());
    EXPECT_EQ(form.Notes().records, QList<qsizetype>{0});
}

TEST_F(ImportDialog, AFileTooLargeForThisMachineIsRefusedBeforeItIsRead)
{
    // Sparse: the file takes no room on the disk, and reading it would take more than a gigabyte.
    const QString path = writeFile(QStringLiteral("gross.csv"), "Name;Email\n");
    ASSERT_TRUE(QFile::resize(path, CsvFileSizeLimit() + 1));
    form.openFile(path);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);
    const QString text = boxes.texts().first();
    EXPECT_TRUE(text.startsWith(QStringLiteral("#433 Die Datei ") + path + QStringLiteral(" ist ")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(" MB groß; importiert werden Dateien bis "))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral(" MB."))) << text.toStdString();
    EXPECT_EQ(form.LV1->topLevelItemCount(), 0);
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Keine Datei gewählt!"));
}

TEST_F(ImportDialog, AUtf16FileOfAnOddLengthIsReadWithAWarning)
{
    // "Name;Email" and "Meier;m@x.org" in UTF-16 LE, then a last byte that makes no character.
    QByteArray bytes = QByteArrayLiteral("\xFF\xFE");
    for (const char c : QByteArray("Name;Email\r\nMeier;m@x.org\r\n"))
        bytes += QByteArray(1, c) + QByteArray(1, '\0');
    const QString path = writeFile(QStringLiteral("unicode.csv"), bytes + "\r");
    form.openFile(path);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Warning);
    EXPECT_EQ(boxes.texts().first(),
              QStringLiteral("Die ausgewählte Datei \r\n\r\n") + path +
                  QStringLiteral("\r\n\r\nist als UTF-16 gespeichert, hat aber eine ungerade Anzahl Bytes: Ihr letztes "
                                 "Byte ist kein ganzes Zeichen und wurde nicht gelesen."));
    map(QStringLiteral("Email"), QStringLiteral("Email"));
    map(QStringLiteral("Name"), QStringLiteral("Name"));
    start();
    EXPECT_TRUE(form.Accepted);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].text(RecipientField::Name), QStringLiteral("Meier"));
    EXPECT_EQ(records[0].text(RecipientField::Email), QStringLiteral("m@x.org"));
}

TEST_F(ImportDialog, AReadWithoutRecordsKeepsTheDialogOpenAndTheMappings)
{
    form.openFile(writeFile(QStringLiteral("titel.csv"), "Name;Email\n;\n"));
    map(QStringLiteral("Email"), QStringLiteral("Email"));
    start();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Die Datei enthält keine Daten!")});
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Warning);
    EXPECT_FALSE(form.Accepted);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(captions(form.LV3), QStringLiteral("Email --> Email"));
    EXPECT_EQ(form.ProgressWindow(), nullptr);
}

TEST_F(ImportDialog, AnEmailOnlyMappingReadsRecordsAndCloses)
{
    form.openFile(writeFile(QStringLiteral("mail.csv"),
                            "Name;Email\nA;a@example.org\nB;" + QByteArray(60, 'b') + "@example.org\n"));
    map(QStringLiteral("Email"), QStringLiteral("Email"));
    // A second start must not add the records again.
    records.append(TRecipientMailData());
    start();
    EXPECT_TRUE(form.Accepted);
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].text(RecipientField::Email), QStringLiteral("a@example.org"));
    EXPECT_EQ(records[0].text(RecipientField::Name), QString());
    EXPECT_EQ(records[0].text(RecipientField::BFormel), QStringLiteral("Sehr geehrte(r)"));
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Warning);
    EXPECT_TRUE(boxes.texts().first().endsWith(QStringLiteral("Zeile 3")));
}

TEST_F(ImportDialog, TheFileDialogStartsInTheImportFolderThatExists)
{
    const QString configured = env.root() + QStringLiteral("/eigene");
    const QString besideProgram = env.homeFolder() + QStringLiteral("/Import");
    EXPECT_EQ(TImpForm::startFolder(), env.homeFolder());
    ASSERT_TRUE(QDir().mkpath(besideProgram));
    EXPECT_EQ(TImpForm::startFolder(), besideProgram);
    env.writeStandardRegistry(QStringLiteral("\"ImportPath\"=\"%1\"\n").arg(configured));
    EXPECT_EQ(TImpForm::startFolder(), besideProgram);
    ASSERT_TRUE(QDir().mkpath(configured));
    EXPECT_EQ(TImpForm::startFolder(), configured);
}

TEST(ImportCheck, RowsInFileOrderAndUntickedRowsLeaveTheWrite)
{
    MessageBoxRecorder boxes;
    TFDBData records(3);
    const char16_t* firms[] = {u"Zeta", u"Alpha", u"Mitte"};
    for (int i = 0; i < 3; ++i) {
        records[i].setText(RecipientField::Firma, QString::fromUtf16(firms[i]));
        records[i].setText(RecipientField::Email, QStringLiteral("r%1@example.org").arg(i));
        records[i].Selected = true;
    }
    TImpCheckForm check;
    check.show();
    check.FillRows(records);
    QAbstractItemModel* rows = check.LV1->model();
    ASSERT_EQ(rows->rowCount(), 3);
    EXPECT_EQ(rows->headerData(11, Qt::Horizontal), QStringLiteral("Email"));
    EXPECT_EQ(shownColumn(check.LV1, 0), QStringLiteral("Zeta|Alpha|Mitte"));
    EXPECT_EQ(rows->index(1, 11).data(), QStringLiteral("r1@example.org"));
    EXPECT_EQ(rows->index(1, 0).data(Qt::CheckStateRole), Qt::Checked);
    EXPECT_FALSE(check.NoteLabel->isVisible());
    ASSERT_TRUE(rows->setData(rows->index(1, 0), Qt::Unchecked, Qt::CheckStateRole));

    // "No" keeps the dialog open; "Yes" confirms.
    boxes.answerNext(MsgAnswer::No);
    check.updateCommands();
    ASSERT_TRUE(check.ImpCheckOK->isEnabled());
    check.ImpCheckOK->trigger();
    EXPECT_FALSE(check.Confirmed);
    EXPECT_TRUE(check.isVisible());
    boxes.answerNext(MsgAnswer::Yes);
    check.ImpCheckOK->trigger();
    EXPECT_TRUE(check.Confirmed);
    EXPECT_EQ(boxes.boxes().last().text,
              QStringLiteral("ACHTUNG!\r\n\r\nBeim Importieren werden alle bereits vorhandenen Empfänger der "
                             "Absenderfirma überschrieben!\r\nImport fortsetzen?"));
    EXPECT_EQ(boxes.boxes().last().buttons, MsgButtons::YesNo);

    check.ApplyUnchecked(records);
    EXPECT_TRUE(records[0].Selected);
    EXPECT_FALSE(records[1].Selected);
    EXPECT_TRUE(records[2].Selected);
}

// The notes stand above the list, and the rows of their records are tinted, the others not.
TEST(ImportCheck, NotesShowAboveTheListAndTintTheirRows)
{
    TFDBData records(3);
    TImpCheckForm check;
    check.show();
    check.FillRows(records);
    const ImportNotes notes{QStringLiteral("Bitte prüfen Sie ..."), {0, 2, 7}};
    check.ShowNotes(notes);
    EXPECT_TRUE(check.NoteLabel->isVisible());
    EXPECT_EQ(check.NoteLabel->text(), notes.text);
    QAbstractItemModel* rows = check.LV1->model();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < rows->columnCount(); column += 7)
            EXPECT_EQ(rows->index(row, column).data(Qt::BackgroundRole).isValid(), row != 1) << row << ':' << column;
    }
}
