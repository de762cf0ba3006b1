#pragma once

#include "backup/BackupReporting.h"

#include <QStringList>

#include <optional>

// Answers the restore's questions from fields and records what it was told.
class FakeQuestions : public IBackupQuestions {
public:
    std::optional<QString> chooseTarget() override { return std::nullopt; }
    bool askOtherTarget() override { return false; }
    MediumAnswer askNextMedium(int, const QString&) override { return MediumAnswer::Cancel; }
    std::optional<QString> chooseArchive() override { return archive; }
    bool confirmRestore(const QString& name) override
    {
        asked.append(name);
        return confirm;
    }
    MediumAnswer askForVolume(int, const QString&, const QString&) override { return MediumAnswer::Cancel; }
    std::optional<QString> chooseVolumeFolder(int, const QString&) override { return std::nullopt; }
    void oldFolderKept(const QString&, const QString& kept) override { told.append(kept); }
    void tell(const BackupResult& problem) override { told.append(BackupResultBox(problem).text); }

    std::optional<QString> archive;
    bool confirm = true;
    QStringList asked;
    QStringList told;
};
