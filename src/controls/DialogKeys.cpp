#include "controls/DialogKeys.h"

#include <QAbstractButton>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>

namespace {

class DialogKeyFilter : public QObject {
public:
    DialogKeyFilter(QDialog* dialog, QAbstractButton* confirm, QAbstractButton* cancel)
        : QObject(dialog), m_dialog(dialog), m_confirm(confirm), m_cancel(cancel)
    {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_dialog || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers != Qt::NoModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return press(m_confirm);
        case Qt::Key_Escape:
            return press(m_cancel);
        default:
            return false;
        }
    }

private:
    static bool press(QAbstractButton* button)
    {
        if (!button)
            return false;
        // A disabled button swallows the key, so Escape does not close past a refused cancel.
        if (button->isEnabled() && button->isVisible())
            button->click();
        return true;
    }

    QDialog* m_dialog;
    QPointer<QAbstractButton> m_confirm;
    QPointer<QAbstractButton> m_cancel;
};

} // namespace

void linkDialogKeys(QDialog* dialog, QAbstractButton* confirm, QAbstractButton* cancel)
{
    dialog->installEventFilter(new DialogKeyFilter(dialog, confirm, cancel));
}
