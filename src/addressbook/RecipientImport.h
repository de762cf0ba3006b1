#pragma once

#include "addressbook/ImpForm.h"
#include "addressbook/ScreenDatabase.h"
#include "addressbook/SenderChoice.h"
#include "core/Records.h"

#include <optional>

class TDM2;

// The recipient screen's import command: for the chosen sender it runs the import dialog, the
// preview with the overwrite question, and then the replace-write. The whole command holds the
// busy guard; while another long operation holds it, the refusal warning is shown. Without a
// chosen sender it only warns. Failures are reported with boxes. True when the recipients were
// written: the caller then shows the sender's list anew. Main thread only.
bool RunRecipientImport(const std::optional<TDBABSRecord>& sender, TDM2& dm, const TDialogRunner& runDialog,
                        const TImpForm::FileChooser& chooseFile = TImpForm::fileDialog());

// Replaces every recipient of the sender in Adressen by the records whose Selected is set, in
// one transaction: afterwards the table holds either exactly those records (Status 0, Send from
// the record) or, after a failure (reported with "#752 " and the engine's message), the rows
// it held before. Rows of other senders are never touched, nor is the recipient grid's query.
// Shows a progress window meanwhile. True when written.
bool ImportRecipients(TDM2& dm, const TFDBData& records, qint64 senderId);
