#pragma once

#include <QDialog>

class CommandUpdater;
class QAction;
class QBoxLayout;
class QComboBox;
class QLineEdit;
class QVBoxLayout;
class TFlatSB;

// The frame of the dialogs that edit one record: fixed client size, centred on the screen, the
// record's controls on top and, after a separator line, "OK" (bold, on the confirm command) and
// "Abbrechen". Cancelled is true from creation and false only after the confirm command ran;
// Abbrechen, Escape and the close box close the dialog with it still true. The confirm command
// is enabled at idle time exactly while canConfirm() holds. Created by its caller for one use.
class TRecordDialog : public QDialog {
    Q_OBJECT
public:
    bool Cancelled = true;

    // The confirm command and the two buttons.
    QAction* confirmCommand() const { return m_confirm; }
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;

    // Runs the idle-time update of the confirm command now (tests; the event loop does it too).
    void updateCommands();

protected:
    TRecordDialog(const QString& title, QSize clientSize, const QString& confirmName, QWidget* parent);

    // The layout the subclass fills with its controls.
    QVBoxLayout* body() const { return m_body; }
    // The control that takes the focus when the dialog is shown.
    void setFirstFocus(QWidget* widget) { m_firstFocus = widget; }
    virtual bool canConfirm() const = 0;

    // A caption above a flat edit, added to layout.
    QLineEdit* addEdit(QBoxLayout* layout, const QString& caption, const QString& name, int limit,
                       bool required = false);
    // A caption above an editable combo box with the given choices, added to layout.
    QComboBox* addCombo(QBoxLayout* layout, const QString& caption, const QString& name, int limit,
                        const QStringList& choices);

    void showEvent(QShowEvent* event) override;

private:
    QVBoxLayout* m_body;
    QAction* m_confirm;
    CommandUpdater* m_updater;
    QWidget* m_firstFocus = nullptr;
};
