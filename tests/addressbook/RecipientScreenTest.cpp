#include "ScreenTestSupport.h"
#include "addressbook/EMFForm.h"
#include "addressbook/EmpfF.h"
#include "controls/TKubDBText.h"
#include "platform/BusyGuard.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

const QString kCountSuffix = QStringLiteral(" Empfänger für ausgewählten Absender");
const QString kNoRecipients = QStringLiteral("Keine Empfänger für ausgewählten Absender");

// Types text as key presses, umlauts included.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

class RecipientScreen : public ScreenFixture {
public:
    explicit RecipientScreen(bool withFixture = true) : ScreenFixture(withFixture) {}

    // As the main window does it: create, then FCB1Change once.
    TEmpfFrame& open()
    {
        gridTester.reset();
        frame.reset();
        frame = std::make_unique<TEmpfFrame>(*dm, nullptr, script.runner());
        gridTester = std::make_unique<QAbstractItemModelTester>(frame->RxDBGrid1->model(),
                                                                QAbstractItemModelTester::FailureReportingMode::Fatal);
        frame->FCB1Change();
        frame->show();
        frame->updateCommands();
        return *frame;
    }

    // Chooses the sender with this ID as a user picks it from the list.
    void chooseId(qint64 id)
    {
        for (int i = 0; i < frame->SenderChoices().size(); ++i) {
            if (frame->SenderChoices().at(i).ID == id)
                choose(i);
        }
        ASSERT_EQ(frame->chosenSender().ID, id);
    }
    void choose(int index)
    {
        frame->FCB1->setCurrentIndex(index);
        frame->updateCommands();
    }
    QString names() { return column(QStringLiteral("Name")); }
    QString column(const QString& name)
    {
        QStringList values;
        const auto result = dm->EmpfQuery.result();
        for (int row = 0; result && row < result->rowCount(); ++row)
            values.append(result->text(row, result->columnIndex(name)));
        return values.join(u'|');
    }
    QString current(const char* field) { return dm->EmpfQuery.fieldByName(QString::fromLatin1(field)).asString(); }
    void pick(int row) { frame->RxDBGrid1->selectRow(row); }

    DialogScript script;
    std::unique_ptr<TEmpfFrame> frame;
    // Checks the grid's model through every change the screen makes.
    std::unique_ptr<QAbstractItemModelTester> gridTester;
};

class EmptyRecipientScreen : public RecipientScreen {
public:
    EmptyRecipientScreen() : RecipientScreen(false) {}
};

TEST_F(RecipientScreen, OpensOnTheFirstSenderInTheQuerysOrder)
{
    open();
    // The choices come in the order the statement returns them, which need not be the IDs'.
    const QStringList returned = db.rows(QStringLiteral("SELECT ID,Firma FROM Verfasser")).split(u'|');
    ASSERT_EQ(frame->FCB1->count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(QString::number(frame->SenderChoices().at(i).ID) + u',' + frame->FCB1->itemText(i), returned.at(i));
        EXPECT_EQ(frame->SenderChoices().at(i).Firma, frame->FCB1->itemText(i));
    }
    EXPECT_EQ(frame->FCB1->currentIndex(), 0);
    // Zeitung Nord (ID 1) has three recipients, Agentur Süd two.
    EXPECT_EQ(frame->Label6->text(),
              (returned.at(0).startsWith(u'1') ? QStringLiteral("3") : QStringLiteral("2")) + kCountSuffix);
    chooseId(1);
    EXPECT_EQ(gridRows(*frame->RxDBGrid1), QStringLiteral(",Adam,adam@example.org,,,|"
                                                          ",Ärger,aerger@example.org,Öhrweg 5,23552,Lübeck|"
                                                          "Bauer GmbH,Bauer,bauer@example.org,Ringweg 2,24103,Kiel"));
    EXPECT_EQ(frame->Label6->text(), QStringLiteral("3") + kCountSuffix);
    EXPECT_EQ(frame->RxDBGrid1->currentIndex().row(), 0);
    pick(1);
    EXPECT_EQ(frame->findChild<TKubDBText*>(QStringLiteral("DBTextVorname"))->caption(), QStringLiteral("Änne"));
    EXPECT_EQ(frame->findChild<TKubDBText*>(QStringLiteral("DBTextBFormel"))->caption(),
              QStringLiteral("Sehr geehrte Frau"));
    EXPECT_FALSE(dm->AbsendQuery.isOpen());
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(RecipientScreen, TheCountLabelNamesTheNumber)
{
    open();
    struct Case {
        const char* name;
        const char* setup;
        QString label;
    };
    const Case cases[] = {
        {"several", "", QStringLiteral("2") + kCountSuffix},
        {"exactly one", "DELETE FROM Adressen WHERE ID = 4", QStringLiteral("1") + kCountSuffix},
        {"none", "DELETE FROM Adressen WHERE AbsenderID = 2", kNoRecipients},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (*c.setup)
            db.connection.execute(QStringLiteral("Test"), QString::fromLatin1(c.setup));
        chooseId(1);
        chooseId(2);
        EXPECT_EQ(frame->Label6->text(), c.label);
    }
    frame->ReleaseData();
    frame->UpdateRecipientCount();
    EXPECT_EQ(frame->Label6->text(), QString());
}

TEST_F(RecipientScreen, CommandsFollowTheChoiceTheRowsAndTheDatabaseState)
{
    struct Case {
        const char* name;
        std::function<void(RecipientScreen&)> setup;
        bool modify; // Bearbeiten and Löschen
        bool chosen; // Importieren and Newsletter >>
    };
    const Case cases[] = {
        {"sender with recipients", [](RecipientScreen&) {}, true, true},
        {"sender without recipients",
         [](RecipientScreen& t) {
             t.db.connection.execute(QStringLiteral("Test"),
                                     QStringLiteral("DELETE FROM Adressen WHERE AbsenderID = 2"));
             t.chooseId(1);
             t.chooseId(2);
         },
         false, true},
        {"typed text instead of a choice",
         [](RecipientScreen& t) { QTest::keyClicks(t.frame->FCB1->lineEdit(), QStringLiteral("x")); }, true, false},
        {"after a failed open",
         [](RecipientScreen& t) {
             t.dm->AdsConnection1.execute(QStringLiteral("Test"), QStringLiteral("DETACH DATABASE Adressen"));
             t.choose(1 - t.frame->FCB1->currentIndex());
         },
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dm->AdsConnection1.disconnect();
        dm->AdsConnection1.connect();
        db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Adressen"));
        db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Verfasser"));
        db.load(QStringLiteral(KUB_TEST_FIXTURES "/database/two-senders.sql"));
        open();
        c.setup(*this);
        frame->updateCommands();
        EXPECT_EQ(frame->EmpfFMod->isEnabled(), c.modify);
        EXPECT_EQ(frame->EmpfFDel->isEnabled(), c.modify);
        EXPECT_EQ(frame->FlatSB2->isEnabled(), c.modify);
        EXPECT_EQ(frame->EmpfFImp->isEnabled(), c.chosen);
        EXPECT_EQ(frame->EmpfFNews->isEnabled(), c.chosen);
        EXPECT_TRUE(frame->FlatSB1->isEnabled());
    }
}

TEST_F(EmptyRecipientScreen, WithoutSendersAddingExplainsAndRowsOfSenderZeroShow)
{
    db.connection.execute(QStringLiteral("Test"),
                          QStringLiteral("INSERT INTO Adressen (AbsenderID, Name, Email, Status, "
                                         "Send) VALUES (0, 'Waise', 'w@example.org', 0, 1)"));
    open();
    EXPECT_EQ(frame->FCB1->count(), 0);
    EXPECT_EQ(frame->FCB1->currentIndex(), -1);
    EXPECT_EQ(frame->Label6->text(), QString());
    EXPECT_EQ(gridRows(*frame->RxDBGrid1), QStringLiteral(",Waise,w@example.org,,,"));
    EXPECT_FALSE(frame->EmpfFImp->isEnabled());
    EXPECT_FALSE(frame->EmpfFNews->isEnabled());
    EXPECT_TRUE(frame->EmpfFMod->isEnabled());

    frame->FlatSB1->click();
    frame->EmpfFMod->trigger();
    frame->EmpfFDel->trigger();
    EXPECT_EQ(script.shown, 0);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Information);
    EXPECT_EQ(boxes.texts().first(),
              QStringLiteral("Bitte wählen Sie vor dem Hinzufügen von Empfängerdaten in der Auswahlliste,\r\n"
                             "mit der Überschrift \"Absender\", einen Absender aus.\r\n"
                             "Sollte kein Absender zur Auswahl stehen, fügen Sie bitte unter dem Menüpunkt\r\n"
                             "\"Bearbeiten / Absenderdaten\" einen neuen Absender hinzu."));
    EXPECT_EQ(db.rows(QStringLiteral("SELECT COUNT(*) FROM Adressen")), QStringLiteral("1"));
}

TEST_F(RecipientScreen, TypingInTheChoiceLeavesNoSenderChosenAndKeepsTheGrid)
{
    open();
    const QString shown = gridRows(*frame->RxDBGrid1);
    const QString first = frame->FCB1->itemText(0);
    QTest::keyClicks(frame->FCB1->lineEdit(), QStringLiteral("Agen"));
    EXPECT_EQ(frame->FCB1->currentIndex(), -1);
    EXPECT_EQ(frame->FCB1->currentText(), first + QStringLiteral("Agen"));
    EXPECT_EQ(frame->Label6->text(), QString());
    EXPECT_EQ(gridRows(*frame->RxDBGrid1), shown);

    // Enter on a sender's exact name chooses it.
    frame->FCB1->lineEdit()->selectAll();
    typeText(frame->FCB1->lineEdit(), QStringLiteral("Agentur Süd"));
    QTest::keyClick(frame->FCB1, Qt::Key_Return);
    EXPECT_EQ(frame->FCB1->currentIndex(), frame->FCB1->findText(QStringLiteral("Agentur Süd")));
    EXPECT_EQ(frame->Label6->text(), QStringLiteral("2") + kCountSuffix);
}

TEST_F(RecipientScreen, AddingKeepsTheCurrentRowAndStoresTheDialogsValues)
{
    open();
    chooseId(1);
    pick(2); // Bauer
    script.then<TEmpfModForm>([](TEmpfModForm& form) {
        EXPECT_EQ(form.Label14->text(), QStringLiteral("Zeitung Nord"));
        EXPECT_EQ(form.FCB2->currentText(), QStringLiteral("Sehr geehrte(r)"));
        EXPECT_TRUE(form.FCheckB1->isChecked());
        form.FE2->setText(QStringLiteral("Becker"));
        form.FE11->setText(QStringLiteral("becker@example.org"));
        form.FCB1->setEditText(QStringLiteral("Mag."));
        form.FCheckB1->setChecked(false);
        confirm(form);
    });
    frame->FlatSB1->click();
    EXPECT_EQ(names(), QStringLiteral("Adam|Ärger|Bauer|Becker"));
    EXPECT_EQ(current("Name"), QStringLiteral("Bauer"));
    EXPECT_EQ(frame->RxDBGrid1->currentIndex().row(), 2);
    EXPECT_EQ(frame->Label6->text(), QStringLiteral("4") + kCountSuffix);
    EXPECT_EQ(
        db.rows(QStringLiteral("SELECT AbsenderID, Titel, BFormel, Status, Send FROM Adressen WHERE Name = 'Becker'")),
        QStringLiteral("1,Mag.,Sehr geehrte(r),0,False"));
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(RecipientScreen, EditingKeepsStatusAndLongValuesAndFollowsTheRow)
{
    const QString longTel = QStringLiteral("+49 (0) 431 123456789 - 1234567 Zentrale");
    ASSERT_EQ(longTel.size(), 40);
    db.connection.execute(QStringLiteral("Test"),
                          QStringLiteral("UPDATE Adressen SET Status = 3, Tel = ? WHERE ID = 3"), {longTel});
    open();
    chooseId(1); // Adam is current
    script.then<TEmpfModForm>([&](TEmpfModForm& form) {
        EXPECT_EQ(form.FE9->text(), longTel);
        form.FE2->setText(QStringLiteral("Zander"));
        form.FCheckB1->setChecked(false);
        confirm(form);
    });
    frame->EmpfFMod->trigger();
    EXPECT_EQ(names(), QStringLiteral("Ärger|Bauer|Zander"));
    EXPECT_EQ(current("Name"), QStringLiteral("Zander"));
    EXPECT_EQ(frame->RxDBGrid1->currentIndex().row(), 2);
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Name, Tel, Status, Send FROM Adressen WHERE ID = 3")),
              QStringLiteral("Zander,") + longTel + QStringLiteral(",3,False"));
    EXPECT_EQ(frame->Label6->text(), QStringLiteral("3") + kCountSuffix);
}

TEST_F(RecipientScreen, DeletingAsksWithTheCompanyOrTheSurname)
{
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("UPDATE Adressen SET Name = '' WHERE ID = 3"));
    open();
    chooseId(1); // rows: '' (3), Ärger (2), Bauer GmbH (1)
    struct Case {
        int row;
        QString shown;
        qint64 id;
        int currentAfter; // the first of the rows left, none after the last
    };
    const Case cases[] = {
        {2, QStringLiteral("Bauer GmbH"), 1, 0}, {1, QStringLiteral("Ärger"), 2, 0}, {0, QString(), 3, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        pick(c.row);
        const QString question = QStringLiteral("Empfänger \"") + c.shown + QStringLiteral("\" jetzt löschen?");
        boxes.answerNext(MsgAnswer::No);
        frame->EmpfFDel->trigger();
        EXPECT_EQ(boxes.texts().last(), question);
        EXPECT_EQ(boxes.boxes().last().buttons, MsgButtons::YesNo);
        EXPECT_EQ(db.rows(QStringLiteral("SELECT COUNT(*) FROM Adressen WHERE ID = %1").arg(c.id)),
                  QStringLiteral("1"));
        pick(c.row);
        boxes.answerNext(MsgAnswer::Yes);
        frame->EmpfFDel->trigger();
        EXPECT_EQ(db.rows(QStringLiteral("SELECT COUNT(*) FROM Adressen WHERE ID = %1").arg(c.id)),
                  QStringLiteral("0"));
        EXPECT_EQ(frame->RxDBGrid1->currentIndex().row(), c.currentAfter);
    }
    EXPECT_EQ(frame->Label6->text(), kNoRecipients);
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID FROM Adressen ORDER BY ID")), QStringLiteral("4|5"));
}

// Every injected failure shows the database message once and leaves the query in the state a
// user can see and recover from; the stored rows stay as they were.
TEST_F(RecipientScreen, FailedChangesReportOnceAndKeepTheData)
{
    struct Case {
        const char* name;
        const char* statement;
        std::function<void(RecipientScreen&)> act;
        bool listOpenAfter;
    };
    const Case cases[] = {
        {"insert", "INSERT",
         [](RecipientScreen& t) {
             t.script.then<TEmpfModForm>([](TEmpfModForm& form) {
                 form.FE11->setText(QStringLiteral("neu@example.org"));
                 confirm(form);
             });
             t.frame->FlatSB1->click();
         },
         true},
        {"update", "UPDATE",
         [](RecipientScreen& t) {
             t.script.then<TEmpfModForm>([](TEmpfModForm& form) { confirm(form); });
             t.frame->EmpfFMod->trigger();
         },
         false},
        {"delete", "DELETE",
         [](RecipientScreen& t) {
             t.boxes.answerNext(MsgAnswer::Yes);
             t.frame->EmpfFDel->trigger();
         },
         false},
    };
    const QString stored = db.rows(QStringLiteral("SELECT * FROM Adressen ORDER BY ID"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dm->AdsConnection1.disconnect();
        dm->AdsConnection1.connect();
        failOn(c.statement, "Adressen");
        open();
        chooseId(1);
        pick(1);
        boxes.clear();
        c.act(*this);
        const QStringList failures = boxes.texts().filter(QStringLiteral("Zugriff auf Datenbank"));
        EXPECT_EQ(failures, QStringList{databaseMessage(QStringLiteral("EmpfQuery: injected"))});
        EXPECT_TRUE(frame->DBError());
        EXPECT_FALSE(dm->EmpfQuery.isAppending());
        EXPECT_FALSE(dm->EmpfQuery.controlsDisabled());
        EXPECT_FALSE(dm->AdsConnection1.inTransaction());
        EXPECT_EQ(dm->EmpfQuery.isOpen(), c.listOpenAfter);
        if (c.listOpenAfter) {
            EXPECT_EQ(names(), QStringLiteral("Adam|Ärger|Bauer"));
            EXPECT_EQ(current("Name"), QStringLiteral("Ärger"));
            EXPECT_EQ(frame->Label6->text(), QStringLiteral("3") + kCountSuffix);
        } else {
            EXPECT_EQ(frame->RxDBGrid1->model()->rowCount(), 0);
            EXPECT_EQ(frame->Label6->text(), QString());
        }
        frame->updateCommands();
        EXPECT_FALSE(frame->EmpfFMod->isEnabled());
        EXPECT_FALSE(frame->EmpfFDel->isEnabled());
        EXPECT_TRUE(frame->EmpfFImp->isEnabled());
        EXPECT_EQ(db.rows(QStringLiteral("SELECT * FROM Adressen ORDER BY ID")), stored);
    }
}

TEST_F(RecipientScreen, AFailingFirstLoadIsReportedOnce)
{
    dm->AdsConnection1.execute(QStringLiteral("Test"), QStringLiteral("DETACH DATABASE Adressen"));
    open();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(databaseMessage(QStringLiteral("EmpfQuery: "))));
    EXPECT_EQ(frame->FCB1->currentIndex(), 0);
    EXPECT_TRUE(frame->DBError());
    EXPECT_EQ(frame->Label6->text(), QString());
}

TEST_F(RecipientScreen, AnUnreachableDatabaseReportsTheChoicesThenTheList)
{
    dm->AdsConnection1.disconnect();
    open();
    EXPECT_EQ(
        boxes.texts(),
        QStringList({QStringLiteral("Es ist ein Fehler beim Zugriff auf die Firmendatenbank aufgetreten!\r\n"
                                    "Das Zuordnen einer Firma zu den Empfängern ist nicht möglich."),
                     databaseMessage(QStringLiteral("EmpfQuery: The connection AdsConnection1 is not connected"))}));
    EXPECT_EQ(frame->FCB1->count(), 0);
    EXPECT_TRUE(frame->DBError());
    EXPECT_FALSE(frame->EmpfFMod->isEnabled());
    EXPECT_FALSE(frame->EmpfFImp->isEnabled());
    EXPECT_FALSE(frame->EmpfFNews->isEnabled());
}

TEST_F(RecipientScreen, EveryListedRowBelongsToTheChosenSender)
{
    open();
    auto check = [this](const char* step) {
        SCOPED_TRACE(step);
        ASSERT_NE(frame->FCB1->currentIndex(), -1);
        const QString id = QString::number(frame->chosenSender().ID);
        const QString owners = column(QStringLiteral("AbsenderID"));
        for (const QString& owner : owners.split(u'|', Qt::SkipEmptyParts))
            EXPECT_EQ(owner, id);
        EXPECT_EQ(QString::number(frame->RxDBGrid1->model()->rowCount()),
                  db.rows(QStringLiteral("SELECT COUNT(*) FROM Adressen WHERE AbsenderID = ") + id));
    };
    check("first sender");
    choose(1);
    check("second sender");
    script.then<TEmpfModForm>([](TEmpfModForm& form) {
        form.FE11->setText(QStringLiteral("x@example.org"));
        confirm(form);
    });
    frame->FlatSB1->click();
    check("after adding");
    boxes.answerNext(MsgAnswer::Yes);
    frame->EmpfFDel->trigger();
    check("after deleting");
    QTest::keyClicks(frame->FCB1->lineEdit(), QStringLiteral("z"));
    choose(0);
    check("chosen again after typing");
    script.then<TEmpfModForm>([](TEmpfModForm& form) { confirm(form); });
    frame->EmpfFMod->trigger();
    check("after editing");
}

TEST_F(RecipientScreen, WhileADialogIsOpenTheScreenIsBusy)
{
    open();
    bool busyInDialog = false;
    script.then<TEmpfModForm>([&](TEmpfModForm&) { busyInDialog = BusyGuard::held(); });
    frame->EmpfFMod->trigger();
    EXPECT_TRUE(busyInDialog);
    EXPECT_FALSE(BusyGuard::held());

    // While another long operation runs, no dialog opens.
    BusyGuard import(QStringLiteral("Import"));
    frame->FlatSB1->click();
    EXPECT_EQ(script.shown, 1);
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("Der Vorgang \"Import\" läuft noch.\r\n"
                                                   "Bitte warten Sie, bis er abgeschlossen ist."));
}

} // namespace
