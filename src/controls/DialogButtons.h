#pragma once

#include <QString>

class QDialog;
class QHBoxLayout;
class QWidget;
class TFlatSB;

// Whether a dialog's confirm button is drawn bold, as its default button.
enum class ConfirmWeight { Normal, Bold };

// The foot of a dialog: its confirm button ("OK" until a linked command names it) and
// "Abbrechen", right-aligned in a row the caller puts into its layout. The caller connects both
// buttons. Names are the buttons' object names (empty: none).
struct DialogButtonRow {
    TFlatSB* confirm;
    TFlatSB* cancel;
    QHBoxLayout* layout;
};
DialogButtonRow dialogButtonRow(QWidget* dialog, ConfirmWeight weight, const QString& confirmName = {},
                                const QString& cancelName = {});

// A lone "Abbrechen" that rejects the dialog, for dialogs that place their buttons themselves.
TFlatSB* cancelButton(QDialog* dialog);
