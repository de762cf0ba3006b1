#pragma once

#include "addressbook/ImpForm.h"
#include "addressbook/ScreenDatabase.h"
#include "core/Records.h"

class TDM2;
class TEmpfFrame;

// The recipient screen's import command: for the sender chosen in the frame it runs the import
// dialog, the preview with the overwrite question, and then the replace-write. The whole command
// holds the busy guard; while another long operation holds it, the refusal warning is shown.
// Without a chosen sender it only warns. Failures are reported with boxes. Main thread only.
void RunRecipientImport(TEmpfFrame& frame, TDM2& dm, const TDialogRunner& runDialog,
                        const TImpForm::FileChooser& chooseFile = TImpForm::fileDialog());

// Replaces every recipient of the sender in Adressen by the records whose Selected is set, in
// one transaction: afterwards the table holds either exactly those records (Status 0, Send from
// the record) or, after a failure (reported with "#752 " and the engine's message), the rows
// it held before. Rows of other senders are never touched. Shows a progress window meanwhile,
// then reopens the sender's list in the frame and refreshes its count. True when written.
bool ImportRecipients(TEmpfFrame& frame, TDM2& dm, const TFDBData& records, qint64 senderId);
