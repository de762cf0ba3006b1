#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class TFlatSB;

// The progress window of backup and restore: a title, the step, the file being worked on, a
// file bar and a total bar, and "Abbrechen". Shown without being modal and on top of all
// windows; the long steps poll isCancelled() between their pauses. Main thread only.
class TBackupUSPForm : public QDialog {
    Q_OBJECT
public:
    explicit TBackupUSPForm(QWidget* parent = nullptr);

    // Set by "Abbrechen" after the question; nothing stops at once.
    bool Cancelled = false;
    // Runs the poll hook, then tells Cancelled.
    bool isCancelled();
    // Called at every poll before Cancelled is read (tests press the button there).
    void setPollHook(std::function<void(TBackupUSPForm&)> hook) { m_pollHook = std::move(hook); }

    // The file line: name shortened to the label's width.
    void showFileName(const QString& name);
    // Both bars from 0 to their maxima, at 0.
    void setBarMaxima(int fileMaximum, int totalMaximum);

    QLabel* Label1;     // title
    QLabel* Label2;     // step
    QLabel* Label3;     // file
    QProgressBar* FPB1; // file bar
    QProgressBar* FPB2; // total bar
    TFlatSB* FlatSB1;   // "Abbrechen"

    // Escape works like "Abbrechen" while it is enabled; the window is never closed by the user.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FlatSB1Click();

    std::function<void(TBackupUSPForm&)> m_pollHook;
};
