#include "mailing/BetreffForm.h"

#include "controls/ActionButton.h"
#include "controls/ColorNumber.h"
#include "controls/DialogButtons.h"
#include "controls/DialogKeys.h"
#include "controls/DialogLook.h"
#include "controls/TFlatSB.h"
#include "desktop/CommandUpdater.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>

TBetreffForm::TBetreffForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("BetreffForm"));
    setWindowTitle(QStringLiteral("Betreff"));
    setFixedSize(315, 136);
    applyDialogLook(this);

    Label1 = whiteLabel(this);
    Label1->setText(QStringLiteral("Betreffangabe für das zu versendende Newsletter\r\n(z.B.: NEWSLETTER 03/2002)"));
    Label1->setGeometry(12, 10, 291, 30);

    FE1 = new QLineEdit(this);
    FE1->setObjectName(QStringLiteral("FE1"));
    FE1->setMaxLength(kMaxSubjectLength);
    FE1->setGeometry(12, 52, 291, 21);
    QPalette required = FE1->palette();
    required.setColor(QPalette::Base, colorFromNumber(51455));
    FE1->setPalette(required);

    FlatSB1 = cancelButton(this);
    FlatSB1->move(127, 100);

    BetreffWeiter = new QAction(QStringLiteral("Weiter >>"), this);
    connect(BetreffWeiter, &QAction::triggered, this, &TBetreffForm::BetreffWeiterExecute);
    FlatSB2 = new TFlatSB(this);
    FlatSB2->move(218, 100);
    linkButtonToAction(FlatSB2, BetreffWeiter);
    linkDialogKeys(this, FlatSB2, FlatSB1);

    m_updater = new CommandUpdater(this);
    m_updater->addCommand(BetreffWeiter, [this](QAction*) { BetreffWeiterUpdate(); });
    BetreffWeiterUpdate();
    centreOnScreen(this);
}

void TBetreffForm::BetreffWeiterUpdate()
{
    // Blanks count as a subject; nothing is trimmed.
    const bool enabled = !FE1->text().isEmpty();
    if (BetreffWeiter->isEnabled() != enabled)
        BetreffWeiter->setEnabled(enabled);
}

void TBetreffForm::BetreffWeiterExecute()
{
    if (FE1->text().isEmpty())
        return;
    Result = 1;
    Subject = FE1->text();
    accept();
}
