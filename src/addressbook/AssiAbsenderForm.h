#pragma once

#include "core/Records.h"

#include <QDialog>

#include <array>
#include <memory>

class CommandUpdater;
class QAction;
class QVBoxLayout;
class TAssiAbsAdressFrame;
class TAssiAbsKommFrame;
class TAssiAbsSMTPFrame;
class TAssiAbsSchlussFrame;
class TAssiAbsVerfasserFrame;
class TAssiAllgemeinFrame;
class TAssiStepFrame;
class TDM2;
class TFlatSB;

// The wizard that leads the user through six steps to the first sender: welcome, address,
// communication, author, SMTP server, end. The values live in one record while the wizard is
// shown; leaving a step stores its edits and entering one loads them, so typed values survive
// moves back and forth. Only "Fertigstellen" on the last step writes, appending one row to
// Verfasser through AbsendQuery with the SMTP user name and password encoded; a failure there
// is reported with the database message and the wizard closes all the same. "Abbrechen" (or
// Escape) asks before closing, the close box closes at once; neither writes anything.
//
// The main window creates it without an owner when the database has no sender, runs it
// modally and deletes it; whether a sender was written shows in the table. Main thread only;
// the database module must outlive the wizard.
class TAssiAbsenderForm : public QDialog {
    Q_OBJECT
public:
    explicit TAssiAbsenderForm(TDM2& dm, QWidget* parent = nullptr);
    ~TAssiAbsenderForm() override;

    // 1 to 6 while shown, 0 before the first show and after closing.
    int currentStep() const;
    // Runs the idle-time command update now (tests; the event loop runs it too).
    void updateCommands();

    void AssiAbsForExecute();
    void AssiAbsBackExecute();
    void FlatSB3Click();

    QAction* AssiAbsBack;
    QAction* AssiAbsFor;
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;
    TFlatSB* FlatSB3;
    QWidget* P2;

    // The frame of the step shown sits in its slot; every other slot is null. Set by the form.
    TAssiAllgemeinFrame* WelcomeFrame = nullptr;
    TAssiAbsAdressFrame* AddressFrame = nullptr;
    TAssiAbsKommFrame* CommFrame = nullptr;
    TAssiAbsVerfasserFrame* AuthorFrame = nullptr;
    TAssiAbsSMTPFrame* SmtpFrame = nullptr;
    TAssiAbsSchlussFrame* FinalFrame = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing ends here: the step shown is left and the record freed.
    void done(int result) override;

private:
    QWidget* buildBand();
    void WizardStep(bool forward);
    // Shows the message and returns false when a value the current step needs is missing or
    // cannot be stored.
    bool StepValuesAccepted();
    void goToStep(int step);
    void ShowWelcomeStep();
    void CloseCurrentStep();
    void ClearFrameSlots();
    // The six slots in step order.
    std::array<TAssiStepFrame*, 6> stepSlots() const;
    TAssiStepFrame* currentFrame() const;
    void NewRecord();
    void FreeRecord();
    bool SaveWizardSender();
    void AssiAbsBackUpdate();

    TDM2& m_dm;
    CommandUpdater* m_updater;
    QVBoxLayout* m_stepHost;
    std::unique_ptr<TAbsenderDataRecord> m_record;
};
