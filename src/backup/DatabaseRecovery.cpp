#include "backup/DatabaseRecovery.h"

#include "backup/KeptAsideName.h"
#include "backup/OldFolderNotice.h"
#include "backup/RemovalProblem.h"
#include "backup/RestoreRecord.h"
#include "backup/WorkFolderOverlap.h"
#include "platform/AppPaths.h"

#include <QDir>
#include <QFileInfo>

namespace {

using Kind = TDatabaseRecovery::Kind;
using State = TFolderVerdict::State;
using Told = OldFolderNotice::Told;

class Recovery {
public:
    Recovery(const DbSchema& schema, TRecoverySeams seams) : m_schema(schema), m_seams(std::move(seams))
    {
        m_seams.files = CompletedFileOps(std::move(m_seams.files));
        if (!m_seams.now)
            m_seams.now = [] { return QDateTime::currentDateTime(); };
        if (!m_seams.examine)
            m_seams.examine = [this](const QString& folder) { return ExamineDatabaseFolder(folder, m_schema); };
    }

    TDatabaseRecovery run(const QString& databaseFolder)
    {
        const std::optional<TRestoreRecord> record = RestoreRecord::read();
        const QString folder = QDir::cleanPath(record ? record->databaseFolder : databaseFolder);
        const bool resumed = record && record->step == TRestoreRecord::Step::Replacing;
        m_result = {Kind::Nothing, folder, AppPaths::oldDatabaseFolder(), {}, record && !resumed, resumed, {}, {}};
        if (folder.trimmed().isEmpty() || !QDir::isAbsolutePath(folder) || WorkFolderOverlapping(folder))
            return m_result;
        const QString tmp = AppPaths::tmpFolder();
        if (NameTaken(tmp) && !m_seams.files.deleteTree(tmp))
            m_result.tmpProblem = RemovalProblem(tmp);
        if (!record) {
            // A file that is no record tells nothing and would be there at every start.
            RestoreRecord::remove();
            withoutRecord();
        } else if (record->step == TRestoreRecord::Step::Complete)
            keepPrevious(*record);
        else if (!record->hadDatabase)
            setIncompleteAside(*record);
        else
            putPreviousBack(*record);
        return m_result;
    }

private:
    // Before the new database was complete, or while an earlier start replaced an unusable
    // database folder: "ADS_OLD" holds the database.
    void putPreviousBack(TRestoreRecord record)
    {
        const QString& folder = m_result.databaseFolder;
        if (!QFileInfo(m_result.previous).isDir()) {
            // Nothing was moved yet, or all was: only a finished recovery leaves its name behind.
            if (!record.keptAside.isEmpty() && NameTaken(record.keptAside) && QFileInfo(folder).isDir()) {
                m_result.kind = Kind::Recovered;
                m_result.keptAside = record.keptAside;
            }
            RestoreRecord::remove();
            return;
        }
        const std::optional<bool> movedNow = setAside(folder, QStringLiteral("_unvollständig"), record);
        if (!movedNow) {
            m_result.kind = Kind::NotMoved;
            return;
        }
        if (!m_seams.files.rename(m_result.previous, folder)) {
            if (*movedNow)
                m_seams.files.rename(m_result.keptAside, folder);
            m_result.keptAside.clear();
            m_result.kind = Kind::NotMoved;
            return;
        }
        m_result.kind = Kind::Recovered;
        RestoreRecord::remove();
    }

    // A restore into a folder that was not there, interrupted before it was complete: there is
    // no previous database, and the incomplete folder is kept under a name of its own.
    void setIncompleteAside(TRestoreRecord record)
    {
        if (!setAside(m_result.databaseFolder, QStringLiteral("_unvollständig"), record)) {
            m_result.kind = Kind::IncompleteNotMoved;
            return;
        }
        if (!m_result.keptAside.isEmpty())
            m_result.kind = Kind::IncompleteSetAside;
        RestoreRecord::remove();
    }

    // Keeps path under a dated name after suffix, each name written to record before it is
    // tried; m_result.keptAside is where it lies, also when an earlier start moved it as record
    // says. Nothing when it could not be moved, else whether it was moved now.
    std::optional<bool> setAside(const QString& path, const QString& suffix, TRestoreRecord& record)
    {
        if (!NameTaken(path)) {
            if (!record.keptAside.isEmpty() && NameTaken(record.keptAside))
                m_result.keptAside = record.keptAside;
            return false;
        }
        const std::optional<QString> kept = MoveAside(path, DatedName(path + suffix, m_seams.now()),
                                                      m_seams.files.rename, [&record](const QString& candidate) {
                                                          record.keptAside = candidate;
                                                          return RestoreRecord::write(record);
                                                      });
        if (!kept)
            return std::nullopt;
        m_result.keptAside = *kept;
        return true;
    }

    // After the new database was complete: what is left of "ADS_OLD" is kept, never deleted.
    void keepPrevious(TRestoreRecord record)
    {
        if (!setAside(m_result.previous, QString(), record)) {
            m_result.kind = Kind::OldNotKept;
            return;
        }
        if (!m_result.keptAside.isEmpty())
            m_result.kind = Kind::OldKept;
        RestoreRecord::remove();
    }

    // An "ADS_OLD" that no record explains: only facts replace the database folder.
    void withoutRecord()
    {
        const QString& previous = m_result.previous;
        if (!QFileInfo(previous).isDir()) {
            OldFolderNotice::forget();
            return;
        }
        const Told told = OldFolderNotice::told(previous);
        TFolderVerdict found = DatabaseFilesPresent(m_result.databaseFolder, m_schema);
        if (found.state == State::Intact) {
            if (told != Told::Nothing)
                return;
            found = m_seams.examine(m_result.databaseFolder);
            // Nothing is said and nothing remembered: the next start checks once the program's
            // connect has rolled the other program's journal back.
            if (found.state == State::Pending)
                return;
        } else if (told == Told::Incomplete) {
            return;
        }
        m_result.found = found;
        if (found.state == State::Intact) {
            m_result.kind = Kind::OldLeft;
            OldFolderNotice::remember(previous, Told::Left);
            return;
        }
        if (!found.replaceable()) {
            m_result.kind = Kind::Unreadable;
            return;
        }
        const TFolderVerdict previousFound = m_seams.examine(previous);
        if (previousFound.state != State::Intact) {
            m_result.kind = Kind::PreviousIncomplete;
            if (previousFound.replaceable())
                OldFolderNotice::remember(previous, Told::Incomplete);
            return;
        }
        putPreviousBack({TRestoreRecord::Step::Replacing, m_result.databaseFolder, {}});
    }

    const DbSchema& m_schema;
    TRecoverySeams m_seams;
    TDatabaseRecovery m_result;
};

QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

// What the start found, when no record told it.
QString foundText(const TDatabaseRecovery& r)
{
    const QString database = QStringLiteral("Die Datenbank im Verzeichnis ") + quoted(r.databaseFolder);
    const TFolderVerdict& f = r.found;
    switch (f.state) {
    case State::Intact:
    case State::Pending:
        break;
    case State::Missing:
        return QStringLiteral("Das Datenbankverzeichnis ") + quoted(r.databaseFolder) + QStringLiteral(" fehlt.");
    case State::Incomplete:
        return database + QStringLiteral(" ist nicht vollständig: die Datei ") + quoted(f.file) +
               QStringLiteral(" fehlt oder ist leer.");
    case State::Damaged:
        return database + QStringLiteral(" ist beschädigt (") + f.file + QStringLiteral(": ") + f.message +
               QStringLiteral(").");
    case State::Unreadable:
        if (f.locked)
            return database + QStringLiteral(" wird von einem anderen Programm gesperrt") +
                   (f.message.isEmpty() ? QString() : QStringLiteral(" (Prozess ") + f.message + u')') +
                   QStringLiteral(".");
        return database + QStringLiteral(" konnte nicht gelesen werden (") + f.file + QStringLiteral(": ") + f.message +
               QStringLiteral(").");
    }
    return QString();
}

QString introText(const TDatabaseRecovery& r)
{
    if (r.resumed)
        return QStringLiteral("Ein früherer Start wurde beendet, während er die nicht verwendbare Datenbank im "
                              "Verzeichnis ") +
               quoted(r.databaseFolder) + QStringLiteral(" durch die vorherige ersetzte.\r\n\r\n");
    if (r.interrupted)
        return QStringLiteral("Das Einspielen einer Datensicherung wurde unterbrochen. Die Datenbank im Verzeichnis ") +
               quoted(r.databaseFolder) + QStringLiteral(" ist nicht vollständig.\r\n\r\n");
    return foundText(r) + QStringLiteral("\r\n\r\n");
}

// The folder the start set aside, named by what it found there.
QString setAsideText(const TDatabaseRecovery& r)
{
    if (!r.interrupted && r.found.state == State::Damaged)
        return QStringLiteral("Das beschädigte Datenbankverzeichnis");
    if (r.resumed)
        return QStringLiteral("Das nicht verwendbare Datenbankverzeichnis");
    return QStringLiteral("Das unvollständige Datenbankverzeichnis");
}

QString noPreviousText()
{
    return QStringLiteral("Vor dem Einspielen gab es dieses Verzeichnis nicht, also auch keine vorherige Datenbank. ");
}

QString completedText(const TDatabaseRecovery& r)
{
    return QStringLiteral("Das Einspielen einer Datensicherung nach ") + quoted(r.databaseFolder) +
           QStringLiteral(" wurde abgeschlossen, das Programm aber beendet, bevor das Verzeichnis ") +
           quoted(r.previous) + QStringLiteral(" mit der vorherigen Datenbank entfernt war.\r\n\r\n");
}

} // namespace

TDatabaseRecovery RecoverDatabaseFolder(const QString& databaseFolder, const DbSchema& schema, TRecoverySeams seams)
{
    return Recovery(schema, std::move(seams)).run(databaseFolder);
}

QString DatabaseRecoveryText(const TDatabaseRecovery& r)
{
    switch (r.kind) {
    case Kind::Nothing:
        break;
    case Kind::Recovered:
        return introText(r) + QStringLiteral("Die vorherige Datenbank aus ") + quoted(r.previous) +
               QStringLiteral(" wurde wieder nach ") + quoted(r.databaseFolder) + QStringLiteral(" verschoben.") +
               (r.keptAside.isEmpty() ? QString()
                                      : QStringLiteral("\r\n\r\n") + setAsideText(r) + QStringLiteral(" wurde in ") +
                                            quoted(r.keptAside) + QStringLiteral(" umbenannt."));
    case Kind::PreviousIncomplete:
        return introText(r) + QStringLiteral("Das Verzeichnis ") + quoted(r.previous) +
               QStringLiteral(" aus einem früheren Einspielen enthält ebenfalls keine vollständige Datenbank. "
                              "Beide Verzeichnisse bleiben unverändert.");
    case Kind::NotMoved:
        return introText(r) + QStringLiteral("Die vorherige Datenbank in ") + quoted(r.previous) +
               QStringLiteral(" konnte nicht zurück verschoben werden. Beide Verzeichnisse bleiben unverändert.");
    case Kind::OldKept:
        return completedText(r) + QStringLiteral("Was davon noch da war, liegt jetzt in ") + quoted(r.keptAside) +
               QStringLiteral("; Sie können es löschen, wenn Sie es nicht mehr brauchen.");
    case Kind::OldNotKept:
        return completedText(r) + QStringLiteral("Das Verzeichnis ") + quoted(r.previous) +
               QStringLiteral(" konnte nicht umbenannt werden und bleibt unverändert.");
    case Kind::OldLeft:
        return QStringLiteral("Neben der Datenbank im Verzeichnis ") + quoted(r.databaseFolder) +
               QStringLiteral(" liegt das Verzeichnis ") + quoted(r.previous) +
               QStringLiteral(
                   " aus einem früheren Einspielen. Die Datenbank ist vollständig und bleibt unverändert; ") +
               quoted(r.previous) + QStringLiteral(" wird nicht verwendet und kann gelöscht werden.");
    case Kind::IncompleteSetAside:
        return introText(r) + noPreviousText() + QStringLiteral("Das unvollständige Datenbankverzeichnis wurde in ") +
               quoted(r.keptAside) + QStringLiteral(" umbenannt. Bitte spielen Sie die Datensicherung erneut ein.");
    case Kind::IncompleteNotMoved:
        return introText(r) + noPreviousText() +
               QStringLiteral("Das unvollständige Datenbankverzeichnis konnte nicht umbenannt werden und bleibt "
                              "unverändert.");
    case Kind::Unreadable:
        return foundText(r) + QStringLiteral("\r\n\r\nDie Datenbank und das Verzeichnis ") + quoted(r.previous) +
               QStringLiteral(" bleiben unverändert.") +
               (r.found.locked ? QStringLiteral(" Bitte beenden Sie das andere Programm und starten Sie "
                                                "kubNEWSLETTER danach erneut.")
                               : QString());
    }
    return QString();
}

QString TmpProblemText(const TDatabaseRecovery& r)
{
    if (r.tmpProblem.isEmpty())
        return QString();
    return QStringLiteral("Das temporäre Verzeichnis ") + quoted(AppPaths::tmpFolder()) +
           QStringLiteral(" konnte nicht entfernt werden.\r\n\r\n") + r.tmpProblem + u'.';
}
