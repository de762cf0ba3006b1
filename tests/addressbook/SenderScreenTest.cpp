#include "ScreenTestSupport.h"
#include "addressbook/AMFForm.h"
#include "addressbook/AbsF.h"
#include "controls/TKubDBText.h"
#include "core/CredentialCodec.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>

namespace {

class SenderScreen : public ScreenFixture {
public:
    explicit SenderScreen(bool withFixture = true) : ScreenFixture(withFixture) {}

    TAbsFrame& open()
    {
        gridTester.reset();
        frame = std::make_unique<TAbsFrame>(*dm, nullptr, script.runner());
        gridTester = std::make_unique<QAbstractItemModelTester>(frame->RxDBGrid1->model(),
                                                                QAbstractItemModelTester::FailureReportingMode::Fatal);
        frame->OpenData();
        frame->show();
        frame->updateCommands();
        return *frame;
    }

    QString currentFirma() { return dm->AbsendQuery.fieldByName(QStringLiteral("Firma")).asString(); }
    QString detail(const char* field)
    {
        return frame->findChild<TKubDBText*>(QStringLiteral("DBText") + QString::fromLatin1(field))->caption();
    }
    void pick(int row) { frame->RxDBGrid1->selectRow(row); }

    static void fillSender(TAbsModForm& form, const QString& firma)
    {
        form.FE1->setText(firma);
        form.FE7->setText(QStringLiteral("info@neu.example"));
        form.FE11->setText(QStringLiteral("smtp.neu.example"));
    }

    DialogScript script;
    std::unique_ptr<TAbsFrame> frame;
    // Checks the grid's model through every change the screen makes.
    std::unique_ptr<QAbstractItemModelTester> gridTester;
};

class EmptySenderScreen : public SenderScreen {
public:
    EmptySenderScreen() : SenderScreen(false) {}
};

TEST_F(SenderScreen, ListsSendersByCompanyWithTheFirstCurrent)
{
    open();
    EXPECT_EQ(gridRows(*frame->RxDBGrid1), QStringLiteral("Agentur Süd,Marktplatz 7,München|"
                                                          "Zeitung Nord,Hafenstraße 1,Hamburg"));
    EXPECT_EQ(frame->RxDBGrid1->currentIndex().row(), 0);
    EXPECT_EQ(detail("Firma"), QStringLiteral("Agentur Süd"));
    EXPECT_EQ(detail("Firmenemail"), QStringLiteral("post@sued.example"));
    pick(1);
    EXPECT_EQ(detail("Verfasser"), QStringLiteral("Jana Kiel"));
    EXPECT_EQ(currentFirma(), QStringLiteral("Zeitung Nord"));
    EXPECT_TRUE(frame->AbsFNeu->isEnabled());
    EXPECT_TRUE(frame->AbsFMod->isEnabled());
    EXPECT_TRUE(frame->AbsFDel->isEnabled());
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(EmptySenderScreen, EnablingFollowsTheCurrentRowsCompany)
{
    struct Case {
        const char* name;
        QString rows; // INSERT values for Verfasser (Firma), "" for none
        bool editable;
    };
    const Case cases[] = {
        {"no sender", {}, false},
        {"a sender with a company", QStringLiteral("('Nord')"), true},
        {"a sender without a company", QStringLiteral("('')"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Verfasser"));
        if (!c.rows.isEmpty())
            db.connection.execute(QStringLiteral("Test"),
                                  QStringLiteral("INSERT INTO Verfasser (Firma) VALUES ") + c.rows);
        open();
        EXPECT_TRUE(frame->AbsFNeu->isEnabled());
        EXPECT_EQ(frame->AbsFMod->isEnabled(), c.editable);
        EXPECT_EQ(frame->AbsFDel->isEnabled(), c.editable);
        EXPECT_EQ(frame->FlatSB2->isEnabled(), c.editable);
        EXPECT_TRUE(frame->RxDBGrid1->isEnabled());
    }
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(SenderScreen, AnUnreachableDatabaseReportsOnceAndLocksTheScreen)
{
    dm->AdsConnection1.disconnect();
    open();
    EXPECT_EQ(boxes.texts(), QStringList{databaseMessage(
                                 QStringLiteral("AbsendQuery: The connection AdsConnection1 is not connected"))});
    EXPECT_TRUE(frame->DBError());
    EXPECT_FALSE(frame->RxDBGrid1->isEnabled());
    EXPECT_FALSE(frame->AbsFNeu->isEnabled());
    EXPECT_FALSE(frame->AbsFMod->isEnabled());
    EXPECT_FALSE(frame->FlatSB3->isEnabled());
}

TEST_F(SenderScreen, AddingKeepsTheCurrentSenderAndStoresTheNewOneInOrder)
{
    open();
    pick(1);
    script.then<TAbsModForm>([](TAbsModForm& form) {
        EXPECT_EQ(form.FE1->text(), QString());
        form.updateCommands();
        EXPECT_FALSE(form.AMFOK->isEnabled());
        fillSender(form, QStringLiteral("Mitte Verlag"));
        form.FE5->setText(QStringLiteral("030 1"));
        confirm(form);
    });
    frame->FlatSB1->click();
    EXPECT_EQ(script.shown, 1);
    EXPECT_EQ(gridRows(*frame->RxDBGrid1), QStringLiteral("Agentur Süd,Marktplatz 7,München|Mitte Verlag,,|"
                                                          "Zeitung Nord,Hafenstraße 1,Hamburg"));
    EXPECT_EQ(currentFirma(), QStringLiteral("Zeitung Nord"));
    EXPECT_EQ(frame->RxDBGrid1->currentIndex().row(), 2);
    EXPECT_EQ(
        db.rows(QStringLiteral("SELECT Firma, Tel, Firmenemail, Host, UserID, UserPW FROM Verfasser WHERE ID = 3")),
        QStringLiteral("Mitte Verlag,030 1,info@neu.example,smtp.neu.example,,"));
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(SenderScreen, CancellingAChangeWritesNothing)
{
    open();
    const QString before = db.rows(QStringLiteral("SELECT * FROM Verfasser ORDER BY ID"));
    script.then<TAbsModForm>([](TAbsModForm& form) {
        fillSender(form, QStringLiteral("Verworfen"));
        form.FlatSB2->click();
    });
    script.then<TAbsModForm>([](TAbsModForm& form) {
        form.FE1->setText(QStringLiteral("Verworfen"));
        form.close();
    });
    frame->AbsFNeu->trigger();
    frame->AbsFMod->trigger();
    EXPECT_EQ(script.shown, 2);
    EXPECT_EQ(db.rows(QStringLiteral("SELECT * FROM Verfasser ORDER BY ID")), before);
}

TEST_F(SenderScreen, EditingKeepsTheSenderCurrentAtItsNewPlace)
{
    open();
    script.then<TAbsModForm>([](TAbsModForm& form) {
        EXPECT_EQ(form.FE1->text(), QStringLiteral("Agentur Süd"));
        EXPECT_EQ(form.FE11->text(), QStringLiteral("mail.sued.example"));
        form.FE1->setText(QStringLiteral("Zentrale Süd"));
        confirm(form);
    });
    frame->AbsFMod->trigger();
    EXPECT_EQ(gridRows(*frame->RxDBGrid1), QStringLiteral("Zeitung Nord,Hafenstraße 1,Hamburg|"
                                                          "Zentrale Süd,Marktplatz 7,München"));
    EXPECT_EQ(currentFirma(), QStringLiteral("Zentrale Süd"));
    EXPECT_EQ(frame->RxDBGrid1->currentIndex().row(), 1);
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID, Firma, Strasse FROM Verfasser ORDER BY ID")),
              QStringLiteral("1,Zeitung Nord,Hafenstraße 1|2,Zentrale Süd,Marktplatz 7"));
}

TEST_F(SenderScreen, CredentialsAreStoredEncodedAndEditedDecoded)
{
    const QString values[] = {QString(), QStringLiteral("abc"), QString(50, u'x'), QStringLiteral("Grün"),
                              QStringLiteral("Öl")};
    open();
    int id = 2;
    for (const QString& value : values) {
        SCOPED_TRACE(value.toStdString());
        ++id;
        const QString firma = QStringLiteral("Absender %1").arg(id);
        script.then<TAbsModForm>([&](TAbsModForm& form) {
            fillSender(form, firma);
            form.FE12->setText(value);
            form.FE13->setText(value);
            EXPECT_EQ(form.FE13->displayText(), QString(value.size(), u'*'));
            confirm(form);
        });
        frame->AbsFNeu->trigger();
        const QString stored =
            db.rows(QStringLiteral("SELECT UserID || '|' || UserPW FROM Verfasser WHERE ID = %1").arg(id));
        const QStringList parts = stored.split(u'|');
        ASSERT_EQ(parts.size(), 2);
        if (value.isEmpty()) {
            EXPECT_EQ(parts, QStringList({QString(), QString()}));
        } else {
            EXPECT_NE(parts.at(0), value);
            EXPECT_EQ(DecodeCredential(parts.at(0)), value);
            EXPECT_EQ(DecodeCredential(parts.at(1)), value);
        }

        // Editing shows them decoded; OK without changes stores the same values again.
        ASSERT_TRUE(dm->AbsendQuery.gotoBookmark(DbBookmark{true, true, id}));
        script.then<TAbsModForm>([&](TAbsModForm& form) {
            EXPECT_EQ(form.FE12->text(), value);
            EXPECT_EQ(form.FE13->text(), value);
            confirm(form);
        });
        frame->AbsFMod->trigger();
        const QStringList again =
            db.rows(QStringLiteral("SELECT UserID || '|' || UserPW FROM Verfasser WHERE ID = %1").arg(id)).split(u'|');
        EXPECT_EQ(value.isEmpty() ? again.at(0) : DecodeCredential(again.at(0)), value);
        EXPECT_EQ(value.isEmpty() ? again.at(1) : DecodeCredential(again.at(1)), value);
    }
    EXPECT_EQ(script.shown, 10);
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(SenderScreen, ACorruptStoredPasswordShowsTheMessageAndOpensNoDialog)
{
    db.connection.execute(QStringLiteral("Test"),
                          QStringLiteral("UPDATE Verfasser SET UserPW = 'kaputt' WHERE ID = 2"));
    open();
    frame->AbsFMod->trigger();
    EXPECT_EQ(script.shown, 0);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);
    EXPECT_TRUE(boxes.texts().first().startsWith(databaseMessage(QString())));
    EXPECT_GT(boxes.texts().first().size(), databaseMessage(QString()).size());
    EXPECT_FALSE(frame->DBError());
}

TEST_F(SenderScreen, DeletingAsksAndRemovesExactlyThatSenderWithItsRecipients)
{
    open();
    pick(1);
    const QString question =
        QStringLiteral("Wenn Sie den Absender löschen, werden alle zugehörigen\r\n"
                       "Empfänger ebenfalls gelöscht!\r\n\r\nAbsender \"Zeitung Nord\" jetzt löschen?");
    boxes.answerNext(MsgAnswer::No);
    frame->AbsFDel->trigger();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.texts().first(), question);
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Warning);
    EXPECT_EQ(boxes.boxes().first().buttons, MsgButtons::YesNo);
    EXPECT_EQ(db.rows(QStringLiteral("SELECT COUNT(*) FROM Adressen")), QStringLiteral("5"));

    boxes.answerNext(MsgAnswer::Yes);
    frame->AbsFDel->trigger();
    EXPECT_EQ(boxes.texts().last(), question);
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID FROM Verfasser")), QStringLiteral("2"));
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID FROM Adressen ORDER BY ID")), QStringLiteral("4|5"));
    EXPECT_EQ(gridRows(*frame->RxDBGrid1), QStringLiteral("Agentur Süd,Marktplatz 7,München"));
    EXPECT_EQ(frame->RxDBGrid1->currentIndex().row(), 0);
    EXPECT_FALSE(dm->EmpfQuery.isOpen());
}

TEST_F(SenderScreen, SendersOfTheSameCompanyAreKeptApartByTheirId)
{
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("UPDATE Verfasser SET Firma = 'Gleich'"));
    open();
    EXPECT_EQ(gridRows(*frame->RxDBGrid1), QStringLiteral("Gleich,Hafenstraße 1,Hamburg|Gleich,Marktplatz 7,München"));
    pick(1);
    script.then<TAbsModForm>([](TAbsModForm& form) {
        form.FE2->setText(QStringLiteral("Neuer Weg 1"));
        confirm(form);
    });
    frame->AbsFMod->trigger();
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID, Strasse FROM Verfasser ORDER BY ID")),
              QStringLiteral("1,Hafenstraße 1|2,Neuer Weg 1"));
    boxes.answerNext(MsgAnswer::Yes);
    frame->AbsFDel->trigger();
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID FROM Verfasser")), QStringLiteral("1"));
}

// Each injected failure is reported with the database message; the list is then opened again
// and the data stays as it was.
TEST_F(SenderScreen, FailedChangesReportAndLeaveTheDataAsItWas)
{
    struct Case {
        const char* name;
        const char* statement;
        const char* table;
        std::function<void(SenderScreen&)> act;
        QString component;
    };
    const Case cases[] = {
        {"insert", "INSERT", "Verfasser",
         [](SenderScreen& t) {
             t.script.then<TAbsModForm>([](TAbsModForm& form) {
                 fillSender(form, QStringLiteral("Neu"));
                 confirm(form);
             });
             t.frame->AbsFNeu->trigger();
         },
         QStringLiteral("AbsendQuery")},
        {"update", "UPDATE", "Verfasser",
         [](SenderScreen& t) {
             t.script.then<TAbsModForm>([](TAbsModForm& form) {
                 form.FE1->setText(QStringLiteral("Anders"));
                 confirm(form);
             });
             t.frame->AbsFMod->trigger();
         },
         QStringLiteral("AbsendQuery")},
        {"cascade delete", "DELETE", "Verfasser",
         [](SenderScreen& t) {
             t.boxes.answerNext(MsgAnswer::Yes);
             t.frame->AbsFDel->trigger();
         },
         QStringLiteral("AbsendQuery")},
    };
    const QString senders = db.rows(QStringLiteral("SELECT * FROM Verfasser ORDER BY ID"));
    const QString recipients = db.rows(QStringLiteral("SELECT * FROM Adressen ORDER BY ID"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dm->AdsConnection1.disconnect();
        dm->AdsConnection1.connect();
        failOn(c.statement, c.table);
        open();
        boxes.clear();
        c.act(*this);
        const QString expected = databaseMessage(c.component + QStringLiteral(": injected"));
        EXPECT_EQ(boxes.texts().last(), expected);
        EXPECT_EQ(boxes.boxes().last().icon, MsgIcon::Error);
        EXPECT_FALSE(frame->DBError());
        EXPECT_TRUE(dm->AbsendQuery.isOpen());
        EXPECT_FALSE(dm->AbsendQuery.isAppending());
        EXPECT_FALSE(dm->AbsendQuery.controlsDisabled());
        EXPECT_FALSE(dm->AdsConnection1.inTransaction());
        EXPECT_EQ(gridRows(*frame->RxDBGrid1), QStringLiteral("Agentur Süd,Marktplatz 7,München|"
                                                              "Zeitung Nord,Hafenstraße 1,Hamburg"));
        EXPECT_EQ(db.rows(QStringLiteral("SELECT * FROM Verfasser ORDER BY ID")), senders);
        EXPECT_EQ(db.rows(QStringLiteral("SELECT * FROM Adressen ORDER BY ID")), recipients);
    }
}

TEST_F(SenderScreen, AChangeWhoseReopenFailsTooLocksTheScreen)
{
    open();
    // The update fails, and so does opening the list again.
    script.then<TAbsModForm>([this](TAbsModForm& form) {
        form.FE1->setText(QStringLiteral("Anders"));
        dm->AdsConnection1.disconnect();
        confirm(form);
    });
    frame->AbsFMod->trigger();
    const QString detail = QStringLiteral("AbsendQuery: The connection AdsConnection1 is not connected");
    EXPECT_EQ(boxes.texts(), QStringList({databaseMessage(detail), databaseMessage(detail)}));
    EXPECT_TRUE(frame->DBError());
    frame->updateCommands();
    EXPECT_FALSE(frame->AbsFNeu->isEnabled());
    EXPECT_FALSE(frame->RxDBGrid1->isEnabled());
}

} // namespace
