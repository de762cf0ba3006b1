#include "backup/RestoreCommand.h"

#include "backup/BackupWindow.h"
#include "core/DM.h"
#include "platform/DbError.h"

TRestoreCommand::TRestoreCommand(TDM2& dm, TDatabaseAvailability& availability, QWidget* parent, TRestoreSeams seams)
    : m_dm(dm), m_availability(availability), m_parent(parent), m_seams(std::move(seams))
{}

void TRestoreCommand::RestoreDatabase()
{
    TBackupPickers pickers;
    pickers.chooseArchive = m_seams.chooseArchive;
    pickers.chooseVolumeFolder = m_seams.chooseVolumeFolder;
    pickers.formCreated = m_seams.formCreated;
    TBackupWindow window(m_parent, std::move(pickers));
    TRestoreRunSeams seams{[this] { return disconnect(); }, m_seams.files, m_seams.freeSpace, m_seams.now};
    const BackupResult result =
        TRestoreRun(m_dm.AdsConnection1.connectPath(), m_dm.AdsConnection1.schema(), window, window, std::move(seams))
            .execute();
    window.showResult(result);
    if (result.outcome != BackupOutcome::Busy)
        m_availability.setDatabaseUnavailable(!m_dm.Reconnect());
}

bool TRestoreCommand::disconnect()
{
    if (m_seams.releaseFrames)
        m_seams.releaseFrames();
    m_availability.setDatabaseUnavailable(true);
    if (m_seams.disconnect)
        return m_seams.disconnect();
    try {
        m_dm.AdsTable1.close();
        m_dm.AdsConnection2.disconnect();
        m_dm.AdsConnection1.disconnect();
    } catch (const EDatabaseError&) {
        // Reported below through the connection that stayed open.
    }
    return !m_dm.AdsConnection1.isConnected() && !m_dm.AdsConnection2.isConnected();
}
