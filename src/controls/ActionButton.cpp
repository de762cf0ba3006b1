#include "controls/ActionButton.h"

#include <QAbstractButton>
#include <QAction>

void linkButtonToAction(QAbstractButton* button, QAction* action)
{
    button->addAction(action);
    const auto follow = [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
}
