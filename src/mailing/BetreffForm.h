#pragma once

#include <QDialog>

class CommandUpdater;
class QAction;
class QLabel;
class QLineEdit;
class TFlatSB;

// The subject dialog "Betreff" of the send workflow. The caller creates it, shows it modally,
// reads Result and, when it is 1, Subject, then frees it. Main thread only.
class TBetreffForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxSubjectLength = 100;

    explicit TBetreffForm(QWidget* parent = nullptr);

    quint8 Result = 0;
    QString Subject; // exactly as typed, after "Weiter >>"

    // The idle-time handler of BetreffWeiter; public so tests can run it.
    void BetreffWeiterUpdate();

    QLabel* Label1;
    QLineEdit* FE1;
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;
    QAction* BetreffWeiter;

private:
    void BetreffWeiterExecute();

    CommandUpdater* m_updater;
};
