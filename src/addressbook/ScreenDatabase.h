#pragma once

#include <QDialog>
#include <QStringList>

#include <exception>
#include <functional>

class DbQuery;

// What the list screens share for their database work.
namespace ScreenDatabase {

// Reprograms a shared query for one statement: close, clear the lines, add them one by one.
// The caller then sets the parameters by position and opens or executes it.
void program(DbQuery& query, const QStringList& lines);

// The database message of the list screens (error icon, OK) with the exception's text.
void showFailure(const std::exception& failure);

// Runs one change of a list screen between disableControls and enableControls on query:
// change returns false when it has reported a failure itself; an exception is reported with
// the database message (a row whose post failed is dropped first). With keepRow the row that
// was current before comes back afterwards, when the query is open. The clean-up runs on every
// path and never throws. Returns true on success.
bool runChange(DbQuery& query, bool keepRow, const std::function<bool()>& change);

// Runs a routine that waits for the user (dialogs, questions) under the busy guard, so the main
// window neither frees the screen nor closes meanwhile. While another long operation holds the
// guard, the routine does not run and the refusal warning is shown instead.
void runGuarded(const QString& operation, const std::function<void()>& routine);

} // namespace ScreenDatabase

// Runs a modal dialog and returns when it has closed. The list screens take one so that tests
// can fill in and close their dialogs; the default runs QDialog::exec.
using TDialogRunner = std::function<void(QDialog& dialog)>;

inline TDialogRunner execDialog()
{
    return [](QDialog& dialog) { dialog.exec(); };
}
