#include "core/PickerDialog.h"

#include <QDialog>
#include <QLabel>

namespace PickerDialog {

QLabel* setUp(QDialog& picker, const QString& objectName, const QString& title)
{
    picker.setObjectName(objectName);
    picker.setWindowTitle(QStringLiteral("kubNEWSLETTER"));
    auto* label = new QLabel(title, &picker);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace PickerDialog
