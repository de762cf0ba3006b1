#include "mailing/UserSpass.h"

#include "controls/ActionButton.h"
#include "mail/SendLogNames.h"
#include "mail/SendResult.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr int kResultHeight = 180;   // brings the report button below "OK" into view
constexpr int kResultLinesTop = 108; // below the result text, left of the buttons
constexpr int kResultLinesWidth = 250;
constexpr int kUnloggedListHeight = 90;
constexpr int kMargin = 12;

// A white, wrapping line of the result, hidden until it has a text.
QLabel* resultLine(QWidget* parent)
{
    auto* line = new QLabel(parent);
    line->setWordWrap(true);
    line->setStyleSheet(QStringLiteral("color: white;"));
    line->setVisible(false);
    return line;
}

// That sending stopped and how many recipients got no mail, when any did; ends in a line break.
QString stoppedText(int withoutMail)
{
    if (withoutMail <= 0)
        return {};
    if (withoutMail == 1)
        return QStringLiteral("Versand angehalten: 1 Empfänger hat keine Mail erhalten.\n");
    return QStringLiteral("Versand angehalten: ") + QString::number(withoutMail) +
           QStringLiteral(" Empfänger haben keine Mail erhalten.\n");
}

// A read-only list of addresses, one a line, to copy; hidden until it has any.
QPlainTextEdit* addressList(QWidget* parent)
{
    auto* list = new QPlainTextEdit(parent);
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setVisible(false);
    return list;
}

StatusWindowLinks& links()
{
    static StatusWindowLinks instance;
    return instance;
}

} // namespace

void TUserSP::setMainWindowLinks(StatusWindowLinks newLinks)
{
    links() = std::move(newLinks);
}

TUserSP::TUserSP(QWidget* parent) : TStatusPanel(parent)
{
    FlatSB1 = new QPushButton(this);
    FlatSB1->setGeometry(272, 88, 77, 23);
    connect(FlatSB1, &QPushButton::clicked, this, &TUserSP::FlatSB1Click);

    USPBericht = new QAction(QStringLiteral("Bericht"), this);
    USPBericht->setVisible(false);
    connect(USPBericht, &QAction::triggered, this, &TUserSP::USPBerichtExecute);
    FlatSB2 = new QPushButton(this);
    FlatSB2->setGeometry(272, 142, 77, 23);
    linkButtonToAction(FlatSB2, USPBericht);

    DetailLabel = resultLine(this);
    MailsSentLabel = resultLine(this);
    UnloggedList = addressList(this);
    UncertainLabel = resultLine(this);
    UncertainList = addressList(this);
}

void TUserSP::ShowResult(const SendRunOutcome& outcome)
{
    if (isMinimized())
        showNormal();
    else {
        raise();
        activateWindow();
    }
    // A line break inside a result text is CR LF; the label breaks at LF.
    Label1->setText(SendResultText(outcome.result).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    Label3->clear();
    FlatSB1->setText(QStringLiteral("OK"));
    m_buttonTag = 1;
    // The reason and, for a log that failed during the run, the mails sent and those the log
    // misses stand one below the other under the result; the window grows to show them whole.
    int top = kResultLinesTop;
    top = placeResultLine(DetailLabel, outcome.detail, top);
    if (outcome.result == SendResult::LogIncomplete) {
        top = placeResultLine(MailsSentLabel, mailsSentText(outcome), top);
        if (!outcome.unloggedRecipients.isEmpty()) {
            UnloggedList->setPlainText(outcome.unloggedRecipients.join(u'\n'));
            UnloggedList->setGeometry(kMargin, top, kResultLinesWidth, kUnloggedListHeight);
            UnloggedList->setVisible(true);
            top += kUnloggedListHeight + kMargin;
        }
    }
    if (!outcome.uncertainRecipients.isEmpty()) {
        top = placeResultLine(UncertainLabel,
                              QStringLiteral("Ob der Mailserver diese Mail(s) angenommen hat, ist nicht sicher; "
                                             "bitte prüfen Sie das, bevor Sie sie noch einmal senden:"),
                              top);
        UncertainList->setPlainText(outcome.uncertainRecipients.join(u'\n'));
        UncertainList->setGeometry(kMargin, top, kResultLinesWidth, kUnloggedListHeight);
        UncertainList->setVisible(true);
        top += kUnloggedListHeight + kMargin;
    }
    setPanelHeight(qMax(kResultHeight, top));
    USPBericht->setText(QStringLiteral("Bericht"));
    USPBericht->setEnabled(!LogName.isEmpty());
    USPBericht->setVisible(true);
    repaint();
    if (!LogName.isEmpty()) {
        LogFile = LogName;
        LogTitle = LogTitleFromFileName(QFileInfo(LogFile).fileName());
    }
}

QString TUserSP::mailsSentText(const SendRunOutcome& outcome)
{
    // The run stopped at the failed log: where to resume comes first.
    const QString stopped = stoppedText(outcome.recipientsWithoutMail);
    const int sent = outcome.mailsSent;
    if (sent == 0)
        return stopped + QStringLiteral("Es wurde keine Mail versendet.");
    if (outcome.unloggedRecipients.isEmpty())
        return stopped + QString::number(sent) + QStringLiteral(" Mail(s) versendet, alle im Sendeprotokoll.");
    return stopped + QString::number(sent) + QStringLiteral(" Mail(s) versendet, davon nicht im Sendeprotokoll:");
}

int TUserSP::placeResultLine(QLabel* line, const QString& text, int top)
{
    if (text.isEmpty())
        return top;
    line->setText(text);
    const int height = line->heightForWidth(kResultLinesWidth);
    line->setGeometry(kMargin, top, kResultLinesWidth, height);
    line->setVisible(true);
    return top + height + 4;
}

void TUserSP::showEvent(QShowEvent* event)
{
    if (Mode == 1) {
        FlatSB1->setVisible(true);
        if (m_buttonTag == 0)
            FlatSB1->setText(QStringLiteral("Abbrechen"));
    } else {
        FlatSB1->setVisible(false);
    }
    TStatusPanel::showEvent(event);
}

void TUserSP::closeEvent(QCloseEvent* event)
{
    // Closing never cancels a run; the window is only hidden and freed later by its owner.
    Closed = true;
    const StatusWindowLinks& main = links();
    if (main.sendWindowClosed)
        main.sendWindowClosed();
    if (Mode == 1 && main.logsChanged)
        main.logsChanged();
    event->accept();
}

void TUserSP::FlatSB1Click()
{
    if (m_buttonTag == 0)
        m_cancel->store(true);
    else if (m_buttonTag == 1)
        close();
}

void TUserSP::USPBerichtExecute()
{
    if (links().showLog)
        links().showLog(LogTitle, LogFile);
}
