#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;

// The small modeless window "Status" of a long task: a bold title, a status line, a progress
// bar and a bold message line ("Bitte warten ..."), in a black frame on blue-grey. It centres
// itself on its screen each time the program shows it. Main thread only.
class TStatusPanel : public QWidget {
    Q_OBJECT
public:
    explicit TStatusPanel(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setStatusText(const QString& text);
    void initProgress(int maximum);
    void stepProgress();

    QLabel* Label1; // the message line
    QLabel* Label2; // the title
    QLabel* Label3; // the status line
    QProgressBar* FPB1;

protected:
    // Grows or shrinks the window, its frame with it.
    void setPanelHeight(int height);
    void showEvent(QShowEvent* event) override;

private:
    QFrame* m_frame;
};
