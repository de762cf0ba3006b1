#include "ScreenTestSupport.h"
#include "addressbook/AssiAbsenderForm.h"
#include "addressbook/AssiSteps.h"
#include "core/CredentialCodec.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// The wizard over an empty database, shown as the main window shows it.
class SenderWizard : public ScreenFixture {
public:
    SenderWizard() : ScreenFixture(false)
    {
        wizard.show();
        wizard.updateCommands();
    }

    void forward()
    {
        wizard.updateCommands();
        ASSERT_TRUE(wizard.AssiAbsFor->isEnabled());
        wizard.AssiAbsFor->trigger();
        wizard.updateCommands();
    }

    void back()
    {
        wizard.updateCommands();
        ASSERT_TRUE(wizard.AssiAbsBack->isEnabled());
        wizard.AssiAbsBack->trigger();
        wizard.updateCommands();
    }

    // Fills the required value of the step shown and moves on.
    void passStep()
    {
        switch (wizard.currentStep()) {
        case 2:
            wizard.AddressFrame->FE1->setText(QStringLiteral("Zeitung Nord"));
            break;
        case 3:
            wizard.CommFrame->FE3->setText(QStringLiteral("info@nord.example"));
            break;
        case 5:
            wizard.SmtpFrame->FE1->setText(QStringLiteral("smtp.nord.example"));
            break;
        default:
            break;
        }
        forward();
    }

    void goTo(int step)
    {
        while (wizard.currentStep() < step)
            passStep();
        ASSERT_EQ(wizard.currentStep(), step);
    }

    QString senders() { return db.rows(QStringLiteral("SELECT COUNT(*) FROM Verfasser")); }

    TAssiAbsenderForm wizard{*dm};
};

TEST_F(SenderWizard, StepsMoveBackAndForthWithTheirCommandStates)
{
    struct Expected {
        int step;
        bool backEnabled;
        const char* forwardCaption;
    };
    auto check = [this](const Expected& expected) {
        SCOPED_TRACE(expected.step);
        EXPECT_EQ(wizard.currentStep(), expected.step);
        EXPECT_EQ(wizard.AssiAbsBack->isEnabled(), expected.backEnabled);
        EXPECT_EQ(wizard.FlatSB2->isEnabled(), expected.backEnabled);
        EXPECT_TRUE(wizard.AssiAbsFor->isEnabled());
        EXPECT_EQ(wizard.AssiAbsFor->text(), QString::fromUtf8(expected.forwardCaption));
        EXPECT_EQ(wizard.FlatSB1->text(), QString::fromUtf8(expected.forwardCaption));
    };
    check({1, false, "Weiter >"});
    for (int step = 2; step <= 5; ++step) {
        passStep();
        check({step, true, "Weiter >"});
    }
    passStep();
    check({6, true, "Fertigstellen"});
    back();
    check({5, true, "Weiter >"});
    for (int step = 4; step >= 1; --step) {
        back();
        check({step, step > 1, "Weiter >"});
    }
    // Back on step 1 does nothing even when triggered.
    wizard.AssiAbsBack->trigger();
    EXPECT_EQ(wizard.currentStep(), 1);

    // Exactly one slot holds the frame of the step shown, inside P2.
    passStep();
    EXPECT_NE(wizard.AddressFrame, nullptr);
    EXPECT_EQ(wizard.AddressFrame->parentWidget(), wizard.P2);
    EXPECT_EQ(wizard.P2->findChildren<TAssiStepFrame*>().size(), 1);
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(senders(), QStringLiteral("0"));
}

TEST_F(SenderWizard, TypedValuesSurviveMovesBetweenSteps)
{
    goTo(2);
    wizard.AddressFrame->FE1->setText(QStringLiteral("Zeitung Nord"));
    wizard.AddressFrame->FE3->setText(QStringLiteral("20095"));
    forward();
    wizard.CommFrame->FE1->setText(QStringLiteral("040 1234"));
    wizard.CommFrame->FE3->setText(QStringLiteral("info@nord.example"));
    back();
    EXPECT_EQ(wizard.AddressFrame->FE1->text(), QStringLiteral("Zeitung Nord"));
    EXPECT_EQ(wizard.AddressFrame->FE3->text(), QStringLiteral("20095"));
    EXPECT_EQ(wizard.focusWidget(), wizard.AddressFrame->FE1);
    back();
    forward();
    forward();
    EXPECT_EQ(wizard.CommFrame->FE1->text(), QStringLiteral("040 1234"));
    EXPECT_EQ(wizard.CommFrame->FE3->text(), QStringLiteral("info@nord.example"));
}

TEST_F(SenderWizard, ARequiredValueMissingKeepsTheStep)
{
    struct Case {
        int step;
        QString message;
        std::function<QLineEdit*(TAssiAbsenderForm&)> required;
    };
    const Case cases[] = {
        {2, QStringLiteral("Bitte tragen Sie erst einen Absendernamen ein."),
         [](TAssiAbsenderForm& w) { return w.AddressFrame->FE1; }},
        {3, QStringLiteral("Bitte tragen Sie erst die Emailadresse des Absenders ein."),
         [](TAssiAbsenderForm& w) { return w.CommFrame->FE3; }},
        {5, QStringLiteral("Bitte tragen Sie erst den Namen Ihres Postausgangsservers ein."),
         [](TAssiAbsenderForm& w) { return w.SmtpFrame->FE1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        goTo(c.step);
        boxes.clear();
        forward();
        ASSERT_EQ(boxes.boxes().size(), 1);
        EXPECT_EQ(boxes.boxes().first().text, c.message);
        EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Information);
        EXPECT_EQ(boxes.boxes().first().buttons, MsgButtons::Ok);
        EXPECT_EQ(wizard.currentStep(), c.step);
        // A single blank counts as a value.
        c.required(wizard)->setText(QStringLiteral(" "));
        forward();
        EXPECT_EQ(wizard.currentStep(), c.step + 1);
        EXPECT_EQ(boxes.boxes().size(), 1);
    }
    // Step 4 needs nothing.
    EXPECT_EQ(wizard.currentStep(), 6);
}

TEST_F(SenderWizard, ARefusedStepKeepsWhatWasTypedOnIt)
{
    goTo(2);
    wizard.AddressFrame->FE2->setText(QStringLiteral("Hafenstraße 1"));
    forward();
    EXPECT_EQ(wizard.currentStep(), 2);
    back();
    forward();
    EXPECT_EQ(wizard.AddressFrame->FE2->text(), QStringLiteral("Hafenstraße 1"));
}

TEST_F(SenderWizard, FinishWritesOneSenderWithEncodedCredentials)
{
    goTo(2);
    wizard.AddressFrame->FE1->setText(QStringLiteral("Zeitung Nord"));
    wizard.AddressFrame->FE2->setText(QStringLiteral("Hafenstraße 1"));
    wizard.AddressFrame->FE3->setText(QStringLiteral("20095"));
    wizard.AddressFrame->FE4->setText(QStringLiteral("Hamburg"));
    forward();
    wizard.CommFrame->FE1->setText(QStringLiteral("040 1234"));
    wizard.CommFrame->FE2->setText(QStringLiteral("040 1235"));
    wizard.CommFrame->FE3->setText(QStringLiteral("info@nord.example"));
    wizard.CommFrame->FE4->setText(QStringLiteral("www.nord.example"));
    forward();
    wizard.AuthorFrame->FE1->setText(QStringLiteral("Jana Kiel"));
    wizard.AuthorFrame->FE2->setText(QStringLiteral("jana@nord.example"));
    forward();
    wizard.SmtpFrame->FE1->setText(QStringLiteral("smtp.nord.example"));
    wizard.SmtpFrame->FE2->setText(QStringLiteral("jana.kiel"));
    wizard.SmtpFrame->FE3->setText(QStringLiteral("gehéim 1"));
    EXPECT_EQ(wizard.SmtpFrame->FE3->echoMode(), QLineEdit::Password);
    forward();
    ASSERT_EQ(wizard.currentStep(), 6);
    EXPECT_EQ(senders(), QStringLiteral("0"));
    forward();

    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(wizard.currentStep(), 0);
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID, Firma, Strasse, PLZ, Ort, Tel, Fax, Firmenemail, Web, Verfasser, "
                                     "Email, Host FROM Verfasser")),
              QStringLiteral("1,Zeitung Nord,Hafenstraße 1,20095,Hamburg,040 1234,040 1235,info@nord.example,"
                             "www.nord.example,Jana Kiel,jana@nord.example,smtp.nord.example"));
    const QString userId = db.rows(QStringLiteral("SELECT UserID FROM Verfasser"));
    const QString userPw = db.rows(QStringLiteral("SELECT UserPW FROM Verfasser"));
    EXPECT_NE(userId, QStringLiteral("jana.kiel"));
    EXPECT_EQ(DecodeCredential(userId), QStringLiteral("jana.kiel"));
    EXPECT_EQ(DecodeCredential(userPw), QStringLiteral("gehéim 1"));
    EXPECT_FALSE(dm->AbsendQuery.controlsDisabled());
}

TEST_F(SenderWizard, EmptyOptionalValuesAreStoredAsEmptyText)
{
    goTo(6);
    forward();
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Firma, Strasse, Verfasser, Email, Host, UserID, UserPW, "
                                     "UserID IS NULL FROM Verfasser")),
              QStringLiteral("Zeitung Nord,,,,smtp.nord.example,,,0"));
}

TEST_F(SenderWizard, CancellingAsksAndWritesNothing)
{
    goTo(3);
    wizard.CommFrame->FE1->setText(QStringLiteral("040 1234"));

    boxes.answerNext(MsgAnswer::No);
    wizard.FlatSB3->click();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes().first().text, QStringLiteral("Assistent beenden?"));
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Question);
    EXPECT_EQ(boxes.boxes().first().buttons, MsgButtons::YesNo);
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(wizard.currentStep(), 3);
    EXPECT_EQ(wizard.CommFrame->FE1->text(), QStringLiteral("040 1234"));

    // Escape asks the same question.
    boxes.answerNext(MsgAnswer::No);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&wizard, &escape);
    EXPECT_EQ(boxes.boxes().size(), 2);
    EXPECT_TRUE(wizard.isVisible());

    boxes.answerNext(MsgAnswer::Yes);
    wizard.FlatSB3->click();
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(wizard.currentStep(), 0);
    EXPECT_EQ(senders(), QStringLiteral("0"));
}

TEST_F(SenderWizard, TheCloseBoxEndsWithoutQuestionOrRow)
{
    goTo(6);
    wizard.close();
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(wizard.currentStep(), 0);
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(senders(), QStringLiteral("0"));
}

TEST_F(SenderWizard, ShowingAgainStartsOverWithAnEmptyRecord)
{
    goTo(3);
    wizard.close();
    wizard.show();
    wizard.updateCommands();
    EXPECT_EQ(wizard.currentStep(), 1);
    passStep();
    EXPECT_TRUE(wizard.AddressFrame->FE1->text().isEmpty());
}

// Closing after a failed save would throw away everything typed: the wizard stays on its last
// step, and "Fertigstellen" saves once the cause is gone.
TEST_F(SenderWizard, AFailedSaveShowsTheDatabaseMessageAndKeepsEveryValue)
{
    goTo(4);
    wizard.AuthorFrame->FE1->setText(QStringLiteral("Jana Kiel"));
    goTo(6);
    failOn("INSERT", "Verfasser");
    forward();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.boxes().first().text.startsWith(databaseMessage(QString())));
    EXPECT_TRUE(boxes.boxes().first().text.contains(QStringLiteral("injected")));
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(wizard.currentStep(), 6);
    EXPECT_EQ(wizard.AssiAbsFor->text(), QStringLiteral("Fertigstellen"));
    EXPECT_FALSE(dm->AbsendQuery.isOpen());
    EXPECT_FALSE(dm->AbsendQuery.isAppending());
    EXPECT_FALSE(dm->AbsendQuery.controlsDisabled());
    EXPECT_EQ(senders(), QStringLiteral("0"));

    dm->AdsConnection1.execute(QStringLiteral("Test"), QStringLiteral("DROP TRIGGER fail_INSERT_Verfasser"));
    forward();
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Firma, Firmenemail, Verfasser, Host FROM Verfasser")),
              QStringLiteral("Zeitung Nord,info@nord.example,Jana Kiel,smtp.nord.example"));
}

TEST_F(SenderWizard, SmtpValuesOfAnyLengthAreTypedButOnlyStorableOnesPass)
{
    goTo(5);
    TAssiAbsSMTPFrame& smtp = *wizard.SmtpFrame;
    // No typing limit: a long text can be typed in each edit.
    for (QLineEdit* edit : {smtp.FE1, smtp.FE2, smtp.FE3}) {
        edit->clear();
        edit->insert(QString(300, u'x'));
        EXPECT_EQ(edit->text().size(), 300);
        edit->clear();
    }

    struct Case {
        const char* name;
        QString host, user, password;
        QString refusal; // empty: accepted
    };
    const Case cases[] = {
        {"host of 129 characters",
         QString(129, u'h'),
         {},
         {},
         QStringLiteral("Der Name des Postausgangsservers darf höchstens 128 Zeichen lang sein.")},
        {"user name too long to store",
         QStringLiteral("smtp.example"),
         QString(200, u'u'),
         {},
         QStringLiteral("Der Benutzer ist zu lang und kann nicht gespeichert werden.")},
        {"password too long to store",
         QStringLiteral("smtp.example"),
         {},
         QString(80, QChar(0x20AC)),
         QStringLiteral("Das Passwort ist zu lang und kann nicht gespeichert werden.")},
        {"longest storable values", QString(128, u'h'), QString(150, u'u'), QString(150, u'p'), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        smtp.FE1->setText(c.host);
        smtp.FE2->setText(c.user);
        smtp.FE3->setText(c.password);
        forward();
        if (c.refusal.isEmpty()) {
            EXPECT_TRUE(boxes.texts().isEmpty());
            EXPECT_EQ(wizard.currentStep(), 6);
        } else {
            EXPECT_EQ(boxes.texts(), QStringList{c.refusal});
            EXPECT_EQ(wizard.currentStep(), 5);
        }
    }
    forward();
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(db.rows(QStringLiteral("SELECT length(Host) FROM Verfasser")), QStringLiteral("128"));
    EXPECT_EQ(DecodeCredential(db.rows(QStringLiteral("SELECT UserID FROM Verfasser"))), QString(150, u'u'));
    EXPECT_EQ(DecodeCredential(db.rows(QStringLiteral("SELECT UserPW FROM Verfasser"))), QString(150, u'p'));
}

} // namespace
