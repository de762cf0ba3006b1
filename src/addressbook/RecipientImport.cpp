#include "addressbook/RecipientImport.h"

#include "addressbook/EmpfF.h"
#include "addressbook/ImpCheckForm.h"
#include "addressbook/ImportProgress.h"
#include "core/DM.h"
#include "platform/DbSqlite.h"
#include "platform/MessageBoxes.h"


namespace {

// The Adressen columns of the fifteen texts, in RecipientField order.
const QString kColumns[kRecipientFieldCount] = {
    QStringLiteral("Anrede"), QStringLiteral("Name"),   QStringLiteral("ZName"), QStringLiteral("Strasse"),
    QStringLiteral("PLZ"),    QStringLiteral("Ort"),    QStringLiteral("ZAdresse"), QStringLiteral("Land"),
    QStringLiteral("Email"),  QStringLiteral("Tel"),    QStringLiteral("Fax"),   QStringLiteral("Firma"),
    QStringLiteral("Titel"),  QStringLiteral("Vorname"), QStringLiteral("BFormel")};

void writeRecords(TDM2& dm, const TFDBData& records, qint64 senderId, TImportProgress& progress)
{
    DbQuery& query = dm.EmpfQuery;
    DbTransaction transaction(dm.AdsConnection1);
    ScreenDatabase::program(query, {QStringLiteral("DELETE FROM Adressen"), QStringLiteral("WHERE AbsenderID = :AID")});
    query.param(0).setAsInteger(senderId);
    query.execSql();

    // One statement prepared for all rows; the list is read again once the write is done.
    QStringList columns{QStringLiteral("AbsenderID"), QStringLiteral("Status"), QStringLiteral("Send")};
    for (const QString& column : kColumns)
        columns.append(column);
    DbSqlite::Statement insert(dm.AdsConnection1.database(query.name()), query.name(),
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

bool ImportRecipients(TEmpfFrame& frame, TDM2& dm, const TFDBData& records, qint64 senderId)
{
    DbQuery& query = dm.EmpfQuery;
    // The grid does not follow the query while it is rewritten.
    query.disableControls();
    TImportProgress progress(QStringLiteral("Importieren"), QStringLiteral("Vorbereiten"));
    progress.begin(static_cast<int>(records.size()));
    bool written = false;
    try {
        writeRecords(dm, records, senderId, progress);
        written = true;
    } catch (const std::exception& e) {
        query.close();
        progress.close();
        MessageBoxes::error(QStringLiteral("#752 ") + QString::fromUtf8(e.what()));
    }
    frame.OpenRecipientList(senderId);
    query.enableControls();
    frame.UpdateRecipientCount();
    return written;
}

void RunRecipientImport(TEmpfFrame& frame, TDM2& dm, const TDialogRunner& runDialog,
                        const TImpForm::FileChooser& chooseFile)
{
    if (!frame.hasChosenSender()) {
        MessageBoxes::warning(
            QStringLiteral("Die Absenderdaten konnten nicht ermittelt werden!\r\n"
                           "Bitte wählen Sie vor dem Import von Empfängerdaten einen zugehörigen Absender aus.\r\n"
                           "Sollte kein Absender zur Auswahl stehen, fügen Sie bitte unter dem Menüpunkt\r\n"
                           "\"Bearbeiten / Absenderdaten\" einen neuen Absender hinzu."));
        return;
    }
    ScreenDatabase::runGuarded(QStringLiteral("Import"), [&] {
        const TDBABSRecord sender = frame.chosenSender();
        TFDBData records;
        {
            TImpForm import(records, sender.Firma, chooseFile);
            runDialog(import);
            if (!import.Accepted)
                return;
        }
        {
            TImpCheckForm check;
            check.FillRows(records);
            runDialog(check);
            if (!check.Confirmed)
                return;
            check.ApplyUnchecked(records);
        }
        ImportRecipients(frame, dm, records, sender.ID);
    });
}
