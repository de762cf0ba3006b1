#include "addressbook/RecipientImport.h"

#include "ScreenTestSupport.h"
#include "addressbook/EmpfF.h"
#include "addressbook/ImpCheckForm.h"
#include "addressbook/ImpForm.h"
#include "platform/BusyGuard.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTreeView>
#include <QTreeWidget>

namespace {

const QString kRowsOfSender1 = QStringLiteral("SELECT Name,Email,Status,Send,BFormel FROM Adressen "
                                              "WHERE AbsenderID = 1 ORDER BY ID");
const QString kRowsOfSender2 = QStringLiteral("SELECT ID,Name FROM Adressen WHERE AbsenderID = 2 ORDER BY ID");

class RecipientImport : public ScreenFixture {
public:
    RecipientImport()
    {
        csv = db.env.root() + QStringLiteral("/neu.csv");
        QFile file(csv);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Name;E-Mail;Gruss\r\nNeu;neu@example.org;Hallo\r\nOhne;;\r\nNeu;neu@example.org;Hallo\r\n");
        file.close();
        frame = std::make_unique<TEmpfFrame>(*dm, nullptr, script.runner());
        frame->FCB1Change();
        frame->show();
        for (int i = 0; i < frame->SenderChoices().size(); ++i) {
            if (frame->SenderChoices().at(i).ID == 1)
                frame->FCB1->setCurrentIndex(i);
        }
        oldRowsOf1 = db.rows(kRowsOfSender1);
        rowsOf2 = db.rows(kRowsOfSender2);
    }

    // Writes bytes as the file name in the test's folder; returns its path.
    QString writeCsv(const QString& name, const QByteArray& bytes)
    {
        const QString path = db.env.root() + u'/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    // The user picks the file, maps name, address and salutation as far as the file lists them,
    // and starts the read.
    void readTheFile(const QString& path = {})
    {
        script.then<TImpForm>([this, path](TImpForm& form) {
            form.openFile(path.isEmpty() ? csv : path);
            const std::pair<const char*, const char*> pairs[] = {
                {"Name", "Name"}, {"E-Mail", "Email"}, {"Gruss", "Begrüßungsformel"}};
            for (const auto& [column, field] : pairs) {
                const QList<QTreeWidgetItem*> columns =
                    form.LV1->findItems(QString::fromUtf8(column), Qt::MatchExactly);
                if (columns.isEmpty())
                    continue;
                form.LV1->setCurrentItem(columns.first());
                form.LV2->setCurrentItem(form.LV2->findItems(QString::fromUtf8(field), Qt::MatchExactly).first());
                form.updateCommands();
                form.Zuordng->trigger();
            }
            form.updateCommands();
            form.ImpStart->trigger();
        });
    }

    // In the preview the rows in untick are unticked, then "Importieren" is answered with answer.
    void check(QList<int> untick, MsgAnswer answer)
    {
        script.then<TImpCheckForm>([this, untick, answer](TImpCheckForm& form) {
            QAbstractItemModel* rows = form.LV1->model();
            for (int row : untick)
                rows->setData(rows->index(row, 0), Qt::Unchecked, Qt::CheckStateRole);
            boxes.answerNext(answer);
            form.updateCommands();
            form.ImpCheckOK->trigger();
        });
    }

    QString csv;
    QString oldRowsOf1;
    QString rowsOf2;
    DialogScript script;
    std::unique_ptr<TEmpfFrame> frame;
};

} // namespace

TEST_F(RecipientImport, ReplacesTheSendersRecipientsByTheTickedRecords)
{
    readTheFile();
    check({2}, MsgAnswer::Yes);
    frame->EmpfFImp->trigger();
    EXPECT_EQ(script.shown, 2);
    // Only the overwrite question was asked.
    EXPECT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'\n').toStdString();
    EXPECT_EQ(db.rows(kRowsOfSender1).toStdString(), "Neu,neu@example.org,0,True,Hallo|Ohne,,0,True,Sehr geehrte(r)");
    EXPECT_EQ(db.rows(kRowsOfSender2), rowsOf2);
    // The list shows the new rows by name, and the count is current.
    EXPECT_EQ(gridRows(*frame->RxDBGrid1).count(u'|'), 1);
    EXPECT_EQ(frame->Label6->text(), QStringLiteral("2 Empfänger für ausgewählten Absender"));
    EXPECT_FALSE(dm->EmpfQuery.controlsDisabled());
}

TEST_F(RecipientImport, UntickingEveryRowEmptiesTheSender)
{
    readTheFile();
    check({0, 1, 2}, MsgAnswer::Yes);
    frame->EmpfFImp->trigger();
    EXPECT_EQ(db.rows(kRowsOfSender1), QString());
    EXPECT_EQ(db.rows(kRowsOfSender2), rowsOf2);
    EXPECT_EQ(frame->Label6->text(), QStringLiteral("Keine Empfänger für ausgewählten Absender"));
}

TEST_F(RecipientImport, CancellingOrAnsweringNoLeavesTheTableUntouched)
{
    // Cancel in the first dialog; Abbrechen in the preview; No and then Abbrechen.
    frame->EmpfFImp->trigger();
    readTheFile();
    frame->EmpfFImp->trigger();
    readTheFile();
    check({}, MsgAnswer::No);
    frame->EmpfFImp->trigger();
    EXPECT_EQ(script.shown, 5);
    EXPECT_EQ(db.rows(kRowsOfSender1), oldRowsOf1);
}

TEST_F(RecipientImport, AFailedWriteKeepsTheOldRowsWhole)
{
    failOn("INSERT", "Adressen");
    readTheFile();
    check({}, MsgAnswer::Yes);
    frame->EmpfFImp->trigger();
    ASSERT_EQ(boxes.texts().size(), 2); // the question, then the failure
    EXPECT_TRUE(boxes.texts().last().startsWith(QStringLiteral("#752 "))) << boxes.texts().last().toStdString();
    EXPECT_TRUE(boxes.texts().last().contains(QStringLiteral("injected")));
    EXPECT_EQ(db.rows(kRowsOfSender1), oldRowsOf1);
    EXPECT_EQ(frame->Label6->text(), QStringLiteral("3 Empfänger für ausgewählten Absender"));
    EXPECT_FALSE(dm->EmpfQuery.controlsDisabled());
}

TEST_F(RecipientImport, AFileWithANulIsRefusedAndTheOldRowsStay)
{
    QByteArray bytes = "Name;E-Mail;Gruss\r\n";
    for (int i = 1; i <= 10; ++i) {
        bytes += "Neu" + QByteArray::number(i) + ";neu" + QByteArray::number(i) + "@example.org;Hallo\r\n";
        if (i == 5)
            bytes.insert(bytes.size() - 8, '\0');
    }
    const QString path = writeCsv(QStringLiteral("nul.csv"), bytes);

    readTheFile(path);
    check({}, MsgAnswer::Yes);
    frame->EmpfFImp->trigger();
    EXPECT_EQ(script.shown, 1);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("hat entweder nicht das richtige Datenformat")))
        << boxes.texts().first().toStdString();
    EXPECT_EQ(db.rows(kRowsOfSender1).toStdString(), oldRowsOf1.toStdString());
    EXPECT_EQ(db.rows(kRowsOfSender2), rowsOf2);
}

// UTF-16 that loses a character: an unpaired surrogate is refused and the sender's rows stay; an
// odd last byte is warned about and everything before it imported.
TEST_F(RecipientImport, Utf16ThatLosesCharactersIsRefusedOrWarnedAbout)
{
    const auto utf16 = [](const QString& text) {
        QByteArray bytes = QByteArrayLiteral("\xFF\xFE");
        for (const QChar c : text)
            bytes += QByteArray(1, char(c.unicode() & 0xFF)) + QByteArray(1, char(c.unicode() >> 8));
        return bytes;
    };
    const QString content = QStringLiteral("Name;E-Mail;Gruss\r\nNeu;neu@example.org;Hallo\r\n");
    const struct {
        const char* what;
        QByteArray bytes;
        QString box;
        MsgIcon icon;
        bool written;
    } cases[] = {
        {"an unpaired surrogate", utf16(content + QChar(0xD800) + QStringLiteral("x;y@example.org\r\n")),
         QStringLiteral("hat entweder nicht das richtige Datenformat, enthält nicht das richtige Trennzeichen oder "
                        "\r\ndie Spaltentitel wurden nicht in der ersten Zeile gesetzt!"),
         MsgIcon::Error, false},
        {"an odd last byte", utf16(content) + "x",
         QStringLiteral("ist als UTF-16 gespeichert, hat aber eine ungerade Anzahl Bytes: Ihr letztes Byte ist kein "
                        "ganzes Zeichen und wurde nicht gelesen."),
         MsgIcon::Warning, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        const QString path = writeCsv(QStringLiteral("utf16.csv"), c.bytes);

        const QString before = db.rows(kRowsOfSender1);
        readTheFile(path);
        if (c.written)
            check({}, MsgAnswer::Yes);
        frame->EmpfFImp->trigger();
        ASSERT_FALSE(boxes.boxes().isEmpty());
        EXPECT_EQ(boxes.texts().first(),
                  QStringLiteral("Die ausgewählte Datei \r\n\r\n") + path + QStringLiteral("\r\n\r\n") + c.box);
        EXPECT_EQ(boxes.boxes().first().icon, c.icon);
        EXPECT_EQ(db.rows(kRowsOfSender1).toStdString(),
                  c.written ? "Neu,neu@example.org,0,True,Hallo" : before.toStdString());
        EXPECT_EQ(db.rows(kRowsOfSender2), rowsOf2);
    }
}

// A file that is not ";"-separated is refused with its box before anything is written; "sep=;"
// is read. Spreadsheet exports as they are written.
TEST_F(RecipientImport, AFileWithAnotherSeparatorLeavesTheOldRows)
{
    const struct {
        const char* what;
        QByteArray bytes;
        const char* box; // the box's end; empty: written
        std::string rows;
    } cases[] = {
        {"tab-separated, all text quoted",
         "\"Anrede\"\t\"Name\"\t\"E-Mail\"\n\"Herr\"\t\"Neu\"\t\"neu@example.org\"\n\"Frau\"\t\"Alt\"\t\"alt@example."
         "org\"\n",
         "durch Tabulatoren. Importiert werden Dateien, deren Felder durch Semikolons (\u201e;\u201c) getrennt sind.",
         {}},
        {"comma-separated",
         "Name,E-Mail,Gruss\r\nNeu,neu@example.org,Hallo\r\n",
         "durch Kommas. Importiert werden Dateien, deren Felder durch Semikolons (\u201e;\u201c) getrennt sind.",
         {}},
        {"sep=,",
         "sep=,\r\nName,E-Mail,Gruss\r\nNeu,neu@example.org,Hallo\r\n",
         "durch Kommas. Importiert werden Dateien, deren Felder durch Semikolons (\u201e;\u201c) getrennt sind.",
         {}},
        {"sep=;", "sep=;\r\nName;E-Mail;Gruss\r\nNeu;neu@example.org;Hallo\r\n", "",
         "Neu,neu@example.org,0,True,Hallo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        const QString before = db.rows(kRowsOfSender1);
        const QString path = writeCsv(QStringLiteral("export.csv"), c.bytes);
        const QString box = QString::fromUtf8(c.box);
        readTheFile(path);
        if (box.isEmpty())
            check({}, MsgAnswer::Yes);
        frame->EmpfFImp->trigger();
        if (box.isEmpty()) {
            EXPECT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'\n').toStdString(); // the question
            EXPECT_EQ(db.rows(kRowsOfSender1).toStdString(), c.rows);
        } else {
            ASSERT_FALSE(boxes.texts().isEmpty());
            EXPECT_TRUE(boxes.texts().first().endsWith(box)) << boxes.texts().first().toStdString();
            EXPECT_EQ(db.rows(kRowsOfSender1).toStdString(), before.toStdString());
        }
        EXPECT_EQ(db.rows(kRowsOfSender2), rowsOf2);
    }
}

// A stray quote and a long note in one file: every recipient is written, and the preview names
// both records before the question is asked.
TEST_F(RecipientImport, ThePreviewNamesTheRecordsAroundQuotesBeforeTheWrite)
{
    QByteArray bytes = "Name;E-Mail;Gruss\r\nErst;erst@example.org;\"Hallo\r\n";
    for (int i = 1; i <= 4; ++i)
        bytes += "Kunde" + QByteArray::number(i) + ";k" + QByteArray::number(i) + "@example.org;Hallo\r\n";
    bytes += "Zoll;zoll@example.org;24\"\r\nNotiz;notiz@example.org;\"Mo; Di; Mi\nDo; Fr; Sa\nSo\"\r\n";
    const QString path = writeCsv(QStringLiteral("notiz.csv"), bytes);
    QString shownNotes;
    QList<bool> tinted;
    readTheFile(path);
    script.then<TImpCheckForm>([&](TImpCheckForm& form) {
        shownNotes = form.NoteLabel->text();
        for (int row = 0; row < form.LV1->model()->rowCount(); ++row)
            tinted.append(form.LV1->model()->index(row, 1).data(Qt::BackgroundRole).isValid());
        boxes.answerNext(MsgAnswer::Yes);
        form.updateCommands();
        form.ImpCheckOK->trigger();
    });
    frame->EmpfFImp->trigger();
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Name FROM Adressen WHERE AbsenderID = 1 ORDER BY ID")),
              QStringLiteral("Erst|Kunde1|Kunde2|Kunde3|Kunde4|Zoll|Notiz"));
    EXPECT_EQ(shownNotes.toStdString(),
              QStringLiteral("Bitte prüfen Sie die markierten Datensätze, bevor Sie importieren:\r\n"
                             "Datensatz 1 (Zeile 2): Das Anführungszeichen wird erst in Zeile 7 geschlossen; in den "
                             "Zeilen 3, 4, 5, 6, 7 stehen E-Mail-Adressen; die Zeilen 2 bis 7 wurden jeweils für "
                             "sich gelesen.\r\n"
                             "Datensatz 7 (Zeilen 8 bis 10): Ein Wert in Anführungszeichen reicht über mehrere "
                             "Zeilen; sie wurden als ein Datensatz gelesen.")
                  .toStdString());
    EXPECT_EQ(tinted, (QList<bool>{true, false, false, false, false, false, true}));
}

TEST_F(RecipientImport, WithoutAChosenSenderOrWhileBusyNothingOpens)
{
    frame->FCB1->setCurrentIndex(-1);
    frame->EmpfFImpExecute();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Warning);
    EXPECT_TRUE(
        boxes.texts().first().startsWith(QStringLiteral("Die Absenderdaten konnten nicht ermittelt werden!\r\n")));
    EXPECT_TRUE(
        boxes.texts().first().endsWith(QStringLiteral("\"Bearbeiten / Absenderdaten\" einen neuen Absender hinzu.")));

    frame->FCB1->setCurrentIndex(0);
    boxes.clear();
    {
        BusyGuard backup(QStringLiteral("Datensicherung"));
        frame->EmpfFImpExecute();
    }
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Der Vorgang \"Datensicherung\" läuft noch.\r\n"
                                                        "Bitte warten Sie, bis er abgeschlossen ist.")});
    EXPECT_EQ(script.shown, 0);
}
