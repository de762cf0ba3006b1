#pragma once

#include "desktop/MessageBoxes.h"

#include <QWidget>

class QLabel;
class QProgressBar;

// The splash window of the start and the simple progress window of the send workflow: a
// borderless, stay-on-top window, centred on the screen, showing the splash picture with one
// status line (Label1) and a progress bar (FPB1, 0 to 100, hidden until a user shows it). It
// hides while a message box is up, so that no box opens under it.
class TPStartForm : public QWidget {
    Q_OBJECT
public:
    explicit TPStartForm(QWidget* parent = nullptr);

    QLabel* Label1;
    QProgressBar* FPB1;

    // Sets the status line and lets pending events be processed so that it shows at once.
    void showStatus(const QString& text);

private:
    HiddenWhileBoxShows m_hiddenWhileBoxShows{this};
};
