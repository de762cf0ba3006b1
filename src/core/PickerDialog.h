#pragma once

#include <Qt>

class QDialog;
class QLabel;
class QString;

// What the folder and archive pickers share: their window and their bold title line.
namespace PickerDialog {

// A fixed-size dialog with a title bar and its close box only.
inline constexpr Qt::WindowFlags kWindowFlags =
    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// Names the picker objectName, captions it "kubNEWSLETTER" and gives it the bold title text,
// which the caller places.
QLabel* setUp(QDialog& picker, const QString& objectName, const QString& title);

} // namespace PickerDialog
