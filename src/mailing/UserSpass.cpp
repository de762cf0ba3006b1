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

constexpr int kResultHeight = 180; // brings the report button below "OK" into view
constexpr int kUnloggedListTop = 140;
constexpr int kUnloggedListHeight = 90;
constexpr int kMargin = 12;

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

    MailsSentLabel = new QLabel(this);
    MailsSentLabel->setGeometry(kMargin, 108, 250, 30);
    MailsSentLabel->setWordWrap(true);
    MailsSentLabel->setStyleSheet(QStringLiteral("color: white;"));
    MailsSentLabel->setVisible(false);
    UnloggedList = new QPlainTextEdit(this);
    UnloggedList->setGeometry(kMargin, kUnloggedListTop, 250, kUnloggedListHeight);
    UnloggedList->setReadOnly(true);
    UnloggedList->setLineWrapMode(QPlainTextEdit::NoWrap);
    UnloggedList->setVisible(false);
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
    Label3->setText(outcome.detail);
    FlatSB1->setText(QStringLiteral("OK"));
    m_buttonTag = 1;
    setPanelHeight(kResultHeight);
    if (outcome.result == SendResult::LogIncomplete)
        showMailsSent(outcome.mailsSent, outcome.unloggedRecipients);
    USPBericht->setText(QStringLiteral("Bericht"));
    USPBericht->setEnabled(!LogName.isEmpty());
    USPBericht->setVisible(true);
    repaint();
    if (!LogName.isEmpty()) {
        LogFile = LogName;
        LogTitle = LogTitleFromFileName(QFileInfo(LogFile).fileName());
    }
}

void TUserSP::showMailsSent(int sent, const QStringList& unlogged)
{
    if (sent == 0)
        MailsSentLabel->setText(QStringLiteral("Es wurde keine Mail versendet."));
    else if (unlogged.isEmpty())
        MailsSentLabel->setText(QString::number(sent) + QStringLiteral(" Mail(s) versendet, alle im Sendeprotokoll."));
    else
        MailsSentLabel->setText(QString::number(sent) +
                                QStringLiteral(" Mail(s) versendet, davon nicht im Sendeprotokoll:"));
    MailsSentLabel->setVisible(true);
    if (unlogged.isEmpty())
        return;
    UnloggedList->setPlainText(unlogged.join(u'\n'));
    UnloggedList->setVisible(true);
    setPanelHeight(kUnloggedListTop + kUnloggedListHeight + kMargin);
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
