#include "mailing/UserSpass.h"

#include "controls/ActionButton.h"
#include "mail/SendLogNames.h"
#include "mail/SendResult.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kResultHeight = 180; // brings the report button below "OK" into view

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
}

void TUserSP::ShowResult(SendResult result, const QString& detail)
{
    if (isMinimized())
        showNormal();
    else {
        raise();
        activateWindow();
    }
    // A line break inside a result text is CR LF; the label breaks at LF.
    Label1->setText(SendResultText(result).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    Label3->setText(detail);
    FlatSB1->setText(QStringLiteral("OK"));
    m_buttonTag = 1;
    setPanelHeight(kResultHeight);
    USPBericht->setText(QStringLiteral("Bericht"));
    USPBericht->setEnabled(!LogName.isEmpty());
    USPBericht->setVisible(true);
    repaint();
    if (!LogName.isEmpty()) {
        LogFile = LogName;
        LogTitle = LogTitleFromFileName(QFileInfo(LogFile).fileName());
    }
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
