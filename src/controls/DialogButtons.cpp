#include "controls/DialogButtons.h"

#include "controls/TFlatSB.h"

#include <QDialog>
#include <QHBoxLayout>

namespace {

TFlatSB* namedButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new TFlatSB(text, parent);
    if (!name.isEmpty())
        button->setObjectName(name);
    return button;
}

} // namespace

DialogButtonRow dialogButtonRow(QWidget* dialog, ConfirmWeight weight, const QString& confirmName,
                                const QString& cancelName)
{
    DialogButtonRow row{namedButton(QStringLiteral("OK"), confirmName, dialog),
                        namedButton(QStringLiteral("Abbrechen"), cancelName, dialog), new QHBoxLayout};
    if (weight == ConfirmWeight::Bold) {
        QFont bold = row.confirm->font();
        bold.setBold(true);
        row.confirm->setFont(bold);
    }
    row.layout->addStretch(1);
    row.layout->addWidget(row.confirm);
    row.layout->addWidget(row.cancel);
    return row;
}

TFlatSB* cancelButton(QDialog* dialog)
{
    auto* button = new TFlatSB(QStringLiteral("Abbrechen"), dialog);
    QObject::connect(button, &QAbstractButton::clicked, dialog, &QDialog::reject);
    return button;
}
