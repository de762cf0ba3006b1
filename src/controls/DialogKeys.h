#pragma once

class QAbstractButton;
class QDialog;

// Gives a dialog whose buttons are no push buttons the keys a user expects: Enter or Return
// clicks confirm, Escape clicks cancel, each only while that button is enabled and shown, so the
// button's own handler (and any question it asks) runs. Keys a child takes for itself, such as
// Return in a multi-line edit, stay the child's. Either button may be null. Main thread.
void linkDialogKeys(QDialog* dialog, QAbstractButton* confirm, QAbstractButton* cancel);
