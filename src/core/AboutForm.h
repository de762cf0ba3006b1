#pragma once

#include <QDialog>

class QLabel;
class TFlatSB;

// The about box "Info": product title, the stored version and a close button. Created by the
// code that shows it, modally, and freed after it closes.
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel* Label4;   // the stored version value, empty when none is stored
    TFlatSB* FlatSB1; // "Schließen"

protected:
    void showEvent(QShowEvent* event) override;
};
