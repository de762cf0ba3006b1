#include "addressbook/RecipientImport.h"

#include "addressbook/ImpCheckForm.h"
#include "addressbook/ImportProgress.h"
#include "core/DM.h"
#include "desktop/MessageBoxes.h"
#include "platform/DbSqlite.h"

#include <new>

namespace {

const QString kOutOfMemory = QStringLiteral("Für den Import reicht der Arbeitsspeicher nicht aus.");

void writeRecords(TDM2& dm, const TFDBData& records, qint64 senderId, TImportProgress& progress)
{
    // Errors name the recipient grid's query, whose work this is; the query itself keeps its rows.
    const QString component = dm.EmpfQuery.name();
    DbTransaction transaction(dm.AdsConnection1);
    dm.AdsConnection1.execute(component, QStringLiteral("DELETE FROM Adressen WHERE AbsenderID = ?"), {senderId});

    // One statement prepared for all rows.
    QStringList columns{QStringLiteral("AbsenderID"), QStringLiteral("Status"), QStringLiteral("Send")};
    for (const RecipientFieldInfo& info : kRecipientFields)
        columns.append(info.column.toString());
    DbSqlite::Statement insert(
        dm.AdsConnection1.database(component), component,
        QStringLiteral("INSERT INTO Adressen (%1) VALUES (%2)")
            .arg(columns.join(u','), QStringList(columns.size(), QStringLiteral("?")).join(u',')));
    for (qsizetype index = 0; index < records.size(); ++index) {
        const TRecipientMailData& record = records.at(index);
        if (record.Selected) {
            insert.bindInteger(0, senderId);
            insert.bindInteger(1, 0);
            insert.bindInteger(2, record.Send ? 1 : 0);
            for (int field = 0; field < kRecipientFieldCount; ++field)
                insert.bindText(3 + field, record.text(field));
            insert.step();
        }
        progress.step(QString::number(index + 1));
    }
    transaction.commit();
}

} // namespace

bool ImportRecipients(TDM2& dm, const TFDBData& records, qint64 senderId)
{
    TImportProgress progress(QStringLiteral("Importieren"), QStringLiteral("Vorbereiten"));
    progress.begin(static_cast<int>(records.size()));
    try {
        writeRecords(dm, records, senderId, progress);
        return true;
    } catch (const std::bad_alloc&) {
        progress.close();
        MessageBoxes::error(QStringLiteral("#752 ") + kOutOfMemory);
        return false;
    } catch (const std::exception& e) {
        progress.close();
        MessageBoxes::error(QStringLiteral("#752 ") + QString::fromUtf8(e.what()));
        return false;
    }
}

bool RunRecipientImport(const std::optional<TDBABSRecord>& sender, TDM2& dm, const TDialogRunner& runDialog,
                        const TImpForm::FileChooser& chooseFile)
{
    if (!sender) {
        MessageBoxes::warning(
            QStringLiteral("Die Absenderdaten konnten nicht ermittelt werden!\r\n"
                           "Bitte wählen Sie vor dem Import von Empfängerdaten einen zugehörigen Absender aus.\r\n"
                           "Sollte kein Absender zur Auswahl stehen, fügen Sie bitte unter dem Menüpunkt\r\n"
                           "\"Bearbeiten / Absenderdaten\" einen neuen Absender hinzu."));
        return false;
    }
    bool written = false;
    ScreenDatabase::runGuarded(QStringLiteral("Import"), [&] {
        TFDBData records;
        try {
            ImportNotes notes;
            {
                TImpForm import(records, sender->Firma, chooseFile);
                runDialog(import);
                if (!import.Accepted)
                    return;
                notes = import.Notes();
            }
            TImpCheckForm check;
            check.FillRows(records);
            check.ShowNotes(notes);
            runDialog(check);
            if (!check.Confirmed)
                return;
            check.ApplyUnchecked(records);
        } catch (const std::bad_alloc&) {
            // The table is untouched: the write has not begun.
            MessageBoxes::error(kOutOfMemory);
            return;
        }
        written = ImportRecipients(dm, records, sender->ID);
    });
    return written;
}
