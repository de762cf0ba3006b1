#include "addressbook/AMFForm.h"
#include "addressbook/EMFForm.h"
#include "controls/TFlatSB.h"
#include "platform/DbTestRows.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

bool confirmEnabled(TRecordDialog& dialog)
{
    dialog.updateCommands();
    return dialog.confirmCommand()->isEnabled();
}

TEST(SenderDialog, OkNeedsCompanyCompanyMailAndServer)
{
    TAbsModForm form;
    form.LoadRecord(TAbsenderDataRecord{});
    form.show();
    struct Case {
        QString firma, mail, host;
        bool enabled;
    };
    const Case cases[] = {
        {{}, {}, {}, false},
        {QStringLiteral("A"), QStringLiteral("a@b"), {}, false},
        {QStringLiteral("A"), {}, QStringLiteral("h"), false},
        {{}, QStringLiteral("a@b"), QStringLiteral("h"), false},
        {QStringLiteral("A"), QStringLiteral("a@b"), QStringLiteral("h"), true},
        {QStringLiteral(" "), QStringLiteral(" "), QStringLiteral(" "), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firma.toStdString() + "/" + c.mail.toStdString() + "/" + c.host.toStdString());
        form.FE1->setText(c.firma);
        form.FE7->setText(c.mail);
        form.FE11->setText(c.host);
        EXPECT_EQ(confirmEnabled(form), c.enabled);
        EXPECT_EQ(form.FlatSB1->isEnabled(), c.enabled);
    }
}

TEST(SenderDialog, StoresTheTextsAsTypedAndMasksThePassword)
{
    TAbsModForm form;
    form.LoadRecord(TAbsenderDataRecord{});
    form.show();
    QTest::keyClicks(form.FE1, QStringLiteral(" Firma "));
    QTest::keyClicks(form.FE13, QStringLiteral("geheim"));
    EXPECT_EQ(form.FE13->displayText(), QStringLiteral("******"));
    TAbsenderDataRecord stored;
    form.StoreRecord(stored);
    EXPECT_EQ(stored.Firma, QStringLiteral(" Firma "));
    EXPECT_EQ(stored.UserPW, QStringLiteral("geheim"));
    EXPECT_EQ(stored.UserID, QString());
    EXPECT_EQ(form.focusWidget(), form.FE1);
}

TEST(SenderDialog, TabOrderFollowsTheFields)
{
    TAbsModForm form;
    const QWidget* expected[] = {form.FE1, form.FE2, form.FE3,  form.FE4,  form.FE5,  form.FE6, form.FE7,
                                 form.FE8, form.FE9, form.FE10, form.FE11, form.FE12, form.FE13};
    QWidget* at = form.FE1;
    for (const QWidget* edit : expected) {
        EXPECT_EQ(at, edit) << edit->objectName().toStdString();
        do
            at = at->nextInFocusChain();
        while (!qobject_cast<QLineEdit*>(at));
    }
}

TEST(RecipientDialog, ANewRecipientOpensWithTheDefaultsAndNeedsAnAddress)
{
    TEmpfModForm form;
    form.LoadRecord(TEmpfDataRecord{}, QStringLiteral("Zeitung Nord"));
    form.show();
    EXPECT_EQ(form.focusWidget(), form.FE12);
    EXPECT_EQ(form.Label14->text(), QStringLiteral("Zeitung Nord"));
    EXPECT_EQ(form.FCB2->currentText(), QStringLiteral("Sehr geehrte(r)"));
    EXPECT_EQ(form.FCB1->currentText(), QString());
    EXPECT_TRUE(form.FCheckB1->isChecked());
    EXPECT_FALSE(confirmEnabled(form));
    form.FE11->setText(QStringLiteral(" "));
    EXPECT_TRUE(confirmEnabled(form));
    form.FE11->clear();
    EXPECT_FALSE(confirmEnabled(form));
    EXPECT_EQ(form.FCB2->count(), 11);
    EXPECT_EQ(form.FCB2->maxVisibleItems(), 11);
    EXPECT_EQ(form.FCB1->itemText(2), QStringLiteral("Prof.Dr."));
}

TEST(RecipientDialog, TypedChoicesAreStoredAsTypedAndStatusIsUntouched)
{
    TEmpfModForm form;
    TEmpfDataRecord record;
    record.Status = 7;
    form.LoadRecord(record, QString());
    form.show();
    form.FCB1->lineEdit()->selectAll();
    QTest::keyClicks(form.FCB1->lineEdit(), QStringLiteral("Mag. Dr."));
    form.FCB2->lineEdit()->selectAll();
    QTest::keyClicks(form.FCB2->lineEdit(), QStringLiteral("Moin"));
    form.FCheckB1->setChecked(false);
    form.StoreRecord(record);
    EXPECT_EQ(record.Titel, QStringLiteral("Mag. Dr."));
    EXPECT_EQ(record.BFormel, QStringLiteral("Moin"));
    EXPECT_FALSE(record.Send);
    EXPECT_EQ(record.Status, 7);
    EXPECT_EQ(form.FCB1->count(), 5);
}

// Typing stops at the limit, but a longer loaded value is kept whole and may only shrink.
TEST(RecipientDialog, TelephoneTypingStopsAtThirtyWithoutCuttingALoadedValue)
{
    const QString forty = QStringLiteral("0431 123456789 123456789 1234567890 1234");
    ASSERT_EQ(forty.size(), 40);
    TEmpfModForm form;
    TEmpfDataRecord record;
    record.Tel = forty;
    form.LoadRecord(record, QString());
    form.show();
    EXPECT_EQ(form.FE9->text(), forty);

    form.FE9->end(false);
    QTest::keyClicks(form.FE9, QStringLiteral("9"));
    EXPECT_EQ(form.FE9->text(), forty);
    QTest::keyClick(form.FE9, Qt::Key_Backspace);
    EXPECT_EQ(form.FE9->text(), forty.left(39));
    QTest::keyClicks(form.FE9, QStringLiteral("9"));
    EXPECT_EQ(form.FE9->text(), forty.left(39));

    QTest::keyClicks(form.FE10, QString(35, u'1'));
    EXPECT_EQ(form.FE10->text(), QString(30, u'1'));
    QTest::keyClicks(form.FE8, QStringLiteral("DEUTSCH"));
    EXPECT_EQ(form.FE8->text(), QStringLiteral("DEUTS"));

    form.StoreRecord(record);
    EXPECT_EQ(record.Tel, forty.left(39));
}

TEST(RecipientDialog, OnlyOkConfirmsARealModalRun)
{
    struct Case {
        const char* name;
        std::function<void(TEmpfModForm&)> close;
        bool cancelled;
    };
    const Case cases[] = {
        {"OK", [](TEmpfModForm& form) { QTest::mouseClick(form.FlatSB1, Qt::LeftButton); }, false},
        {"Abbrechen", [](TEmpfModForm& form) { QTest::mouseClick(form.FlatSB2, Qt::LeftButton); }, true},
        {"Escape", [](TEmpfModForm& form) { QTest::keyClick(&form, Qt::Key_Escape); }, true},
        {"close box", [](TEmpfModForm& form) { form.close(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TEmpfModForm form;
        form.LoadRecord(TEmpfDataRecord{}, QString());
        QTimer::singleShot(0, &form, [&] {
            form.FE11->setText(QStringLiteral("a@example.org"));
            // The idle update of the running dialog enables OK before the user reaches it.
            QTimer::singleShot(10, &form, [&] { c.close(form); });
        });
        form.exec();
        EXPECT_EQ(form.Cancelled, c.cancelled);
        EXPECT_FALSE(form.isVisible());
    }
}

} // namespace
