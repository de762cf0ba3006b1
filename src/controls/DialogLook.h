#pragma once

class QLabel;
class QWidget;

// The look shared by the send workflow's dialogs: the form colour 9730670, Verdana 8 pt, and
// labels in white.
void applyDialogLook(QWidget* dialog);
QLabel* whiteLabel(QWidget* parent);
// Centres a top-level window on its screen (the primary one until it has been shown elsewhere).
void centreOnScreen(QWidget* window);
