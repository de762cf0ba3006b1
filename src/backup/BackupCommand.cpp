#include "backup/BackupCommand.h"

#include "backup/BackupRun.h"
#include "backup/BackupWindow.h"
#include "core/DM.h"

TBackupCommand::TBackupCommand(TDM2& dm, QWidget* parent, TBackupSeams seams)
    : m_dm(dm), m_parent(parent), m_seams(std::move(seams))
{}

void TBackupCommand::BackupDatabase()
{
    TBackupPickers pickers;
    pickers.chooseTarget = m_seams.chooseTarget;
    pickers.volumes = m_seams.volumes;
    pickers.formCreated = m_seams.formCreated;
    TBackupWindow window(m_parent, std::move(pickers));
    const TBackupDatabase db{
        m_dm.AdsConnection1, m_dm.AdsConnection2, m_dm.AdsTable1, {&m_dm.EmpfQuery, &m_dm.AbsendQuery}};
    const BackupResult result =
        TBackupRun(db, window, window, {m_seams.volumes, m_seams.freeSpace, m_seams.copyAndPack}).execute();
    window.showResult(result);
}
