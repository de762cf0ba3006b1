#include "mailing/UserSpass.h"

#include "mail/SendResult.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// Records what the status windows tell the main window, in order.
struct MainWindowLinksRecorder {
    QStringList events;

    MainWindowLinksRecorder()
    {
        TUserSP::setMainWindowLinks({
            [this] { events.append(QStringLiteral("40868")); },
            [this] { events.append(QStringLiteral("40869")); },
            [this](const QString& title, const QString& file) { events.append(title + u'|' + file); },
        });
    }
    ~MainWindowLinksRecorder() { TUserSP::setMainWindowLinks({}); }
};

void showForSendRun(TUserSP& window, const QString& logName = {})
{
    window.Mode = 1;
    window.LogName = logName;
    window.setTitle(QStringLiteral("Senden Newsletter"));
    window.setStatusText(QString());
    window.show();
}

} // namespace

TEST(UserSpass, ShowsEachResultWithOkAndReport)
{
    const QList<std::pair<int, QString>> cases{
        {0, QStringLiteral("Übertragung abgeschlossen.")},
        {1, QStringLiteral("Übertragung abgebrochen.")},
        {2, QStringLiteral("keine Verbindung zum Mailserver")},
        {3, QStringLiteral("falscher Name / falsches Passwort")},
        {4, QStringLiteral("Eine oder mehrere Mails konnten\r\nnicht erstellt werden.")},
        {5, QStringLiteral("Eine oder mehrere Mails konnten\r\nnicht versendet werden.")},
        {6, QStringLiteral("Verbindung fehlerhaft beendet.")},
        {7, QStringLiteral("Abbruch durch Benutzer")},
        {8, QStringLiteral("Sendeprotokoll konnte nicht angelegt werden.")},
        {9, QStringLiteral("Sendeprotokoll konnte nicht\r\nvollständig geschrieben werden.")},
        {10, QStringLiteral("Verbindung fehlerhaft beendet.")},
        {255, QStringLiteral("Verbindung fehlerhaft beendet.")},
        {-1, QStringLiteral("Verbindung fehlerhaft beendet.")},
    };
    for (const auto& [code, text] : cases) {
        // The table also holds values outside the enum, as a cast from a stored number would give.
        const auto result = static_cast<SendResult>(code);
        EXPECT_EQ(SendResultText(result), text) << code;
        TUserSP window;
        showForSendRun(window, QStringLiteral("/work/Log/News_08122026_3.log"));
        EXPECT_EQ(window.Label1->text(), QStringLiteral("Bitte warten ..."));
        EXPECT_EQ(window.height(), 123);
        EXPECT_FALSE(window.FlatSB2->isVisible());
        window.setStatusText(QStringLiteral("Senden an a@b.de"));

        window.ShowResult({result});
        EXPECT_EQ(window.Label1->text(), QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))) << code;
        EXPECT_TRUE(window.Label3->text().isEmpty());
        EXPECT_EQ(window.FlatSB1->text(), QStringLiteral("OK"));
        EXPECT_EQ(window.height(), 180);
        EXPECT_EQ(window.width(), 366);
        EXPECT_TRUE(window.FlatSB2->isVisible());
        EXPECT_TRUE(window.FlatSB2->isEnabled());
        EXPECT_EQ(window.FlatSB2->text(), QStringLiteral("Bericht"));
        EXPECT_EQ(window.LogFile, QStringLiteral("/work/Log/News_08122026_3.log"));
        EXPECT_EQ(window.LogTitle, QStringLiteral("News 08.12.2026 #3"));
    }
}

// The run's reason stands whole below the result, however long, clear of the buttons; the status
// line is emptied.
TEST(UserSpass, ResultDetailShowsWholeBelowTheResult)
{
    const QStringList reasons{
        QStringLiteral("No space left on device"),
        QStringLiteral("Das Zertifikat des Mailservers \"smtp.example.org\" ist nicht vertrauenswürdig: Es ist selbst "
                       "ausgestellt oder stammt von einer unbekannten Zertifizierungsstelle."),
    };
    for (const QString& reason : reasons) {
        SCOPED_TRACE(reason.toStdString());
        TUserSP window;
        showForSendRun(window, QStringLiteral("/work/Log/News_08122026_3.log"));
        window.setStatusText(QStringLiteral("Senden an a@b.de"));
        window.ShowResult({SendResult::NoConnection, reason});
        EXPECT_TRUE(window.Label3->text().isEmpty());
        ASSERT_TRUE(window.DetailLabel->isVisible());
        EXPECT_EQ(window.DetailLabel->text(), reason);
        EXPECT_TRUE(window.DetailLabel->wordWrap());
        const QRect detail = window.DetailLabel->geometry();
        EXPECT_TRUE(window.rect().contains(detail));
        EXPECT_GE(detail.height(), window.DetailLabel->heightForWidth(detail.width()));
        EXPECT_FALSE(detail.intersects(window.FlatSB1->geometry()));
        EXPECT_FALSE(detail.intersects(window.FlatSB2->geometry()));
        EXPECT_FALSE(detail.intersects(window.Label1->geometry()));
    }
}

// A log that failed during the run: the window says that sending stopped with how many
// recipients got no mail, how many mails went out, and lists those the log does not hold, whole
// and clear of the buttons, so the run can be resumed.
TEST(UserSpass, IncompleteLogNamesTheMailsItDoesNotHold)
{
    struct Case {
        SendRunOutcome outcome;
        QString sentText; // empty: no such line
        QString listed;   // empty: no list
    };
    const QString full = QStringLiteral("No space left on device");
    const QStringList twoUnlogged{QStringLiteral("anna@bäckerei-müller.de"), QStringLiteral("b@x.de")};
    const QList<Case> cases{
        {{SendResult::LogIncomplete, full, 0, {}, 40},
         QStringLiteral("Versand angehalten: 40 Empfänger haben keine Mail erhalten.\nEs wurde keine Mail versendet."),
         {}},
        {{SendResult::LogIncomplete, full, 1566, {}, 1},
         QStringLiteral("Versand angehalten: 1 Empfänger hat keine Mail erhalten.\n"
                        "1566 Mail(s) versendet, alle im Sendeprotokoll."),
         {}},
        {{SendResult::LogIncomplete, full, 3000, twoUnlogged, 7000},
         QStringLiteral("Versand angehalten: 7000 Empfänger haben keine Mail erhalten.\n"
                        "3000 Mail(s) versendet, davon nicht im Sendeprotokoll:"),
         QStringLiteral("anna@bäckerei-müller.de\nb@x.de")},
        // The log failed after the last mail: nobody is left without one.
        {{SendResult::LogIncomplete, full, 12, twoUnlogged, 0},
         QStringLiteral("12 Mail(s) versendet, davon nicht im Sendeprotokoll:"),
         QStringLiteral("anna@bäckerei-müller.de\nb@x.de")},
        {{SendResult::SendFailed, {}, 3, {QStringLiteral("b@x.de")}, 5}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentText.toStdString());
        TUserSP window;
        showForSendRun(window, QStringLiteral("/work/Log/News_08122026_3.log"));
        window.ShowResult(c.outcome);
        EXPECT_EQ(window.DetailLabel->text(), c.outcome.detail);
        EXPECT_EQ(window.MailsSentLabel->isVisible(), !c.sentText.isEmpty());
        if (!c.sentText.isEmpty()) {
            EXPECT_EQ(window.MailsSentLabel->text(), c.sentText);
            const QRect sent = window.MailsSentLabel->geometry();
            EXPECT_TRUE(window.rect().contains(sent));
            EXPECT_GE(sent.height(), window.MailsSentLabel->heightForWidth(sent.width()));
            EXPECT_FALSE(sent.intersects(window.FlatSB1->geometry()));
            EXPECT_FALSE(sent.intersects(window.FlatSB2->geometry()));
        }
        EXPECT_EQ(window.UnloggedList->isVisible(), !c.listed.isEmpty());
        if (c.listed.isEmpty()) {
            // At least the result's height; more where the lines need it (checked above).
            EXPECT_GE(window.height(), 180);
            continue;
        }
        EXPECT_EQ(window.UnloggedList->toPlainText(), c.listed);
        EXPECT_TRUE(window.UnloggedList->isReadOnly());
        const QRect list = window.UnloggedList->geometry();
        EXPECT_TRUE(window.rect().contains(list));
        EXPECT_FALSE(list.intersects(window.FlatSB1->geometry()));
        EXPECT_FALSE(list.intersects(window.FlatSB2->geometry()));
        EXPECT_FALSE(list.intersects(window.MailsSentLabel->geometry()));
        EXPECT_FALSE(list.intersects(window.DetailLabel->geometry()));
        EXPECT_FALSE(window.MailsSentLabel->geometry().intersects(window.DetailLabel->geometry()));
        EXPECT_TRUE(window.FlatSB2->isVisible());
    }
}

// Mails whose acceptance is not certain are listed below the result, whatever the result, and
// below a full log's list, so the user can check them before sending them again.
TEST(UserSpass, MailsOfUncertainAcceptanceAreNamed)
{
    const QString heading = QStringLiteral("Ob der Mailserver diese Mail(s) angenommen hat, ist nicht sicher; bitte "
                                           "prüfen Sie das, bevor Sie sie noch einmal senden:");
    struct Case {
        const char* name;
        SendRunOutcome outcome;
        QString listed; // empty: no list
    };
    const QList<Case> cases{
        {"sent failed", {SendResult::SendFailed, {}, 0, {}, 0, {QStringLiteral("b@x.de")}}, QStringLiteral("b@x.de")},
        {"disconnect failed",
         {SendResult::DisconnectFailed, {}, 0, {}, 0, {QStringLiteral("a@x.de"), QStringLiteral("grüße@müller.de")}},
         QStringLiteral("a@x.de\ngrüße@müller.de")},
        {"full log",
         {SendResult::LogIncomplete,
          QStringLiteral("No space left on device"),
          2,
          {QStringLiteral("c@x.de")},
          3,
          {QStringLiteral("b@x.de")}},
         QStringLiteral("b@x.de")},
        {"none", {SendResult::SendFailed, {}, 0, {}, 0, {}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TUserSP window;
        showForSendRun(window, QStringLiteral("/work/Log/News_08122026_3.log"));
        window.ShowResult(c.outcome);
        EXPECT_EQ(window.UncertainList->isVisible(), !c.listed.isEmpty());
        EXPECT_EQ(window.UncertainLabel->isVisible(), !c.listed.isEmpty());
        if (c.listed.isEmpty())
            continue;
        EXPECT_EQ(window.UncertainLabel->text(), heading);
        EXPECT_EQ(window.UncertainList->toPlainText(), c.listed);
        EXPECT_TRUE(window.UncertainList->isReadOnly());
        const QRect list = window.UncertainList->geometry();
        EXPECT_GE(list.top(), window.UncertainLabel->geometry().bottom());
        EXPECT_LE(list.bottom(), window.height());
        if (window.UnloggedList->isVisible()) {
            EXPECT_GE(window.UncertainLabel->geometry().top(), window.UnloggedList->geometry().bottom());
        }
    }
}

TEST(UserSpass, RunWithoutLogOfItsOwnHasDisabledReport)
{
    TUserSP window;
    showForSendRun(window);
    window.ShowResult({SendResult::Done});
    EXPECT_TRUE(window.FlatSB2->isVisible());
    EXPECT_FALSE(window.FlatSB2->isEnabled());
    EXPECT_TRUE(window.LogTitle.isEmpty());
    EXPECT_TRUE(window.LogFile.isEmpty());
}

TEST(UserSpass, CancelSetsTheSharedFlagAndChangesNothingElse)
{
    MainWindowLinksRecorder main;
    auto window = std::make_unique<TUserSP>();
    showForSendRun(*window);
    ASSERT_TRUE(window->FlatSB1->isVisible());
    EXPECT_EQ(window->FlatSB1->text(), QStringLiteral("Abbrechen"));
    const auto flag = window->cancelFlag();
    EXPECT_FALSE(flag->load());

    window->FlatSB1->click();
    EXPECT_TRUE(window->cancelRequested());
    EXPECT_EQ(window->FlatSB1->text(), QStringLiteral("Abbrechen"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->Closed);
    EXPECT_TRUE(main.events.isEmpty());
    // The run may keep reading the flag after its window is gone.
    window.reset();
    EXPECT_TRUE(flag->load());
}

TEST(UserSpass, ClosingTellsTheMainWindowAndOnlyHides)
{
    struct Case {
        int mode;
        bool viaOk; // close with "OK" after the result, else with the window's close box during the run
        QStringList events;
    };
    const QList<Case> cases{
        {1, true, {"40868", "40869"}},
        {1, false, {"40868", "40869"}},
        {0, false, {"40868"}},
    };
    for (const Case& c : cases) {
        MainWindowLinksRecorder main;
        TUserSP window;
        window.Mode = c.mode;
        window.show();
        EXPECT_EQ(window.FlatSB1->isVisible(), c.mode == 1);
        if (c.viaOk) {
            window.ShowResult({SendResult::Done});
            window.FlatSB1->click();
        } else {
            window.close();
        }
        EXPECT_TRUE(window.Closed);
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(window.cancelRequested());
        EXPECT_EQ(main.events, c.events) << c.mode << c.viaOk;
    }
}

TEST(UserSpass, ReportOpensTheRunsLog)
{
    MainWindowLinksRecorder main;
    TUserSP window;
    showForSendRun(window, QStringLiteral("/work/Log/News_08122026_1.log"));
    window.ShowResult({SendResult::SendFailed});
    window.FlatSB2->click();
    EXPECT_EQ(main.events, QStringList{QStringLiteral("News 08.12.2026 #1|/work/Log/News_08122026_1.log")});
}

TEST(UserSpass, ProgressNeverPassesItsMaximum)
{
    TUserSP window;
    showForSendRun(window);
    window.initProgress(2);
    EXPECT_EQ(window.FPB1->maximum(), 2);
    EXPECT_EQ(window.FPB1->value(), 0);
    for (int i = 0; i < 4; ++i)
        window.stepProgress();
    EXPECT_EQ(window.FPB1->value(), 2);
}

TEST(UserSpass, MinimizedWindowRestoresItselfForTheResult)
{
    TUserSP window;
    showForSendRun(window);
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    window.ShowResult({SendResult::Done});
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}
