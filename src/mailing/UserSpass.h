#pragma once

#include "controls/StatusPanel.h"
#include "mail/SendRunReporter.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// How a status window reaches the main window, which sits in a higher layer. The main window
// sets these once; each is optional. Both notices are delivered synchronously from the close.
struct StatusWindowLinks {
    std::function<void()> sendWindowClosed; // window message 40868
    std::function<void()> logsChanged;      // window message 40869
    std::function<void(const QString& title, const QString& file)> showLog;
};

// A send run's status window. Mode 1: with the cancel button, the result text and the
// "Bericht" command; any other mode: the bare panel. Main thread only; the cancel flag may be
// read from any thread.
//
// Created without parent (owned by the send slot). Closing only hides it, sets Closed and tells
// the main window; its owner frees it later.
class TUserSP : public TStatusPanel {
    Q_OBJECT
public:
    static void setMainWindowLinks(StatusWindowLinks links);

    explicit TUserSP(QWidget* parent = nullptr);

    // Set by the creator before show().
    int Mode = 0;
    QString LogName; // the run's own log; empty when the run has none
    // Set by ShowResult when LogName is not empty.
    QString LogTitle;
    QString LogFile;
    // The user has closed the window; read by the main window's clean-up.
    bool Closed = false;

    // "Abbrechen" was pressed. A run may keep the shared flag to read it after the window is gone.
    bool cancelRequested() const { return m_cancel->load(); }
    std::shared_ptr<std::atomic<bool>> cancelFlag() const { return m_cancel; }

    // Shows the run's final result with the "OK" button and "Bericht". Below the result the
    // window grows to show the run's reason whole (a log that could not be written, a connection
    // refused for its certificate), and for a log that failed during the run that sending
    // stopped, how many recipients got no mail, how many mails went out and those the log does
    // not hold; and the mails whose acceptance is not certain.
    void ShowResult(const SendRunOutcome& outcome);

    QPushButton* FlatSB1;
    QPushButton* FlatSB2;
    QAction* USPBericht;
    QLabel* DetailLabel;           // the outcome's reason, when it has one
    QLabel* MailsSentLabel;        // shown for a log that failed during the run: what went out
    QPlainTextEdit* UnloggedList;  // one address a line, to copy; shown when it has any
    QLabel* UncertainLabel;        // shown when a mail's acceptance is not certain
    QPlainTextEdit* UncertainList; // those mails, one address a line

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    static QString mailsSentText(const SendRunOutcome& outcome);
    // Shows text in line at top unless it is empty; returns the top of what comes next.
    static int placeResultLine(QLabel* line, const QString& text, int top);
    void FlatSB1Click();
    void USPBerichtExecute();

    int m_buttonTag = 0; // 0: the button cancels, 1: it closes
    std::shared_ptr<std::atomic<bool>> m_cancel = std::make_shared<std::atomic<bool>>(false);
};
