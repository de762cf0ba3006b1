#pragma once

class QAbstractButton;
class QAction;

// Lets a button stand for a command: a click triggers the action, and the button follows the
// action's caption, enabled state and visibility. The action counts as shown on the button for
// the idle-time command updates. Neither owns the other.
void linkButtonToAction(QAbstractButton* button, QAction* action);
